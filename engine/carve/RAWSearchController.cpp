#include "engine/carve/RAWSearchController.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <new>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/NotifyCenter.h"
#include "engine/carve/RAWFileNode.h"
#include "engine/carve/RawFileAnalyserListSingle.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/SectorWalk.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::uint32_t kDefaultSectorSize = 512;
/// Asking the sink costs a call into the UI model; a stop is honoured within this many sectors.
constexpr std::uint32_t kSectorsPerStopCheck = 64;
constexpr std::uint32_t kPrefetchSectors = 8;
constexpr std::uint32_t kCacheLine = 64;

CNotifyCenter& Notify() { return CNotifyCenter::Instance(); }

std::uint32_t SectorKey(std::uint8_t const* pSector) {
    return std::uint32_t{pSector[0]} | std::uint32_t{pSector[1]} << 8 | std::uint32_t{pSector[2]} << 16 |
           std::uint32_t{pSector[3]} << 24;
}

/// An analyser's answer; a throwing analyser counts as a refusal.
bool Accepts(IRawFileAnalyser& analyser, std::uint8_t const* pSector, CRawFileInfo& info, std::uint32_t u32Readable) {
    try {
        return analyser.AnalyseBuffer(pSector, info, u32Readable) != 0;
    } catch (std::exception const&) {
        return false;
    }
}

}  // namespace

CRAWSearchController::~CRAWSearchController() {
    if (m_pProgress != nullptr && Notify().GetProgress() == m_pProgress) Notify().Reset();
}

int CRAWSearchController::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) {
    if (ppPartitions == nullptr || iCount < 1) return 0;
    auto* pWhole = new CSearchedPartitionInfo(DeviceSectorSize());
    pWhole->m_s64StartSector = 0;
    pWhole->m_u32SectorsPerCluster = 1;
    pWhole->m_dScore = 1.0;
    ppPartitions[0] = pWhole;
    return 1;
}

void CRAWSearchController::SetDevice(IStorageDevice* pDevice) {
    if (!ENGINE_PRECONDITION(nullptr != pDevice)) return;
    m_pDevice = pDevice;
}

void CRAWSearchController::SetBlockSize(int iSectors) {
    if (!ENGINE_PRECONDITION(0 < iSectors)) return;
    m_u32SectorsPerBlock = static_cast<std::uint32_t>(iSectors);
}

void CRAWSearchController::SetIProgressSink(IProgress* pProgress) {
    m_pProgress = pProgress;
    Notify().SetProgress(pProgress);
}

std::uint32_t CRAWSearchController::DeviceSectorSize() const {
    int const iSize = m_pDevice != nullptr ? m_pDevice->GetSectorSize() : 0;
    return iSize > 0 ? static_cast<std::uint32_t>(iSize) : kDefaultSectorSize;
}

void CRAWSearchController::IndexAnalysers(CRawFileAnalyserListSingle const& registry) {
    std::uint32_t const u32SectorSize = DeviceSectorSize();
    m_u32FarthestLandmark = 0;
    for (std::size_t first = 0; first < m_keylessByFirstByte.size(); ++first) {
        m_keylessByFirstByte[first].clear();
        for (auto const& pAnalyser : registry.GetAnalyserList(0)) {
            if (!pAnalyser->MayStartWith(static_cast<std::uint8_t>(first))) continue;
            std::optional<RawLandmark> const landmark = pAnalyser->GetLandmark();
            if (landmark && landmark->u16Offset == 0 && landmark->u8Value != first) continue;
            std::uint32_t const u32Offset = landmark ? landmark->u16Offset : 0u;
            m_keylessByFirstByte[first].push_back(
                {pAnalyser.get(), u32Offset, landmark ? landmark->u8Value : std::uint8_t{0}});
            if (u32Offset < u32SectorSize) m_u32FarthestLandmark = std::max(m_u32FarthestLandmark, u32Offset);
        }
    }
    m_keyPrefixes.reset();
    for (auto const& [u32Key, pAnalyser] : registry.GetAnalyserMap()) m_keyPrefixes.set(u32Key & 0xFFFF);
}

