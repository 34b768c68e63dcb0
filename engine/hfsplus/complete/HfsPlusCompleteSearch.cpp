#include "engine/hfsplus/complete/HfsPlusCompleteSearch.h"

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <new>
#include <utility>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IProgress.h"
#include "engine/IStorageDevice.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/hfsplus/HfsPlusFileNode.h"
#include "engine/hfsplus/HfsPlusResult.h"
#include "engine/hfsplus/HfsPlusVolume.h"
#include "engine/hfsplus/complete/HfsPlusLiveLeaves.h"
#include "engine/hfsplus/complete/HfsPlusSectorProbe.h"
#include "engine/hfsplus/complete/HfsPlusVolumeStart.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"

using namespace hfsplus;

namespace {
/// Partition indexes are 16 bits wide and 0xFFFF means none.
constexpr std::size_t kMaxPartitions = CSearchedPartitionInfo::kNoPartitionIndex;
constexpr std::size_t kPiece = 512;

}  // namespace

CHFSPlusCompleteFileSystemSearchController::CHFSPlusCompleteFileSystemSearchController() = default;
CHFSPlusCompleteFileSystemSearchController::~CHFSPlusCompleteFileSystemSearchController() = default;

void CHFSPlusCompleteFileSystemSearchController::SetDevice(IStorageDevice* pDevice) {
    m_pDevice = pDevice;
    m_bPrepared = false;
}

RESULT CHFSPlusCompleteFileSystemSearchController::PreparetoSearch() {
    FinishHandOver();
    m_liveLeaves.clear();
    m_deferred.clear();
    m_s64Analysed = 0;
    m_partitions.clear();
    m_volumesByStart.clear();
    m_held.clear();
    m_heldBytes = 0;
    m_lostIndex = SIZE_MAX;
    m_openAttempts = 0;
    m_bTreeMade = false;
    m_bPrepared = false;
    m_u64JournalInfoBlocks = m_u64JournalHeaders = m_u64Nodes = 0;
    if (m_pDevice == nullptr) return HFSPLUS_RESULT(kCodeNotReady);
    int const iSectorSize = m_pDevice->GetSectorSize();
    if (iSectorSize < static_cast<int>(kPiece) || iSectorSize % static_cast<int>(kPiece) != 0 ||
        iSectorSize > static_cast<int>(kMaxNodeSize))
        return HFSPLUS_RESULT(kCodeBadData);
    m_u32SectorSize = static_cast<std::uint32_t>(iSectorSize);
    m_s64TotalSectors = std::max(m_pDevice->GetTotalSectors(), 0LL);
    m_partitions.push_back(std::make_unique<CHFSPlusCompletePartition>(0, 0, m_s64TotalSectors));
    m_bPrepared = true;
    return kResultSuccess;
}

RESULT CHFSPlusCompleteFileSystemSearchController::AnalyzeBlock(long long s64First, long long s64Count) {
    if (!m_bPrepared || s64First < 0 || s64Count <= 0 || s64First >= m_s64TotalSectors)
        return HFSPLUS_RESULT(kCodeNotReady);
    // The block buffer never grows past the block size the controller set.
    if (m_iBlockSectors > 0 && s64Count > m_iBlockSectors) return HFSPLUS_RESULT(kCodeBadData);
    s64Count = std::min(s64Count, m_s64TotalSectors - s64First);
    auto const bytes = engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(s64Count), m_u32SectorSize);
    if (!bytes || *bytes > SIZE_MAX) return HFSPLUS_RESULT(kCodeBadData);
    m_block.resize(static_cast<std::size_t>(*bytes));
    if (m_pDevice->ReadSector(m_block.data(), s64First, s64Count) == 0) return HFSPLUS_RESULT(kCodeDeviceRead);
    return AnalyzeBlockBytes(engine::ByteView(m_block.data(), m_block.size()), s64First, s64Count);
}

