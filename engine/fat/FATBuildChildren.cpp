#include "engine/fat/FATBuildChildren.h"

#include <algorithm>
#include <cstring>

#include "engine/IDataRecovery.h"
#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IStorageDevice.h"
#include "engine/fat/FATBuildDataRun.h"
#include "engine/fat/FATFilePropertiesBuilder.h"
#include "engine/fat/FATSearchedPartitionInfo.h"
#include "engine/fat/FATTable.h"
#include "engine/fat/FATWalkState.h"
#include "engine/fat/ondisk/FATFolderAnalyser.h"
#include "engine/fat/ondisk/FATLongNamePieces.h"
#include "engine/fat/ondisk/FATWidth.h"
#include "engine/fat/ondisk/TempFATDirEntry.h"

namespace {

/// Room behind a chunk for an unfinished long name carried from the chunk before (at most
/// 20 pieces and their 8.3 entry fit in 1023 bytes).
constexpr std::uint32_t kCarrySectors = 2;
constexpr std::uint32_t kMaxCarry = 1023;

/// How a folder's first two entries open it: "." and ".." as every sub-folder, neither as the
/// FAT32 root, or one without the other as nothing a folder starts with.
enum class DotEntries { kPresent, kAbsent, kBroken };

DotEntries ReadDotEntries(std::uint8_t const* pFirst) {
    CTempFATDirEntry const dot(engine::ByteView(pFirst, CTempFATDirEntry::kSize));
    CTempFATDirEntry const dotDot(engine::ByteView(pFirst + CTempFATDirEntry::kSize, CTempFATDirEntry::kSize));
    if (dot.IsCurDirFileName() && dotDot.IsParentDirFileName()) return DotEntries::kPresent;
    if (!dot.IsCurDirFileName() && !dotDot.IsParentDirFileName()) return DotEntries::kAbsent;
    return DotEntries::kBroken;
}

/// The most entries one name takes: 20 long-name pieces and the 8.3 entry.
constexpr std::size_t kMaxEntriesPerName = 21;

/// Whether an entry of the bytes marks the end of its folder's entries (first byte 0) with room
/// for any name after it. Writers that keep a name's entries in one cluster (mtools) leave a
/// shorter tail unused and go on in the folder's next cluster.
bool HoldsEndOfFolder(std::uint8_t const* pBytes, std::size_t length) {
    for (std::size_t off = 0; off + CTempFATDirEntry::kSize <= length; off += CTempFATDirEntry::kSize)
        if (pBytes[off] == 0) return (length - off) / CTempFATDirEntry::kSize >= kMaxEntriesPerName;
    return false;
}

/// Whether a cluster the walk reaches by guessing holds folder entries that open no folder.
bool HoldsFolderEntries(std::uint8_t const* pFirstSector, std::uint32_t u32SectorSize) {
    CFATFolderAnalyser analyser(u32SectorSize);
    return analyser.AnalyseSector(engine::ByteView(pFirstSector, u32SectorSize)) &&
           analyser.GetDirectoryEntryType() == CFATFolderAnalyser::kFolderEntries;
}

}  // namespace

CFATBuildChildren::CFATBuildChildren(IDirecotryTreeBuilder* pBuilder, CFATSearchedPartitionInfo const* pRecord,
                                     IStorageDevice* pDevice, FATWalkState& state, FATVolumeGeometry const& geometry,
                                     IFATTable const* pTable)
    : m_pBuilder(pBuilder),
      m_pRecord(pRecord),
      m_pDevice(pDevice),
      m_state(state),
      m_geometry(geometry),
      m_pTable(pTable),
      m_revision(pDevice, geometry, pTable),
      m_continuation(pDevice, geometry) {}

ReleasePtr<IDataRunList> CFATBuildChildren::BuildDataRunList(std::uint32_t u32FirstCluster, long long s64Size,
                                                             bool bDeleted, std::uint32_t* pRefusal,
                                                             bool* pChainLost) const {
    CFATBuildDataRun const builder(m_pTable, m_geometry.u32SectorSize, m_geometry.u32SectorsPerCluster,
                                   m_geometry.u32Clusters);
    return builder.BuildDataRunList(u32FirstCluster, s64Size, bDeleted, pRefusal, pChainLost);
}

