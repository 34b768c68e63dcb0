#pragma once
// The common base of every result-tree node: tree links, the shown and check states, the
// node's location, and its run list. File systems supply the name, size, times and flags.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/DataRunList.h"
#include "engine/IDataRunList.h"
#include "engine/IFileNode.h"
#include "engine/ReleasePtr.h"

/// A tree link the scan's thread writes while the main thread walks the tree: stored with
/// release, read with acquire, so a reader that sees a node also sees the node's own values.
template <class T>
class PublishedLink {
public:
    PublishedLink() = default;
    PublishedLink(PublishedLink const&) = delete;
    PublishedLink& operator=(PublishedLink const& other) { return *this = other.Get(); }
    PublishedLink& operator=(T* p) {
        m_p.store(p, std::memory_order_release);
        return *this;
    }
    T* Get() const { return m_p.load(std::memory_order_acquire); }
    operator T*() const { return Get(); }
    T* operator->() const { return Get(); }

private:
    std::atomic<T*> m_p{nullptr};
};

class CFileNode : public IFilesystemNode {
public:
    static constexpr std::uint16_t kNoPartition = 0xFFFF;
    /// Check unchecked, shown, no partition, metadata sector -1.
    static constexpr std::uint64_t kNewStateWord = 0xFFFFFFFFFFFFFF10ull;

    CFileNode() = default;
    CFileNode& operator=(CFileNode const&) = delete;
    /// Does not free the children: whoever built the tree owns every node in it.
    ~CFileNode() override = default;

    int IsNodeShow() const override;
    void ShowNode(int iShow) override;
    long long GetCurrentNodeID() const override { return m_s64NodeID; }
    long long GetParentNodeID() const override { return m_s64ParentNodeID; }
    IFileNode* GetParent() const override { return m_pParent; }
    IFileNode* GetFirstChild() override { return m_pFirstChild; }
    IFileNode* GetNextNode() override { return m_pNextNode; }
    _tagCheckedStatus GetCheckedStatus() override;
    void SetCheck(_tagCheckedStatus eStatus) override;
    _tagSearcherType GetSearcheType() const override { return SEARCHER_TYPE_NONE; }
    char const* GetVolumeName() const override { return nullptr; }
    /// Renames the node through its file system's own name store, before it enters a tree (the
    /// recycle-bin handling gives files back their original names); false where the node's
    /// file system cannot rename.
    virtual bool RenameFound(std::string const& /*name*/) { return false; }
    /// Refuses (0) null, foreign nodes, this node, a node that already has a parent, and any
    /// ancestor of this node. The node goes to the head of the child list.
    int AddChild(IFileNode* pNode) override;
    /// Refuses (0) null, foreign nodes and this node. A sibling chain already behind this node
    /// is woven behind the new node.
    int AddNext(IFileNode* pNode) override;
    void Release() override { delete this; }
    IFileReader* CreateCompressFileReader(void*) override { return nullptr; }
    int IsCompressed() const override { return m_bCompressed ? 1 : 0; }
    /// Keeps the check, shown and partition fields; sectors outside 40 signed bits are cut.
    void SetMetaDataSector(long long s64Sector) override;
    void UpdateFileSize(long long) override {}
    void UpdateNodeInfo() override {}
    /// Whether the name is the "." or ".." a folder lists for itself and its parent: no file.
    static bool IsSelfOrParentName(std::string_view name) { return name == "." || name == ".."; }
    /// Names may be null; every comparison and filter treats null as empty.
    static std::string_view NameOrEmpty(char const* pszName) { return pszName ? pszName : std::string_view(); }

    /// Same entry: ids, folder flag and name equal, and the partition too unless `other` is a folder.
    bool operator==(CFileNode const& other) const;