RESULT CHFSPlusCompleteFileSystemSearchController::AnalyzeBlockBytes(engine::ByteView block, long long s64First,
                                                                     long long s64Count) {
    if (!m_bPrepared || s64First < 0 || s64Count <= 0 || s64First >= m_s64TotalSectors)
        return HFSPLUS_RESULT(kCodeNotReady);
    if (m_iBlockSectors > 0 && s64Count > m_iBlockSectors) return HFSPLUS_RESULT(kCodeBadData);
    s64Count = std::min(s64Count, m_s64TotalSectors - s64First);
    auto const bytes = engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(s64Count), m_u32SectorSize);
    if (!bytes || *bytes > block.Size()) return AnalyzeBlock(s64First, s64Count);
    m_view = block;
    m_blockBytes = static_cast<std::size_t>(*bytes);
    for (long long i = 0; i < s64Count;)
        i += AnalyzeSector(s64First + i, static_cast<std::size_t>(i) * m_u32SectorSize, s64Count - i);
    m_view = {};
    m_s64Analysed = s64First + s64Count;
    // The workers read the volumes' trees through the device, never the block handed over:
    // they may go on after the block is gone.
    PostHandOver();
    LimitBatchesInFlight();
    return kResultSuccess;
}

long long CHFSPlusCompleteFileSystemSearchController::AnalyzeSector(long long s64Sector, std::size_t blockOffset,
                                                                    long long s64Left) {
    engine::ByteView const sector = m_view.Sub(blockOffset, m_u32SectorSize);
    HeaderProbe const probe = ProbeVolumeHeaders(sector);
    if (probe.uValid != 0) {
        if (probe.header)
            RecordHeader(static_cast<std::uint64_t>(s64Sector) * m_u32SectorSize + probe.pieceOffset, *probe.header,
                         sector.Sub(probe.pieceOffset, kVolumeHeaderSize));
        return 1;
    }
    if (IsJournalInfoSector(sector)) {
        ++m_u64JournalInfoBlocks;
        return 1;
    }
    if (IsJournalHeaderSector(sector)) {
        ++m_u64JournalHeaders;
        return 1;
    }
    return AnalyzeNodes(s64Sector, blockOffset, s64Left);
}

long long CHFSPlusCompleteFileSystemSearchController::AnalyzeNodes(long long s64Sector, std::size_t blockOffset,
                                                                   long long s64Left) {
    // Nodes smaller than a sector of 4 KiB lie at their own size's multiples inside it.
    for (std::size_t at = 0; at < m_u32SectorSize;) {
        std::size_t const inBlock = blockOffset + at;
        engine::ByteView node = m_view.Sub(inBlock, m_blockBytes - inBlock);
        if (!MayStartHeaderOrLeaf(node)) {
            at += kPiece;
            continue;
        }
        if (node.Size() < kMaxNodeSize) {
            // The node may run past the block's end: the largest node comes from the look-ahead,
            // or from the device when none was handed over.
            std::uint64_t const u64At = static_cast<std::uint64_t>(s64Sector) * m_u32SectorSize + at;
            std::uint64_t const u64DeviceBytes = static_cast<std::uint64_t>(m_s64TotalSectors) * m_u32SectorSize;
            auto const want = static_cast<std::size_t>(std::min<std::uint64_t>(kMaxNodeSize, u64DeviceBytes - u64At));
            if (m_view.Has(inBlock, want)) {
                if (want > node.Size()) node = m_view.Sub(inBlock, want);
            } else {
                m_beyond.resize(want);
                if (!ReadBytes(u64At, m_beyond)) m_beyond.resize(node.Size());
                if (m_beyond.size() > node.Size()) node = engine::ByteView(m_beyond.data(), m_beyond.size());
            }
        }
        std::uint32_t const u32Size = FindNodeSize(node, kMinNodeSize);
        if (u32Size == 0) {
            at += kPiece;
            continue;
        }
        ++m_u64Nodes;
        if (static_cast<std::int8_t>(node.U8(8)) == kKindLeaf) AnalyzeLeaf(s64Sector, node.Sub(0, u32Size));
        at += u32Size;
        if (at >= m_u32SectorSize) return std::min<long long>(static_cast<long long>(at / m_u32SectorSize), s64Left);
    }
    return 1;
}