bool CFATBuildChildren::HandOver(CFATFileNode* pNode) {
    if (m_pBuilder && m_pBuilder->AddNode(pNode, SEARCHER_TYPE_FAT)) return true;
    for (auto it = m_state.folderMap.begin(); it != m_state.folderMap.end(); ++it) {
        if (it->second == pNode) {
            m_state.folderMap.erase(it);
            break;
        }
    }
    pNode->Release();
    return false;
}

void CFATBuildChildren::FinishFolder(FATRevisionLists& lists) {
    if (m_revision.IsOn()) {
        for (CFATFileNode* pHanded :
             m_revision.ReviseFAT32FileFirstClu(lists, m_pBuilder, m_pRecord ? m_pRecord->m_u16PartitionIndex : 0))
            m_state.reused.AddDeletedFile(pHanded);
    } else {
        lists.Clear();
    }
}

bool CFATBuildChildren::BuildRoot() {
    if (m_geometry.eType == FILE_SYSTEM_FAT32) return BuildChildren(nullptr, m_geometry.u32RootCluster, true);
    if (!fat::HasFixedRoot(m_geometry.eType) || m_geometry.u32RootSectors == 0) return false;
    std::vector<std::uint8_t> root(std::size_t{m_geometry.u32RootSectors} * m_geometry.u32SectorSize);
    if (!m_pDevice->ReadSector(root.data(), static_cast<long long>(m_geometry.u64RootSector),
                               m_geometry.u32RootSectors))
        return false;
    FATRevisionLists lists;
    std::uint32_t const u32Result = BuildChildrenFromBuffer(
        engine::ByteView(root.data(), root.size()), SectorPosition(m_geometry.u64RootSector), nullptr, lists, false);
    lists.Clear();
    return u32Result != kFailed;
}

bool CFATBuildChildren::BuildChildren(CFATFileNode* pFolder, std::uint32_t u32FirstCluster, bool bRootExempt) {
    return WalkFolder(pFolder, u32FirstCluster, bRootExempt, nullptr);
}

void CFATBuildChildren::ClaimFolder(std::uint32_t u32FirstCluster, CFATGuessedClusters& claims,
                                    std::vector<std::uint32_t>& subFolders) {
    WalkWithoutNodes(u32FirstCluster, Claiming{&claims, subFolders});
}

void CFATBuildChildren::SurveyFolder(std::uint32_t u32FirstCluster, std::vector<std::uint32_t>& subFolders) {
    WalkWithoutNodes(u32FirstCluster, Claiming{nullptr, subFolders});
}

void CFATBuildChildren::WalkWithoutNodes(std::uint32_t u32FirstCluster, Claiming const& claiming) {
    if (u32FirstCluster != 0) {
        WalkFolder(nullptr, u32FirstCluster, false, &claiming);
    } else if (m_geometry.eType == FILE_SYSTEM_FAT32) {
        WalkFolder(nullptr, m_geometry.u32RootCluster, true, &claiming);
    } else if (fat::HasFixedRoot(m_geometry.eType) && m_geometry.u32RootSectors != 0) {
        // A fixed root never grows past its sectors: it claims nothing, it names folders.
        std::vector<std::uint8_t> root(std::size_t{m_geometry.u32RootSectors} * m_geometry.u32SectorSize);
        if (!m_pDevice->ReadSector(root.data(), static_cast<long long>(m_geometry.u64RootSector),
                                   m_geometry.u32RootSectors))
            return;
        ParseEntries(engine::ByteView(root.data(), root.size()), false);
        NoteParsed(0, claiming);
    }
}

void CFATBuildChildren::NoteParsed(std::uint32_t u32Self, Claiming const& claiming) {
    bool const bSurvey = claiming.pClaims == nullptr;
    for (fat::FATFolderEntry const& entry : m_parsed.entries) {
        if (!m_geometry.ClusterExists(entry.u32FirstCluster) || (bSurvey && entry.bErased)) continue;
        if (entry.IsDirectory()) {
            if (entry.u32FirstCluster != u32Self) claiming.subFolders.push_back(entry.u32FirstCluster);
        } else if (bSurvey) {
            bool bChainLost = false;
            if (ReleasePtr<IDataRunList> pRuns =
                    BuildDataRunList(entry.u32FirstCluster, entry.u32Size, false, nullptr, &bChainLost))
                m_state.foreign.AddLiveFile(*pRuns, !bChainLost);
        }
    }
}

