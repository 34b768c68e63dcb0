#include "engine/core/cache/StorageDeviceWithCache.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <span>
#include <system_error>
#include <utility>

#include "engine/CatchExeception.h"

CStorageDeviceWithCache::CStorageDeviceWithCache(IStorageDevice* pDevice) : m_pDevice(pDevice) {
    SetBlockSize(kDefaultBlockSectors);
}

CStorageDeviceWithCache::~CStorageDeviceWithCache() { EndCache(); }

int CStorageDeviceWithCache::SetBlockSize(unsigned int u32BlockSectors) {
    // The reader fills buffers of the block size: it must not run while that changes.
    EndCache();
    std::unique_lock current(m_currentLock);
    m_s64CurBlock = -1;
    m_pCurrent.reset();
    m_recent.clear();
    int const iSectorSize = GetSectorSize();
    m_u32SectorBytes = iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : 512;
    m_u32BlockSectors = u32BlockSectors;
    // Blocks of the old size still held elsewhere go back to the old pool, which frees them.
    m_pPool = std::make_shared<BlockPool>();
    m_pPool->bufferBytes = BufferBytes();
    try {
        // One buffer now, so that a size too large for memory fails here.
        m_pPool->free.push_back(std::make_unique<Block>(Block{engine::LargeBuffer(BufferBytes())}));
        m_pPool->buffersMade = 1;
    } catch (std::bad_alloc const&) {
        CatchExeception::WriteLog("Read-ahead cache: no memory for blocks of %u sectors\n", u32BlockSectors);
        m_u32BlockSectors = 0;
        return 0;
    }
    return 1;
}

CStorageDeviceWithCache::BlockPtr CStorageDeviceWithCache::NewBlock() {
    std::unique_ptr<Block> pBlock;
    {
        std::lock_guard lock(m_pPool->lock);
        m_pPool->bKeeping = true;
        if (!m_pPool->free.empty()) {
            pBlock = std::move(m_pPool->free.back());
            m_pPool->free.pop_back();
        }
    }
    if (!pBlock) {
        pBlock = std::make_unique<Block>(Block{engine::LargeBuffer(BufferBytes())});
        std::lock_guard lock(m_pPool->lock);
        ++m_pPool->buffersMade;
    }
    pBlock->s64First = 0;
    pBlock->s64Sectors = 0;
    pBlock->lookAheadBytes = 0;
    return BlockPtr(pBlock.release(), [pPool = m_pPool](Block* pLetGo) {
        std::unique_ptr<Block> pOwned(pLetGo);
        std::lock_guard lock(pPool->lock);
        if (pPool->bKeeping && pOwned->data.Size() == pPool->bufferBytes) pPool->free.push_back(std::move(pOwned));
    });
}

void CStorageDeviceWithCache::BeginCache() {
    // The pool stays: its buffers (the one SetBlockSize made at least) take the new blocks.
    StopReader();
    if (!m_pDevice) return;
    int const iSectorSize = GetSectorSize();
    if (iSectorSize > 0 && static_cast<std::uint32_t>(iSectorSize) != m_u32SectorBytes) SetBlockSize(m_u32BlockSectors);
    if (m_u32BlockSectors == 0) return;
    {
        autolocker lock(m_queueLock);
        m_s64NextSector = 0;
        m_s64EndSector = std::max<long long>(0, m_pDevice->GetTotalSectors());
        m_bRunning = true;
        m_bReaderActive = true;
    }
    // The first blocks are read before the scan starts, so the searchers begin on a full queue.
    for (std::size_t i = 0; i < kQueueLimit; ++i) {
        BlockPtr pBlock;
        if (!ClaimNextBlock(pBlock)) break;
        ReadBlock(*pBlock);
        autolocker lock(m_queueLock);
        m_queue.push_back(std::move(pBlock));
    }
    try {
        m_reader = std::thread(&CStorageDeviceWithCache::ReaderLoop, this);
    } catch (std::system_error const& error) {
        // The queued blocks can still be consumed; the consumer must just not wait for more.
        CatchExeception::WriteLog("Read-ahead cache: no reader thread: %s\n", error.what());
        autolocker lock(m_queueLock);
        m_bRunning = false;
        m_bReaderActive = false;
    }
}

