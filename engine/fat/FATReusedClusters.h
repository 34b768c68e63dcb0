#pragma once
// Deleted files read past clusters that others hold now. Erasing a file frees its chain, so a
// deleted file is read along the free clusters from its first one on, passing over the clusters
// the table gives to others, as a writer filling the holes between older files left it. Where a
// file written after it took some of those clusters instead (the writer's next-free hint lay
// past its start), the clusters passed over were its own, and read past them it would take the
// next file's bytes. So each cluster passed over is weighed by when its holder took it: a live
// file written before the deleted one held it already; one created after the deleted one was
// last written took it since (the file is overwritten); a folder's cluster was taken no later
// than the oldest entry it holds; anything else leaves the file in doubt.
#include <cstdint>
#include <functional>
#include <vector>

class CFATFileNode;
class IDataRunList;

class CFATReusedClusters {
public:
    /// When a file took its clusters: from its creation to its last write (FILETIME ticks, 0
    /// where unknown).
    struct Written {
        std::uint64_t u64First = 0;
        std::uint64_t u64Last = 0;
    };
    /// The span of a creation and a modification time, either of them 0 when unknown.
    static Written WrittenBetween(std::uint64_t u64Creation, std::uint64_t u64Modification);

    /// The runs (clusters counted from cluster 2) of a live file whose chain the table gives.
    void AddLiveFile(IDataRunList& runs, Written written);
    /// A deleted file handed to the tree builder, which holds it until the tree is flushed.
    void AddDeletedFile(CFATFileNode* pNode);
    /// The oldest time of an entry in a folder's cluster, for a cluster the walk read as one;
    /// none (0) for any other.
    using FolderTime = std::function<std::uint64_t(std::uint32_t)>;
    /// Refuses as overwritten (or notes as possibly overwritten) the deleted files whose clusters
    /// passed over were not another's before they were written. Run once every folder was read.
    void Judge(FolderTime const& folderTime);

private:
    struct Held {
        std::uint64_t u64First = 0;  // clusters
        std::uint64_t u64End = 0;
        Written written;
    };
    enum class Verdict { kOwn, kInDoubt, kOverwritten };
    /// How the clusters [u64First, u64End) a deleted file written in `file` passed over stand.
    /// Each holder and loose cluster weighed takes one of `u64Looks`; none left, it is in doubt.
    Verdict JudgeGap(std::uint64_t u64First, std::uint64_t u64End, Written file, FolderTime const& folderTime,
                     std::uint64_t& u64Looks) const;
    Verdict JudgeNode(CFATFileNode& node, FolderTime const& folderTime) const;

    std::vector<Held> m_held;  // sorted by first cluster once Judge runs
    std::vector<CFATFileNode*> m_deleted;
};
