#pragma once
// The quick scan of an NTFS volume: walks every record of its MFT once and hands each file and
// folder, live and deleted, to the tree builder as an NTFS node whose id is its record number
// (searcher type 35), in batches while the walk goes on. A file's parent is checked once the
// parent's record has been walked and its sequence number is known: a record that names a parent
// which has since become another file goes to the lost files.
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "engine/IFileSystemSearchController.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/copyout/ClusterBitmap.h"
#include "engine/ntfs/NTFSFileNode.h"
#include "engine/ntfs/NTFSFindFileFromLogFile.h"
#include "engine/ntfs/NTFSMftReader.h"

class CNTFSFileRecord;

class CNTFSQuickSearch final : public IQuickFileSystemSearchController {
public:
    static constexpr long long kRootRecord = 5;
    /// Larger clusters are not NTFS as Windows writes it: such volumes stay unrecognised.
    static constexpr std::uint64_t kMaxClusterBytes = 65536;
    /// Above this many clusters a volume without its bitmap gets no stand-in (256 MiB of bits).
    static constexpr std::uint64_t kMaxStandInClusters = std::uint64_t{1} << 31;

    CNTFSQuickSearch() = default;
    ~CNTFSQuickSearch() override = default;

    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override { m_pBuilder = pBuilder; }
    /// One record (NTFS, clusters from the volume start) once a search has recognised a volume
    /// and `iCount` is at least 1; answers how many it filled (0 before any search).
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    /// Walks the MFT. Code 5 without a device, builder or sink; 0x10 when sector 0 is no
    /// sound NTFS boot sector or its clusters are not whole device sectors (or above 64 KiB);
    /// 0x11 when neither $MFT nor $MFTMirr leads to the MFT. A stop leaves what was found.
    RESULT QuickSearchFiles(IStorageDevice* pDevice, IProgress* pProgress) override;

    /// Walks every record of `mft`, a volume of `device`, and hands its files and folders to the
    /// builder, each marked as of partition `u16Partition`, deleted files' runs salvaged from the
    /// volume's own $LogFile; no tree is finished. A null sink never stops the walk. With
    /// `bLiveFilesForBitmap` (an MFT rebuilt from scattered records), a volume whose $Bitmap
    /// cannot be read takes the clusters its live records hold for it. Answers how many nodes
    /// the builder took.
    std::size_t HandOverVolume(IStorageDevice& device, CNTFSMftReader const& mft, std::uint16_t u16Partition,
                               IProgress* pProgress, bool bLiveFilesForBitmap = false);
    /// Hands the file of a FILE record found at device byte `u64RecordByte` outside `mft` (left
    /// by an earlier MFT of the volume) to the builder as a lost file of partition
    /// `u16Partition` with node id `s64ID`; false when it names no file or is a folder. Its copy
    /// is refused when the volume's live files hold its clusters now or they lie past the volume,
    /// else carries the copy-out note `u32Note` (0: none).
    bool HandOverLooseFile(CNTFSMftReader const& mft, CNTFSFileRecord record, std::uint64_t u64RecordByte,
                           std::uint16_t u16Partition, long long s64ID, std::uint32_t u32Note = 0);

    /// Whether a live file of the volume last handed over holds cluster `u64Cluster` now (by its
    /// $Bitmap, or the stand-in for a rebuilt MFT); false when that is not known.
    bool ClusterHeldNow(std::uint64_t u64Cluster) const;

    /// The clusters a volume of `u64VolumeClusters` clusters uses now: its $Bitmap, or for an MFT
    /// rebuilt from scattered records (`bRebuilt`) without one, the clusters its live records
    /// hold; null when neither can be had.
    static std::optional<CClusterBitmap> ClustersInUse(CNTFSMftReader const& mft, std::uint64_t u64VolumeClusters,
                                                       bool bRebuilt);

    /// The volume as copy-out reads it: clusters in device sectors from the volume start; null
    /// when a cluster is not a whole number of device sectors.
    static std::optional<CSearchedPartitionInfo> PartitionRecord(NtfsVolumeGeometry const& geometry,
                                                                 std::uint64_t u64VolumeBytes);

private:
    struct FolderState {
        std::uint16_t u16Sequence = 0;
        bool bInUse = false;
    };
    struct Found {
        ReleasePtr<CNTFSFileNode> pNode;
        std::uint64_t u64ParentReference = 0;
    };

    void Walk(CNTFSMftReader const& mft, IProgress* pProgress);
    /// The volume's $Bitmap (record 6) for a volume of `u64VolumeClusters` clusters; null when
    /// it cannot be read, and then no deleted file is refused for its clusters.
    static std::optional<CClusterBitmap> ReadVolumeBitmap(CNTFSMftReader const& mft, std::uint64_t u64VolumeClusters);
    /// Every cluster a live record's non-resident attribute or the MFT itself holds, for a
    /// volume of `u64VolumeClusters` clusters; null above kMaxStandInClusters.
    static std::optional<CClusterBitmap> LiveFilesBitmap(CNTFSMftReader const& mft, std::uint64_t u64VolumeClusters);
    /// The node of base record `u64Number`; null when it names no file.
    ReleasePtr<CNTFSFileNode> BuildNode(CNTFSMftReader const& mft, std::uint64_t u64Number, CNTFSFileRecord record,
                                        std::uint64_t u64RecordByte, std::uint64_t& u64ParentReference) const;
    /// Refuses the node's copy when clusters it names are others' now or lie past the volume.
    void RefuseTakenClusters(CNTFSFileNode& node, std::uint64_t u64ClusterBytes) const;
    /// Whether a record may hang under the folder its reference names.
    bool ParentHolds(std::uint64_t u64Reference) const;
    /// Hands the found files whose parent's record lies below `u64WalkedRecords` to the builder
    /// (every one for the largest number); the others wait for their parent's record.
    void HandOver(std::uint64_t u64WalkedRecords);

    IDirecotryTreeBuilder* m_pBuilder = nullptr;  // not owned
    std::optional<CSearchedPartitionInfo> m_partition;
    std::unordered_map<std::uint64_t, FolderState> m_folders;
    std::vector<Found> m_found;  // built, not handed over yet
    std::uint16_t m_u16Partition = CSearchedPartitionInfo::kNoPartitionIndex;
    std::size_t m_taken = 0;  // nodes the builder took from this volume
    CFindFileFromLogFile m_salvage;
    std::optional<CClusterBitmap> m_bitmap;  // the clusters allocated now, read once per volume
};
