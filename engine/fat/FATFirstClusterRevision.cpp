#include "engine/fat/FATFirstClusterRevision.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IStorageDevice.h"
#include "engine/UiModelServices.h"
#include "engine/carve/RecogniseFileStart.h"
#include "engine/core/util/IniFile.h"
#include "engine/fat/FATBuildDataRun.h"
#include "engine/fat/FATFileNode.h"

namespace {

/// First clusters at or above this carry a high word, which nothing cleared.
constexpr std::uint32_t kHighWordStart = 0x10001;
constexpr std::uint32_t kHighWordStep = 0x10000;
/// Analysers that read past one sector stay inside the probe.
constexpr std::size_t kMinProbeBytes = 4096;
/// Files larger than this (divided by 10, as stored sizes are) do not guide a guess.
constexpr long long kMaxGuideSizeTenth = 419430400;

bool ReadSwitch() {
    std::string const path = std::string(GetAppWorkPath()) + "/UIConfig.ini";
    CIniFile ini(path);
    ini.Init();
    std::string value;
    if (ini.ReadItem("UserExperience", "bRevise", value) != 0) return true;
    return value != "0";
}

/// The entry is a folder's "." or "..". A name that only starts with "." (".bashrc") is a file
/// like any other.
bool NamesNoFile(CFATFileNode const& node) {
    CFATFileProperties const* pProperties = node.GetFileProperties();
    return pProperties && CFileNode::IsSelfOrParentName(pProperties->Name());
}

}  // namespace

void FATRevisionLists::Clear() {
    deletedFolders.clear();
    folderCopies.clear();
    deletedFiles.clear();
}

CFATFirstClusterRevision::CFATFirstClusterRevision(IStorageDevice* pDevice, FATVolumeGeometry const& geometry,
                                                   IFATTable const* pTable)
    : m_pDevice(pDevice), m_geometry(geometry), m_pTable(pTable) {
    m_bOn = geometry.eType == FILE_SYSTEM_FAT32 && ReadSwitch();
}

bool CFATFirstClusterRevision::bWindowsPEFiles(engine::ByteView bytes) {
    if (!bytes.Equals(0, "MZ") || !bytes.Has(60, 4)) return false;
    std::uint64_t const e = bytes.Le32(60);
    return bytes.Size() >= 4 && e <= std::uint64_t{bytes.Size()} - 4 && bytes.Equals(static_cast<std::size_t>(e), "PE");
}

bool CFATFirstClusterRevision::bReviseFAT32FileFirstClu(std::uint32_t u32Cluster) {
    if (u32Cluster >= kHighWordStart) return true;
    if (!m_geometry.ClusterExists(u32Cluster)) return false;
    if (m_probe.empty()) m_probe.resize(std::max<std::size_t>(kMinProbeBytes, m_geometry.u32SectorSize));
    std::fill(m_probe.begin(), m_probe.end(), std::uint8_t{0});
    if (!m_pDevice->ReadSector(m_probe.data(), static_cast<long long>(m_geometry.ClusterToSector(u32Cluster)), 1))
        return false;
    return RecogniseFileStart(m_probe) || bWindowsPEFiles(engine::ByteView(m_probe.data(), m_probe.size()));
}

std::uint32_t CFATFirstClusterRevision::GetFAT32LostFirstCluNum(std::vector<std::unique_ptr<CFATFileNode>> const& files,
                                                                long long s64Size, std::uint32_t u32Cluster,
                                                                std::uint64_t u64Created) const {
    if ((u32Cluster >> 16) != 0) return u32Cluster;
    bool bKept = false;
    long long s64Distance = 0;
    std::uint64_t u64KeptCluster = 0;
    long long s64KeptSize = 0;
    auto const T = static_cast<long long>(u64Created);
    for (auto const& pFile : files) {
        CFATFileProperties* pProperties = pFile->GetFileProperties();
        if (!pProperties || pProperties->GetFileSize() / 10 > kMaxGuideSizeTenth) continue;
        if (pProperties->GetState() != CFATFileProperties::kStateDeleted) continue;
        auto const t = static_cast<long long>(pProperties->GetCreationTime());
        if (!bKept || (t <= T && T - t <= s64Distance)) {
            s64Distance = bKept ? T - t : t;
            bKept = true;
            u64KeptCluster = static_cast<std::uint64_t>(pProperties->GetFirstClusterNum());
            s64KeptSize = pProperties->GetFileSize();
        }
    }
    if (!bKept || u64KeptCluster < kHighWordStart || s64Size < 1) return u32Cluster;
    std::uint64_t const u64ClusterBytes = m_geometry.ClusterBytes();
    std::uint64_t const u64KeptClusters =
        (static_cast<std::uint64_t>(s64KeptSize) + u64ClusterBytes - 1) / u64ClusterBytes;
    std::uint64_t const u64Guess = (u64KeptCluster + u64KeptClusters) / kHighWordStep * kHighWordStep + u32Cluster;
    return u64Guess > UINT32_MAX ? u32Cluster : static_cast<std::uint32_t>(u64Guess);
}

