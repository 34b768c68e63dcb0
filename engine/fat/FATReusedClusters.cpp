#include "engine/fat/FATReusedClusters.h"

#include <algorithm>

#include "engine/IDataRecovery.h"
#include "engine/IDataRunList.h"
#include "engine/fat/FATFileNode.h"

namespace {

/// The holders and loose clusters weighed for one deleted file at most; past them it is in
/// doubt, so that crafted sizes spanning a whole volume of files cost no more.
constexpr std::uint64_t kMaxLooksPerFile = 4096;

}  // namespace

CFATReusedClusters::Written CFATReusedClusters::WrittenBetween(std::uint64_t u64Creation,
                                                               std::uint64_t u64Modification) {
    return {u64Creation != 0 ? u64Creation : u64Modification, std::max(u64Creation, u64Modification)};
}

void CFATReusedClusters::AddLiveFile(IDataRunList& runs, Written written) {
    for (DataRun const* pRun = runs.GetFirst(); pRun != nullptr; pRun = runs.GetNext()) {
        if (pRun->s64Start < 0 || pRun->s64Length <= 0) continue;
        auto const u64First = static_cast<std::uint64_t>(pRun->s64Start) + 2;
        m_held.push_back({u64First, u64First + static_cast<std::uint64_t>(pRun->s64Length), written});
    }
}

void CFATReusedClusters::AddDeletedFile(CFATFileNode* pNode) {
    if (pNode != nullptr) m_deleted.push_back(pNode);
}

void CFATReusedClusters::Judge(FolderTime const& folderTime) {
    std::sort(m_held.begin(), m_held.end(), [](Held const& a, Held const& b) { return a.u64First < b.u64First; });
    for (CFATFileNode* pNode : m_deleted) {
        if (pNode->GetCopyRefusal() != 0) continue;
        Verdict const eVerdict = JudgeNode(*pNode, folderTime);
        if (eVerdict == Verdict::kOverwritten)
            pNode->SetCopyRefusal(kCodeOverwritten);
        else if (eVerdict == Verdict::kInDoubt)
            pNode->SetCopyRefusal(kCodePossiblyOverwritten);
    }
    m_deleted.clear();
}

CFATReusedClusters::Verdict CFATReusedClusters::JudgeNode(CFATFileNode& node, FolderTime const& folderTime) const {
    CFATFileProperties* pProperties = node.GetFileProperties();
    IDataRunList* pRuns = node.GetDataRunList();
    if (pProperties == nullptr || pRuns == nullptr || pRuns->IsResident()) return Verdict::kOwn;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> runs;  // first cluster, count
    std::uint64_t u64Clusters = 0;
    for (DataRun const* pRun = pRuns->GetFirst(); pRun != nullptr; pRun = pRuns->GetNext()) {
        if (pRun->s64Start < 0 || pRun->s64Length <= 0) return Verdict::kOwn;
        runs.emplace_back(static_cast<std::uint64_t>(pRun->s64Start) + 2, static_cast<std::uint64_t>(pRun->s64Length));
        u64Clusters += runs.back().second;
    }
    if (runs.size() < 2) return Verdict::kOwn;
    // Read as one piece, the file would end here: what it passes over before is in question.
    std::uint64_t const u64SpanEnd = runs.front().first + u64Clusters;
    Written const file = WrittenBetween(pProperties->GetCreationTime(), pProperties->GetModificationTime());
    Verdict eVerdict = Verdict::kOwn;
    std::uint64_t u64Looks = kMaxLooksPerFile;
    std::uint64_t u64Reached = runs.front().first + runs.front().second;
    for (std::size_t k = 1; k < runs.size() && u64Reached < u64SpanEnd; ++k) {
        std::uint64_t const u64GapEnd = std::min(runs[k].first, u64SpanEnd);
        if (u64Reached < u64GapEnd)
            eVerdict = std::max(eVerdict, JudgeGap(u64Reached, u64GapEnd, file, folderTime, u64Looks));
        if (eVerdict == Verdict::kOverwritten) break;
        u64Reached = std::max(u64Reached, runs[k].first + runs[k].second);
    }
    return eVerdict;
}

CFATReusedClusters::Verdict CFATReusedClusters::JudgeGap(std::uint64_t u64First, std::uint64_t u64End, Written file,
                                                         FolderTime const& folderTime, std::uint64_t& u64Looks) const {
    auto const before = [&file](std::uint64_t u64Time) {
        return u64Time != 0 && file.u64First != 0 && u64Time < file.u64First;
    };
    Verdict eVerdict = Verdict::kOwn;
    for (std::uint64_t u64At = u64First; u64At < u64End && eVerdict != Verdict::kOverwritten;) {
        if (u64Looks == 0) return std::max(eVerdict, Verdict::kInDoubt);
        --u64Looks;
        auto after =
            std::upper_bound(m_held.begin(), m_held.end(), u64At,
                             [](std::uint64_t u64Cluster, Held const& held) { return u64Cluster < held.u64First; });
        if (after != m_held.begin() && std::prev(after)->u64End > u64At) {
            Held const& held = *std::prev(after);
            if (held.written.u64First != 0 && file.u64Last != 0 && held.written.u64First > file.u64Last)
                eVerdict = Verdict::kOverwritten;
            else if (!before(held.written.u64Last))
                eVerdict = Verdict::kInDoubt;
            u64At = held.u64End;
            continue;
        }
        // No live file holds it: a folder's cluster, or one no entry read names.
        std::uint64_t const u64Next = after == m_held.end() ? u64End : std::min(u64End, after->u64First);
        for (; u64At < u64Next; ++u64At) {
            if (u64Looks == 0 || u64At > UINT32_MAX || !before(folderTime(static_cast<std::uint32_t>(u64At)))) {
                eVerdict = std::max(eVerdict, Verdict::kInDoubt);
                u64At = u64Next;
                break;
            }
            --u64Looks;
        }
    }
    return eVerdict;
}
