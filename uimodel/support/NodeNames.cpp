#include "uimodel/support/NodeNames.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "uimodel/support/FileTime.h"

namespace uimodel {

namespace {

char Fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool IsEmpty(char const* pszText) { return !pszText || !*pszText; }

long long UnixTimeByKey(IFileNode* pNode, unsigned u32Key) {
    switch (u32Key) {
        case 2: return convertWindowsTimeToUnixTime(pNode->GetCreationTime());
        case 3: return convertWindowsTimeToUnixTime(pNode->GetModificationTime());
        default: return convertWindowsTimeToUnixTime(pNode->GetLastAccessTime());
    }
}

char const* NameOrEmpty(IFileNode* pNode) {
    char const* pszName = pNode->GetFileName();
    return pszName ? pszName : "";
}

/// The node reached after at most kMaxRootClimb steps up.
IFileNode* Topmost(IFileNode* pNode) {
    for (int i = 0; i < kMaxRootClimb; ++i) {
        IFileNode* pParent = pNode->GetParent();
        if (!pParent) break;
        pNode = pParent;
    }
    return pNode;
}

}  // namespace

bool IsStringInString(char const* pszText, char const* pszName) {
    if (IsEmpty(pszText)) return true;
    if (!pszName) return false;
    std::string_view const text(pszText), name(pszName);
    auto const it = std::search(name.begin(), name.end(), text.begin(), text.end(),
                                [](char a, char b) { return Fold(a) == Fold(b); });
    return it != name.end();
}

bool IsStringInFileNode(char const* pszText, IFileNode* pNode) {
    if (IsEmpty(pszText)) return true;
    if (!pNode) return false;
    if (!pNode->IsDirectory()) return IsStringInString(pszText, pNode->GetFileName());
    // Depth-first over the folder's descendants with an explicit stack of next siblings.
    std::vector<IFileNode*> pending;
    if (IFileNode* pFirst = pNode->GetFirstChild()) pending.push_back(pFirst);
    while (!pending.empty()) {
        IFileNode* pCurrent = pending.back();
        pending.pop_back();
        if (IFileNode* pNext = pCurrent->GetNextNode()) pending.push_back(pNext);
        if (!pCurrent->IsDirectory()) {
            if (IsStringInString(pszText, pCurrent->GetFileName())) return true;
        } else if (IFileNode* pChild = pCurrent->GetFirstChild()) {
            pending.push_back(pChild);
        }
    }
    return false;
}

bool IsStringInFileNodeVector(char const* pszText, std::vector<IFileNode*> const& nodes) {
    if (IsEmpty(pszText)) return true;
    return std::any_of(nodes.begin(), nodes.end(),
                       [pszText](IFileNode* p) { return p && IsStringInString(pszText, p->GetFileName()); });
}

std::vector<std::string> GetPathComponentsByFileNode(IFileNode* pNode) {
    std::vector<std::string> parts;
    if (!pNode) return parts;
    IFileNode* pCurrent = pNode;
    for (int i = 0; i < kMaxRootClimb; ++i) {
        IFileNode* pParent = pCurrent->GetParent();
        if (!pParent) break;
        parts.emplace_back(NameOrEmpty(pCurrent));
        pCurrent = pParent;
    }
    if (!pCurrent->GetParent()) {
        char const* pszVolume = pCurrent->GetVolumeName();
        parts.emplace_back(pszVolume ? pszVolume : "");
    }
    std::reverse(parts.begin(), parts.end());
    return parts;
}

std::string GetPathByFileNode(IFileNode* pNode) {
    std::string path;
    for (std::string const& part : GetPathComponentsByFileNode(pNode)) {
        path += '/';
        path += part;
    }
    return path;
}

IFilesystemNode* GetFileSystemNode(IFileNode* pNode) {
    if (!pNode) return nullptr;
    IFileNode* pTop = Topmost(pNode);
    // A climb cut short by the step bound reached no root.
    return pTop->GetParent() ? nullptr : dynamic_cast<IFilesystemNode*>(pTop);
}

_tagSearcherType GetNodeSearcheType(IFileNode* pNode) {
    IFilesystemNode* pRoot = GetFileSystemNode(pNode);
    return pRoot ? pRoot->GetSearcheType() : SEARCHER_TYPE_NONE;
}

char const* GetFileSystemStrByType(int iSearcherType) {
    switch (iSearcherType) {
        case SEARCHER_TYPE_HFSPLUS: return "HFS+_";
        case SEARCHER_TYPE_FAT: return "Fat_";
        case SEARCHER_TYPE_EXFAT: return "ExFat_";
        case SEARCHER_TYPE_RAW: return "RAW_";
        default: return "";
    }
}

std::string GetNodeExt(IFileNode* pNode) {
    if (!pNode || !pNode->GetFileName()) return {};
    std::string_view const name(pNode->GetFileName());
    auto const dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string ext(name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(), Fold);
    return ext;
}

bool cmpFileNode::operator()(IFileNode* a, IFileNode* b) const {
    if (!a || !b) return a && !b;  // nulls last
    if (m_u32Key >= 2 && m_u32Key <= 4) return UnixTimeByKey(a, m_u32Key) > UnixTimeByKey(b, m_u32Key);
    return std::strcmp(NameOrEmpty(a), NameOrEmpty(b)) > 0;
}

void SortFileNodeVector(std::vector<IFileNode*>& nodes, unsigned u32Key) {
    std::sort(nodes.begin(), nodes.end(), cmpFileNode(u32Key));
}

}  // namespace uimodel
