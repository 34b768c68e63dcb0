#include "uimodel/support/NodeNames.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include "uimodel/support/FileTime.h"

namespace uimodel {

namespace {

// Full Unicode case folding of one code point (ICU's default folding, so "ǅ" and "Ǆ" both
// fold to "ǆ", "ß" to "ss"), appended to `out`. Code points outside Unicode stay as they are.
void AppendFolded(char32_t c, std::u32string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char32_t>(std::tolower(static_cast<int>(c))));
        return;
    }
    if (c > 0x10FFFF) {
        out.push_back(c);
        return;
    }
    UChar source[2];
    int32_t sourceLength = 0;
    UBool bError = false;
    U16_APPEND(source, sourceLength, 2, static_cast<UChar32>(c), bError);
    UChar folded[8];
    UErrorCode status = U_ZERO_ERROR;
    int32_t const foldedLength = u_strFoldCase(folded, 8, source, sourceLength, U_FOLD_CASE_DEFAULT, &status);
    if (bError || U_FAILURE(status) || foldedLength <= 0 || foldedLength > 8) {
        out.push_back(c);
        return;
    }
    for (int32_t i = 0; i < foldedLength;) {
        UChar32 folds = 0;
        U16_NEXT(folded, i, foldedLength, folds);
        out.push_back(static_cast<char32_t>(folds));
    }
}

// The case-folded code points of a UTF-8 text; a byte that starts no valid sequence stands for itself
// (above the Unicode range), so broken names still match byte for byte.
std::u32string CodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto const lead = static_cast<unsigned char>(text[i]);
        std::size_t const length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
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
        AppendFolded(c, out);
        i += length;
    }
    return out;
}

bool IsEmpty(char const* pszText) { return !pszText || !*pszText; }

long long UnixTimeByKey(IFileNode* pNode, unsigned u32Key) {
    switch (u32Key) {
        case 2:
            return convertWindowsTimeToUnixTime(pNode->GetCreationTime());
        case 3:
            return convertWindowsTimeToUnixTime(pNode->GetModificationTime());
        default:
            return convertWindowsTimeToUnixTime(pNode->GetLastAccessTime());
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
    // A search compares one text with every name: the text is folded once per change of text.
    thread_local std::string s_lastText;
    thread_local std::u32string s_lastFolded;
    if (s_lastText != pszText) {
        s_lastText = pszText;
        s_lastFolded = CodePoints(s_lastText);
    }
    std::u32string const& text = s_lastFolded;
    std::u32string const name = CodePoints(pszName);
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
        case SEARCHER_TYPE_HFSPLUS:
            return "HFS+_";
        case SEARCHER_TYPE_FAT:
            return "Fat_";
        case SEARCHER_TYPE_EXFAT:
            return "ExFat_";
        case SEARCHER_TYPE_RAW:
            return "RAW_";
        default:
            return "";
    }
}

std::string GetNodeExt(IFileNode* pNode) {
    if (!pNode || !pNode->GetFileName()) return {};
    std::string_view const name(pNode->GetFileName());
    auto const dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string ext(name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
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
