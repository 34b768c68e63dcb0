#pragma once
// The complete scan's read-ahead device. It wraps a device and keeps a thread reading the next
// blocks while the searchers analyse the current one; reads that fall into the current block are
// served from memory, all others go to the wrapped device. The searchers of a block read at once
// from several threads, as does the reader: the wrapped device must allow that (the plain
// devices read positionally). A searcher's own workers may go on reading while the next block
// becomes current: the current block changes only while no read is copying out of it.
//
// Blocks are shared, never copied: the searchers may hold a block after the next one became
// current (the signature search keeps its last blocks; searchers run some blocks apart), and
// reads falling into those of the last few blocks made current still held are served from them
// too. A block's buffer is read into again only once its last holder let go. Every buffer is
// faulted once and kept for the scan, so the fewer blocks in flight, the less fresh memory the
// system must zero for it.
//
// Use: construct, SetBlockSize, BeginCache, SetCurCacheBlock(0), (1), ... in ascending order,
// EndCache. Without BeginCache (a results file being restored) nothing is ever read ahead.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <span>
#include <thread>
#include <vector>

#include "engine/IFileSystemSearchController.h"
#include "engine/IStorageDevice.h"
#include "engine/core/cache/ReadSalvaging.h"
#include "engine/core/util/LargeBuffer.h"
#include "engine/core/util/Locks.h"

class CStorageDeviceWithCache final : public IStorageDevice {
public:
    static constexpr std::uint32_t kDefaultBlockSectors = 1000;
    /// Enough to keep the device busy: the searchers' own lanes run up to kRecentBlocks - 1
    /// blocks apart on top of it, which absorbs their uneven pace.
    static constexpr std::size_t kQueueLimit = 4;
    /// The blocks made current last (the current one included) that reads are served from,
    /// while someone still holds them.
    static constexpr std::size_t kRecentBlocks = 9;
    /// What each block carries of the sectors after it, for structures crossing its end.
    static constexpr std::size_t kLookAheadBytes = ICompleteFileSystemSearchController::kLookAheadBytes;

    /// `pDevice` is not owned and must outlive the cache; null makes every operation fail.
    explicit CStorageDeviceWithCache(IStorageDevice* pDevice);
    ~CStorageDeviceWithCache() override;
    CStorageDeviceWithCache(CStorageDeviceWithCache const&) = delete;
    CStorageDeviceWithCache& operator=(CStorageDeviceWithCache const&) = delete;

    /// Sets the block length in sectors and forgets the current block; stops a running reader
    /// first. 0 when the block buffer cannot be allocated (the block size is then 0).
    int SetBlockSize(unsigned int u32BlockSectors);
    /// Queues the first blocks, then starts the reader thread. Restarts from sector 0 when called again.
    void BeginCache();
    /// Stops and joins the reader and drops the queued blocks; the current block stays loaded.
    /// Safe to call any number of times, before or without BeginCache.
    void EndCache();
    /// Makes block `s64Index` current, waiting for the reader when it is behind. 0 when the index
    /// is out of range, there is no device, or the block will never arrive (the reader has ended
    /// or was never started); the block loaded before then stays current.
    int SetCurCacheBlock(long long s64Index);
    /// True when the block size is not 0 and `s64Index` names a block of the device.
    bool IsBlockInValidRange(long long s64Index);
    /// True when no block is queued.
    bool IsNeedCatchBuffer();

    /// Sectors the read-ahead could not read even one by one; they read as zeros in their block.
    std::int64_t GetUnreadableSectorCount() const { return m_s64UnreadableSectors.load(); }
    /// A storage read failure (module 0x0E, code 1) once any read-ahead read failed, else 0.
    RESULT GetReadFailure() const { return m_readFailure.load(); }
    /// Block buffers allocated since the block size was set: a scan reuses the buffers its
    /// blocks let go, so this stays at what the blocks in flight need, however long the device.
    std::size_t GetBuffersMade() const;

