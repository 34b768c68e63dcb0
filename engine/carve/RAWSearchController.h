#pragma once
// The signature search: a complete searcher that looks at the first bytes of every sector,
// asks the analysers whether a file starts there, sizes each found file once the bytes after
// it have been read, and files it into the "(RAW Files)" tree.
//
// Sizing waits until the file's block is about to leave a ring of the last 20 blocks, so that
// most of what an analyser reads comes from memory; files still pending at the end are sized
// over the ring too, which holds their blocks. A size rule that searches forward for the file's
// end hands its walk back, and the search feeds it each block it reads (ForwardWalks.h); files
// are filed in the order they were found, each once its size is known. A start found within a
// file of its own format that was sized before it (a TAR's member header) is part of that file.
#include <array>
#include <bitset>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "engine/IFileSystemSearchController.h"
#include "engine/IRecoveryFilter.h"
#include "engine/carve/BufferStorageDevice.h"
#include "engine/carve/EnclosingFiles.h"
#include "engine/carve/ForwardWalks.h"
#include "engine/carve/NextFileCut.h"
#include "engine/carve/RAWFileManager.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/SectorWalk.h"
#include "engine/core/recovery/FileTypeManager.h"

class CRawFileAnalyserListSingle;

class CRAWSearchController final : public ICompleteFileSystemSearchController {
public:
    static constexpr std::uint32_t kRingBlocks = 20;
    /// Zeroed bytes after a block read into the ring's own buffer, so that a sloppy read near
    /// its end meets zeros.
    static constexpr std::size_t kBlockSlackBytes = 2048;

    /// How the files of a search ended; for measurements.
    struct Statistics {
        std::uint64_t u64FiledAtOnce = 0;    // sized by their header
        std::uint64_t u64SizedFromRing = 0;  // sized when their block left the ring
        std::uint64_t u64SizedAtEnd = 0;     // sized by EndSearch
        std::uint64_t u64Dropped = 0;        // no size, or no category
    };

    CRAWSearchController() = default;
    CRAWSearchController(CRAWSearchController const&) = delete;
    CRAWSearchController& operator=(CRAWSearchController const&) = delete;
    /// Forgets the progress sink in CNotifyCenter when it is still the one this search set.
    ~CRAWSearchController() override;

    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override { m_pBuilder = pBuilder; }
    /// One new record for the whole device (start 0, one sector per cluster, the device's sector
    /// size, score 1), which the caller owns; 1 when stored, 0 without room for it.
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    void SetDevice(IStorageDevice* pDevice) override;
    void SetBlockSize(int iSectors) override;
    /// Resets the search's process-wide state, sets up the ring and the block buffer and makes
    /// the tree; a failure code when the device or block size is missing or memory runs out.
    RESULT PreparetoSearch() override;
    /// With `iBuild` non-zero: sizes and files what is pending, then builds the tree.
    void EndSearch(int iBuild) override;
    /// Examines one block (at most the block size), sizes the files of the ring's oldest block
    /// and adds the block to the ring. A failure code only for a bad count or an unprepared search.
    RESULT AnalyzeBlock(long long s64First, long long s64Count) override;
    /// Copies the handed block into the ring: sizing reads the ring as a device.
    RESULT AnalyzeBlockBytes(engine::ByteView block, long long s64First, long long s64Count) override;
    /// Examines the block where it lies and holds it in the ring by reference: nothing is copied.
    RESULT AnalyzeSharedBlock(SharedBlock const& block, long long s64First, long long s64Count) override;
    void SetIProgressSink(IProgress* pProgress) override;

    /// The carved-file manager of the type's category (made on first use); null above 1999.
    CRAWFileManager* GetFileManager(std::uint32_t u32Type);

    Statistics const& GetStatistics() const { return m_statistics; }
    CBufferStorageDevice const& GetRing() const { return m_ring; }

private:
    enum class SizedBy { Header, Ring, End };