bool CHFSPlusCompleteFileSystemSearchController::ReadBytes(std::uint64_t u64Offset, std::span<std::uint8_t> bytes) {
    if (bytes.empty()) return true;
    std::uint64_t const u64SectorSize = m_u32SectorSize;
    auto const end = engine::CheckedAdd<std::uint64_t>(u64Offset, bytes.size());
    if (!end || *end > static_cast<std::uint64_t>(m_s64TotalSectors) * u64SectorSize) return false;
    std::uint64_t const u64First = u64Offset / u64SectorSize;
    std::uint64_t const u64Count = (*end + u64SectorSize - 1) / u64SectorSize - u64First;
    std::vector<std::uint8_t> sectors(static_cast<std::size_t>(u64Count * u64SectorSize));
    if (m_pDevice->ReadSector(sectors.data(), static_cast<long long>(u64First), static_cast<long long>(u64Count)) == 0)
        return false;
    std::copy_n(sectors.begin() + static_cast<long>(u64Offset % u64SectorSize), bytes.size(), bytes.begin());
    return true;
}

void CHFSPlusCompleteFileSystemSearchController::RecordHeader(std::uint64_t u64HeaderByte,
                                                              HFSPlusVolumeHeader const& header, engine::ByteView raw) {
    std::uint64_t const u64SectorSize = m_u32SectorSize;
    for (std::size_t index : m_volumesByStart) {
        CHFSPlusCompletePartition const& known = *m_partitions[index];
        if (IsHeaderOfVolume(*known.GetHeader(), static_cast<std::uint64_t>(known.GetStart()) * u64SectorSize,
                             u64HeaderByte))
            return;
    }
    if (m_partitions.size() >= kMaxPartitions) return;
    auto const read = [this](std::uint64_t u64Offset, std::span<std::uint8_t> bytes) {
        return ReadBytes(u64Offset, bytes);
    };
    std::optional<VolumeStart> const start = LocateVolumeStart(
        header, u64HeaderByte, static_cast<std::uint64_t>(m_s64TotalSectors) * u64SectorSize, m_u32SectorSize, read);
    if (!start) return;
    auto const s64Start = static_cast<long long>(start->u64Byte / u64SectorSize);
    // The first volume found fills partition 0 while that is the empty one of the start.
    bool const bFirst = m_partitions.size() == 1 && m_partitions[0]->GetHeader() == nullptr && m_lostIndex != 0;
    std::size_t const index = bFirst ? 0 : m_partitions.size();
    RawVolumeHeader bytes{};
    std::copy_n(raw.Data(), std::min(raw.Size(), bytes.size()), bytes.begin());
    auto pPartition =
        std::make_unique<CHFSPlusCompletePartition>(static_cast<std::uint16_t>(index), s64Start, header, bytes,
                                                    start->bAlternate, m_u32SectorSize, m_s64TotalSectors);
    if (m_pFoundVolumes != nullptr) m_pFoundVolumes->NoteSeen(s64Start, pPartition->GetSectors());
    if (bFirst)
        m_partitions[0] = std::move(pPartition);
    else
        m_partitions.push_back(std::move(pPartition));
    auto const at =
        std::upper_bound(m_volumesByStart.begin(), m_volumesByStart.end(), s64Start,
                         [this](long long s64Value, std::size_t k) { return s64Value < m_partitions[k]->GetStart(); });
    m_volumesByStart.insert(at, index);
}

void CHFSPlusCompleteFileSystemSearchController::AnalyzeLeaf(long long s64Sector, engine::ByteView node) {
    auto const pLeaf =
        std::make_shared<CHFSPlusBTNode const>(std::vector<std::uint8_t>(node.Data(), node.Data() + node.Size()));
    if (TestNodeBelongToFile(*pLeaf) != kCatalogFileID) return;
    std::vector<std::uint16_t> unplaced = PlaceLeaf(s64Sector, pLeaf, nullptr, false);
    if (unplaced.empty()) return;
    if (m_heldBytes + node.Size() > kMaxHeldBytes) {
        PlaceLeaf(s64Sector, pLeaf, &unplaced, true);
        return;
    }
    m_heldBytes += node.Size();
    m_held.push_back(
        {s64Sector, std::vector<std::uint8_t>(node.Data(), node.Data() + node.Size()), std::move(unplaced)});
}

std::vector<std::uint16_t> CHFSPlusCompleteFileSystemSearchController::PlaceLeaf(
    long long s64Sector, std::shared_ptr<CHFSPlusBTNode const> const& pLeaf, std::vector<std::uint16_t> const* pOnly,
    bool bFinal) {
    CHFSPlusBTNode const& leaf = *pLeaf;
    std::vector<std::uint16_t> unplaced;
    auto const place = [&](std::uint16_t i) {
        if (!PlaceRecord(s64Sector, pLeaf, i, bFinal)) unplaced.push_back(i);
    };
    if (pOnly != nullptr) {
        for (std::uint16_t i : *pOnly) place(i);
    } else {
        for (std::uint16_t i = 0; i < leaf.GetRecordCount(); ++i) place(i);
    }
    return unplaced;
}

