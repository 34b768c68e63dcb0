#pragma once
// Which folder may take a cluster that its walk reaches only by guessing, where no table links a
// folder's clusters (CFATBuildChildren goes on past a folder's last cluster read). Folders grown
// in turns interleave their clusters, and the walk of each goes on into the other's: nothing in
// such a cluster tells whose it is. So every walk first runs without making nodes and claims the
// clusters it would guess; a cluster one walk claims is that folder's, one that several walks
// reach is none's, nor is any cluster a walk reaches after it. Their entries come back among the
// lost files, never under another folder.
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

class CFATGuessedClusters {
public:
    /// Notes that the walk of the folder starting at `u32Folder` reaches `u32Cluster`. False when
    /// another walk reached it first: the cluster is shared, and so is every cluster this walk
    /// claims after it. Walks run one after another.
    bool Claim(std::uint32_t u32Folder, std::uint32_t u32Cluster);
    /// Once every walk ran: a walk keeps its clusters up to the first one shared, not past it.
    void Settle();
    /// Whether the folder starting at `u32Folder` may take `u32Cluster` (after Settle).
    bool Owns(std::uint32_t u32Folder, std::uint32_t u32Cluster) const;
    /// The clusters claimed that no folder may take, in rising order (after Settle).
    std::vector<std::uint32_t> Unowned() const;

private:
    static constexpr std::uint32_t kShared = 0xFFFFFFFF;  // no folder starts there

    std::unordered_map<std::uint32_t, std::uint32_t> m_owner;       // cluster -> folder, or kShared
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_claims;  // (folder, cluster), as claimed
};
