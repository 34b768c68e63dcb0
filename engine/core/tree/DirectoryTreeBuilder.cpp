#include "engine/core/tree/DirectoryTreeBuilder.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

#include "engine/IProgress.h"
#include "engine/IRecoveryFilter.h"
#include "engine/core/tree/SharedClusters.h"

namespace {

constexpr char kDefaultDeviceName[] = "Disk";
constexpr long long kNodesPerClockLook = 64;

struct RootSuffix {
    _tagSearcherType eType;
    char const* pszSuffix;
};
constexpr RootSuffix kRootSuffixes[] = {
    {SEARCHER_TYPE_HFSPLUS, "(HFS+)"},  {SEARCHER_TYPE_FAT, "(FAT/FAT32)"}, {SEARCHER_TYPE_EXFAT, "(ExFat)"},
    {SEARCHER_TYPE_RAW, "(RAW Files)"}, {SEARCHER_TYPE_NTFS, "(NTFS)"},
};

std::string_view SuffixOf(_tagSearcherType eType) {
    for (RootSuffix const& entry : kRootSuffixes)
        if (entry.eType == eType) return entry.pszSuffix;
    return {};
}

}  // namespace

namespace {
std::mutex g_defaultSettingsMutex;
TreeBuilderSettings g_defaultSettings;
}  // namespace

TreeBuilderSettings GetDefaultTreeBuilderSettings() {
    std::lock_guard lock(g_defaultSettingsMutex);
    return g_defaultSettings;
}

void SetDefaultTreeBuilderSettings(TreeBuilderSettings const& settings) {
    std::lock_guard lock(g_defaultSettingsMutex);
    g_defaultSettings = settings;
}

IDirecotryTreeBuilder* CreateTreeBuilder(bool bRestore) {
    return new CDirectoryTreeBuilder(bRestore, GetDefaultTreeBuilderSettings());
}

CDirectoryTreeBuilder::CDirectoryTreeBuilder(bool bRestore, TreeBuilderSettings settings)
    : m_bRestore(bRestore), m_settings(settings) {}

int CDirectoryTreeBuilder::Initialize(char const* pszName, IDrirectoryTree* pTree, IRecoveryFilter* pFilter) {
    if (!pszName || !pTree || !pFilter) return 0;
    m_deviceName = *pszName ? pszName : kDefaultDeviceName;
    m_pTree = pTree;
    m_pFilter = pFilter;
    return 1;
}

void CDirectoryTreeBuilder::SetPartitonDevice(CSearchedPartitionInfo* pPartition, IStorageDevice* pDevice) {
    // Kept until the FlashBuild of the partition's tree: its index files are read then.
    if (pPartition) m_recycleBin.KeepPartition(*pPartition, pDevice);
}

_DIRECTORY_TREE_INFO* CDirectoryTreeBuilder::TreeFor(_tagSearcherType eType, std::uint16_t u16Partition) {
    _DIRECTORY_TREE_INFO* pFirst = nullptr;
    std::size_t count = 0;
    for (auto const& pTree : m_trees) {
        if (pTree->Type() != eType) continue;
        if (!pTree->Partition()) pTree->SetPartition(u16Partition);
        if (pTree->Partition() == u16Partition) return pTree.get();
        if (!pFirst) pFirst = pTree.get();
        ++count;
    }
    if (!pFirst) return nullptr;
    std::string const stem = m_deviceName + " " + std::to_string(count + 1);
    m_trees.push_back(std::make_unique<_DIRECTORY_TREE_INFO>(stem + std::string(SuffixOf(eType)), stem, eType,
                                                             pFirst->RootID(), m_bRestore));
    m_trees.back()->SetPartition(u16Partition);
    return m_trees.back().get();
}

int CDirectoryTreeBuilder::AddSearcherInfo(_tagSearcherType eType, long long s64RootID) {
    bool bKnown = false;
    for (auto const& pTree : m_trees) {
        if (pTree->Type() != eType) continue;
        pTree->SetRootID(s64RootID);
        bKnown = true;
    }
    if (!bKnown)
        m_trees.push_back(std::make_unique<_DIRECTORY_TREE_INFO>(m_deviceName + std::string(SuffixOf(eType)),
                                                                 m_deviceName, eType, s64RootID, m_bRestore));
    return 1;
}

bool CDirectoryTreeBuilder::IsHeldAnywhere(CFileNode const* pNode) const {
    for (auto const& pTree : m_trees)
        if (pTree->Holds(pNode)) return true;
    return false;
}

bool CDirectoryTreeBuilder::ShowNormalFiles() const { return !m_pFilter || m_pFilter->ShowNormalFiles(); }

