#pragma once
// The replay of a results file's nodes: the engine's recovery controller calls it in place of
// a search, once for a disk or once per volume, and the stored roots that belong to that device
// are handed to the tree builder with all their nodes and partitions.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/IRestoreScanSink.h"
#include "engine/Types.h"
#include "uimodel/resultsfile/CopyOutValues.h"
#include "uimodel/resultsfile/PartitionPlacements.h"

class IRSData;

namespace uimodel::resultsfile {

class CFrameCursor;
class CJobProgress;
struct StoredFileRecord;

class RestoreScanSink final : public IRestoreScanSink {
public:
    /// Over the open archive (not owned) of a scan saved with controller type `iControllerType`;
    /// `pProgress` (not owned) counts the records; both must outlive every replay.
    RestoreScanSink(IRSData* pArchive, int iControllerType, CJobProgress* pProgress);
    ~RestoreScanSink() override { ClearMapCell(); }
    RestoreScanSink(RestoreScanSink const&) = delete;
    RestoreScanSink& operator=(RestoreScanSink const&) = delete;

    /// Replays onto `pDevice`: a complete scan's replay takes every root; a quick scan's volume
    /// takes the roots it was saved from (see RootFitsDevice). Each root is taken at most once
    /// per load, and a quick scan's one root per searcher type per replay, in file order. Damage
    /// ends the replay with what was handed over kept, and is reported by GetError.
    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder, IProgress* pProgress,
                                 IStorageDevice* pDevice) override;
    std::vector<CSearchedPartitionInfo*>& GetSearchedPartition(int iSearcherType) override;

    /// Deletes every loaded partition record.
    void ClearMapCell();
    /// The load is over and its archive closed: later replays add nothing, the partitions stay.
    void DetachArchive() { m_pArchive = nullptr; }
    /// RESULTS_DAMAGED_NODES once a replay met damage, else 0.
    int GetError() const { return m_iError; }
    /// The names of the roots the replays read and none of them took (a volume of a quick scan
    /// that the device no longer holds), in file order.
    std::vector<std::string> LeftOutRoots() const;

private:
    /// What the device a replay runs for expects of a root.
    struct Target {
        bool bDisk = false;
        std::string volumeName;  // the name the tree builder gives the volume's roots
        std::uint32_t u32FileSystem = 9;
        long long s64TotalSectors = 0;
    };
    struct RootHeader;

    static Target TargetOf(IStorageDevice* pDevice);
    /// Replays one root section; false when the replay must end (damage or a stop).
    bool ReplayRoot(CFrameCursor& cursor, std::uint64_t u64Index, Target const& target, IDirecotryTreeBuilder& builder,
                    IProgress& progress, IStorageDevice* pDevice);
    bool RootFitsDevice(RootHeader const& root, Target const& target) const;
    /// Hands the node records of a root to the builder (when `bTaken`) up to its end marker,
    /// each with the volume cache slot of its partition in `volumes`.
    bool ReplayNodes(CFrameCursor& cursor, _tagSearcherType eType, bool bTaken,
                     std::map<std::uint16_t, int> const& volumes, IDirecotryTreeBuilder& builder, IProgress& progress);
    /// Notes damage; false, so a replay step can end with it.
    bool Damaged() {
        m_iError = 7;
        return false;
    }

    IRSData* m_pArchive;
    int m_iControllerType;
    CJobProgress* m_pProgress;
    std::map<int, std::vector<CSearchedPartitionInfo*>> m_partitions;  // owned
    std::set<std::uint64_t> m_takenRoots;            // by their place in the file, over the whole load
    std::map<std::uint64_t, std::string> m_leftOut;  // read, not taken yet: by place, the root's name
    std::set<std::uint32_t> m_typesTaken;            // searcher types taken by the running replay
    int m_iError = 0;
    CopyOutValues m_copyOutValues;     // of the file, read at each replay
    PartitionPlacements m_placements;  // likewise
    std::uint64_t m_u64Ordinal = 0;    // of the next file record of the node frame
};

}  // namespace uimodel::resultsfile