bool CHFSPlusCompleteFileSystemSearchController::PlaceRecord(long long s64Sector,
                                                             std::shared_ptr<CHFSPlusBTNode const> const& pLeaf,
                                                             std::uint16_t u16Record, bool bFinal) {
    engine::ByteView const recordBytes = pLeaf->GetRecord(u16Record);
    // Only what places the record is read here; a worker copies the name.
    std::optional<std::uint32_t> const parentID = ReadCatalogKeyParent(recordBytes);
    std::optional<CatalogRecord> record = parentID ? ReadCatalogRecord(RecordData(recordBytes)) : std::nullopt;
    if (!record || (record->u16Type != kRecordFile && record->u16Type != kRecordFolder)) return true;
    if (record->u32ID == 0 && record->u32CreateDate == 0) return true;
    if (*parentID <= kRootParentID) return true;  // the root folder is the tree's root itself
    CHFSPlusCompletePartition* pPartition = AcceptingPartition(s64Sector, *record, true);
    // At the end a volume that holds the record's sector takes it even when its header's id
    // counter or date disagree: the record lies inside it, and the lost records have no data.
    if (pPartition == nullptr && bFinal) pPartition = AcceptingPartition(s64Sector, *record, false);
    if (pPartition != nullptr) {
        AddRecord(*pPartition, s64Sector, {}, std::move(*record), pLeaf, false, u16Record);
        return true;
    }
    if (!bFinal) return false;
    AddRecord(LostRecordsPartition(), s64Sector, ReadCatalogKey(recordBytes).value_or(CatalogKey{}), std::move(*record),
              nullptr, false);
    return true;
}

bool CHFSPlusCompleteFileSystemSearchController::IsDeleted(CHFSPlusCompletePartition& partition, CatalogKey const& key,
                                                           CatalogRecord const& record, LeafLiveness& liveness) {
    CHFSPlusCatalog const* pCatalog = partition.GetVolume() != nullptr ? partition.GetVolume()->GetCatalog() : nullptr;
    if (pCatalog == nullptr) return false;
    if (liveness.pAskedIn != &partition) {
        liveness.pAskedIn = &partition;
        std::unique_ptr<CHFSPlusLiveLeaves>& pLeaves = m_liveLeaves[pCatalog];
        if (!pLeaves) pLeaves = std::make_unique<CHFSPlusLiveLeaves>(*pCatalog);
        liveness.bLive = pLeaves->IsLive(*liveness.pLeaf);
    }
    if (liveness.bLive) return false;
    // A record the live catalog no longer holds under its key was deleted.
    std::optional<CatalogRecord> const live = pCatalog->Find(key);
    return !live || live->u32ID != record.u32ID || live->u16Type != record.u16Type;
}

CHFSPlusCompletePartition* CHFSPlusCompleteFileSystemSearchController::AcceptingPartition(long long s64Sector,
                                                                                          CatalogRecord const& record,
                                                                                          bool bByHeader) {
    // The innermost volume first: the one starting last before the sector.
    auto const after =
        std::upper_bound(m_volumesByStart.begin(), m_volumesByStart.end(), s64Sector,
                         [this](long long s64Value, std::size_t k) { return s64Value < m_partitions[k]->GetStart(); });
    for (auto it = std::make_reverse_iterator(after); it != m_volumesByStart.rend(); ++it) {
        CHFSPlusCompletePartition& partition = *m_partitions[*it];
        if (partition.Contains(s64Sector) && (!bByHeader || partition.MayHold(record)) &&
            VolumeFor(partition) != nullptr)
            return &partition;
    }
    return nullptr;
}

