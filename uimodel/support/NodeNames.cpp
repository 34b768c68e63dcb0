#include "uimodel/support/NodeNames.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "uimodel/support/FileTime.h"

namespace uimodel {

namespace {

// Simple case folding of one code point: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic
// capitals to their small letters, which covers the names cameras and people give files.
char32_t Fold(char32_t c) {
    if (c < 0x80) return static_cast<char32_t>(std::tolower(static_cast<int>(c)));
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c == 0x178) return 0xFF;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    return c;
}

// The code points of a UTF-8 text; a byte that starts no valid sequence stands for itself
// (above the Unicode range), so broken names still match byte for byte.
std::u32string CodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto const lead = static_cast<unsigned char>(text[i]);
        std::size_t const length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            auto const next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            out.push_back(0x110000 + lead);
            ++i;
            continue;
        }
        out.push_back(Fold(c));
        i += length;
    }
    return out;
}

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
    std::u32string const text = CodePoints(pszText), name = CodePoints(pszName);
    return name.find(text) != std::u32string::npos;
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
