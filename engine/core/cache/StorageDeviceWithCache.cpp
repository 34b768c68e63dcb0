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
    m_current = Block{};
    int const iSectorSize = GetSectorSize();
    m_u32SectorBytes = iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : 512;
    m_u32BlockSectors = u32BlockSectors;
    try {
        m_current.data.assign(BufferBytes(), 0);
    } catch (std::bad_alloc const&) {
        CatchExeception::WriteLog("Read-ahead cache: no memory for blocks of %u sectors\n", u32BlockSectors);
        m_u32BlockSectors = 0;
        return 0;
    }
    return 1;
}

void CStorageDeviceWithCache::BeginCache() {
    EndCache();
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
        Block block;
        if (!ClaimNextBlock(block)) break;
        ReadBlock(block);
        autolocker lock(m_queueLock);
        m_queue.push_back(std::move(block));
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
    {
        autolocker lock(m_queueLock);
        m_bRunning = false;
    }
    m_refill.broadcast();
    m_blockReady.broadcast();
    if (m_reader.joinable()) m_reader.join();
    autolocker lock(m_queueLock);
    m_bReaderActive = false;
    m_queue.clear();
    m_freeBuffers.clear();
}

bool CStorageDeviceWithCache::ClaimNextBlock(Block& block) {
    {
        autolocker lock(m_queueLock);
        if (!m_bRunning || m_s64NextSector >= m_s64EndSector) return false;
        block.s64First = m_s64NextSector;
        // The last block is shorter: no read may pass the device's end or a partition window's.
        block.s64Sectors = std::min<std::int64_t>(m_u32BlockSectors, m_s64EndSector - m_s64NextSector);
        m_s64NextSector += block.s64Sectors;
        if (!m_freeBuffers.empty()) {
            block.data = std::move(m_freeBuffers.back());
            m_freeBuffers.pop_back();
            return true;
        }
    }
    try {
        block.data.assign(BufferBytes(), 0);
    } catch (std::bad_alloc const&) {
        CatchExeception::WriteLog("Read-ahead cache: no memory for a block at sector %lld; reading ahead stops\n",
                                  static_cast<long long>(block.s64First));
        autolocker lock(m_queueLock);
        m_bRunning = false;
        return false;
    }
    return true;
}