void CStorageDeviceWithCache::EndCache() {
    StopReader();
    // Nothing is read ahead any more: buffers let go from now on are freed.
    std::lock_guard lock(m_pPool->lock);
    m_pPool->bKeeping = false;
    m_pPool->free.clear();
}

void CStorageDeviceWithCache::StopReader() {
    {
        autolocker lock(m_queueLock);
        m_bRunning = false;
    }
    m_refill.broadcast();
    m_blockReady.broadcast();
    if (m_reader.joinable()) m_reader.join();
    {
        autolocker lock(m_queueLock);
        m_bReaderActive = false;
        m_queue.clear();
    }
}

bool CStorageDeviceWithCache::ClaimNextBlock(BlockPtr& pBlock) {
    std::int64_t s64First = 0;
    std::int64_t s64Sectors = 0;
    {
        autolocker lock(m_queueLock);
        if (!m_bRunning || m_s64NextSector >= m_s64EndSector) return false;
        s64First = m_s64NextSector;
        // The last block is shorter: no read may pass the device's end or a partition window's.
        s64Sectors = std::min<std::int64_t>(m_u32BlockSectors, m_s64EndSector - m_s64NextSector);
        m_s64NextSector += s64Sectors;
    }
    try {
        pBlock = NewBlock();
    } catch (std::bad_alloc const&) {
        CatchExeception::WriteLog("Read-ahead cache: no memory for a block at sector %lld; reading ahead stops\n",
                                  static_cast<long long>(s64First));
        autolocker lock(m_queueLock);
        m_bRunning = false;
        return false;
    }
    pBlock->s64First = s64First;
    pBlock->s64Sectors = s64Sectors;
    return true;
}

void CStorageDeviceWithCache::ReadBlock(Block& block) {
    auto const uReadBytes = static_cast<std::size_t>(block.s64Sectors) * m_u32SectorBytes;
    std::span<std::uint8_t> const bytes(block.data.Data(), block.data.Size());
    std::vector<engine::SectorRun> unreadable;
    std::int64_t const s64Lost = engine::ReadSalvaging(*m_pDevice, bytes.first(uReadBytes), block.s64First,
                                                       block.s64Sectors, m_u32SectorBytes, unreadable);
    // A recycled buffer still holds an earlier block behind a short last one.
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(uReadBytes), bytes.end(), std::uint8_t{0});
    if (s64Lost == 0) return;
    m_s64UnreadableSectors += s64Lost;
    RESULT noFailure = kResultSuccess;
    m_readFailure.compare_exchange_strong(noFailure, ENGINE_RESULT(kModuleStorageDevice, kCodeIoFailure));
    for (engine::SectorRun const& run : unreadable)
        CatchExeception::WriteLog("Read-ahead cache: %lld unreadable sectors from sector %lld read as zeros\n",
                                  static_cast<long long>(run.s64Count), static_cast<long long>(run.s64First));
}

void CStorageDeviceWithCache::ReaderLoop() {
    for (;;) {
        m_refill.wait_until([this] {
            autolocker lock(m_queueLock);
            return !m_bRunning || m_s64NextSector >= m_s64EndSector || m_queue.size() < kQueueLimit;
        });
        BlockPtr pBlock;
        if (!ClaimNextBlock(pBlock)) break;
        ReadBlock(*pBlock);
        {
            autolocker lock(m_queueLock);
            m_queue.push_back(std::move(pBlock));
        }
        m_blockReady.signal();
    }
    {
        autolocker lock(m_queueLock);
        m_bRunning = false;
        m_bReaderActive = false;
    }
    m_blockReady.broadcast();
}