    /// Bytes of the data ever written (NTFS's initialised size): those past it read as zeros
    /// and no cluster is read for them. None when every byte up to the size holds data.
    virtual std::optional<long long> GetInitializedSize() const { return std::nullopt; }
    /// When the file's data was last written, in 100-ns ticks since 1601; 0 when unknown. The
    /// later of its creation and modification times: a copy keeps its source's modification
    /// time but is created when written. Tells which of two deleted files claiming one cluster
    /// took it last.
    virtual std::uint64_t GetWrittenTime();
    /// Why the node's data cannot be copied, found while its file system was read (its
    /// clusters belong to other files now, ...); kCopyAllowed when nothing stands against it.
    std::uint32_t GetCopyRefusal() const { return m_u32CopyRefusal; }
    /// Where the node's own entry lies on its device (the byte of its directory entry): one
    /// entry reached twice has one, two entries alike in all else have two. 0 when unknown.
    virtual std::uint64_t GetEntryPosition() { return 0; }
    void SetCopyRefusal(std::uint32_t u32Code) { m_u32CopyRefusal = u32Code; }

    /// The node's runs, kept inside the node; null when it has none. The node owns the list.
    IDataRunList* GetDataRunList() const { return m_bHasRuns ? &m_runs : nullptr; }
    /// Takes the list's runs in place of those held (null: none) and releases the list.
    void SetDataRunList(ReleasePtr<IDataRunList> pList);
    /// Takes `runs`' runs and flag as the node's list, leaving `runs` empty: a list built in
    /// place, with no list object of its own to make and release.
    void TakeRunsOf(CDataRunList& runs);
    /// Hands the runs over in a list of their own, leaving the node without one.
    ReleasePtr<IDataRunList> TakeDataRunList();
    unsigned short GetBelongedPartition() const;
    void SetBelongedPartition(unsigned short u16Partition);
    long long GetMetadataStartPosition() const;
    void SetNodeID(long long s64NodeID) { m_s64NodeID = s64NodeID; }
    void SetParentNodeID(long long s64ParentNodeID) { m_s64ParentNodeID = s64ParentNodeID; }
    void SetCompressed(std::uint32_t u32Compressed) { m_bCompressed = u32Compressed != 0; }
    /// Children added and currently shown.
    std::uint32_t GetChildCount() const { return m_u32ChildCount; }
    /// Where the tree that took the node keeps it; kNoTreeSlot until one does, and in copies.
    /// Only that tree reads it, and checks its own store before believing it.
    static constexpr std::uint32_t kNoTreeSlot = UINT32_MAX;
    std::uint32_t GetTreeSlot() const { return m_u32TreeSlot; }
    void SetTreeSlot(std::uint32_t u32Slot) { m_u32TreeSlot = u32Slot; }

protected:
    /// For Clone: copies the node's own values and clones the run list; the copy is a lone
    /// node (no parent, children or siblings).
    CFileNode(CFileNode const& other);

private:
    int ShownBits() const;
    void SetShownBits(int iShow);
    void SetCheckBits(int iState);
    bool IsAncestor(CFileNode const* pNode) const;
    /// Adds the change of a child's check state to this node's weight and passes the
    /// resulting change of this node's own state on up the tree.
    void PropagateCheckUp(int iDelta);
    void PropagateCheckDown(int iState);
    void ResetWeight(int iState);

    PublishedLink<CFileNode> m_pFirstChild;  // not owned
    PublishedLink<CFileNode> m_pNextNode;    // not owned
    std::uint32_t m_u32ChildCount = 0;
    std::uint32_t m_u32CopyRefusal = 0;  // a copy-out code; 0 when the copy may go ahead
    mutable CDataRunList m_runs;         // its cursor moves under const readers, as a held list's did
    long long m_s64NodeID = -1;
    long long m_s64ParentNodeID = -1;
    // bits 0-3 check state (signed), 4-7 shown (signed), 8-23 partition index,
    // 24-63 metadata sector (signed)
    std::uint64_t m_u64State = kNewStateWord;
    PublishedLink<CFileNode> m_pParent;  // not owned
    std::uint32_t m_u32CheckedWeight = 0;
    std::uint32_t m_u32TreeSlot = kNoTreeSlot;
    bool m_bCompressed = false;
    bool m_bHasRuns = false;
};
