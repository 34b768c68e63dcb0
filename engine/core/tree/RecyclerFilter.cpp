#include "engine/core/tree/RecyclerFilter.h"

#include <algorithm>
#include <cctype>

#include "engine/FileNode.h"

namespace {

constexpr std::string_view kBinNames[] = {"Recycler", "Recycled", "$Recycle.Bin", "$RECYCLE.BI0"};
/// NTFS's own "$R..." names; a name found inside this text is one of them, not a data file.
constexpr std::string_view kSystemNames = "$RmMetadata$Reparse$Repair";
/// Bins sit near the root; the bound only stops a looping chain of parents.
constexpr int kMaxAncestors = 4096;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool HasMarker(std::string_view name, char cKind) {
    return name.size() >= 2 && (name[0] == '$' || name[0] == '#') && name[1] == cKind;
}

std::string_view NameOf(CFileNode* pNode) { return CFileNode::NameOrEmpty(pNode->GetFileName()); }

}  // namespace

bool CRecyclerFilter::IsBinFolderName(std::string_view name) {
    return std::any_of(std::begin(kBinNames), std::end(kBinNames),
                       [name](std::string_view bin) { return EqualsIgnoringCase(name, bin); });
}

bool CRecyclerFilter::IsIndexName(std::string_view name) { return HasMarker(name, 'I'); }

bool CRecyclerFilter::IsDataName(std::string_view name) {
    return HasMarker(name, 'R') && kSystemNames.find(name) == std::string_view::npos;
}

bool CRecyclerFilter::IsRecycleBinSigleNode(CFileNode* pNode) {
    return pNode && pNode->IsDirectory() && IsBinFolderName(NameOf(pNode));
}

bool CRecyclerFilter::IsRecycleBin(CFileNode* pNode) {
    int iSteps = 0;
    for (IFileNode* pAt = pNode; pAt && iSteps < kMaxAncestors; pAt = pAt->GetParent(), ++iSteps)
        if (IsRecycleBinSigleNode(dynamic_cast<CFileNode*>(pAt))) return true;
    return false;
}

bool CRecyclerFilter::IsRecoverNode(CFileNode* pNode) { return pNode && IsIndexName(NameOf(pNode)); }

bool CRecyclerFilter::IsRecoverNodeEx(CFileNode* pNode) { return pNode && IsDataName(NameOf(pNode)); }
