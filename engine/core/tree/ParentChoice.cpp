#include "engine/core/tree/ParentChoice.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/FileNode.h"
#include "engine/FileTimeTicks.h"

namespace {

bool IsInTrash(CFileNode* pFolder, long long s64TrashID) {
    // Parent links are acyclic (AddChild refuses ancestors), so the walk ends.
    for (IFileNode* pNode = pFolder; pNode; pNode = pNode->GetParent())
        if (pNode->GetCurrentNodeID() == s64TrashID) return true;
    return false;
}

}  // namespace

CFileNode* ChooseParent(std::span<CFileNode* const> candidates, CFileNode& node, long long s64TrashID) {
    if (candidates.empty()) return nullptr;
    candidates = candidates.first(std::min(candidates.size(), kMaxParentCandidates));

    std::uint64_t const u64Accessed = FileTimeTicks(node.GetLastAccessTime());
    CFileNode* pNearest = nullptr;
    CFileNode* pFirstOfPartition = nullptr;  // when no rule below picks one
    std::uint64_t u64NearestDistance = std::numeric_limits<std::uint64_t>::max();
    for (CFileNode* pCandidate : candidates) {
        if (!pCandidate->IsDirectory()) continue;
        // Volumes found on one disk number their folders alike: one of another volume is never
        // the parent, however full it is.
        if (pCandidate->GetBelongedPartition() != node.GetBelongedPartition()) continue;
        if (!pFirstOfPartition) pFirstOfPartition = pCandidate;
        if (pCandidate->GetFirstChild()) return pCandidate;
        if (s64TrashID != 0 && IsInTrash(pCandidate, s64TrashID)) {
            if (!pCandidate->IsDeleted()) return pCandidate;
            continue;
        }
        std::uint64_t const u64Created = FileTimeTicks(pCandidate->GetCreationTime());
        std::uint64_t const u64Distance =
            u64Accessed > u64Created ? u64Accessed - u64Created : u64Created - u64Accessed;
        if (u64Distance < u64NearestDistance) {
            u64NearestDistance = u64Distance;
            pNearest = pCandidate;
        }
    }
    return pNearest ? pNearest : pFirstOfPartition;
}