int CDirectoryTreeBuilder::AddNode(IFileNode* pNode, _tagSearcherType eType) {
    if (!pNode || !m_pFilter || !m_pFilter->IsFileNodeValid(pNode)) return 0;
    // A record naming itself as parent is a volume's own root directory (NTFS MFT record 5)
    // or damage; the tree's root already stands for the former, and neither can be hung.
    if (pNode->GetCurrentNodeID() == pNode->GetParentNodeID()) return 0;
    // Only lone nodes of the common base can be linked, and a node taken once must not be
    // owned twice.
    auto* pFileNode = dynamic_cast<CFileNode*>(pNode);
    if (!pFileNode || pFileNode->GetParent() || pFileNode->GetFirstChild() || pFileNode->GetNextNode()) return 0;
    _DIRECTORY_TREE_INFO* pTree = TreeFor(eType, pFileNode->GetBelongedPartition());
    if (!pTree) return 0;
    if (IsHeldAnywhere(pFileNode)) return 0;

    if (!m_bFlushing && m_recycleBin.OfferToRecycleBin(*pFileNode, eType) == CRecycleBinHook::Verdict::HeldBack)
        return 1;
    pTree->CountAdded();
    if (m_recycleBin.CheckTrash(*pFileNode, *pTree) == CRecycleBinHook::Verdict::Refused) return 0;

    // A folder's self and parent entries name no file; names that merely start with "."
    // (".bashrc", ".git") are the user's and are kept as they stand.
    if (CFileNode::IsSelfOrParentName(CFileNode::NameOrEmpty(pFileNode->GetFileName()))) return 0;
    if (!pTree->Take(*pFileNode)) return 0;

    // A look at the clock costs about what filing a node does: between the builds the node
    // count makes due, the clock is looked at once every kNodesPerClockLook nodes.
    if (pTree->BuildDueWithoutClock(m_settings.u32BuildAfterNodes, m_settings.u32BuildIntervalMs) ||
        pTree->PendingCount() % kNodesPerClockLook == 0)
        BuildAndShow(*pTree, false);
    return 1;
}

std::size_t CDirectoryTreeBuilder::BuildAndShow(_DIRECTORY_TREE_INFO& tree, bool bForce) {
    auto const now = _DIRECTORY_TREE_INFO::Clock::now();
    if (!bForce && (!tree.BuildDue(m_settings.u32BuildAfterNodes, m_settings.u32BuildIntervalMs, now) ||
                    !m_recycleBin.AllowsIncrementalBuild(tree)))
        return 0;
    std::vector<IFileNode*> batch = tree.Build(ShowNormalFiles(), now);
    ShowBatch(tree, batch, 0);
    return batch.size();
}

void CDirectoryTreeBuilder::ShowDueNodes() {
    if (m_bFlushing) return;
    for (auto const& pTree : m_trees)
        if (pTree->HasWaitingWork()) BuildAndShow(*pTree, false);
}

void CDirectoryTreeBuilder::ShowWaitingNodes(_tagSearcherType eType) {
    if (m_bFlushing) return;
    for (auto const& pTree : m_trees)
        if (pTree->Type() == eType && pTree->HasWaitingWork() && m_recycleBin.AllowsIncrementalBuild(*pTree))
            BuildAndShow(*pTree, true);
}

void CDirectoryTreeBuilder::ShowBatch(_DIRECTORY_TREE_INFO& tree, std::vector<IFileNode*>& batch, int iLost) {
    if (!m_pTree || batch.empty()) return;
    if (!tree.IsRootShown()) {
        tree.SetRootShown();
        m_pTree->ShowFilesystemNode(tree.Root());
        std::this_thread::sleep_for(std::chrono::milliseconds(m_settings.u32RootShownPauseMs));
    }
    tree.CountShown(batch.size());
    m_pTree->ShowNodes(batch.data(), static_cast<unsigned int>(batch.size()), iLost);
}

void CDirectoryTreeBuilder::FlashBuild(_tagSearcherType eType) {
    bool bKnown = false;
    for (auto const& pTree : m_trees) bKnown = bKnown || pTree->Type() == eType;
    if (!bKnown) return;
    m_bFlushing = true;

    for (ReleasePtr<CFileNode>& pHeld : m_recycleBin.TakeHeldNodes(eType))
        if (AddNode(pHeld.get(), eType)) pHeld.release();  // the tree owns it now

    long long s64Shown = 0;
    long long s64Added = 0;
    for (std::size_t k = 0; k < m_trees.size(); ++k) {
        if (m_trees[k]->Type() != eType || (m_trees[k]->IsFinished() && !m_trees[k]->HasWaitingWork())) continue;
        // Clusters are counted per volume, so each volume's tree settles its own claims. A loaded
        // scan keeps the verdicts it was saved with; carved files are no entries of a file system
        // (a picture inside another is no claim on its clusters).
        if (!m_bRestore && eType != SEARCHER_TYPE_RAW) SettleSharedClusters(m_trees[k]->OwnedNodes());
        FinishTree(*m_trees[k]);
        m_trees[k]->SetFinished();
        s64Shown += m_trees[k]->ShownCount();
        s64Added += m_trees[k]->AddedCount();
    }
    m_recycleBin.EndFlashBuild(eType);

    std::fprintf(stderr, "CDirectoryTreeBuilder::FlashBuild  searcherType : %d, total files: %lld\n",
                 static_cast<int>(eType), s64Shown);
    std::fprintf(stderr, "CDirectoryTreeBuilder::FlashBuild  searcherType : %d, total added files: %lld\n",
                 static_cast<int>(eType), s64Added);
    m_bFlushing = false;
}

void CDirectoryTreeBuilder::FinishTree(_DIRECTORY_TREE_INFO& tree) {
    while (BuildAndShow(tree, true) != 0) {
    }
    m_recycleBin.SettleTrash(tree);
    tree.RequeueParentlessFiles();
    tree.MarkDeletedUnderDeletedFolders();
    while (BuildAndShow(tree, true) != 0) {
    }

    std::vector<IFileNode*> lost = tree.BuildLostNodes(ShowNormalFiles());
    ShowBatch(tree, lost, 1);
    tree.ClearPending();
    if (!m_bRestore) tree.ReleaseUnshown();
}
