#pragma once
// Every node a tree has taken, by node id: folders and files apart, as parents are only ever
// looked up among folders. Also decides whether a node is a second copy of a recorded entry.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

class CFileNode;

/// The nodes that share one node id (the same entry found more than once), in recording order.
struct _PARENT_INFO {
    std::vector<CFileNode*> nodes;  // not owned
    long long s64ID = -1;
};

class CNodeRecords {
public:
    /// The node a tree keeps in a slot: recorded nodes are found again by their tree slot.
    using NodeAtSlot = std::function<CFileNode&(std::uint32_t u32Slot)>;

    /// In restore mode every node is recorded: a results file holds no second copies. Outside
    /// it, a recorded node keeps its slot (and stays in it) until Clear.
    CNodeRecords(bool bRestore, NodeAtSlot nodeAt) : m_bRestore(bRestore), m_nodeAt(std::move(nodeAt)) {}

    /// A folder's position among the folders of its id (a file's: 0 for the first of its id, 1
    /// for any later one); nothing when it is a second
    /// copy of a recorded entry and is refused (the recorded copy may first take over its runs).
    std::optional<std::size_t> Record(CFileNode& node);
    /// The folders recorded under an id, in recording order.
    std::span<CFileNode* const> Folders(long long s64ID) const;
    /// The first file recorded under each id that `keep` accepts, in id order; in restore mode
    /// only (none otherwise).
    std::vector<CFileNode*> FirstFilesByID(std::function<bool(CFileNode&)> const& keep) const;
    void Clear();

private:
    /// Two nodes are copies of one entry (CFileNode::operator==) exactly when their keys match.
    struct DuplicateKey {
        long long s64ID;
        long long s64ParentID;
        std::uint32_t u32Kind;  // the partition index, plus kFolderKind for a folder
        std::string_view name;  // the node's own: a key lives no longer than the call making it
        bool operator==(DuplicateKey const&) const = default;
    };
    static std::size_t HashOf(DuplicateKey const& key);
    /// The first node recorded with a key, by the key's hash: one flat table of node pointers
    /// probed in place, as every node a scan files is looked up here. A recorded node's key
    /// (and its hash, when the table grows) is made again from the node: nothing renames or
    /// renumbers a node once it is taken.
    /// The first node recorded with the node's key; the node itself when it is the first.
    CFileNode& FirstCopyOf(CFileNode& node);
    static constexpr std::uint32_t kFolderKind = 0x10000;  // above every partition index

    static DuplicateKey KeyOf(CFileNode& node);
    /// Whether the recorded node's key is `key`, the cheap fields first.
    static bool HasKey(CFileNode& recorded, DuplicateKey const& key);
    /// Doubles a table (at least 64 entries; a zero entry is free), placing each by `hashOf`.
    template <class Entry, class Hasher>
    static void Grow(std::vector<Entry>& table, Hasher const& hashOf);
    /// The recorded node takes over the copy's runs and size.
    static void MergeNode(CFileNode& recorded, CFileNode& copy);

    /// Of the files of one id only the first is ever looked up, and only once, when the tree is
    /// built: a file is appended with its id (in the order recorded, never read in between),
    /// and the first of each id is picked then. A results file lists its nodes by id, so the
    /// list is most often in order already and is not sorted at all.
    void RecordFile(CFileNode& file);
    bool m_bRestore;
    NodeAtSlot m_nodeAt;
    std::unordered_map<long long, _PARENT_INFO> m_folders;
    struct RecordedFile {
        long long s64ID;
        CFileNode* pNode;  // not owned
    };
    std::vector<RecordedFile> m_files;
    bool m_bFilesInOrder = true;  // ids never fell so far
    // The first node recorded with each key, as its tree slot plus one: any later node with
    // that key is its copy. Four bytes an entry, as every node a scan files has one. A power of
    // two in size, at most half full; zero entries are free.
    std::vector<std::uint32_t> m_firstCopies;
    std::size_t m_firstCopyCount = 0;
};
