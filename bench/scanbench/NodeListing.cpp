#include "NodeListing.h"

namespace scanbench {

namespace {
// Shown trees are far shallower; a longer chain is treated as ending there.
constexpr std::size_t kMaxDepth = 4096;
}  // namespace

std::string TreePath(IFileNode* pNode) {
    std::string path;
    for (std::size_t depth = 0; pNode && depth < kMaxDepth; pNode = pNode->GetParent(), ++depth) {
        char const* pszName = pNode->GetFileName();
        path = "/" + std::string(pszName ? pszName : "") + path;
    }
    return path;
}

void PrintNodes(std::vector<IFileNode*> const& nodes, bool bDeletedOnly, std::FILE* pOut) {
    for (IFileNode* pNode : nodes) {
        if (!pNode) continue;
        bool const bFolder = pNode->IsDirectory() != 0;
        bool const bDeleted = pNode->IsDeleted() != 0;
        if (bDeletedOnly && !bFolder && !bDeleted) continue;
        std::fprintf(pOut, "node\t%s\t%s%s\t%lld\n", bDeleted ? "deleted" : "live", TreePath(pNode).c_str(), bFolder ? "/" : "",
                     bFolder ? 0LL : pNode->GetFileSize());
    }
}

}  // namespace scanbench
