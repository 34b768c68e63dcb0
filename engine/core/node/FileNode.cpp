#include "engine/FileNode.h"

#include <algorithm>
#include <vector>

#include "engine/FileTimeTicks.h"

// Every walk below is a loop: corrupt metadata can chain hundreds of thousands of folders,
// and the scan worker's stack is small.

namespace {
constexpr int kCheckShift = 0;
constexpr int kShownShift = 4;
constexpr int kPartitionShift = 8;
constexpr int kSectorShift = 24;
constexpr std::uint64_t kNibbleMask = 0xF;
constexpr std::uint64_t kPartitionMask = 0xFFFF;
constexpr std::uint64_t kLowFieldsMask = (std::uint64_t{1} << kSectorShift) - 1;

/// The signed 4-bit field at `shift`.
int SignedNibble(std::uint64_t u64Word, int shift) {
    return static_cast<int>(static_cast<std::int64_t>(u64Word << (60 - shift)) >> 60);
}

std::uint64_t WithNibble(std::uint64_t u64Word, int shift, int iValue) {
    return (u64Word & ~(kNibbleMask << shift)) | ((static_cast<std::uint64_t>(iValue) & kNibbleMask) << shift);
}

/// Adds a signed change to a counter kept unsigned, never wrapping.
std::uint32_t AddClamped(std::uint32_t u32Value, int iDelta) {
    std::int64_t s64Sum = static_cast<std::int64_t>(u32Value) + iDelta;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(s64Sum, 0, UINT32_MAX));
}
}  // namespace

CFileNode::CFileNode(CFileNode const& other)
    : IFilesystemNode(other),
      m_u32CopyRefusal(other.m_u32CopyRefusal),
      m_s64NodeID(other.m_s64NodeID),
      m_s64ParentNodeID(other.m_s64ParentNodeID),
      m_u64State(other.m_u64State),
      m_bCompressed(other.m_bCompressed) {
    m_runs.CopyRuns(other.m_runs);
    m_bHasRuns = other.m_bHasRuns;
}

void CFileNode::SetDataRunList(ReleasePtr<IDataRunList> pList) {
    m_bHasRuns = pList != nullptr;
    if (!pList) {
        CDataRunList none;
        m_runs.TakeRuns(none);
        return;
    }
    if (auto* pOwn = dynamic_cast<CDataRunList*>(pList.get())) {
        m_runs.TakeRuns(*pOwn);
        return;
    }
    // Another kind of list: its runs as it gives them.
    CDataRunList copy;
    copy.SetResident(static_cast<std::uint32_t>(pList->IsResident()));
    for (DataRun const* pRun = pList->GetFirst(); pRun != nullptr; pRun = pList->GetNext()) copy.AddDataRun(pRun);
    m_runs.TakeRuns(copy);
}

void CFileNode::TakeRunsOf(CDataRunList& runs) {
    m_runs.TakeRuns(runs);
    m_bHasRuns = true;
}

ReleasePtr<IDataRunList> CFileNode::TakeDataRunList() {
    if (!m_bHasRuns) return nullptr;
    m_bHasRuns = false;
    ReleasePtr<CDataRunList> pList(new CDataRunList());
    pList->TakeRuns(m_runs);
    return pList;
}

int CFileNode::ShownBits() const { return SignedNibble(m_u64State, kShownShift); }

void CFileNode::SetShownBits(int iShow) { m_u64State = WithNibble(m_u64State, kShownShift, iShow); }

void CFileNode::SetCheckBits(int iState) { m_u64State = WithNibble(m_u64State, kCheckShift, iState); }

int CFileNode::IsNodeShow() const { return ShownBits(); }

void CFileNode::ShowNode(int iShow) {
    int const iNew = iShow != 0 ? 1 : 0;
    int const iOld = ShownBits() != 0 ? 1 : 0;
    SetShownBits(iNew);
    if (iNew == iOld) return;

    // A folder is shown while it has a shown child; a change that flips a folder goes on up.
    int iDelta = iNew != 0 ? 1 : -1;
    for (CFileNode* pFolder = m_pParent; pFolder; pFolder = pFolder->m_pParent) {
        pFolder->m_u32ChildCount = AddClamped(pFolder->m_u32ChildCount, iDelta);
        int const iFolderNew = pFolder->m_u32ChildCount != 0 ? 1 : 0;
        int const iFolderOld = pFolder->ShownBits() != 0 ? 1 : 0;
        if (iFolderNew == iFolderOld) break;
        pFolder->SetShownBits(iFolderNew);
        iDelta = iFolderNew != 0 ? 1 : -1;
    }
}

_tagCheckedStatus CFileNode::GetCheckedStatus() {
    return static_cast<_tagCheckedStatus>(SignedNibble(m_u64State, kCheckShift));
}

void CFileNode::SetCheck(_tagCheckedStatus eStatus) {
    int const iState = static_cast<int>(eStatus);
    // Mixed only ever follows from the children.
    if (iState != CHECKED_STATUS_UNCHECKED && iState != CHECKED_STATUS_CHECKED) return;
    if (ShownBits() == 0) return;

    int const iOld = GetCheckedStatus();
    if (m_pParent && iState != iOld) m_pParent->PropagateCheckUp(iState - iOld);
    if (m_pFirstChild) PropagateCheckDown(iState);
    SetCheckBits(iState);
    ResetWeight(iState);
}

