#pragma once
// Files salvaged from a volume's $LogFile. A deleted file whose record no longer says where its
// data lay (size 0, no runs) often still has it in the log: as a whole image of its FILE record
// written when the record was set up, or as the undo data of the updates that emptied its data
// attribute. The log is read once; images are kept by name, undo data by the record it targets.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/ntfs/NTFSFileProperties.h"
#include "engine/ntfs/NTFSMftReader.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

class CNTFSFileRecord;
class IStorageDevice;

class CFindFileFromLogFile {
public:
    /// Logs above this, or above the volume, are refused.
    static constexpr std::uint64_t kMaxLogBytes = std::uint64_t{4} << 30;
    /// Undo data kept in memory at most; what comes after is not indexed.
    static constexpr std::uint64_t kMaxIndexedBytes = std::uint64_t{256} << 20;

    /// Finds the log through MFT record 2 of the volume `geometry` describes (its start sector
    /// counts), whose MFT `mftRuns` lays out. False when record 2 is not a sound $LogFile record
    /// or its log is refused; the salvage then finds nothing.
    bool Init(IStorageDevice& device, NtfsVolumeGeometry const& geometry, CNTFSDataRunList const& mftRuns);
    /// As Init, with the log's runs and length already known.
    bool InitWithLog(IStorageDevice& device, NtfsVolumeGeometry const& geometry, CNTFSDataRunList const& mftRuns,
                     CNTFSDataRunList logRuns, std::uint64_t u64LogBytes);
    bool IsValid() const { return m_mft.has_value() && !m_logRuns.IsEmpty(); }
    /// Reads the whole log: FILE images with a name and a size are kept, and the undo data of
    /// every operation on a record's attribute.
    void Analyzer();
    void Reset();

    /// For a deleted, emptied file (not a folder): puts back runs and a size from an image of
    /// the same name (and parent, when one has it) and from the undo data of its base record
    /// `u64RecordNumber` and the extension records the properties list. True when it changed them.
    bool ReplaceFileRecordInfo(CNTFSFileRecord const& record, std::uint64_t u64RecordNumber,
                               CNTFSFileProperties& properties, std::uint64_t u64ParentNumber) const;

    std::uint64_t GetLogPageCount() const;
    std::size_t GetSalvagedFileCount() const { return m_salvaged.size(); }
    std::size_t GetIndexedOperationCount() const;

private:
    struct Salvaged {
        std::unique_ptr<CNTFSFileProperties> pProperties;
        std::uint64_t u64ParentNumber = 0;
    };
    struct UndoPiece {
        std::uint64_t u64Lsn = 0;
        std::uint16_t u16RecordOffset = 0;
        std::uint16_t u16AttributeOffset = 0;
        std::vector<std::uint8_t> bytes;
    };
    struct Rebuilt {
        CNTFSDataRunList runs;
        std::optional<std::int64_t> realSize;  // of the VCN-0 piece, when the undo data gave it back
    };

    void TakeRecord(engine::ByteView record);
    void TakeImage(engine::ByteView image);
    Salvaged const* FindSalvaged(std::string const& name, std::uint64_t u64ParentNumber) const;
    /// The runs of the unnamed $DATA attributes of one record, each rebuilt from its undo data.
    void RebuildRecord(CNTFSFileRecord const& record, std::uint64_t u64RecordNumber, Rebuilt& rebuilt) const;

    IStorageDevice* m_pDevice = nullptr;  // not owned
    std::optional<CNTFSMftReader> m_mft;
    CNTFSDataRunList m_logRuns;
    std::uint64_t m_u64LogBytes = 0;
    std::unordered_multimap<std::string, Salvaged> m_salvaged;
    std::unordered_map<std::uint64_t, std::vector<UndoPiece>> m_undo;
    std::uint64_t m_u64IndexedBytes = 0;
};
