#include "ModelListing.h"

#include <algorithm>
#include <cstdio>

#include "NodeListing.h"
#include "engine/IRecoveryController.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/NodeNames.h"

namespace scanbench {

namespace {

void PrintNode(IFileNode* pNode) {
    bool const bFolder = pNode->IsDirectory() != 0;
    std::printf("node\t%s\t%s%s\t%lld\n", pNode->IsDeleted() ? "deleted" : "live",
                Escaped(uimodel::GetPathByFileNode(pNode).c_str()).c_str(), bFolder ? "/" : "",
                bFolder ? 0LL : pNode->GetFileSize());
}

void PrintMonths(char const* pszKind, uimodel::DateMap const& map) {
    for (auto const& [iYear, months] : map)
        for (auto const& [iMonth, nodes] : months)
            std::printf("month %s %04d-%02d %zu\n", pszKind, iYear, iMonth, nodes.size());
}

std::size_t Count(uimodel::TypeMap const& types, _FILTER_TYPE eType) {
    auto const found = types.find(eType);
    return found == types.end() ? 0 : found->second.size();
}

}  // namespace

std::string PrintModelListing(uimodel::QNUIScan& scan) {
    // Folders and files, as the quick mode lists them (the roots only counted).
    uimodel::NodeList const folders = scan.GetFolderList();
    std::vector<IFileNode*> nodes = folders;
    uimodel::TypeMap const types = scan.GetTypeMap();
    std::size_t u64Deleted = 0;
    for (auto const& [eType, files] : types) {
        nodes.insert(nodes.end(), files.begin(), files.end());
        u64Deleted += static_cast<std::size_t>(
            std::count_if(files.begin(), files.end(), [](IFileNode* p) { return p->IsDeleted() != 0; }));
    }
    for (IFileNode* pNode : nodes) PrintNode(pNode);
    PrintMonths("ctime", scan.GetCreateTimeMap());
    PrintMonths("mtime", scan.GetModifyTimeMap());

    IRecoveryController const* pController = scan.GetRecoveryController();
    char fields[512];
    std::snprintf(
        fields, sizeof fields,
        "status=%d controller=%d deep=%d files=%llu folders=%zu deleted=%zu bytes=%llu roots=%zu pictures=%zu "
        "music=%zu movies=%zu archives=%zu documents=%zu others=%zu",
        scan.GetStatus(), pController ? pController->thisType() : uimodel::kNoController, scan.IsDeepScan(),
        static_cast<unsigned long long>(scan.GetScanFileCnt()), folders.size(), u64Deleted,
        static_cast<unsigned long long>(scan.GetScanFileSize()), scan.GetFileSystemNode().size(),
        Count(types, FILTER_TYPE_PICTURE), Count(types, FILTER_TYPE_MUSIC), Count(types, FILTER_TYPE_MOVIE),
        Count(types, FILTER_TYPE_ARCHIVE), Count(types, FILTER_TYPE_DOCUMENT), Count(types, FILTER_TYPE_OTHER));
    return fields;
}

}  // namespace scanbench