CHFSPlusVolume* CHFSPlusCompleteFileSystemSearchController::VolumeFor(CHFSPlusCompletePartition& partition) {
    if (CHFSPlusVolume* pOpen = partition.GetVolume()) return pOpen;
    if (!partition.MayOpen() || m_openAttempts >= kMaxOpenVolumes) return nullptr;
    ++m_openAttempts;
    CHFSPlusVolume* pVolume = partition.OpenVolume(m_pDevice);
    if (pVolume == nullptr) return nullptr;
    // Leaves arrive in disk order, but the tree hides the private-data folder's content only
    // once it knows that folder: hand it over before any record of the volume.
    if (std::optional<CatalogRecord> const folder = pVolume->GetCatalog() != nullptr && pVolume->GetPrivateDataID() != 0
                                                        ? pVolume->GetCatalog()->Find(CHFSPlusVolume::PrivateDataKey())
                                                        : std::nullopt)
        AddRecord(partition, 0, CHFSPlusVolume::PrivateDataKey(), *folder, nullptr, true);
    if (partition.OnDeviceItself()) WalkCatalog(partition);
    return pVolume;
}

CHFSPlusCompletePartition& CHFSPlusCompleteFileSystemSearchController::LostRecordsPartition() {
    if (m_lostIndex == SIZE_MAX) {
        if (m_partitions[0]->GetHeader() == nullptr) {
            m_lostIndex = 0;
        } else if (m_partitions.size() < kMaxPartitions) {
            m_lostIndex = m_partitions.size();
            m_partitions.push_back(std::make_unique<CHFSPlusCompletePartition>(static_cast<std::uint16_t>(m_lostIndex),
                                                                               0, m_s64TotalSectors));
        } else {
            m_lostIndex = 0;
        }
    }
    return *m_partitions[m_lostIndex];
}

void CHFSPlusCompleteFileSystemSearchController::AddRecord(CHFSPlusCompletePartition& partition, long long s64Sector,
                                                           CatalogKey key, CatalogRecord record,
                                                           std::shared_ptr<CHFSPlusBTNode const> const& pLeaf,
                                                           bool bMakeHere, std::optional<std::uint16_t> keyInLeaf) {
    if (m_pBuilder == nullptr) return;
    if (m_handOver.empty()) m_handOver.reserve(kHandOverBatch);  // a batch's records never move
    HandOver& item = m_handOver.emplace_back();
    item.pPartition = &partition;
    item.pVolume = partition.GetVolume();
    item.s64Sector = s64Sector;
    if (bMakeHere) {
        item.nodes = MakeNodes(item, key, record, false);
        item.bMade = true;
    } else {
        item.key = std::move(key);
        item.record = std::move(record);
        item.pLeaf = pLeaf;
        item.keyInLeaf = keyInLeaf;
    }
    if (m_handOver.size() >= kHandOverBatch) PostHandOver();
}

std::array<ReleasePtr<CHFSPlusFileNode>, 2> CHFSPlusCompleteFileSystemSearchController::MakeNodes(
    HandOver const& item, CatalogKey const& key, CatalogRecord const& record, bool bDeleted) {
    if (IsJournalFile(key, record)) return {};
    std::array<ReleasePtr<CHFSPlusFileNode>, 2> nodes{
        ReleasePtr<CHFSPlusFileNode>(new (std::nothrow) CHFSPlusFileNode(item.pVolume, key, record, false)),
        CHFSPlusFileNode::ResourceFork(item.pVolume, key, record)};
    for (ReleasePtr<CHFSPlusFileNode>& pNode : nodes) {
        if (!pNode || pNode->GetCurrentNodeID() < 0) {
            pNode.reset();
            continue;
        }
        if (bDeleted) pNode->MarkDeleted();
        pNode->SetBelongedPartition(item.pPartition->GetIndex());
        pNode->SetMetaDataSector(item.s64Sector);
    }
    return nodes;
}

bool CHFSPlusCompleteFileSystemSearchController::MadeWithoutLookups(CatalogRecord const& record) {
    if (record.u16Type != kRecordFile) return true;
    if (IsHardLink(record) || (record.u8OwnerFlags & kOwnerFlagCompressed) != 0) return false;
    // A fork whose own eight extents cover its blocks needs no overflow record.
    auto const inline_ = [](HFSPlusForkData const& fork) {
        std::uint64_t u64Covered = 0;
        for (HFSPlusExtentDescriptor const& extent : fork.extents) {
            if (u64Covered >= fork.u32TotalBlocks || extent.u32BlockCount == 0) break;
            u64Covered += extent.u32BlockCount;
        }
        return u64Covered >= fork.u32TotalBlocks;
    };
    return inline_(record.dataFork) && inline_(record.resourceFork);
}