bool CFATBuildChildren::WalkFolder(CFATFileNode* pFolder, std::uint32_t u32FirstCluster, bool bRootExempt,
                                   Claiming const* pClaiming) {
    std::uint32_t const u32SectorSize = m_geometry.u32SectorSize;
    std::uint32_t const u32Spc = m_geometry.u32SectorsPerCluster;
    if (m_chunk.empty()) m_chunk.resize(std::size_t{kChunkSectors + kCarrySectors} * u32SectorSize);
    FATRevisionLists lists;
    std::size_t carry = 0;
    // Whether the entry before the next bytes read may have taken a deleted name's first slots.
    bool bFrontMayBeLost = true;
    bool bFirstChunk = true;
    bool bGuessed = false;  // `cur` follows on because no link names it
    // A claiming walk goes as far as the walk of any folder, live or deleted, could go.
    bool const bLive = pClaiming != nullptr || pFolder == nullptr || pFolder->IsDeleted() == 0;
    // Where the table lost a folder's chain (no table answers, or a live folder's link reads
    // free), its clusters are taken to follow on, as a lost file's are, while its entries do.
    bool const bMayFollowOn = !m_pTable->AnswersLinks() || bLive;
    // Where the cluster after falls short, a live folder's entries are searched for past its
    // files' data (a deleted folder's clusters may have gone to anything since).
    bool const bMaySearch = bLive;
    m_continuation.Reset();
    // A claiming walk reads nothing: it meets the other walks' clusters in the claims.
    auto const wasRead = [this, pClaiming](std::uint32_t u32Cluster) {
        return pClaiming == nullptr && m_state.walk.WasRead(u32Cluster);
    };
    // Nor may it go on where another volume's entries lie, inside a live file or volume.
    auto const taken = [&](std::uint32_t u32Cluster) {
        return wasRead(u32Cluster) || m_state.foreign.Holds(u32Cluster);
    };
    bool const bSurvey = pClaiming != nullptr && pClaiming->pClaims == nullptr;
    auto const searchOn = [&](std::uint32_t u32From) {
        if (!bGuessed || !bMaySearch || bSurvey) return std::uint32_t{0};
        return m_continuation.Find(u32From, taken);
    };
    std::uint32_t cur = u32FirstCluster;
    while (m_geometry.ClusterExists(cur)) {
        // Consecutive clusters of the chain make one read of at most 128 sectors.
        std::uint32_t u32Count = 0;
        std::uint32_t c = cur;
        std::uint32_t next = 0;
        do {
            ++u32Count;
            next = m_pTable->GetNextCluster(c);
            c = next;
        } while (next == cur + u32Count && m_geometry.ClusterExists(next) && (u32Count + 1) * u32Spc <= kChunkSectors);
        // A deleted folder whose cluster a live file holds now has lost its entries there.
        if (wasRead(cur) || ((bGuessed || !bLive) && m_state.foreign.Holds(cur))) {
            if (bFirstChunk) return false;  // a folder read already
            // The chain loops back (or runs into another folder): the folder ends here. The
            // deleted files held back from the chunks read are handed over all the same.
            if ((cur = searchOn(cur + 1)) != 0) continue;
            break;
        }
        std::size_t const chunkBytes = std::size_t{u32Count} * u32Spc * u32SectorSize;
        if (!m_pDevice->ReadSector(m_chunk.data() + carry, static_cast<long long>(m_geometry.ClusterToSector(cur)),
                                   std::int64_t{u32Count} * u32Spc)) {
            if (bFirstChunk) return false;
            break;  // what was read stands; stale bytes are not parsed
        }
        std::uint8_t const* pRead = m_chunk.data() + carry;
        // A guessed cluster must go on with entries, and not open another folder; where the
        // cluster before ended inside a long name, with that name's next pieces.
        if (bGuessed &&
            (!HoldsFolderEntries(pRead, u32SectorSize) ||
             !fat::MayContinueFolder(engine::ByteView(m_chunk.data(), carry), engine::ByteView(pRead, chunkBytes)))) {
            if ((cur = searchOn(cur + 1)) != 0) continue;
            break;
        }
        // A guessed cluster (one at a time: no link follows it) that another folder's walk
        // reaches too is neither's, nor any the walk reaches after it: the folder ends before
        // it. The walk goes on past it all the same, so that the clusters it alone reaches come
        // back among the lost files.
        if (bGuessed && pClaiming && pClaiming->pClaims && !pClaiming->pClaims->Claim(u32FirstCluster, cur)) {
            if ((cur = searchOn(cur + 1)) != 0) continue;
            break;
        }
        if (bGuessed && m_pGuessed && !m_pGuessed->Owns(u32FirstCluster, cur)) break;
        bool const bEnded = HoldsEndOfFolder(pRead, chunkBytes);  // before a carried name moves over it
        if (!pClaiming)
            for (std::uint32_t i = 0; i < u32Count; ++i) m_state.walk.MarkRead(cur + i);
        if (bFirstChunk) {
            if (ReadDotEntries(m_chunk.data()) != (bRootExempt ? DotEntries::kAbsent : DotEntries::kPresent))
                return false;
            bFirstChunk = false;
        }
        std::size_t const length = carry + chunkBytes;
        engine::ByteView const bytes(m_chunk.data(), length);
        std::uint32_t u32Consumed = 0;
        if (pClaiming) {
            u32Consumed = ParseEntries(bytes, false, bFrontMayBeLost);
            NoteParsed(u32FirstCluster, *pClaiming);
        } else {
            // Carried bytes hold long-name pieces only: every 8.3 entry lies in the chunk.
            u32Consumed = BuildChildrenFromBuffer(bytes, SectorPosition(m_geometry.ClusterToSector(cur)) - carry,
                                                  pFolder, lists, false, bFrontMayBeLost);
        }
        if (u32Consumed == kFailed) {
            carry = 0;
            break;
        }
        if (bMaySearch) m_continuation.NoteEntries(m_parsed.entries);
        bFrontMayBeLost = fat::NameFrontMayBeLost(bytes, std::min<std::size_t>(u32Consumed, length), bFrontMayBeLost);
        std::size_t const left = length > u32Consumed ? length - u32Consumed : 0;
        if (left >= 1 && left <= kMaxCarry) {
            std::memmove(m_chunk.data(), m_chunk.data() + u32Consumed, left);
            carry = left;
        } else {
            carry = 0;
        }
        bGuessed = next == 0 && bMayFollowOn && !bEnded;
        cur = bGuessed ? cur + u32Count : c;
    }
    if (!pClaiming) {
        // A name the folder's clusters read do not finish may end in a cluster read apart.
        if (carry != 0) m_state.nameTails.Keep(engine::ByteView(m_chunk.data(), carry));
        FinishFolder(lists);
    }
    return true;
}