RESULT CRAWSearchController::PreparetoSearch() {
    m_bPrepared = false;
    if (m_pDevice == nullptr || m_u32SectorsPerBlock == 0) return ENGINE_RESULT(kModuleRawSearch, kCodeBadArgument);
    CRawFileAnalyserListSingle& registry = CRawFileAnalyserListSingle::CreateInstance();
    registry.BuildRawFileAnalyserListByRawFileType(nullptr);
    registry.BuildRawFileAnalyserMapByRawFileType(nullptr);
    m_u64RegistryGeneration = registry.GetGeneration();
    IndexAnalysers(registry);
    m_pending.clear();
    m_sizing.clear();
    m_walks.Reset();
    m_nextFileCut.Reset();
    m_enclosing.Reset();
    m_bAllRead = false;
    m_u64ReadEnd = 0;
    m_statistics = {};

    CRAWFileManager::g_nID = CRAWFileManager::kFirstFolderID;
    std::uint32_t const u32SectorSize = DeviceSectorSize();
    if (!m_ring.InitBufferDevice(m_pDevice, 0, u32SectorSize, m_u32SectorsPerBlock, kRingBlocks, kBlockSlackBytes))
        return ENGINE_RESULT(kModuleRawSearch, kCodeOutOfMemory);
    m_bPrepared = true;
    g_s_CountPerFileTypeVector.assign(kRawFileTypeCount, 0);
    m_fileTypes.Initialize();
    if (m_pBuilder == nullptr || m_pBuilder->AddSearcherInfo(SEARCHER_TYPE_RAW, CRAWFileManager::kRootID) == 0)
        return ENGINE_RESULT(kModuleRawSearch, kCodeMissingObject);
    return kResultSuccess;
}

bool CRAWSearchController::RegistryUnchanged() const {
    return CRawFileAnalyserListSingle::CreateInstance().GetGeneration() == m_u64RegistryGeneration;
}

RESULT CRAWSearchController::AnalyzeBlock(long long s64First, long long s64Count) {
    return AnalyzeCopy(s64First, s64Count, [&](std::uint8_t* pBuffer, std::size_t /*bytes*/) {
        return m_pDevice->ReadSector(pBuffer, s64First, s64Count) != 0;
    });
}

RESULT CRAWSearchController::AnalyzeBlockBytes(engine::ByteView block, long long s64First, long long s64Count) {
    // Bytes lent for the call alone: the ring keeps a copy.
    return AnalyzeCopy(s64First, s64Count, [&](std::uint8_t* pBuffer, std::size_t bytes) {
        if (block.Size() < bytes) return m_pDevice->ReadSector(pBuffer, s64First, s64Count) != 0;
        std::memcpy(pBuffer, block.Data(), bytes);
        return true;
    });
}

RESULT CRAWSearchController::AnalyzeSharedBlock(SharedBlock const& block, long long s64First, long long s64Count) {
    if (!block.pKeep || s64Count <= 0 || block.bytes.Size() / DeviceSectorSize() < static_cast<std::uint64_t>(s64Count))
        return AnalyzeBlockBytes(block.bytes, s64First, s64Count);
    return AnalyzeInRing(s64First, s64Count, block.bytes, block.pKeep, true);
}

RESULT CRAWSearchController::AnalyzeCopy(long long s64First, long long s64Count,
                                         std::function<bool(std::uint8_t*, std::size_t)> const& fill) {
    if (s64First < 0 || s64Count <= 0 || static_cast<std::uint64_t>(s64Count) > m_u32SectorsPerBlock)
        return ENGINE_RESULT(kModuleRawSearch, kCodeBadArgument);
    if (!ENGINE_PRECONDITION(m_bPrepared)) return ENGINE_RESULT(kModuleRawSearch, kCodeMissingObject);
    std::shared_ptr<engine::LargeBuffer> pBuffer;
    try {
        pBuffer = m_ring.SpareBuffer();
    } catch (std::bad_alloc const&) {
        return ENGINE_RESULT(kModuleRawSearch, kCodeOutOfMemory);
    }
    std::size_t const validBytes = static_cast<std::size_t>(s64Count) * DeviceSectorSize();
    std::size_t const blockBytes = std::size_t{m_u32SectorsPerBlock} * DeviceSectorSize();
    bool const bReadable = fill(pBuffer->Data(), validBytes);
    // A short last block must not carry stale bytes into the ring or an analyser.
    std::memset(pBuffer->Data() + validBytes, 0, blockBytes - validBytes);
    return AnalyzeInRing(s64First, s64Count, engine::ByteView(pBuffer->Data(), blockBytes), pBuffer, bReadable);
}