void CFileNode::ResetWeight(int iState) {
    std::uint64_t const u64Weight = std::uint64_t{m_u32ChildCount} * static_cast<std::uint64_t>(iState);
    m_u32CheckedWeight = static_cast<std::uint32_t>(std::min<std::uint64_t>(u64Weight, UINT32_MAX));
}

void CFileNode::PropagateCheckUp(int iDelta) {
    for (CFileNode* pFolder = this; pFolder && iDelta != 0; pFolder = pFolder->m_pParent) {
        pFolder->m_u32CheckedWeight = AddClamped(pFolder->m_u32CheckedWeight, iDelta);
        std::uint64_t const u64Full = std::uint64_t{pFolder->m_u32ChildCount} * CHECKED_STATUS_CHECKED;
        int iNew = CHECKED_STATUS_MIXED;
        if (pFolder->m_u32CheckedWeight == 0)
            iNew = CHECKED_STATUS_UNCHECKED;
        else if (pFolder->m_u32CheckedWeight == u64Full)
            iNew = CHECKED_STATUS_CHECKED;
        iDelta = iNew - pFolder->GetCheckedStatus();
        pFolder->SetCheckBits(iNew);
    }
}

void CFileNode::PropagateCheckDown(int iState) {
    // Depth-first with an explicit stack; it holds at most one pending sibling per level.
    std::vector<CFileNode*> pending{m_pFirstChild};
    while (!pending.empty()) {
        CFileNode* pNode = pending.back();
        pending.pop_back();
        // A hidden node keeps its own state; its descendants are still visited.
        if (pNode->ShownBits() != 0) pNode->SetCheckBits(iState);
        pNode->ResetWeight(iState);
        if (pNode->m_pNextNode) pending.push_back(pNode->m_pNextNode);
        if (pNode->m_pFirstChild) pending.push_back(pNode->m_pFirstChild);
    }
}

bool CFileNode::IsAncestor(CFileNode const* pNode) const {
    // Only AddChild sets parent links, and it always leaves a first child behind: a node
    // without children is nobody's ancestor. This keeps building a deep chain linear.
    if (!pNode->m_pFirstChild) return false;
    for (CFileNode const* pAbove = m_pParent; pAbove; pAbove = pAbove->m_pParent)
        if (pAbove == pNode) return true;
    return false;
}

int CFileNode::AddChild(IFileNode* pNode) {
    auto* pChild = dynamic_cast<CFileNode*>(pNode);
    // A second parent would leave the node in two child lists; an ancestor would make a loop.
    if (!pChild || pChild == this || pChild->m_pParent || IsAncestor(pChild)) return 0;

    // The count holds shown children only, as ShowNode and SetCheck expect.
    if (pChild->ShownBits() != 0) ++m_u32ChildCount;
    pChild->m_pParent = this;
    pChild->m_pNextNode = m_pFirstChild;
    m_pFirstChild = pChild;
    return 1;
}

int CFileNode::AddNext(IFileNode* pNode) {
    auto* pNew = dynamic_cast<CFileNode*>(pNode);
    if (!pNew || pNew == this) return 0;

    // Each node's former successor goes behind the node just linked after it, alternating
    // between the two chains until one ends.
    CFileNode* pFront = this;
    CFileNode* pBehind = pNew;
    while (pBehind) {
        CFileNode* pFormer = pFront->m_pNextNode;
        pFront->m_pNextNode = pBehind;
        pFront = pBehind;
        pBehind = pFormer;
    }
    return 1;
}

void CFileNode::SetMetaDataSector(long long s64Sector) {
    m_u64State = (m_u64State & kLowFieldsMask) | (static_cast<std::uint64_t>(s64Sector) << kSectorShift);
}

long long CFileNode::GetMetadataStartPosition() const { return static_cast<std::int64_t>(m_u64State) >> kSectorShift; }

unsigned short CFileNode::GetBelongedPartition() const {
    return static_cast<unsigned short>((m_u64State >> kPartitionShift) & kPartitionMask);
}

void CFileNode::SetBelongedPartition(unsigned short u16Partition) {
    m_u64State = (m_u64State & ~(kPartitionMask << kPartitionShift)) |
                 (static_cast<std::uint64_t>(u16Partition) << kPartitionShift);
}

bool CFileNode::operator==(CFileNode const& other) const {
    if (m_s64NodeID != other.m_s64NodeID || m_s64ParentNodeID != other.m_s64ParentNodeID) return false;
    // The interface's getters are not const; reading them changes nothing.
    auto& self = const_cast<CFileNode&>(*this);
    auto& rhs = const_cast<CFileNode&>(other);
    bool const bOtherFolder = rhs.IsDirectory() != 0;
    if ((self.IsDirectory() != 0) != bOtherFolder) return false;
    if (NameOrEmpty(self.GetFileName()) != NameOrEmpty(rhs.GetFileName())) return false;
    return bOtherFolder || GetBelongedPartition() == other.GetBelongedPartition();
}

std::uint64_t CFileNode::GetWrittenTime() {
    return std::max(FileTimeTicks(GetCreationTime()), FileTimeTicks(GetModificationTime()));
}