    /// 1 when a device is wrapped; opens nothing.
    int Open() override;
    /// 1 when a device is wrapped; closes nothing.
    int Close() override;
    /// Serves what lies in the current block from memory and the rest from the device; 0 when a
    /// device read failed.
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    /// The current block's bytes from `s64FirstSector` to its end, then its look-ahead: up to
    /// kLookAheadBytes of the next sectors (at most a block), taken from the next block already
    /// read (unreadable sectors as zeros, fewer at the device's end). Empty when the sector is not in the block.
    /// Valid until the current block changes; safe to read from several threads meanwhile.
    std::span<std::uint8_t const> CurrentBlockWithLookAhead(long long s64FirstSector) const;
    /// The current block, shared: its bytes from its first sector (a whole block's length at
    /// least, zeros behind a short last block), then its look-ahead; valid while `pKeep` is
    /// held. Empty without a current block.
    ICompleteFileSystemSearchController::SharedBlock CurrentSharedBlock() const;
    /// The device's sector size; 512 without a device.
    int GetSectorSize() override;
    long long GetTotalSectors() override;
    int IOCtl(unsigned long long, void*) override { return 0; }
    /// The record stored by SetPrivateData; not owned.
    IStorageDeviceData* GetPrivateData() override { return m_pPrivateData; }
    /// Stores `pData` without taking ownership.
    void SetPrivateData(IStorageDeviceData* pData) override { m_pPrivateData = pData; }
    int GetType() override { return STORAGE_DEVICE_CACHED; }
    /// Always 0: device failures are passed on by ReadSector's answer only.
    RESULT GetLastError() override { return kResultSuccess; }

private:
    /// One block read ahead: where it starts and how many sectors of the buffer it holds.
    struct Block {
        engine::LargeBuffer data;
        std::int64_t s64First = 0;
        std::int64_t s64Sectors = 0;
        std::size_t lookAheadBytes = 0;  // valid bytes after the block's sectors
    };
    using BlockPtr = std::shared_ptr<Block>;
    /// The buffers of blocks whose last holder let go, for the reader to read into again. Its
    /// own object, as holders may let go after the cache is gone.
    struct BlockPool {
        std::mutex lock;
        std::vector<std::unique_ptr<Block>> free;
        std::size_t bufferBytes = 0;
        std::size_t buffersMade = 0;  // since the block size was set
        bool bKeeping = false;        // false: buffers let go are freed
    };

    std::size_t BlockBytes() const { return std::size_t{m_u32BlockSectors} * m_u32SectorBytes; }
    /// Never more than a block: the look-ahead comes from the next block alone.
    std::size_t LookAheadSectors() const {
        return std::min<std::size_t>((kLookAheadBytes + m_u32SectorBytes - 1) / m_u32SectorBytes, m_u32BlockSectors);
    }
    /// A block's buffer: the block, then room for the look-ahead.
    std::size_t BufferBytes() const { return BlockBytes() + LookAheadSectors() * m_u32SectorBytes; }
    /// A block whose buffer returns to the pool when its last holder lets go; throws
    /// std::bad_alloc when no buffer can be had.
    BlockPtr NewBlock();
    /// Copies the look-ahead of `block` from the next one, waiting for the reader; at the
    /// device's end there is none. Read from the device only when the reader stopped early.
    void FillLookAhead(Block& block);
    /// Claims the next block to read and a buffer for it, under the queue lock; false at the end.
    bool ClaimNextBlock(BlockPtr& pBlock);
    /// Reads a claimed block outside any lock, so the consumer is never held up by the device.
    void ReadBlock(Block& block);
    void ReaderLoop();
    /// Stops and joins the reader and drops the queued blocks; the pool keeps its buffers.
    void StopReader();
    /// Takes queued block `s64Index` into `pTaken`, dropping older ones. 1 taken, 0 never
    /// coming, -1 not there yet. Caller holds the queue lock.
    int TakeQueuedBlock(long long s64Index, BlockPtr& pTaken, bool& bRefill);
    /// The recent block holding `s64Sector`, while still held; null when none is. Caller holds
    /// m_currentLock.
    BlockPtr RecentBlockHolding(std::int64_t s64Sector) const;

    IStorageDeviceData* m_pPrivateData = nullptr;
    IStorageDevice* const m_pDevice;

    // Changed by the consumer thread only, under m_currentLock held exclusively; ReadSector
    // holds it shared while it copies out of a block. Lock order: m_queueLock, then this.
    mutable std::shared_mutex m_currentLock;
    BlockPtr m_pCurrent;
    // Oldest first, the current block last. Not held here: a block nobody works on any more goes
    // back to the pool instead of pinning a buffer for reads that may never come.
    std::deque<std::weak_ptr<Block>> m_recent;
    std::int64_t m_s64CurBlock = -1;
    std::uint32_t m_u32BlockSectors = 0;
    std::uint32_t m_u32SectorBytes = 0;
    std::shared_ptr<BlockPool> m_pPool = std::make_shared<BlockPool>();

    // Guarded by m_queueLock. Lock order: a condition's mutex, then m_queueLock; the conditions
    // are signalled only after m_queueLock is released.
    mutex_locker m_queueLock;
    std::deque<BlockPtr> m_queue;
    std::int64_t m_s64NextSector = 0;
    std::int64_t m_s64EndSector = 0;
    bool m_bRunning = false;
    bool m_bReaderActive = false;

    cond_locker m_blockReady;  // the reader queued a block or ended
    cond_locker m_refill;      // a queue place came free, or the reader must stop
    std::thread m_reader;      // joined by EndCache only

    std::atomic<std::int64_t> m_s64UnreadableSectors{0};
    std::atomic<RESULT> m_readFailure{kResultSuccess};
};
