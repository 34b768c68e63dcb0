#include "engine/core/tree/DirectoryTreeInfo.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string_view>
#include <utility>

#include "engine/core/tree/ParentChoice.h"

namespace {

constexpr char kLostFilesName[] = "Other lost files";
constexpr char kLostFilesVolume[] = "LostFiles";
constexpr long long kLostFilesID = -1;

/// Children are linked only by CFileNode::AddChild, which takes CFileNode alone.
CFileNode* AsFileNode(IFileNode* pNode) { return static_cast<CFileNode*>(pNode); }

}  // namespace

_DIRECTORY_TREE_INFO::_DIRECTORY_TREE_INFO(std::string rootName, std::string volumeName, _tagSearcherType eType,
                                           long long s64RootID, bool bRestore)
    : m_pRoot(std::make_unique<CFilesystemNode>(std::move(rootName), std::move(volumeName), eType, s64RootID)),
      m_records(bRestore, [this](std::uint32_t u32Slot) -> CFileNode& { return *m_slots[u32Slot].pNode; }),
      m_eType(eType),
      m_s64RootID(s64RootID) {}

void _DIRECTORY_TREE_INFO::SetRootID(long long s64RootID) {
    m_s64RootID = s64RootID;
    // Nodes naming the new id as parent now belong under the root.
    m_changedIDs[s64RootID] = true;
}

bool _DIRECTORY_TREE_INFO::Holds(CFileNode const* pNode) const {
    return pNode == m_pRoot.get() || (pNode && IndexOf(*pNode));
}

std::optional<std::size_t> _DIRECTORY_TREE_INFO::IndexOf(CFileNode const& node) const {
    // The node says where it sits; another tree's node, or one released, is not found there.
    std::size_t const slot = node.GetTreeSlot();
    if (slot >= m_slots.size() || m_slots[slot].pNode.get() != &node) return std::nullopt;
    return slot;
}

_DIRECTORY_TREE_INFO::NodeSlot* _DIRECTORY_TREE_INFO::SlotOf(CFileNode const* pNode) {
    std::optional<std::size_t> const slot = pNode ? IndexOf(*pNode) : std::nullopt;
    return slot ? &m_slots[*slot] : nullptr;
}

bool _DIRECTORY_TREE_INFO::Take(CFileNode& node) {
    // Slots are numbered in 32 bits in the node: a store that full refuses what comes.
    if (m_slots.size() >= CFileNode::kNoTreeSlot) return false;
    // The records keep the node by the slot it is about to take.
    node.SetTreeSlot(static_cast<std::uint32_t>(m_slots.size()));
    std::optional<std::size_t> const position = m_records.Record(node);
    if (!position) {
        node.SetTreeSlot(CFileNode::kNoTreeSlot);
        return false;
    }
    NodeSlot& slot = m_slots.emplace_back();
    slot.pNode.reset(&node);
    slot.bPending = true;
    if (node.IsDirectory()) {
        // Only the first few positions matter (ParentChoice weighs no more): a cap keeps slots small.
        slot.folderPos = static_cast<std::uint32_t>(std::min<std::size_t>(*position, kNotAFolder - 1));
        TouchFolder(node);
    }
    m_fresh.push_back(&node);
    return true;
}

bool _DIRECTORY_TREE_INFO::BuildDue(std::uint32_t u32AfterNodes, std::uint32_t u32IntervalMs,
                                    Clock::time_point now) const {
    if (BuildDueWithoutClock(u32AfterNodes, u32IntervalMs)) return true;
    return now - *m_lastBuild >= std::chrono::milliseconds(u32IntervalMs);
}

bool _DIRECTORY_TREE_INFO::BuildDueWithoutClock(std::uint32_t u32AfterNodes, std::uint32_t u32IntervalMs) const {
    return m_s64PendingCount >= static_cast<long long>(u32AfterNodes) || !m_lastBuild || u32IntervalMs == 0;
}

void _DIRECTORY_TREE_INFO::TouchFolder(CFileNode& folder) {
    NodeSlot* pSlot = SlotOf(&folder);
    // A folder past the candidates ChooseParent weighs can change no node's parent.
    if (!pSlot || pSlot->folderPos >= kMaxParentCandidates) return;
    m_changedIDs[folder.GetCurrentNodeID()] |= folder.IsDeleted() != 0;
}

bool _DIRECTORY_TREE_INFO::MarkDeleted(CFileNode& node) {
    if (node.IsDeleted()) return false;
    node.MarkDeleted();
    if (!node.IsDeleted()) return false;
    if (node.IsDirectory()) TouchFolder(node);
    return true;
}

