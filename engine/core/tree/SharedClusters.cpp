#include "engine/core/tree/SharedClusters.h"

#include <algorithm>
#include <cstdint>

#include "engine/FileNode.h"
#include "engine/IDataRecovery.h"

namespace {

/// Clusters [first, end) of one node's data, in its file system's units.
struct Claim {
    unsigned short u16Partition = 0;
    std::uint64_t u64First = 0;
    std::uint64_t u64End = 0;
    std::size_t node = 0;  // index into the claimants
};

struct Claimant {
    CFileNode* pNode = nullptr;
    std::uint64_t u64Written = 0;
    long long s64FirstRun = 0;
    enum class Verdict { kNone, kInDoubt, kOverwritten } eVerdict = Verdict::kNone;
};

/// Whose claims count: deleted files with clusters, not already refused for a reason that makes
/// their runs meaningless. One refused as overwritten by a live file still took its clusters
/// when it was written, so it still weighs against older ones.
bool Claims(CFileNode& node) {
    if (node.IsDirectory() != 0 || node.IsDeleted() == 0 || node.GetFileSize() <= 0) return false;
    IDataRunList* pRuns = node.GetDataRunList();
    if (pRuns == nullptr || pRuns->IsResident()) return false;
    std::uint32_t const u32Code = node.GetCopyRefusal();
    return u32Code == 0 || u32Code == kCodeOverwritten || IsCopyNote(u32Code);
}

/// The node's claims: its runs, whole (the clusters a file was given are its own, whatever its
/// size uses of the last); holes claim nothing.
void AddClaims(Claimant const& claimant, std::size_t index, std::vector<Claim>& claims) {
    IDataRunList* pRuns = claimant.pNode->GetDataRunList();
    for (DataRun const* pRun = pRuns->GetFirst(); pRun != nullptr; pRun = pRuns->GetNext()) {
        if (pRun->s64Length <= 0) break;
        if (pRun->s64Start < 0) continue;
        auto const u64First = static_cast<std::uint64_t>(pRun->s64Start);
        std::uint64_t const u64Length = static_cast<std::uint64_t>(pRun->s64Length);
        std::uint64_t const u64End = u64First + std::min(u64Length, UINT64_MAX - u64First);
        claims.push_back({claimant.pNode->GetBelongedPartition(), u64First, u64End, index});
    }
}

/// The same file reached twice (its entry read twice) claims nothing against itself. That is one
/// entry's slot on the device, where both nodes know theirs: two deleted FAT entries of other
/// folders read alike once their first letters are gone. Where a node does not know its slot,
/// two files of one size, cluster and time but other names are two files (one time tick).
bool SameEntry(Claimant const& a, Claimant const& b) {
    if (a.s64FirstRun != b.s64FirstRun || a.pNode->GetFileSize() != b.pNode->GetFileSize() ||
        a.u64Written != b.u64Written)
        return false;
    std::uint64_t const u64SlotA = a.pNode->GetEntryPosition();
    std::uint64_t const u64SlotB = b.pNode->GetEntryPosition();
    if (u64SlotA != 0 && u64SlotB != 0) return u64SlotA == u64SlotB;
    return CFileNode::NameOrEmpty(a.pNode->GetFileName()) == CFileNode::NameOrEmpty(b.pNode->GetFileName());
}

void Weigh(Claimant& a, Claimant& b) {
    if (SameEntry(a, b)) return;
    auto const doubt = [](Claimant& c) {
        if (c.eVerdict == Claimant::Verdict::kNone) c.eVerdict = Claimant::Verdict::kInDoubt;
    };
    if (a.u64Written == 0 || b.u64Written == 0 || a.u64Written == b.u64Written) {
        doubt(a);
        doubt(b);
    } else {
        (a.u64Written < b.u64Written ? a : b).eVerdict = Claimant::Verdict::kOverwritten;
    }
}

}  // namespace

void SettleSharedClusters(std::vector<CFileNode*> const& nodes) {
    std::vector<Claimant> claimants;
    std::vector<Claim> claims;
    for (CFileNode* pNode : nodes) {
        if (pNode == nullptr || !Claims(*pNode)) continue;
        DataRun const* pFirst = pNode->GetDataRunList()->GetFirst();
        claimants.push_back({pNode, pNode->GetWrittenTime(), pFirst ? pFirst->s64Start : -1});
        AddClaims(claimants.back(), claimants.size() - 1, claims);
    }
    std::sort(claims.begin(), claims.end(), [](Claim const& a, Claim const& b) {
        return a.u16Partition != b.u16Partition ? a.u16Partition < b.u16Partition : a.u64First < b.u64First;
    });
    // One sweep in cluster order: each claim is weighed against those still open where it starts.
    std::vector<Claim const*> open;
    for (Claim const& claim : claims) {
        std::erase_if(open, [&](Claim const* pOpen) {
            return pOpen->u16Partition != claim.u16Partition || pOpen->u64End <= claim.u64First;
        });
        if (open.size() >= kMaxWeighedClaims) {
            claimants[claim.node].eVerdict = std::max(claimants[claim.node].eVerdict, Claimant::Verdict::kInDoubt);
            for (Claim const* pOpen : open)
                claimants[pOpen->node].eVerdict =
                    std::max(claimants[pOpen->node].eVerdict, Claimant::Verdict::kInDoubt);
            continue;
        }
        for (Claim const* pOpen : open)
            if (pOpen->node != claim.node) Weigh(claimants[pOpen->node], claimants[claim.node]);
        open.push_back(&claim);
    }
    for (Claimant const& claimant : claimants) {
        std::uint32_t const u32Code = claimant.pNode->GetCopyRefusal();
        if (claimant.eVerdict == Claimant::Verdict::kOverwritten && (u32Code == 0 || IsCopyNote(u32Code)))
            claimant.pNode->SetCopyRefusal(kCodeOverwritten);
        else if (claimant.eVerdict == Claimant::Verdict::kInDoubt && (u32Code == 0 || u32Code == kCodeChainLost))
            claimant.pNode->SetCopyRefusal(kCodePossiblyOverwritten);
    }
}