bool CFATBuildChildren::CanStartFolder(std::uint32_t u32FirstCluster) {
    if (!m_geometry.ClusterExists(u32FirstCluster) || m_state.walk.WasRead(u32FirstCluster) ||
        m_state.foreign.Holds(u32FirstCluster))
        return false;
    std::vector<std::uint8_t> sector(m_geometry.u32SectorSize);
    return m_pDevice->ReadSector(sector.data(), static_cast<long long>(m_geometry.ClusterToSector(u32FirstCluster)),
                                 1) &&
           ReadDotEntries(sector.data()) == DotEntries::kPresent;
}

std::uint32_t CFATBuildChildren::BuildChildrenFromBuffer(engine::ByteView bytes, std::uint64_t u64Position,
                                                         CFATFileNode* pFolder, FATRevisionLists& lists,
                                                         bool bStopAtInvalid, bool bFrontMayBeLost) {
    bool bParentDeleted = false;
    std::uint32_t u32ParentCluster = 0;
    if (pFolder) {
        CFATFileProperties const* pParent = pFolder->GetFileProperties();
        if (!pParent) return kFailed;
        bParentDeleted = (pFolder->GetFileProperties()->GetState() & CFATFileProperties::kStateDeleted) != 0;
        u32ParentCluster = static_cast<std::uint32_t>(pParent->GetFirstClusterNum());
    }
    std::uint32_t const u32Consumed = ParseEntries(bytes, bStopAtInvalid, bFrontMayBeLost);
    for (fat::FATFolderEntry const& entry : m_parsed.entries)
        AddEntry(entry, u64Position == 0 ? 0 : u64Position + entry.offset, bParentDeleted, u32ParentCluster, lists);
    return u32Consumed;
}

std::uint32_t CFATBuildChildren::ParseEntries(engine::ByteView bytes, bool bStopAtInvalid, bool bFrontMayBeLost) {
    std::size_t const length = std::min<std::size_t>(bytes.Size(), kFailed - 1);
    fat::ParseFATFolderEntries(bytes.Sub(0, length), {bStopAtInvalid, m_geometry.u32Clusters, bFrontMayBeLost},
                               m_parsed);
    return m_parsed.bFailed ? kFailed : static_cast<std::uint32_t>(m_parsed.consumed);
}