CFileNode* _DIRECTORY_TREE_INFO::FindParent(CFileNode& node) {
    if (node.GetParentNodeID() == m_s64RootID) return m_pRoot.get();
    return ChooseParent(m_records.Folders(node.GetParentNodeID()), node, m_s64TrashID);
}

std::optional<std::string> _DIRECTORY_TREE_INFO::AncestorPath(CFileNode& node, std::size_t maxBytes) {
    std::vector<std::string_view> names;
    std::size_t bytes = 1;
    // Each step adds at least one byte, so the bound also ends a loop of parent ids.
    for (CFileNode* pAt = FindParent(node); pAt != m_pRoot.get(); pAt = FindParent(*pAt)) {
        if (pAt == nullptr) return std::nullopt;
        names.push_back(CFileNode::NameOrEmpty(pAt->GetFileName()));
        bytes += names.back().size() + 1;
        if (bytes > maxBytes) return std::nullopt;
    }
    std::string path = "/";
    for (auto it = names.rbegin(); it != names.rend(); ++it) path.append(*it).push_back('/');
    return path;
}

void _DIRECTORY_TREE_INFO::MarkTrashFolder(CFileNode& folder) {
    MarkDeleted(folder);
    if (m_s64TrashID == 0) m_s64TrashID = folder.GetCurrentNodeID();
}

bool _DIRECTORY_TREE_INFO::IsHanded(CFileNode* pNode) {
    if (pNode == m_pRoot.get()) return true;
    NodeSlot* pSlot = SlotOf(pNode);
    // Beside the owned nodes only the lost-files folders are linked, and only under the root.
    return !pSlot || pSlot->bHanded;
}

bool _DIRECTORY_TREE_INFO::IsEmptyFolder(CFileNode& node) {
    // Only files and folders with a file below them are ever attached, so a folder with any
    // child has a file below it.
    return node.IsDirectory() && !node.GetFirstChild();
}

bool _DIRECTORY_TREE_INFO::IsHiddenLiveFile(CFileNode& node, bool bShowNormalFiles) {
    return !bShowNormalFiles && !node.IsDirectory() && !node.IsDeleted();
}

void _DIRECTORY_TREE_INFO::Wait(CFileNode& node, WaitFor reason) {
    NodeSlot* pSlot = SlotOf(&node);
    if (!pSlot || (pSlot->u8Waiting & reason)) return;
    pSlot->u8Waiting |= reason;
    auto& lists = reason == kParentChange ? m_waitingForParent : m_waitingForDeleted;
    lists[node.GetParentNodeID()].push_back(&node);
}

void _DIRECTORY_TREE_INFO::WakeWaiters(std::vector<CFileNode*>& work) {
    auto wake = [&](std::unordered_map<long long, std::vector<CFileNode*>>& lists, long long s64ID, WaitFor reason) {
        auto it = lists.find(s64ID);
        if (it == lists.end()) return;
        for (CFileNode* pNode : it->second) {
            if (NodeSlot* pSlot = SlotOf(pNode)) pSlot->u8Waiting &= static_cast<std::uint8_t>(~reason);
            work.push_back(pNode);
        }
        lists.erase(it);
    };
    for (auto const& [s64ID, bDeletedFolder] : std::exchange(m_changedIDs, {})) {
        wake(m_waitingForParent, s64ID, kParentChange);
        if (bDeletedFolder) wake(m_waitingForDeleted, s64ID, kDeletedParent);
    }
}

void _DIRECTORY_TREE_INFO::SortByArrival(std::vector<CFileNode*>& nodes) {
    // Nodes most often come in arrival order already (a build takes them as they came, a
    // results file lists folders before what they hold): one look then spares the sort.
    bool bInOrder = true;
    std::size_t last = 0;
    for (std::size_t i = 0; i < nodes.size() && bInOrder; ++i) {
        std::optional<std::size_t> const slot = IndexOf(*nodes[i]);
        bInOrder = slot && (i == 0 || *slot > last);
        if (slot) last = *slot;
    }
    if (bInOrder) return;
    std::vector<std::pair<std::size_t, CFileNode*>> keyed;
    keyed.reserve(nodes.size());
    for (CFileNode* pNode : nodes) {
        keyed.emplace_back(IndexOf(*pNode).value_or(m_slots.size()), pNode);
    }
    std::sort(keyed.begin(), keyed.end());
    keyed.erase(std::unique(keyed.begin(), keyed.end()), keyed.end());
    nodes.clear();
    for (auto const& entry : keyed) nodes.push_back(entry.second);
}

std::vector<IFileNode*> _DIRECTORY_TREE_INFO::ToInterfaces(std::vector<CFileNode*> const& nodes) const {
    return {nodes.begin(), nodes.end()};
}