void CStorageDeviceWithCache::ReadBlock(Block& block) {
    auto const uReadBytes = static_cast<std::size_t>(block.s64Sectors) * m_u32SectorBytes;
    std::vector<engine::SectorRun> unreadable;
    std::int64_t const s64Lost = engine::ReadSalvaging(*m_pDevice, std::span(block.data).first(uReadBytes),
                                                       block.s64First, block.s64Sectors, m_u32SectorBytes, unreadable);
    // A recycled buffer still holds an earlier block behind a short last one.
    std::fill(block.data.begin() + static_cast<std::ptrdiff_t>(uReadBytes), block.data.end(), std::uint8_t{0});
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
        Block block;
        if (!ClaimNextBlock(block)) break;
        ReadBlock(block);
        {
            autolocker lock(m_queueLock);
            m_queue.push_back(std::move(block));
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

void CStorageDeviceWithCache::Recycle(std::vector<std::uint8_t> buffer) {
    if (buffer.size() == BufferBytes()) m_freeBuffers.push_back(std::move(buffer));
}

int CStorageDeviceWithCache::TakeQueuedBlock(long long s64Index, bool& bRefill) {
    std::int64_t const s64First = s64Index * m_u32BlockSectors;
    // Blocks before the wanted one are never asked for in an ascending scan.
    while (!m_queue.empty() && m_queue.front().s64First < s64First) {
        Recycle(std::move(m_queue.front().data));
        m_queue.pop_front();
        bRefill = true;
    }
    if (m_queue.empty()) return m_bReaderActive ? -1 : 0;
    if (m_queue.front().s64First != s64First) return 0;
    // Handed over by swapping buffers: no 4 MiB copy per block.
    {
        std::unique_lock current(m_currentLock);
        std::swap(m_current, m_queue.front());
        m_s64CurBlock = s64Index;
    }
    Recycle(std::move(m_queue.front().data));
    m_queue.pop_front();
    bRefill = true;
    return 1;
}

int CStorageDeviceWithCache::SetCurCacheBlock(long long s64Index) {
    if (!m_pDevice || !IsBlockInValidRange(s64Index)) return 0;
    if (s64Index == m_s64CurBlock) return 1;
    int iTaken = -1;
    while (iTaken < 0) {
        m_blockReady.wait_until([this] {
            autolocker lock(m_queueLock);
            return !m_queue.empty() || !m_bReaderActive;
        });
        bool bRefill = false;
        {
            autolocker lock(m_queueLock);
            iTaken = TakeQueuedBlock(s64Index, bRefill);
        }
        if (bRefill) m_refill.signal();
    }
    if (iTaken == 0) return 0;
    FillLookAhead();
    return 1;
}

void CStorageDeviceWithCache::FillLookAhead() {
    std::int64_t const s64Next = m_current.s64First + m_current.s64Sectors;
    std::int64_t const s64Sectors =
        std::min<std::int64_t>(static_cast<std::int64_t>(LookAheadSectors()), m_pDevice->GetTotalSectors() - s64Next);
    m_current.lookAheadBytes = 0;
    if (s64Sectors <= 0) return;
    std::uint8_t* const pOut = m_current.data.data() + static_cast<std::size_t>(m_current.s64Sectors) * m_u32SectorBytes;
    auto const bytes = static_cast<std::size_t>(s64Sectors) * m_u32SectorBytes;
    // The next block is read once: its first sectors are copied, never read again.
    m_blockReady.wait_until([this] {
        autolocker lock(m_queueLock);
        return !m_queue.empty() || !m_bReaderActive;
    });
    {
        autolocker lock(m_queueLock);
        if (!m_queue.empty() && m_queue.front().s64First == s64Next && m_queue.front().s64Sectors >= s64Sectors) {
            std::memcpy(pOut, m_queue.front().data.data(), bytes);
            m_current.lookAheadBytes = bytes;
            return;
        }
    }
    std::vector<engine::SectorRun> unreadable;
    engine::ReadSalvaging(*m_pDevice, std::span(pOut, bytes), s64Next, s64Sectors, m_u32SectorBytes, unreadable);
    m_current.lookAheadBytes = bytes;
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

int CStorageDeviceWithCache::ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) {
    if (!m_pDevice) return 0;
    std::shared_lock current(m_currentLock);
    std::int64_t const s64BlockFirst = m_current.s64First;
    std::int64_t const s64BlockEnd = s64BlockFirst + m_current.s64Sectors;
    bool const bStartsInBlock = m_s64CurBlock >= 0 && pBuffer && s64Count > 0 && s64FirstSector >= s64BlockFirst &&
                                s64FirstSector < s64BlockEnd;
    if (!bStartsInBlock) {
        current.unlock();
        return m_pDevice->ReadSector(pBuffer, s64FirstSector, s64Count);
    }

    std::int64_t const s64InBlock = std::min<std::int64_t>(s64Count, s64BlockEnd - s64FirstSector);
    // A request running past the device's end gets exactly the device's own answer.
    if (s64InBlock < s64Count && s64BlockEnd >= m_pDevice->GetTotalSectors()) {
        current.unlock();
        return m_pDevice->ReadSector(pBuffer, s64FirstSector, s64Count);
    }

    auto* pOut = static_cast<std::uint8_t*>(pBuffer);
    auto const uOffset = static_cast<std::size_t>(s64FirstSector - s64BlockFirst) * m_u32SectorBytes;
    auto const uInBlockBytes = static_cast<std::size_t>(s64InBlock) * m_u32SectorBytes;
    std::memcpy(pOut, m_current.data.data() + uOffset, uInBlockBytes);
    current.unlock();
    if (s64InBlock == s64Count) return 1;
    return m_pDevice->ReadSector(pOut + uInBlockBytes, s64BlockEnd, s64Count - s64InBlock) ? 1 : 0;
}

std::span<std::uint8_t const> CStorageDeviceWithCache::CurrentBlockWithLookAhead(long long s64FirstSector) const {
    if (m_s64CurBlock < 0 || s64FirstSector < m_current.s64First || s64FirstSector >= m_current.s64First + m_current.s64Sectors)
        return {};
    auto const uOffset = static_cast<std::size_t>(s64FirstSector - m_current.s64First) * m_u32SectorBytes;
    std::size_t const end = static_cast<std::size_t>(m_current.s64Sectors) * m_u32SectorBytes + m_current.lookAheadBytes;
    return {m_current.data.data() + uOffset, end - uOffset};
}

int CStorageDeviceWithCache::GetSectorSize() { return m_pDevice ? m_pDevice->GetSectorSize() : 512; }

long long CStorageDeviceWithCache::GetTotalSectors() { return m_pDevice ? m_pDevice->GetTotalSectors() : 0; }
