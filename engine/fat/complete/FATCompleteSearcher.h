#pragma once
// The FAT16/FAT32 part of a complete scan. Every sector of the device is classified as a boot
// sector, the first sector of a FAT copy, or folder entries (a sub-folder's first sector or
// another); from that evidence CFATCandidates proposes volumes whose partition table or boot
// sectors may be gone. A volume whose place among the found ones is sure once the blocks have
// passed its end (a boot sector its FATs, backup or folders confirm) is rebuilt there and then,
// so that its files reach the tree while the scan goes on; at the end the other candidates with
// enough evidence are scored and each one's folders rebuilt through its own CFATCompleteBuild, on
// one tree shared by all of them.
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <unordered_set>
#include <vector>

#include "engine/IFileSystemSearchController.h"
#include "engine/core/crossvolume/FoundVolumes.h"
#include "engine/core/crossvolume/VolumeNesting.h"
#include "engine/fat/FATFolderSectors.h"
#include "engine/fat/FATSearchedPartitionInfo.h"
#include "engine/fat/complete/FATCandidates.h"
#include "engine/fat/complete/FATCompleteBuild.h"
#include "engine/fat/ondisk/FATFolderAnalyser.h"

class CFATCompleteFSearcher final : public ICompleteFileSystemSearchController, IVolumeReporter {
public:
    /// Sector sizes the search classifies; other devices yield no FAT volume.
    static constexpr std::uint32_t kMinSectorSize = 512;
    static constexpr std::uint32_t kMaxSectorSize = 4096;

    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override { m_pBuilder = pBuilder; }
    /// Clones (with their scores) of up to `iCount` found volumes; the number found in all.
    /// While the blocks are searched, the volumes rebuilt so far: their files may be copied
    /// out of a paused scan.
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    void SetDevice(IStorageDevice* pDevice) override;
    void SetBlockSize(int iSectors) override { m_iSectorsPerBlock = iSectors; }
    /// Forgets what an earlier scan found.
    RESULT PreparetoSearch() override;
    /// With `iBuild` 0 nothing is built; otherwise the found volumes are settled and rebuilt.
    void EndSearch(int iBuild) override;
    /// Classifies every sector of the block; module 0x0a code 5 without device or block size.
    RESULT AnalyzeBlock(long long s64First, long long s64Count) override;
    RESULT AnalyzeBlockBytes(engine::ByteView block, long long s64First, long long s64Count) override;
    void SetIProgressSink(IProgress* pProgress) override { m_pProgress = pProgress; }
    /// With found volumes, a volume that may lie in a file of a volume met before it is not
    /// rebuilt while the blocks pass: the end reads it, through that file when it lies in one.
    void SetFoundVolumes(CFoundVolumes* pVolumes) override { m_pFoundVolumes = pVolumes; }
    IVolumeReporter* VolumeReporter() override { return this; }
    /// The volumes it settled, numbered in partition-index order.
    FoundVolumeList ListVolumes() override;
    void ReportUse(std::size_t number, CVolumeUse& use) override;

    /// The volumes EndSearch settled, in partition-index order.
    std::vector<std::unique_ptr<CFATSearchedPartitionInfo>> const& Found() const { return m_found; }

private:
    void AnalyzeSector(engine::ByteView sector, std::int64_t s64Sector);
    /// Rebuilds the volumes whose place is sure now that every sector below `s64Analysed` was
    /// classified.
    void BuildSettledVolumes(long long s64Analysed);
    /// Rebuilds one volume, the volumes of `sound` that lie inside it left out.
    void BuildVolume(CFATSearchedPartitionInfo const& volume, std::span<crossvolume::FoundSpan const> sound);
    /// The found volumes become m_found (once).
    void Settle();
    bool InsideOtherVolume(CFATSearchedPartitionInfo const& volume, std::int64_t s64Sector) const;
    /// The sectors of the volumes a boot sector and a FAT copy vouch for.
    static std::vector<crossvolume::FoundSpan> SoundVolumes(std::span<CFATSearchedPartitionInfo const* const> volumes);
    bool SectorSizeSupported() const { return m_u32SectorSize >= kMinSectorSize && m_u32SectorSize <= kMaxSectorSize; }

    int m_iSectorsPerBlock = -1;
    IStorageDevice* m_pDevice = nullptr;          // not owned
    IDirecotryTreeBuilder* m_pBuilder = nullptr;  // not owned
    IProgress* m_pProgress = nullptr;             // not owned
    std::uint32_t m_u32SectorSize = 512;
    std::vector<std::unique_ptr<CFATSearchedPartitionInfo>> m_found;
    std::unordered_set<CFATSearchedPartitionInfo const*> m_built;  // rebuilt while the blocks were searched
    std::vector<CFATSearchedPartitionInfo*> m_waiting;  // settled, until the others' searchers have passed their start
    // Copies of those volumes for the copy-out objects made meanwhile on other threads; the
    // lock guards them and m_found.
    std::vector<std::unique_ptr<CFATSearchedPartitionInfo>> m_builtCopies;
    mutable std::mutex m_foundLock;
    std::unique_ptr<CFATCandidates> m_pCandidates;  // made by SetDevice
    CFATFolderSectors m_folderSectors;
    CFATFolderAnalyser m_analyser{512};
    std::vector<std::uint8_t> m_block;
    bool m_bRecordsCapLogged = false;
    CFoundVolumes* m_pFoundVolumes = nullptr;  // not owned
    bool m_bSettled = false;
};

/// A new complete searcher; the caller deletes it.
ICompleteFileSystemSearchController* CreateFATSearcher();