RESULT CRAWSearchController::AnalyzeInRing(long long s64First, long long s64Count, engine::ByteView block,
                                           std::shared_ptr<void const> pKeep, bool bReadable) {
    if (s64First < 0 || s64Count <= 0 || static_cast<std::uint64_t>(s64Count) > m_u32SectorsPerBlock)
        return ENGINE_RESULT(kModuleRawSearch, kCodeBadArgument);
    if (!ENGINE_PRECONDITION(m_bPrepared)) return ENGINE_RESULT(kModuleRawSearch, kCodeMissingObject);
    if (!RegistryUnchanged()) {
        m_pending.clear();  // another search rebuilt the analysers these records point to
        return ENGINE_RESULT(kModuleRawSearch, kCodeMissingObject);
    }
    CRawFileAnalyserListSingle const& registry = CRawFileAnalyserListSingle::CreateInstance();
    if (registry.GetAnalyserList(0).empty() && registry.GetAnalyserMap().empty()) return kResultSuccess;

    // The block joins the ring only after the files of the oldest block are sized over the
    // blocks before it.
    auto const u32Count = static_cast<std::uint32_t>(s64Count);
    if (bReadable) ExamineSectors(block.Data(), static_cast<std::uint64_t>(s64First), u32Count);
    if (m_ring.IsFullBuffer()) SizeOldestBlock();
    m_ring.HoldBlock(block, std::move(pKeep), bReadable);
    m_u64ReadEnd = static_cast<std::uint64_t>(s64First) + u32Count;
    AdvanceWalks();
    // Sizing reads from a file's start onwards: blocks before every file still to be sized go
    // back to the scan's reading (random data keeps none), so fewer buffers are in flight.
    m_ring.LetGoBefore(FirstSectorStillRead());
    return kResultSuccess;
}

std::uint64_t CRAWSearchController::FirstSectorStillRead() const {
    // Pending files are in the order they were found; files being sized may be in any.
    std::uint64_t u64First =
        m_pending.empty() ? m_u64ReadEnd : std::min(m_u64ReadEnd, m_pending.front()->m_u64StartSector);
    for (BeingSized const& sizing : m_sizing) u64First = std::min(u64First, sizing.pInfo->m_u64StartSector);
    return u64First;
}