void CHFSPlusCompleteFileSystemSearchController::PostHandOver() {
    if (m_handOver.empty()) return;
    // Three workers, each taking the batches in the order of the records: the first tells
    // deleted records and makes the nodes that look in the volume's trees (once a volume is
    // open this thread reads none of them, so that worker alone does), the second makes the
    // other nodes, the third hands them to the builder. The builder, the tree flag and the
    // partitions' counts are the third's alone until FinishHandOver.
    auto pBatch = std::make_shared<Batch>(std::exchange(m_handOver, {}), m_batchesInFlight);
    m_asking.Post([this, pBatch] {
        // The batch keeps its leaves alive, so a leaf's address names it here.
        LeafLiveness liveness;
        for (HandOver& item : pBatch->items) {
            if (item.bMade) continue;
            // Its place made sure the key reads.
            if (item.keyInLeaf)
                item.key = ReadCatalogKey(item.pLeaf->GetRecord(*item.keyInLeaf)).value_or(CatalogKey{});
            if (item.pLeaf) {
                if (liveness.pLeaf != item.pLeaf.get()) liveness = {item.pLeaf.get()};
                item.bDeleted = IsDeleted(*item.pPartition, item.key, item.record, liveness);
            }
            if (item.pVolume != nullptr && !MadeWithoutLookups(item.record)) {
                item.nodes = MakeNodes(item, item.key, item.record, item.bDeleted);
                item.bMade = true;
            }
        }
        m_making.Post([this, pBatch] {
            for (HandOver& item : pBatch->items)
                if (!item.bMade) item.nodes = MakeNodes(item, item.key, item.record, item.bDeleted);
            m_handing.Post([this, pBatch] {
                // Asked once per run of one volume's items, not per file: an answer that turns to
                // "build" within the batch only defers a few files to the pass's end.
                decltype(HandOver::pPartition) pAsked = nullptr;
                bool bBuilding = false;
                for (HandOver& item : pBatch->items) {
                    if (item.nodes.empty()) continue;
                    if (item.pPartition != pAsked) {
                        pAsked = item.pPartition;
                        bBuilding = m_pFoundVolumes == nullptr ||
                                    m_pFoundVolumes->MayBuildDuringPass(item.pPartition->GetStart(), m_s64Analysed) ==
                                        CFoundVolumes::Early::kBuild;
                    }
                    for (ReleasePtr<CHFSPlusFileNode>& pNode : item.nodes) {
                        if (!pNode) continue;
                        if (bBuilding)
                            HandToBuilder(*item.pPartition, std::move(pNode));
                        else
                            m_deferred.push_back({item.pPartition, std::move(pNode)});
                    }
                }
            });
        });
    });
}

void CHFSPlusCompleteFileSystemSearchController::HandToBuilder(CHFSPlusCompletePartition& partition,
                                                               ReleasePtr<CHFSPlusFileNode> pNode) {
    if (!m_bTreeMade) m_bTreeMade = m_pBuilder->AddSearcherInfo(SEARCHER_TYPE_HFSPLUS, kRootFolderID) != 0;
    bool const bFolder = pNode->IsDirectory() != 0;
    if (m_pBuilder->AddNode(pNode.get(), SEARCHER_TYPE_HFSPLUS) == 0) return;
    pNode.release();  // the builder owns it now
    partition.CountNode(bFolder);
}

CHFSPlusCompleteFileSystemSearchController::Batch::Batch(std::vector<HandOver> posted,
                                                         std::atomic<std::size_t>& inFlight_)
    : items(std::move(posted)), inFlight(inFlight_) {
    ++inFlight;
}

CHFSPlusCompleteFileSystemSearchController::Batch::~Batch() {
    --inFlight;
    inFlight.notify_all();
}

void CHFSPlusCompleteFileSystemSearchController::LimitBatchesInFlight() {
    for (std::size_t n = m_batchesInFlight.load(); n > kMaxBatchesInFlight; n = m_batchesInFlight.load())
        m_batchesInFlight.wait(n);
}

void CHFSPlusCompleteFileSystemSearchController::FinishHandOver() {
    PostHandOver();
    // Each worker has posted every batch to the next once it is idle.
    std::exception_ptr error;
    for (engine::SerialWorker* pWorker : {&m_asking, &m_making, &m_handing}) {
        try {
            pWorker->Wait();
        } catch (...) {
            if (!error) error = std::current_exception();
        }
    }
    if (error) std::rethrow_exception(error);
}