int CStorageDeviceWithCache::TakeQueuedBlock(long long s64Index, BlockPtr& pTaken, bool& bRefill) {
    std::int64_t const s64First = s64Index * m_u32BlockSectors;
    // Blocks before the wanted one are never asked for in an ascending scan.
    while (!m_queue.empty() && m_queue.front()->s64First < s64First) {
        m_queue.pop_front();
        bRefill = true;
    }
    if (m_queue.empty()) return m_bReaderActive ? -1 : 0;
    if (m_queue.front()->s64First != s64First) return 0;
    // Handed over by reference: no 4 MiB copy per block.
    pTaken = std::move(m_queue.front());
    m_queue.pop_front();
    bRefill = true;
    return 1;
}

int CStorageDeviceWithCache::SetCurCacheBlock(long long s64Index) {
    if (!m_pDevice || !IsBlockInValidRange(s64Index)) return 0;
    if (s64Index == m_s64CurBlock) return 1;
    int iTaken = -1;
    BlockPtr pTaken;
    while (iTaken < 0) {
        m_blockReady.wait_until([this] {
            autolocker lock(m_queueLock);
            return !m_queue.empty() || !m_bReaderActive;
        });
        bool bRefill = false;
        {
            autolocker lock(m_queueLock);
            iTaken = TakeQueuedBlock(s64Index, pTaken, bRefill);
        }
        if (bRefill) m_refill.signal();
    }
    if (iTaken == 0) return 0;
    // Nobody else holds the block yet: its look-ahead is written before it is shown.
    FillLookAhead(*pTaken);
    std::unique_lock current(m_currentLock);
    m_recent.push_back(pTaken);
    if (m_recent.size() > kRecentBlocks) m_recent.pop_front();
    m_pCurrent = std::move(pTaken);
    m_s64CurBlock = s64Index;
    return 1;
}

void CStorageDeviceWithCache::FillLookAhead(Block& block) {
    std::int64_t const s64Next = block.s64First + block.s64Sectors;
    std::int64_t const s64Sectors =
        std::min<std::int64_t>(static_cast<std::int64_t>(LookAheadSectors()), m_pDevice->GetTotalSectors() - s64Next);
    block.lookAheadBytes = 0;
    if (s64Sectors <= 0) return;
    std::uint8_t* const pOut = block.data.Data() + static_cast<std::size_t>(block.s64Sectors) * m_u32SectorBytes;
    auto const bytes = static_cast<std::size_t>(s64Sectors) * m_u32SectorBytes;
    // The next block is read once: its first sectors are copied, never read again.
    m_blockReady.wait_until([this] {
        autolocker lock(m_queueLock);
        return !m_queue.empty() || !m_bReaderActive;
    });
    {
        autolocker lock(m_queueLock);
        if (!m_queue.empty() && m_queue.front()->s64First == s64Next && m_queue.front()->s64Sectors >= s64Sectors) {
            std::memcpy(pOut, m_queue.front()->data.Data(), bytes);
            block.lookAheadBytes = bytes;
            return;
        }
    }
    std::vector<engine::SectorRun> unreadable;
    engine::ReadSalvaging(*m_pDevice, std::span(pOut, bytes), s64Next, s64Sectors, m_u32SectorBytes, unreadable);
    block.lookAheadBytes = bytes;
}

std::size_t CStorageDeviceWithCache::GetBuffersMade() const {
    std::lock_guard lock(m_pPool->lock);
    return m_pPool->buffersMade;
}

bool CStorageDeviceWithCache::IsBlockInValidRange(long long s64Index) {
    if (!m_pDevice || m_u32BlockSectors == 0 || s64Index < 0) return false;
    long long const s64Total = m_pDevice->GetTotalSectors();
    if (s64Total <= 0) return false;
    return s64Index < (s64Total - 1) / m_u32BlockSectors + 1;
}

bool CStorageDeviceWithCache::IsNeedCatchBuffer() {
    autolocker lock(m_queueLock);
    return m_queue.empty();
}