std::vector<CFATFileNode*> CFATFirstClusterRevision::ReviseFAT32FileFirstClu(FATRevisionLists& lists,
                                                                             IDirecotryTreeBuilder* pBuilder,
                                                                             std::uint16_t u16Partition) {
    // One node per first cluster held by a folder: a clash keeps the node held unless it names no
    // file. Deleted files naming one cluster are all kept: a later file took the clusters of one
    // deleted before it, and only the weighing of shared clusters can tell whose bytes are there.
    std::multimap<long long, CFATFileNode*> byCluster;
    auto enter = [&byCluster](CFATFileNode* pNode) {
        CFATFileProperties const* pProperties = pNode->GetFileProperties();
        if (!pProperties) return;
        auto const [first, last] = byCluster.equal_range(pProperties->GetFirstClusterNum());
        if (first == last) {
            byCluster.emplace(pProperties->GetFirstClusterNum(), pNode);
            return;
        }
        std::fprintf(stderr, "\r\n ############firstCluNum=%lld,fileName=%s\r\n######",
                     pProperties->GetFirstClusterNum(), pNode->GetFileName());
        if (first->second->IsDirectory() == 0 && pNode->IsDirectory() == 0)
            byCluster.emplace_hint(last, pProperties->GetFirstClusterNum(), pNode);
        else if (NamesNoFile(*first->second) && !NamesNoFile(*pNode))
            first->second = pNode;
    };
    for (CFATFileNode* pNode : lists.deletedFolders) enter(pNode);
    for (auto const& pCopy : lists.folderCopies) enter(pCopy.get());
    for (auto const& pFile : lists.deletedFiles) enter(pFile.get());

    std::map<CFATFileNode*, std::unique_ptr<CFATFileNode>*> owned;
    for (auto& pFile : lists.deletedFiles) owned.emplace(pFile.get(), &pFile);
    CFATBuildDataRun const runs(m_pTable, m_geometry.u32SectorSize, m_geometry.u32SectorsPerCluster,
                                m_geometry.u32Clusters);

    std::vector<std::unique_ptr<CFATFileNode>*> toHand;
    for (auto const& [s64Cluster, pNode] : byCluster) {
        auto const ownedIt = owned.find(pNode);
        if (ownedIt == owned.end()) continue;  // folders were handed over already; copies are dropped
        CFATFileProperties* pProperties = pNode->GetFileProperties();
        if (pProperties->GetState() != CFATFileProperties::kStateDeleted || NamesNoFile(*pNode)) continue;
        auto const u32Cluster = static_cast<std::uint32_t>(s64Cluster);
        if (s64Cluster <= kHighWordStep && s64Cluster >= 0 && !bReviseFAT32FileFirstClu(u32Cluster)) {
            std::uint32_t const u32Guess = GetFAT32LostFirstCluNum(lists.deletedFiles, pProperties->GetFileSize(),
                                                                   u32Cluster, pProperties->GetCreationTime());
            if (u32Guess >= kHighWordStep) {
                std::uint32_t u32Refusal = 0;
                if (ReleasePtr<IDataRunList> pRuns =
                        runs.BuildDataRunList(u32Guess, pProperties->GetFileSize(), true, &u32Refusal)) {
                    pNode->SetDataRunList(std::move(pRuns));
                    pNode->SetCopyRefusal(u32Refusal);
                    auto pRevised = std::make_unique<CFATFileProperties>(*pProperties);
                    pRevised->SetFirstClusterNum(u32Guess);
                    pNode->SetFileProperties(std::move(pRevised));
                }
            }
        }
        pNode->SetBelongedPartition(u16Partition);
        toHand.push_back(ownedIt->second);
    }
    // Handed over only now: the guesses above read every held file, revised ones included.
    std::vector<CFATFileNode*> handed;
    for (std::unique_ptr<CFATFileNode>* pSlot : toHand) {
        CFATFileNode* pHanded = pSlot->release();
        if (pBuilder && pBuilder->AddNode(pHanded, SEARCHER_TYPE_FAT))
            handed.push_back(pHanded);
        else
            pHanded->Release();
    }
    lists.Clear();  // clash losers, "." and ".." entries and folder copies go here
    return handed;
}