void CRAWSearchController::ExamineSectors(std::uint8_t const* pBlock, std::uint64_t u64First, std::uint32_t u32Count) {
    RawFileAnalyserMap const& signatures = CRawFileAnalyserListSingle::CreateInstance().GetAnalyserMap();
    std::uint32_t const u32SectorSize = DeviceSectorSize();

    std::unique_ptr<CRawFileInfo> pInHand;
    for (std::uint32_t i = 0; i < u32Count; ++i) {
        if (i % kSectorsPerStopCheck == 0 && !Notify().isContinue()) break;
        std::uint8_t const* pSector = pBlock + std::size_t{i} * u32SectorSize;
        // The bytes a sector is judged by lie in its first cache line and at the landmarks:
        // asked for ahead, they are there when the loop comes to them.
        if (i + kPrefetchSectors < u32Count) {
            std::uint8_t const* pAhead = pSector + std::size_t{kPrefetchSectors} * u32SectorSize;
            __builtin_prefetch(pAhead);
            if (m_u32FarthestLandmark >= kCacheLine) __builtin_prefetch(pAhead + m_u32FarthestLandmark);
        }
        std::uint32_t const u32Key = SectorKey(pSector);
        if (u32Key == 0) continue;
        if (!pInHand) pInHand = std::make_unique<CRawFileInfo>();
        std::uint32_t const u32Readable = (u32Count - i) * u32SectorSize;

        IRawFileAnalyser* pMatch = nullptr;
        if (m_keyPrefixes.test(u32Key & 0xFFFF)) {
            auto const it = signatures.find(u32Key);
            if (it != signatures.end() && Accepts(*it->second, pSector, *pInHand, u32Readable))
                pMatch = it->second.get();
        }
        for (KeylessCandidate const& candidate : m_keylessByFirstByte[pSector[0]]) {
            if (pMatch != nullptr) break;
            std::uint32_t const u32At = candidate.u32LandmarkOffset;
            if (u32At != 0 && (u32At >= u32Readable || pSector[u32At] != candidate.u8LandmarkValue)) continue;
            if (Accepts(*candidate.pAnalyser, pSector, *pInHand, u32Readable)) pMatch = candidate.pAnalyser;
        }
        if (pMatch == nullptr) continue;

        pInHand->m_u64StartSector = u64First + i;
        m_nextFileCut.Found(u64First + i);
        pInHand->m_pAnalyser = pMatch;
        pInHand->m_u32BaseType = pMatch->GetOwnRawFileType();
        if (pInHand->m_u64Size != 0) {
            // Filed at once, unless files found before it are still being sized: the files keep
            // the order they would have in a search that sized every one where it was found.
            BeingSized& sized = m_sizing.emplace_back();
            sized.pInfo = std::move(pInHand);
            sized.eSizedBy = SizedBy::Header;
            FileSized();
        } else {
            m_pending.push_back(std::move(pInHand));
        }
    }
}

void CRAWSearchController::SizeOldestBlock() {
    std::uint64_t const u64OldestEnd = m_ring.GetDeviceStartSector() + m_u32SectorsPerBlock;
    while (!m_pending.empty()) {
        if (!Notify().isContinue()) break;
        if (m_pending.front()->m_u64StartSector >= u64OldestEnd) break;
        std::unique_ptr<CRawFileInfo> pInfo = std::move(m_pending.front());
        m_pending.pop_front();
        BeginSizing(std::move(pInfo), SizedBy::Ring, &m_ring);
    }
    FileSized();
}

CRAWSearchController::BeingSized* CRAWSearchController::BeginSizing(std::unique_ptr<CRawFileInfo> pInfo,
                                                                    SizedBy eSizedBy, IStorageDevice* pDevice) {
    if (m_enclosing.Encloses(*pInfo, DeviceSectorSize())) {
        ++m_statistics.u64Dropped;
        return nullptr;
    }
    BeingSized& sizing = m_sizing.emplace_back();
    sizing.pInfo = std::move(pInfo);
    sizing.eSizedBy = eSizedBy;
    CRawFileInfo& info = *sizing.pInfo;
    try {
        if (info.m_pAnalyser != nullptr) sizing.pWalk = info.m_pAnalyser->BeginRawFileSize(info, pDevice);
        // The member headers read so far are the archive's, whether its end is found yet or not.
        m_enclosing.Sized(info, DeviceSectorSize());
        if (sizing.pWalk) AdvanceWalk(*sizing.pWalk, info.m_u64StartSector);
    } catch (std::exception const&) {
        sizing.pWalk.reset();
        sizing.bFailed = true;
    }
    return &sizing;
}

void CRAWSearchController::AdvanceWalks() {
    for (BeingSized& sizing : m_sizing) {
        if (!sizing.pWalk || sizing.pWalk->Done()) continue;
        try {
            AdvanceWalk(*sizing.pWalk, sizing.pInfo->m_u64StartSector);
        } catch (std::exception const&) {
            sizing.pWalk.reset();
            sizing.bFailed = true;
        }
    }
    FileSized();
}

