#include "engine/fat/FATGuessedClusters.h"

#include <algorithm>

bool CFATGuessedClusters::Claim(std::uint32_t u32Folder, std::uint32_t u32Cluster) {
    auto const [it, bNew] = m_owner.emplace(u32Cluster, u32Folder);
    if (bNew) {
        m_claims.emplace_back(u32Folder, u32Cluster);
        return true;
    }
    if (it->second == u32Folder) return true;
    it->second = kShared;
    // The walk's later claims are cut from here on as well.
    m_claims.emplace_back(u32Folder, u32Cluster);
    return false;
}

void CFATGuessedClusters::Settle() {
    // A walk's claims stand together, in the order it made them.
    std::uint32_t u32Walk = kShared;
    bool bCut = false;
    for (auto const& [u32Folder, u32Cluster] : m_claims) {
        if (u32Folder != u32Walk) {
            u32Walk = u32Folder;
            bCut = false;
        }
        std::uint32_t& u32Owner = m_owner[u32Cluster];
        bCut = bCut || u32Owner == kShared;
        if (bCut) u32Owner = kShared;
    }
    m_claims.clear();
}

bool CFATGuessedClusters::Owns(std::uint32_t u32Folder, std::uint32_t u32Cluster) const {
    auto const it = m_owner.find(u32Cluster);
    return it != m_owner.end() && it->second == u32Folder;
}

std::vector<std::uint32_t> CFATGuessedClusters::Unowned() const {
    std::vector<std::uint32_t> unowned;
    for (auto const& [u32Cluster, u32Owner] : m_owner)
        if (u32Owner == kShared) unowned.push_back(u32Cluster);
    std::sort(unowned.begin(), unowned.end());
    return unowned;
}