std::vector<IFileNode*> _DIRECTORY_TREE_INFO::Build(bool bShowNormalFiles, Clock::time_point now) {
    m_s64PendingCount = 0;
    m_lastBuild = now;

    // Only nodes queued since the last build, or whose parent id saw a change, can move:
    // looking again at every waiting node each time would make a long scan quadratic.
    std::vector<CFileNode*> batch;
    for (;;) {
        std::vector<CFileNode*> work = std::exchange(m_fresh, {});
        WakeWaiters(work);
        if (work.empty()) break;
        SortByArrival(work);
        for (CFileNode* pNode : work) {
            NodeSlot* pSlot = SlotOf(pNode);
            if (!pSlot || !pSlot->bPending || pSlot->bHanded || pNode->GetParent()) continue;
            Walk(*pNode, bShowNormalFiles, batch);
        }
    }
    SortByArrival(batch);
    return ToInterfaces(batch);
}

void _DIRECTORY_TREE_INFO::Walk(CFileNode& start, bool bShowNormalFiles, std::vector<CFileNode*>& batch) {
    // Each pass links one parentless node, and links are never undone: the walk ends.
    CFileNode* pNode = &start;
    for (;;) {
        CFileNode* pParent = FindParent(*pNode);
        if (!pParent) return Wait(*pNode, kParentChange);
        if (pParent->IsDeleted() && !pNode->IsDeleted()) MarkDeleted(*pNode);
        if (IsEmptyFolder(*pNode) || IsHiddenLiveFile(*pNode, bShowNormalFiles)) return Wait(*pNode, kDeletedParent);

        bool const bParentHadChildren = pParent->GetFirstChild() != nullptr;
        // Refused for the node itself and for a descendant: a loop of parent ids.
        if (!pParent->AddChild(pNode)) return Wait(*pNode, kParentChange);
        if (!bParentHadChildren && pParent != m_pRoot.get()) TouchFolder(*pParent);

        if (pParent == m_pRoot.get() || pParent->GetParent()) {
            if (IsHanded(pParent)) HandOver(*pNode, batch);
            return;
        }
        pNode = pParent;
    }
}

void _DIRECTORY_TREE_INFO::HandOver(CFileNode& top, std::vector<CFileNode*>& batch) {
    // The whole subtree reaches the root now; none of it was shown before.
    std::vector<CFileNode*> stack{&top};
    while (!stack.empty()) {
        CFileNode* pNode = stack.back();
        stack.pop_back();
        NodeSlot* pSlot = SlotOf(pNode);
        if (!pSlot || pSlot->bHanded) continue;
        pSlot->bHanded = true;
        pSlot->bPending = false;
        batch.push_back(pNode);
        for (IFileNode* pChild = pNode->GetFirstChild(); pChild; pChild = pChild->GetNextNode())
            stack.push_back(AsFileNode(pChild));
    }
}

void _DIRECTORY_TREE_INFO::RequeueParentlessFiles() {
    // Outside restore mode no file is recorded for this (every parentless file is still queued).
    auto const parentlessOwned = [this](CFileNode& file) { return !file.GetParent() && IndexOf(file); };
    for (CFileNode* pFile : m_records.FirstFilesByID(parentlessOwned)) {
        std::size_t const slot = *IndexOf(*pFile);
        if (m_slots[slot].bPending) break;
        if (m_slots.size() >= CFileNode::kNoTreeSlot) break;

        NodeSlot moved = std::move(m_slots[slot]);
        moved.bPending = true;
        pFile->SetTreeSlot(static_cast<std::uint32_t>(m_slots.size()));
        m_slots.push_back(std::move(moved));
        m_fresh.push_back(pFile);
    }
}

void _DIRECTORY_TREE_INFO::MarkDeletedUnderDeletedFolders() {
    // One pass over the queue, then only the children of each folder newly marked: the
    // fixed point of "mark until nothing changes" without a pass per level of a deep chain.
    std::unordered_map<long long, std::vector<CFileNode*>> byParentID;
    std::deque<CFileNode*> queue;
    for (NodeSlot& slot : m_slots) {
        if (!slot.pNode || !slot.bPending || slot.bHanded) continue;
        byParentID[slot.pNode->GetParentNodeID()].push_back(slot.pNode.get());
        queue.push_back(slot.pNode.get());
    }
    while (!queue.empty()) {
        CFileNode* pNode = queue.front();
        queue.pop_front();
        if (pNode->IsDeleted()) continue;
        CFileNode* pParent = FindParent(*pNode);
        if (!pParent || !pParent->IsDeleted() || !MarkDeleted(*pNode)) continue;
        m_fresh.push_back(pNode);  // a file that was hidden while live may now be attached

        NodeSlot* pSlot = SlotOf(pNode);
        if (!pNode->IsDirectory() || !pSlot || pSlot->folderPos >= kMaxParentCandidates) continue;
        auto it = byParentID.find(pNode->GetCurrentNodeID());
        if (it != byParentID.end()) queue.insert(queue.end(), it->second.begin(), it->second.end());
    }
}