std::optional<std::uint64_t> CRAWSearchController::CutSector(SectorWalk const& walk, std::uint64_t u64FileStart) const {
    std::optional<std::uint64_t> const cut = walk.CutFrom();
    if (!cut) return std::nullopt;
    std::uint32_t const u32SectorSize = walk.SectorSize();
    std::uint64_t const u64Sectors = std::max<std::uint64_t>(*cut, 1) / u32SectorSize +
                                     (std::max<std::uint64_t>(*cut, 1) % u32SectorSize != 0 ? 1 : 0);
    return m_nextFileCut.FoundFrom(engine::CheckedAdd(u64FileStart, u64Sectors).value_or(UINT64_MAX));
}

bool CRAWSearchController::EndAtCut(SectorWalk& walk, std::uint64_t u64FileStart) const {
    std::optional<std::uint64_t> const cut = CutSector(walk, u64FileStart);
    if (!cut || walk.Done() || u64FileStart + walk.NextSector() / walk.SectorSize() < *cut) return false;
    walk.EndAtFoundFile((*cut - u64FileStart) * walk.SectorSize());
    return true;
}

void CRAWSearchController::AdvanceWalk(SectorWalk& walk, std::uint64_t u64FileStart) {
    // Each pass ends the walk, or moves it on to a cut it has not passed yet, or ends with no
    // new cut to go to: the loop ends.
    for (std::optional<std::uint64_t> u64Stop; !walk.Done();) {
        if (EndAtCut(walk, u64FileStart)) return;
        std::optional<std::uint64_t> const cut = CutSector(walk, u64FileStart);
        if (u64Stop && cut == u64Stop) return;
        u64Stop = cut;
        m_walks.Advance(walk, u64FileStart, m_ring, std::min(m_u64ReadEnd, cut.value_or(UINT64_MAX)));
        if (!cut && !CutSector(walk, u64FileStart)) return;
    }
}

void CRAWSearchController::FileSized() {
    while (!m_sizing.empty()) {
        BeingSized& sizing = m_sizing.front();
        if (sizing.pWalk && !sizing.pWalk->Done()) return;
        if (!Settled(sizing)) return;
        bool bFiled = false;
        try {
            // The size decides, not the sizing call's answer. The ring serves what the device
            // would, so a file it cannot size now never gets a size: it is dropped rather than
            // hold back every file behind it.
            CRawFileInfo& info = *sizing.pInfo;
            if (sizing.eSizedBy == SizedBy::Header) {
                File(info, SizedBy::Header);  // which counts a file it drops
                bFiled = true;
            } else if (!sizing.bFailed) {
                bFiled = info.m_u64Size != 0 && File(info, sizing.eSizedBy);
            }
        } catch (std::exception const&) {
            bFiled = false;
        }
        if (!bFiled) ++m_statistics.u64Dropped;
        m_sizing.pop_front();
    }
    // None is being sized: no record left starts before the first pending one (or the scan's reading).
    m_nextFileCut.ForgetBefore(m_pending.empty() ? m_u64ReadEnd : m_pending.front()->m_u64StartSector);
}

bool CRAWSearchController::Settled(BeingSized& sizing) {
    if (sizing.bFailed) return true;
    try {
        CRawFileInfo& info = *sizing.pInfo;
        if (sizing.pWalk) {
            ApplyWalkAnswer(info, *sizing.pWalk);
            sizing.pWalk.reset();
        }
        long long const s64Total = m_ring.GetRealDevice() != nullptr ? m_ring.GetRealDevice()->GetTotalSectors() : 0;
        return m_nextFileCut.Settle(info, DeviceSectorSize(), m_u64ReadEnd, m_bAllRead,
                                    s64Total > 0 ? static_cast<std::uint64_t>(s64Total) : 0);
    } catch (std::exception const&) {
        sizing.bFailed = true;
        return true;
    }
}

