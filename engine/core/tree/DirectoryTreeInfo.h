#pragma once
// One searcher's tree while it grows: the nodes it owns, which of them wait for a parent,
// and the walk that hangs them under their parents and finds what can be handed to the sink.
//
// Nodes come from file systems read off damaged media and are hostile: ids repeat, parent ids
// loop, chains run hundreds of thousands deep. Every walk here is a loop, and every build
// looks only at nodes that something has changed for, so a scan stays linear.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/ReleasePtr.h"
#include "engine/Types.h"
#include "engine/core/tree/FilesystemNode.h"
#include "engine/core/tree/NodeRecords.h"

class IFileNode;

class _DIRECTORY_TREE_INFO {
public:
    using Clock = std::chrono::steady_clock;

    _DIRECTORY_TREE_INFO(std::string rootName, std::string volumeName, _tagSearcherType eType, long long s64RootID,
                         bool bRestore);

    _tagSearcherType Type() const { return m_eType; }
    /// The volume (partition index of its nodes) the tree shows; none until its first node.
    std::optional<std::uint16_t> Partition() const { return m_partition; }
    void SetPartition(std::uint16_t u16Partition) { m_partition = u16Partition; }
    CFilesystemNode* Root() const { return m_pRoot.get(); }
    void SetRootID(long long s64RootID);
    /// Whether the node is this tree's root or a node the tree owns.
    bool Holds(CFileNode const* pNode) const;

    /// Records and queues a node counted by CountAdded; false when it is refused as a copy of
    /// a recorded entry (then not taken). Taken nodes are owned by the tree.
    bool Take(CFileNode& node);
    /// Hangs the queued nodes and those whose parent changed under their parents; returns the
    /// nodes newly connected to the root, in arrival order. They count as shown from now on.
    std::vector<IFileNode*> Build(bool bShowNormalFiles, Clock::time_point now);
    /// Whether nodes were queued, or parent ids changed, since the last build.
    bool HasWaitingWork() const { return !m_fresh.empty() || !m_changedIDs.empty(); }
    /// Whether enough nodes queued up, or enough time passed, for an unforced build.
    bool BuildDue(std::uint32_t u32AfterNodes, std::uint32_t u32IntervalMs, Clock::time_point now) const;
    /// Whether a build is due without a look at the clock: enough nodes queued up, no build yet,
    /// or no interval at all.
    bool BuildDueWithoutClock(std::uint32_t u32AfterNodes, std::uint32_t u32IntervalMs) const;
    long long PendingCount() const { return m_s64PendingCount; }

    /// Files left without a parent by an earlier build are queued again, in id order.
    void RequeueParentlessFiles();
    /// Marks deleted every queued live node whose parent is deleted, down whole chains.
    void MarkDeletedUnderDeletedFolders();
    /// Hangs every parentless queued node that is worth showing under a new "Other lost files"
    /// folder under the root; returns them with their subtrees and, last, the folder; empty
    /// (and no folder) when there is none.
    std::vector<IFileNode*> BuildLostNodes(bool bShowNormalFiles);
    /// Every node the tree owns now, in arrival order.
    std::vector<CFileNode*> OwnedNodes() const;
    /// Nothing is queued any more; recorded nodes stay recorded.
    void ClearPending();
    /// Releases every node neither shown nor linked under a shown node, and forgets the records.
    void ReleaseUnshown();

