#include "NodeListing.h"

namespace scanbench {

namespace {

// Shown trees are far shallower; a longer chain is treated as ending there.
constexpr std::size_t kMaxDepth = 4096;

void AppendEscaped(std::string& out, char const* pszName) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (char const* p = pszName ? pszName : ""; *p; ++p) {
        auto const u8Byte = static_cast<unsigned char>(*p);
        if (u8Byte == '\\') {
            out += "\\\\";
        } else if (u8Byte < 0x20 || u8Byte == 0x7F) {
            out += "\\x";
            out += kHex[u8Byte >> 4];
            out += kHex[u8Byte & 0x0F];
        } else {
            out += *p;
        }
    }
}

}  // namespace

std::string Escaped(char const* pszText) {
    std::string out;
    AppendEscaped(out, pszText);
    return out;
}

std::vector<IFileNode*> ChainToTop(IFileNode* pNode) {
    std::vector<IFileNode*> chain;
    for (; pNode && chain.size() < kMaxDepth; pNode = pNode->GetParent()) chain.push_back(pNode);
    return chain;
}

std::string TreePath(IFileNode* pNode) {
    std::vector<IFileNode*> const chain = ChainToTop(pNode);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += '/';
        AppendEscaped(path, (*it)->GetFileName());
    }
    return path;
}

void PrintNodes(std::vector<IFileNode*> const& nodes, bool bDeletedOnly, std::FILE* pOut) {
    for (IFileNode* pNode : nodes) {
        if (!pNode) continue;
        bool const bFolder = pNode->IsDirectory() != 0;
        bool const bDeleted = pNode->IsDeleted() != 0;
        if (bDeletedOnly && !bFolder && !bDeleted) continue;
        std::fprintf(pOut, "node\t%s\t%s%s\t%lld\n", bDeleted ? "deleted" : "live", TreePath(pNode).c_str(),
                     bFolder ? "/" : "", bFolder ? 0LL : pNode->GetFileSize());
    }
}

}  // namespace scanbench