bool CRAWSearchController::File(CRawFileInfo& info, SizedBy eSizedBy) {
    long long const s64Total = m_ring.GetRealDevice() != nullptr ? m_ring.GetRealDevice()->GetTotalSectors() : 0;
    if (s64Total > 0) {
        std::uint64_t const u64Total = static_cast<std::uint64_t>(s64Total);
        std::uint64_t u64Room = 0;
        if (info.m_u64StartSector < u64Total) {
            auto const room = engine::CheckedMul<std::uint64_t>(u64Total - info.m_u64StartSector, DeviceSectorSize());
            u64Room = room ? *room : UINT64_MAX;
        }
        info.m_u64Size = std::min(info.m_u64Size, u64Room);
    }
    CRAWFileManager* pManager = info.m_u64Size != 0 ? GetFileManager(info.m_u32Type) : nullptr;
    if (pManager == nullptr) {
        if (eSizedBy == SizedBy::Header) ++m_statistics.u64Dropped;
        return false;
    }
    pManager->AddRawFileInfo(&info);
    switch (eSizedBy) {
        case SizedBy::Header:
            ++m_statistics.u64FiledAtOnce;
            break;
        case SizedBy::Ring:
            ++m_statistics.u64SizedFromRing;
            break;
        case SizedBy::End:
            ++m_statistics.u64SizedAtEnd;
            break;
    }
    return true;
}

CRAWFileManager* CRAWSearchController::GetFileManager(std::uint32_t u32Type) {
    char const* pszExtension = RawFileExtension(u32Type);
    if (pszExtension == nullptr) return nullptr;
    FILE_TYPE_ID const eCategory = m_fileTypes.GetFileTypeID(pszExtension);
    auto& pManager = m_managers[eCategory];
    if (!pManager) pManager = std::make_unique<CRAWFileManager>(eCategory, m_pBuilder);
    return pManager.get();
}

void CRAWSearchController::FinishOnDevice(BeingSized& sizing) {
    if (!sizing.pWalk || sizing.pWalk->Done()) return;
    try {
        if (Notify().isContinue()) {
            std::uint64_t const u64Start = sizing.pInfo->m_u64StartSector;
            RawFileBuffer reader(&m_ring, u64Start);
            RawFileWalkSource source(reader);
            // Every step moves on by a sector or ends the walk, which is bounded: the loop ends.
            while (!sizing.pWalk->Done() && !EndAtCut(*sizing.pWalk, u64Start)) sizing.pWalk->Step(source);
            return;
        }
    } catch (std::exception const&) {
    }
    // Stopped, or the walk threw: the file has no size.
    sizing.pWalk.reset();
    sizing.bFailed = true;
}

void CRAWSearchController::EndSearch(int iBuild) {
    if (iBuild == 0) return;
    std::fprintf(stderr, "--------------%s:%d:list size = %d--------\n", "EndSearch", 253,
                 static_cast<int>(m_pending.size()));
    m_bAllRead = true;
    // The walks still going end over the ring: from the blocks it holds, and the device past them.
    for (BeingSized& sizing : m_sizing) FinishOnDevice(sizing);
    FileSized();
    bool const bAnalysersValid = RegistryUnchanged();
    while (!m_pending.empty()) {
        std::unique_ptr<CRawFileInfo> pInfo = std::move(m_pending.front());
        m_pending.pop_front();
        if (!Notify().isContinue()) {
            m_statistics.u64Dropped += m_pending.size() + 1;
            m_pending.clear();
            break;
        }
        if (!bAnalysersValid || pInfo->m_pAnalyser == nullptr) {
            ++m_statistics.u64Dropped;
            continue;
        }
        // The same rule as the ring pass, over the ring: its last blocks hold these files.
        if (BeingSized* pSizing = BeginSizing(std::move(pInfo), SizedBy::End, &m_ring)) FinishOnDevice(*pSizing);
        FileSized();
    }
    std::fprintf(stderr, "--------------%s:%d:--------\n", "EndSearch", 283);
    Notify().Reset();
    m_pProgress = nullptr;
    m_bPrepared = false;
    if (m_pBuilder != nullptr) m_pBuilder->FlashBuild(SEARCHER_TYPE_RAW);
}