    void CountAdded() {
        ++m_s64AddedCount;
        ++m_s64PendingCount;
    }
    long long AddedCount() const { return m_s64AddedCount; }
    void CountShown(std::size_t count) { m_s64ShownCount += static_cast<long long>(count); }
    long long ShownCount() const { return m_s64ShownCount; }
    bool IsRootShown() const { return m_bRootShown; }
    void SetRootShown() { m_bRootShown = true; }
    /// Finished by a FlashBuild: a later one (a file's scan adding trees of the type) leaves it
    /// as it stands unless new nodes came.
    bool IsFinished() const { return m_bFinished; }
    void SetFinished() { m_bFinished = true; }
    /// The volume's trash folder, whose live copies win as parents; 0 for none.
    long long TrashID() const { return m_s64TrashID; }
    void SetTrashID(long long s64TrashID) { m_s64TrashID = s64TrashID; }
    long long RootID() const { return m_s64RootID; }
    /// The folders recorded under an id, in recording order.
    std::span<CFileNode* const> FoldersWithID(long long s64ID) const { return m_records.Folders(s64ID); }
    /// "/" and then the name of each ancestor from the root down, each followed by "/"; nothing
    /// when the chain of recorded parents does not reach the root within `maxBytes`.
    std::optional<std::string> AncestorPath(CFileNode& node, std::size_t maxBytes);
    /// Marks a recorded folder deleted, and all below it with it; the first becomes the trash id.
    void MarkTrashFolder(CFileNode& folder);

private:
    /// A node the tree owns, in arrival order; a node queued again moves to a new slot.
    struct NodeSlot {
        ReleasePtr<CFileNode> pNode;            // null once moved or released
        std::uint32_t folderPos = kNotAFolder;  // position among the folders of its id (capped)
        bool bPending = false;                  // queued, not yet handed over
        bool bHanded = false;                   // handed to the sink: owned until the builder goes
        std::uint8_t u8Waiting = 0;             // WaitFor bits of the lists it is in
    };
    /// Why a node stopped short of the root, and so which change can move it on.
    enum WaitFor : std::uint8_t {
        kParentChange = 1,   // no parent yet, or the chosen one refused it
        kDeletedParent = 2,  // an empty folder or a hidden live file: only a deleted parent matters
    };
    static constexpr std::uint32_t kNotAFolder = UINT32_MAX;

    /// The node's slot when this tree owns it.
    std::optional<std::size_t> IndexOf(CFileNode const& node) const;
    NodeSlot* SlotOf(CFileNode const* pNode);
    CFileNode* FindParent(CFileNode& node);
    bool IsHanded(CFileNode* pNode);
    void Walk(CFileNode& start, bool bShowNormalFiles, std::vector<CFileNode*>& batch);
    void Wait(CFileNode& node, WaitFor reason);
    /// Moves the nodes waiting on changed parent ids into `work`.
    void WakeWaiters(std::vector<CFileNode*>& work);
    /// Notes a change to a folder that nodes naming its id as parent may choose.
    void TouchFolder(CFileNode& folder);
    /// True when the node was live and is now deleted.
    bool MarkDeleted(CFileNode& node);
    void HandOver(CFileNode& top, std::vector<CFileNode*>& batch);
    void SortByArrival(std::vector<CFileNode*>& nodes);
    std::vector<IFileNode*> ToInterfaces(std::vector<CFileNode*> const& nodes) const;
    /// Whether a parent link leads from the node to a shown node or the root; `verdicts`
    /// remembers each node passed so that the whole check stays linear.
    bool IsLinkedUnderShown(CFileNode& node, std::unordered_map<CFileNode const*, bool>& verdicts);
    void CompactSlots();

    static bool IsEmptyFolder(CFileNode& node);
    static bool IsHiddenLiveFile(CFileNode& node, bool bShowNormalFiles);

    // Owned nodes are released before the lost-files folders and those before the root.
    std::unique_ptr<CFilesystemNode> m_pRoot;
    std::vector<std::unique_ptr<CFilesystemNode>> m_lostFolders;
    std::vector<NodeSlot> m_slots;

    CNodeRecords m_records;
    std::vector<CFileNode*> m_fresh;                                             // queued since the last build
    std::unordered_map<long long, std::vector<CFileNode*>> m_waitingForParent;   // by parent id
    std::unordered_map<long long, std::vector<CFileNode*>> m_waitingForDeleted;  // by parent id
    std::unordered_map<long long, bool> m_changedIDs;  // parent ids changed; true: a deleted folder

    _tagSearcherType m_eType;
    std::optional<std::uint16_t> m_partition;
    long long m_s64RootID;
    long long m_s64TrashID = 0;  // 0: no trash folder known
    long long m_s64PendingCount = 0;
    long long m_s64ShownCount = 0;
    long long m_s64AddedCount = 0;
    std::optional<Clock::time_point> m_lastBuild;
    bool m_bRootShown = false;
    bool m_bFinished = false;
};