    std::uint32_t DeviceSectorSize() const;
    /// Sorts list 0 by the first bytes its analysers may start with and notes the keys' first
    /// two bytes, so that most sectors are judged without asking an analyser.
    void IndexAnalysers(CRawFileAnalyserListSingle const& registry);
    /// The block pass over a block put into a buffer of the ring's own by `fill` (false when its
    /// bytes cannot be read).
    RESULT AnalyzeCopy(long long s64First, long long s64Count,
                       std::function<bool(std::uint8_t*, std::size_t)> const& fill);
    /// The block pass of one block: its sectors are examined, the oldest block's files sized,
    /// and the block joins the ring, which keeps `pKeep` while it holds it.
    RESULT AnalyzeInRing(long long s64First, long long s64Count, engine::ByteView block,
                         std::shared_ptr<void const> pKeep, bool bReadable);
    void ExamineSectors(std::uint8_t const* pBlock, std::uint64_t u64First, std::uint32_t u32Count);
    void SizeOldestBlock();
    struct BeingSized;
    /// Begins sizing a found file over `pDevice`: its walk forward, if any, is fed what the
    /// ring holds of the blocks read so far. Null, the file dropped, when it lies within a file
    /// sized before that holds it (CEnclosingFiles).
    BeingSized* BeginSizing(std::unique_ptr<CRawFileInfo> pInfo, SizedBy eSizedBy, IStorageDevice* pDevice);
    /// Feeds every walk still going the blocks read since, then files what is sized.
    void AdvanceWalks();
    /// Feeds the walk of the file at `u64FileStart` what the ring holds, up to the next file found
    /// past where the walk left the file's structure (SectorWalk::CutFrom), which ends it there.
    void AdvanceWalk(SectorWalk& walk, std::uint64_t u64FileStart);
    /// The device sector of the next file found past where the walk left its file's structure.
    std::optional<std::uint64_t> CutSector(SectorWalk const& walk, std::uint64_t u64FileStart) const;
    /// Ends the walk at its cut when it has come to it; true when it did.
    bool EndAtCut(SectorWalk& walk, std::uint64_t u64FileStart) const;
    /// The first device sector a sizing, begun or still to begin, may read: the ring need not
    /// hold the blocks before it.
    std::uint64_t FirstSectorStillRead() const;
    /// Runs the file's walk, if still going, to its end on the device itself.
    void FinishOnDevice(BeingSized& sizing);
    /// Files (or drops) the files being sized from the first on, up to one whose walk goes on.
    void FileSized();
    /// Applies the answer of a finished walk and settles a guessed size at the next file found;
    /// false while that cannot be told yet.
    bool Settled(BeingSized& sizing);
    /// Clamps the size to the device's end and files the record; false when it was dropped.
    bool File(CRawFileInfo& info, SizedBy eSizedBy);
    /// Whether the registry still holds the analysers the pending records point to.
    bool RegistryUnchanged() const;

    CFileTypeManager m_fileTypes;
    std::map<std::uint32_t, std::unique_ptr<CRAWFileManager>> m_managers;  // by category
    IStorageDevice* m_pDevice = nullptr;                                   // not owned
    std::uint32_t m_u32SectorsPerBlock = 0;
    IDirecotryTreeBuilder* m_pBuilder = nullptr;  // not owned
    CBufferStorageDevice m_ring;
    std::deque<std::unique_ptr<CRawFileInfo>> m_pending;
    /// Files sized by their header and files whose sizing began, in the order a search that
    /// sized every file where it was found would file them; the first ones leave once sized.
    struct BeingSized {
        std::unique_ptr<CRawFileInfo> pInfo;
        std::unique_ptr<SectorWalk> pWalk;  // the walk that gives the size; null when sized
        SizedBy eSizedBy = SizedBy::Ring;
        bool bFailed = false;  // the analyser threw
    };
    std::deque<BeingSized> m_sizing;
    CForwardWalks m_walks;
    CNextFileCut m_nextFileCut;
    CEnclosingFiles m_enclosing;
    bool m_bAllRead = false;         // from EndSearch on: every file the search will find is known
    std::uint64_t m_u64ReadEnd = 0;  // the device sector after the last block in the ring
    bool m_bPrepared = false;        // from PreparetoSearch to EndSearch
    /// An analyser of list 0 and the byte beyond the first it needs (offset 0: none).
    struct KeylessCandidate {
        IRawFileAnalyser* pAnalyser;
        std::uint32_t u32LandmarkOffset;
        std::uint8_t u8LandmarkValue;
    };
    /// List 0 by a sector's first byte, in list order: only the analysers that may start there.
    std::array<std::vector<KeylessCandidate>, 256> m_keylessByFirstByte;
    std::uint32_t m_u32FarthestLandmark = 0;  // within a sector
    /// The first two bytes of every key of the map (little-endian): most sectors need no look-up.
    std::bitset<0x10000> m_keyPrefixes;
    IProgress* m_pProgress = nullptr;  // the sink this search gave CNotifyCenter
    std::uint64_t m_u64RegistryGeneration = 0;
    Statistics m_statistics;
};