void CFATBuildChildren::AddEntry(fat::FATFolderEntry const& entry, std::uint64_t u64Position, bool bParentDeleted,
                                 std::uint32_t u32ParentCluster, FATRevisionLists& lists) {
    std::uint32_t const fc = entry.u32FirstCluster;
    if (fc == u32ParentCluster && u32ParentCluster != 0) return;
    std::unique_ptr<CFATFileProperties> pProperties = CFATFilePropertiesBuilder::BuildFATFileProperty(entry);
    if (bParentDeleted) pProperties->SetState(pProperties->GetState() | CFATFileProperties::kStateDeleted);
    pProperties->SetParentFirstClusterNum(u32ParentCluster);
    pProperties->SetMetaDataSector(static_cast<long long>(m_geometry.ClusterToSector(u32ParentCluster)));
    pProperties->SetEntryPosition(u64Position);
    bool const bFolder = pProperties->IsDirectory();
    bool const bDeleted = pProperties->GetState() == CFATFileProperties::kStateDeleted;
    ReleasePtr<IDataRunList> pRuns;
    std::uint32_t u32Refusal = 0;
    if (bFolder) {
        pProperties->SetFirstClusterNum(fc);
    } else if (pProperties->GetFileSize() < 1) {
        auto& numbering = CEmptyFileVirtualClusterNum::GetEmptyFileVirtualClusterNumObject();
        pProperties->SetFirstClusterNum(static_cast<long long>(numbering.GetVirtualClusterNum()));
    } else {
        pProperties->SetFirstClusterNum(fc);
        bool bChainLost = false;
        pRuns = BuildDataRunList(fc, pProperties->GetFileSize(), pProperties->IsDeleted(),
                                 entry.bErased ? &u32Refusal : nullptr, &bChainLost);
        if (bChainLost && u32Refusal == 0) u32Refusal = kCodeChainLost;
        // A live file's clusters hold no folder entries of this volume.
        if (pRuns && !pProperties->IsDeleted()) {
            m_state.foreign.AddLiveFile(*pRuns, !bChainLost);
            if (!bChainLost)
                m_state.reused.AddLiveFile(*pRuns,
                                           CFATReusedClusters::WrittenBetween(pProperties->GetCreationTime(),
                                                                              pProperties->GetModificationTime()));
        }
    }
    if (m_revision.IsOn() && bFolder && !entry.bErased) {
        auto pCopy = std::make_unique<CFATFileNode>();
        pCopy->SetFileProperties(std::make_unique<CFATFileProperties>(*pProperties));
        lists.folderCopies.push_back(std::move(pCopy));
    }
    auto pNode = std::make_unique<CFATFileNode>();
    pNode->SetFileProperties(std::move(pProperties));
    if (pRuns) pNode->SetDataRunList(std::move(pRuns));
    pNode->SetCopyRefusal(u32Refusal);
    if (m_pRecord) pNode->SetBelongedPartition(m_pRecord->m_u16PartitionIndex);

    if (m_revision.IsOn() && !bFolder && bDeleted) {
        lists.deletedFiles.push_back(std::move(pNode));  // handed over after the revision
        return;
    }
    if (bFolder && pNode->IsDeleted()) {
        // Entered in the folder map only when handed over: the map never points at a node the
        // walk still owns (and may drop).
        if (bDeleted) lists.deletedFolders.push_back(pNode.get());
        m_state.walk.AddDeleted(FATPendingFolder{nullptr, std::move(pNode)});
        return;
    }
    CFATFileNode* pHanded = pNode.release();
    if (!HandOver(pHanded)) return;
    if (!bFolder) {
        if (pHanded->IsDeleted()) m_state.reused.AddDeletedFile(pHanded);
        return;
    }
    // A live folder owns its first cluster now, whatever deleted folder named it before.
    m_state.folderMap.insert_or_assign(fc, pHanded);
    m_state.walk.AddLive(FATPendingFolder{pHanded, nullptr});
}

bool CFATBuildChildren::HandOverDeletedFolder(CFATFileNode* pFolder) {
    CFATFileProperties const* pProperties = pFolder->GetFileProperties();
    if (!pProperties) return HandOver(pFolder);
    auto const u32Cluster = static_cast<std::uint32_t>(pProperties->GetFirstClusterNum());
    if (!HandOver(pFolder)) return false;
    m_state.folderMap.emplace(u32Cluster, pFolder);
    return true;
}