void CHFSPlusCompleteFileSystemSearchController::WalkCatalog(CHFSPlusCompletePartition& partition) {
    CHFSPlusCatalog* pCatalog = partition.GetVolume() != nullptr ? partition.GetVolume()->GetCatalog() : nullptr;
    if (pCatalog == nullptr || m_pBuilder == nullptr) return;
    auto const visit = [this, &partition](CatalogKey const& key, CatalogRecord const& record) {
        if (key.u32ParentID > kRootParentID) AddRecord(partition, 0, key, record, nullptr, true);
        return true;
    };
    pCatalog->Traverse(visit, [this] { return m_pProgress == nullptr || m_pProgress->Continued() != 0; });
}

FoundVolumeList CHFSPlusCompleteFileSystemSearchController::ListVolumes() {
    FoundVolumeList list{.eSearcher = SEARCHER_TYPE_HFSPLUS};
    if (!m_bPrepared) return list;
    for (std::size_t k = 0; k < m_partitions.size(); ++k) {
        hfsplus::CHFSPlusCompletePartition const& partition = *m_partitions[k];
        if (partition.GetHeader() == nullptr) continue;
        list.volumes.emplace_back(k, FoundVolume{.s64Start = partition.GetStart(),
                                                 .s64Sectors = partition.GetSectors(),
                                                 .s64RecordStart = partition.GetStart(),
                                                 .bBootSector = !partition.FromAlternateHeader()});
    }
    // The records no volume takes may get a partition of their own at the end.
    list.u32IndexBound = static_cast<std::uint32_t>(m_partitions.size() + 1);
    return list;
}

void CHFSPlusCompleteFileSystemSearchController::EndSearch(int iBuild) {
    // What the blocks found reaches the builder before the search ends, built or not.
    FinishHandOver();
    std::vector<HeldLeaf> held;
    held.swap(m_held);
    m_heldBytes = 0;
    if (iBuild != 0 && m_bPrepared) {
        // Every header is known now: a volume found only from its alternate takes its records.
        for (HeldLeaf& leaf : held)
            PlaceLeaf(leaf.s64Sector, std::make_shared<CHFSPlusBTNode const>(std::move(leaf.bytes)), &leaf.records,
                      true);
        held.clear();
        FinishHandOver();
    }
    // Those of a volume read through the file holding it are the scan of that file's.
    for (Deferred& deferred : std::exchange(m_deferred, {}))
        if (m_pBuilder != nullptr &&
            !(iBuild != 0 && m_pFoundVolumes != nullptr &&
              m_pFoundVolumes->IsReadElsewhere(SEARCHER_TYPE_HFSPLUS, deferred.pPartition->GetStart())))
            HandToBuilder(*deferred.pPartition, std::move(deferred.pNode));
    if (iBuild == 0 || !m_bPrepared) return;
    if (m_pBuilder == nullptr) return;
    for (auto const& pPartition : m_partitions)
        m_pBuilder->SetPartitonDevice(pPartition->MakeRecord(m_u32SectorSize).get(), m_pDevice);
    if (m_bTreeMade) m_pBuilder->FlashBuild(SEARCHER_TYPE_HFSPLUS);
}

int CHFSPlusCompleteFileSystemSearchController::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions,
                                                                         int iCount) {
    // Partition 0 of a disk without HFS+ holds nothing: no partition is reported for it.
    std::vector<CHFSPlusCompletePartition const*> reported;
    for (auto const& pPartition : m_partitions)
        if (pPartition->GetHeader() != nullptr || pPartition->GetFiles() + pPartition->GetFolders() != 0)
            reported.push_back(pPartition.get());
    int const iMade = static_cast<int>(reported.size());
    if (ppPartitions == nullptr || iCount < iMade) return iMade;
    for (int k = 0; k < iMade; ++k)
        ppPartitions[k] = reported[static_cast<std::size_t>(k)]->MakeRecord(m_u32SectorSize).release();
    return iMade;
}

ICompleteFileSystemSearchController* CreateHFSPlusSearcher() {
    return new (std::nothrow) CHFSPlusCompleteFileSystemSearchController();
}
