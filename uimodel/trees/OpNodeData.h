#pragma once
// One row of a result tree: an engine node (a file-system root or a folder of the path tree) or
// a folder that exists only in the view (a category, an extension, a year, a month: a "fade"
// node). Children are rows (owned) or engine nodes (the scan's, not owned); parents are plain
// pointers. Check states pass down to the children and up through fade parents.
#include <cstddef>
#include <ctime>
#include <deque>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "engine/IFileNode.h"

namespace uimodel {

/// The record a row is made from: folder flag, deleted flag, file-system flag, node. Only the
/// file-system flag and the node reach the row; the two others are carried.
struct __TreeNodeData__ {
    int iFolder = 0;
    int iDeleted = 0;
    int iFileSystem = 0;
    IFileNode* pNode = nullptr;
};

/// The tree a row belongs to: also the scan's view type.
enum TreeViewType : int {
    VIEW_PATH = 0,
    VIEW_FILE_TYPE = 1,
    VIEW_CREATION_DATE = 2,
    VIEW_MODIFICATION_DATE = 3,
    VIEW_ACCESS_DATE = 4,
};

class OpNodeData {
public:
    using Child = std::variant<std::unique_ptr<OpNodeData>, IFileNode*>;
    /// A deque: a folder of a million files grows without copying them all at each doubling,
    /// so that appending costs the same late in a scan as early.
    using ChildList = std::deque<Child>;

    /// initWithNodeData: state 0, not expandable, both times now, no parent.
    explicit OpNodeData(__TreeNodeData__ const& data);
    /// initWithFileNode: a plain node row.
    explicit OpNodeData(IFileNode* pNode);
    /// A fade folder of a view (`type` not 0), named, expandable or not.
    static std::unique_ptr<OpNodeData> MakeFolder(int iType, std::string name, bool bExpandable);
    OpNodeData(OpNodeData const&) = delete;
    OpNodeData& operator=(OpNodeData const&) = delete;
    /// Frees the subtree without recursion: a path tree may nest 100,000 folders.
    ~OpNodeData() { FreeChildren(); }

    // Children.
    ChildList const& children() const { return m_children; }
    std::size_t childCount() const { return m_children.size(); }
    /// The row at `index`; null for a node child or an index past the end.
    OpNodeData* childItem(std::size_t index) const;
    /// The node at `index`; null for a row child or an index past the end.
    IFileNode* childNode(std::size_t index) const;
    /// Appends (addChildObject); a row gets this item as its parent. Answers the row.
    OpNodeData* addChildObject(std::unique_ptr<OpNodeData> pChild);
    void addChildObject(IFileNode* pNode);
    /// Inserts a row at `index` (appends past the end).
    OpNodeData* insertChildObject(std::size_t index, std::unique_ptr<OpNodeData> pChild);
    /// Frees every child row (free).
    void clearChildren();

    /// The shown files at any depth below the row (a group's "(N)"), kept as children are added,
    /// inserted and cleared, so that reading it costs nothing however large the group.
    std::size_t filesBelow() const { return m_filesBelow; }
    /// Sets the count from a recount of the files below (which a search may have hidden since
    /// they were added); the rows above move by the difference.
    void setFilesBelow(std::size_t files);
    /// A file a row counts: a node that is no folder and that no search hid.
    static bool isShownFile(IFileNode* pNode);

    OpNodeData* parent() const { return m_pParent; }
    /// Only the pointer: a row's files count towards the rows it was added or inserted under.
    void setParent(OpNodeData* pParent) { m_pParent = pParent; }
    IFileNode* fileNode() const { return m_pNode; }
    int isFileSystem() const { return m_iFileSystem; }
    int type() const { return m_iType; }
    void setType(int iType) { m_iType = iType; }
    bool isExpandAble() const { return m_bExpandable; }
    void setExpandAble(bool bExpandable) { m_bExpandable = bExpandable; }
    std::time_t createtime() const { return m_createTime; }
    void setCreateTime(std::time_t t) { m_createTime = t; }
    std::time_t modifytime() const { return m_modifyTime; }
    void setModifyTime(std::time_t t) { m_modifyTime = t; }
    void setFadeName(std::string name) { m_fadeName = std::move(name); }

    /// A view-only folder: `type` not 0 and no node.
    bool isFadeNode() const { return m_iType != VIEW_PATH && !m_pNode; }
    bool isDirect() const;
    long long size() const;
    std::string name() const;
    std::string path() const;
    std::string createTime() const;
    std::string modifyTime() const;
    std::string lastAccessTime() const;
    unsigned long long createTimeValue() const;
    unsigned long long modifyTimeValue() const;
    bool isDeleted() const;
    bool IsShow() const;
    void SetShow(int iShow);
    /// The node's check state for a node row, else the row's own.
    int state() const;
    /// Sets the row's own state only: nothing below or above it changes.
    void setOwnState(int iState) { m_iState = iState; }
    /// Checks (2) or unchecks (0) the row, its subtree and, through fade parents, its ancestors.
    void setNodeState(int iState);
    bool isHasFolderChildren() const;
    /// The icon kind: 0 file-system root, 1 other node row, 2-7 category folders (pictures to
    /// others; extension folders count as others), 8 date root, 9 year or month, 10 any other.
    int nodeType() const;

    // Boxed-node helpers; a null node gives false, 0 or "".
    static bool isFileNodeDirect(IFileNode* pNode);
    static bool isFileNodeDeleted(IFileNode* pNode);
    static int fileNodeState(IFileNode* pNode);
    /// Only 0 and 2: the engine refuses any other state.
    static void setFileNode(IFileNode* pNode, int iState);
    static std::string fileNodeName(IFileNode* pNode);

private:
    OpNodeData(int iType, IFileNode* pNode, int iFileSystem);
    /// Frees the children without touching the counts above: the destructor's, whose parent
    /// may already be gone.
    void FreeChildren();
    /// Moves the count of this row and of every row above it by `delta`.
    void AddFilesBelow(std::ptrdiff_t delta);
    void setParentNodeState(int iState);
    void SetChildrenNodeState(int iState);
    /// The state the children give a fade parent: 0 none checked, 2 all, else 1.
    int StateFromChildren() const;

    int m_iType = VIEW_PATH;
    int m_iFileSystem = 0;
    IFileNode* m_pNode = nullptr;
    int m_iState = 0;
    bool m_bExpandable = false;
    std::time_t m_createTime = 0;
    std::time_t m_modifyTime = 0;
    std::string m_fadeName;
    OpNodeData* m_pParent = nullptr;
    ChildList m_children;
    std::size_t m_filesBelow = 0;
};

}  // namespace uimodel