std::vector<IFileNode*> _DIRECTORY_TREE_INFO::BuildLostNodes(bool bShowNormalFiles) {
    auto pLost = std::make_unique<CFilesystemNode>(kLostFilesName, kLostFilesVolume, m_eType, kLostFilesID);
    std::vector<CFileNode*> batch;
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        CFileNode* pNode = m_slots[i].pNode.get();
        if (!pNode || !m_slots[i].bPending || m_slots[i].bHanded || pNode->GetParent()) continue;
        if (IsEmptyFolder(*pNode) || IsHiddenLiveFile(*pNode, bShowNormalFiles)) continue;
        if (!pNode->IsDirectory() && pNode->GetFileSize() == 0) continue;
        if (!pLost->AddChild(pNode)) continue;
        // Whatever hangs below the node reaches the root with it and must be shown too: the
        // unshown nodes are released at the end of FlashBuild.
        HandOver(*pNode, batch);
    }
    std::fprintf(stderr, "CDirectoryTreeBuilder BuildLostNodes nodsNotify.size() = %ld.\n",
                 static_cast<long>(batch.size()));
    if (batch.empty()) return {};

    SortByArrival(batch);
    m_pRoot->AddChild(pLost.get());
    batch.push_back(pLost.get());
    m_lostFolders.push_back(std::move(pLost));
    return ToInterfaces(batch);
}

void _DIRECTORY_TREE_INFO::ClearPending() {
    for (NodeSlot& slot : m_slots) {
        slot.bPending = false;
        slot.u8Waiting = 0;
    }
    m_fresh.clear();
    m_waitingForParent.clear();
    m_waitingForDeleted.clear();
    m_changedIDs.clear();
}

bool _DIRECTORY_TREE_INFO::IsLinkedUnderShown(CFileNode& node, std::unordered_map<CFileNode const*, bool>& verdicts) {
    std::vector<CFileNode const*> passed;
    bool bLinked = false;
    for (IFileNode* pAbove = node.GetParent(); pAbove; pAbove = pAbove->GetParent()) {
        CFileNode* pParent = AsFileNode(pAbove);
        if (IsHanded(pParent)) {
            bLinked = true;
            break;
        }
        if (auto it = verdicts.find(pParent); it != verdicts.end()) {
            bLinked = it->second;
            break;
        }
        passed.push_back(pParent);
    }
    for (CFileNode const* pPassed : passed) verdicts[pPassed] = bLinked;
    return bLinked;
}

void _DIRECTORY_TREE_INFO::ReleaseUnshown() {
    // Decide for every node before freeing any: the checks walk parent links. Identity, not
    // the node id, tells shown nodes apart: copies of one id may be shown and unshown.
    std::unordered_map<CFileNode const*, bool> verdicts;
    std::vector<bool> release(m_slots.size(), false);
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        NodeSlot const& slot = m_slots[i];
        if (slot.pNode && !slot.bHanded) release[i] = !IsLinkedUnderShown(*slot.pNode, verdicts);
    }

    int iFilesReleased = 0;
    int iFoldersReleased = 0;
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        if (!release[i]) continue;
        ++(m_slots[i].folderPos == kNotAFolder ? iFilesReleased : iFoldersReleased);
        m_slots[i].pNode.reset();
    }
    std::fprintf(stderr, "CDirectoryTreeBuilder::ReleaseNodeByFilter --- nReleasedCount = %d\n", iFilesReleased);
    std::fprintf(stderr, "CDirectoryTreeBuilder::ReleaseNodeByFilter --- nReleasedCount = %d\n", iFoldersReleased);

    m_records.Clear();
    CompactSlots();
}

void _DIRECTORY_TREE_INFO::CompactSlots() {
    // The kept nodes only move down, each told its new slot.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        if (!m_slots[i].pNode) continue;
        m_slots[i].folderPos = kNotAFolder;  // the records are gone
        if (kept != i) {
            m_slots[kept] = std::move(m_slots[i]);
            m_slots[kept].pNode->SetTreeSlot(static_cast<std::uint32_t>(kept));
        }
        ++kept;
    }
    m_slots.resize(kept);
}

std::vector<CFileNode*> _DIRECTORY_TREE_INFO::OwnedNodes() const {
    std::vector<CFileNode*> nodes;
    nodes.reserve(m_slots.size());
    for (NodeSlot const& slot : m_slots)
        if (slot.pNode) nodes.push_back(slot.pNode.get());
    return nodes;
}
