#pragma once
// The name, size, times, DOS attributes, state and extents of one NTFS file as its FILE records
// give them. Extents are kept packed; where the base record lies and which extension records it
// has are kept so that resident data and salvaged runs can be read again.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/IFileProperties.h"
#include "engine/ReleasePtr.h"
#include "engine/ntfs/NTFSPackedRuns.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

class CNTFSFileProperties final : public IFileProperties {
public:
    static constexpr std::uint16_t kAttributeReadOnly = 0x1;
    static constexpr std::uint16_t kAttributeHidden = 0x2;
    static constexpr std::uint16_t kAttributeSystem = 0x4;
    static constexpr std::uint16_t kAttributeFolder = 0x10;
    static constexpr std::uint16_t kAttributeArchive = 0x20;
    static constexpr std::uint16_t kAttributeEncrypted = 0x40;
    static constexpr std::uint16_t kAttributeCompressed = 0x800;
    static constexpr std::uint16_t kStateDeleted = 1;

    unsigned int GetFileNameLength() override { return m_name ? static_cast<unsigned int>(m_name->size()) : 0; }
    /// Keeps a copy; null is ignored.
    void SetFileName(char const* pszName) override;
    /// Null until a name is set.
    char const* GetFileName() override { return m_name ? m_name->c_str() : nullptr; }
    long long GetFileSize() override { return m_s64Size; }
    unsigned int GetAttribute() override { return m_u16Attribute; }
    std::string GetRawFileCreateTime() override { return {}; }
    /// Times in 100-ns ticks since 1601.
    unsigned long long GetCreationTime() override { return m_u64Creation; }
    unsigned long long GetModificationTime() override { return m_u64Modification; }
    unsigned long long GetLastAccessTime() override { return m_u64LastAccess; }
    unsigned short GetState() override { return m_u16State; }
    void SetState(unsigned short u16State) override { m_u16State = u16State; }
    /// A new list unpacked from the packed runs (the caller releases it); null without runs.
    IDataRunList* GetDataRunList() override { return m_packedRuns ? m_packedRuns->Unpack().release() : nullptr; }
    /// A copy that owns copies of the packed runs and the extension list; the caller deletes it.
    IFileProperties* Clone() override { return new CNTFSFileProperties(*this); }

    /// Packs `pList` in place of the runs held (null is ignored). A resident list needs the
    /// value's offset in its record; false, keeping the old runs, when the list cannot be packed.
    bool SetDataRunList(IDataRunList* pList, std::uint16_t u16ResidentOffset = 0);
    /// Packs the runs from VCN 0 up to the first VCN no piece maps (an extension record lost:
    /// what follows is missing, not zeros). False, keeping the old runs, when none are left.
    bool SetNonResidentRuns(CNTFSDataRunList const& runs);
    void ClearDataRunList() { m_packedRuns.reset(); }
    std::optional<CCompressedDataRunList> const& GetPackedRuns() const { return m_packedRuns; }
    /// Total clusters of a non-resident run list; 0 for none or a resident one.
    std::int64_t GetTotalClusters() const;

    void SetFileSize(long long s64Size) { m_s64Size = s64Size; }
    /// How many bytes of the data were ever written (the initialised size); those past it read
    /// as zeros. None when every byte up to the size holds data (resident data, no record).
    std::optional<long long> GetInitializedSize() const { return m_initializedSize; }
    void SetInitializedSize(std::optional<long long> initializedSize) { m_initializedSize = initializedSize; }
    void SetAttribute(std::uint16_t u16Attribute) { m_u16Attribute = u16Attribute; }
    void SetTimes(std::uint64_t u64Creation, std::uint64_t u64Modification, std::uint64_t u64Access);
    /// When the FILE record last changed ($STANDARD_INFORMATION); 0 when unknown.
    void SetMftChangeTime(std::uint64_t u64Change) { m_u64MftChange = u64Change; }
    std::uint64_t GetMftChangeTime() const { return m_u64MftChange; }
    bool IsDirectory() const { return (m_u16Attribute & kAttributeFolder) != 0; }
    bool IsDeleted() const { return (m_u16State & kStateDeleted) != 0; }
    bool IsCompressed() const { return (m_u16Attribute & kAttributeCompressed) != 0; }

    /// The device sector where the base FILE record starts (records smaller than a device
    /// sector share it), and its exact byte and size.
    long long GetFileRecordStartSector() const { return m_s64RecordSector; }
    void SetFileRecordStartSector(long long s64Sector) { m_s64RecordSector = s64Sector; }
    std::uint64_t GetFileRecordByte() const { return m_u64RecordByte; }
    std::uint32_t GetFileRecordSize() const { return m_u32RecordSize; }
    void SetFileRecordPosition(std::uint64_t u64Byte, std::uint32_t u32Size);
    /// The MFT number of the base record.
    long long GetFileRecordIndex() const { return m_s64RecordIndex; }
    void SetFileRecordIndex(long long s64Index) { m_s64RecordIndex = s64Index; }
    /// The MFT numbers of the extension records that hold the rest of the file's attributes.
    std::vector<std::uint64_t> const& GetExtendFileRecordInfoList() const { return m_extensions; }
    void SetExtendFileRecordInfoList(std::vector<std::uint64_t> extensions) { m_extensions = std::move(extensions); }

private:
    std::optional<std::string> m_name;
    long long m_s64Size = 0;
    std::optional<long long> m_initializedSize;
    std::uint16_t m_u16Attribute = 0;
    std::uint64_t m_u64Creation = 0;
    std::uint64_t m_u64Modification = 0;
    std::uint64_t m_u64LastAccess = 0;
    std::uint64_t m_u64MftChange = 0;
    std::uint16_t m_u16State = 0;
    long long m_s64RecordSector = -1;
    std::uint64_t m_u64RecordByte = 0;
    std::uint32_t m_u32RecordSize = 0;
    std::optional<CCompressedDataRunList> m_packedRuns;
    long long m_s64RecordIndex = -1;
    std::vector<std::uint64_t> m_extensions;
};