int CStorageDeviceWithCache::Open() { return m_pDevice ? 1 : 0; }

int CStorageDeviceWithCache::Close() { return m_pDevice ? 1 : 0; }

CStorageDeviceWithCache::BlockPtr CStorageDeviceWithCache::RecentBlockHolding(std::int64_t s64Sector) const {
    // Newest first: the searchers read mostly around the current block.
    for (auto it = m_recent.rbegin(); it != m_recent.rend(); ++it) {
        BlockPtr pBlock = it->lock();
        if (pBlock && s64Sector >= pBlock->s64First && s64Sector < pBlock->s64First + pBlock->s64Sectors) return pBlock;
    }
    return nullptr;
}

int CStorageDeviceWithCache::ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) {
    if (!m_pDevice) return 0;
    std::shared_lock current(m_currentLock);
    BlockPtr pHolding = RecentBlockHolding(s64FirstSector);
    if (!pBuffer || s64Count <= 0 || !pHolding) {
        current.unlock();
        return m_pDevice->ReadSector(pBuffer, s64FirstSector, s64Count);
    }
    // A request running past the device's end gets exactly the device's own answer.
    if (s64Count > m_pDevice->GetTotalSectors() - s64FirstSector) {
        current.unlock();
        return m_pDevice->ReadSector(pBuffer, s64FirstSector, s64Count);
    }

    // From the recent blocks while they hold the sectors, the rest from the device.
    auto* pOut = static_cast<std::uint8_t*>(pBuffer);
    std::int64_t s64At = s64FirstSector;
    std::int64_t const s64End = s64FirstSector + s64Count;
    for (BlockPtr pBlock = std::move(pHolding); pBlock && s64At < s64End; pBlock = RecentBlockHolding(s64At)) {
        std::int64_t const s64Part = std::min(s64End, pBlock->s64First + pBlock->s64Sectors) - s64At;
        auto const uOffset = static_cast<std::size_t>(s64At - pBlock->s64First) * m_u32SectorBytes;
        auto const uBytes = static_cast<std::size_t>(s64Part) * m_u32SectorBytes;
        std::memcpy(pOut, pBlock->data.Data() + uOffset, uBytes);
        pOut += uBytes;
        s64At += s64Part;
    }
    current.unlock();
    if (s64At == s64End) return 1;
    return m_pDevice->ReadSector(pOut, s64At, s64End - s64At) ? 1 : 0;
}

std::span<std::uint8_t const> CStorageDeviceWithCache::CurrentBlockWithLookAhead(long long s64FirstSector) const {
    if (!m_pCurrent || s64FirstSector < m_pCurrent->s64First ||
        s64FirstSector >= m_pCurrent->s64First + m_pCurrent->s64Sectors)
        return {};
    auto const uOffset = static_cast<std::size_t>(s64FirstSector - m_pCurrent->s64First) * m_u32SectorBytes;
    std::size_t const end =
        static_cast<std::size_t>(m_pCurrent->s64Sectors) * m_u32SectorBytes + m_pCurrent->lookAheadBytes;
    return {m_pCurrent->data.Data() + uOffset, end - uOffset};
}

ICompleteFileSystemSearchController::SharedBlock CStorageDeviceWithCache::CurrentSharedBlock() const {
    if (!m_pCurrent) return {};
    std::size_t const end =
        static_cast<std::size_t>(m_pCurrent->s64Sectors) * m_u32SectorBytes + m_pCurrent->lookAheadBytes;
    // A short last block reads on over the zeros behind it, up to a whole block.
    std::size_t const length = std::max(end, std::min(BlockBytes(), m_pCurrent->data.Size()));
    return {engine::ByteView(m_pCurrent->data.Data(), length), m_pCurrent};
}

int CStorageDeviceWithCache::GetSectorSize() { return m_pDevice ? m_pDevice->GetSectorSize() : 512; }

long long CStorageDeviceWithCache::GetTotalSectors() { return m_pDevice ? m_pDevice->GetTotalSectors() : 0; }
