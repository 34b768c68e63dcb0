#include "ModelListing.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "ExclusiveCopy.h"
#include "NodeListing.h"
#include "OutputNames.h"
#include "engine/IRecoveryController.h"
#include "engine/ReleasePtr.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/NodeNames.h"

namespace scanbench {

namespace {

void PrintNode(IFileNode* pNode) {
    bool const bFolder = pNode->IsDirectory() != 0;
    std::printf("node\t%s\t%s%s\t%lld\n", pNode->IsDeleted() ? "deleted" : "live",
                Escaped(uimodel::GetPathByFileNode(pNode).c_str()).c_str(), bFolder ? "/" : "", bFolder ? 0LL : pNode->GetFileSize());
}

void PrintMonths(char const* pszKind, uimodel::DateMap const& map) {
    for (auto const& [iYear, months] : map)
        for (auto const& [iMonth, nodes] : months) std::printf("month %s %04d-%02d %zu\n", pszKind, iYear, iMonth, nodes.size());
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
        u64Deleted += static_cast<std::size_t>(std::count_if(files.begin(), files.end(), [](IFileNode* p) { return p->IsDeleted() != 0; }));
    }
    for (IFileNode* pNode : nodes) PrintNode(pNode);
    PrintMonths("ctime", scan.GetCreateTimeMap());
    PrintMonths("mtime", scan.GetModifyTimeMap());

    IRecoveryController const* pController = scan.GetRecoveryController();
    char fields[512];
    std::snprintf(fields, sizeof fields,
                  "status=%d controller=%d deep=%d files=%llu folders=%zu deleted=%zu bytes=%llu roots=%zu pictures=%zu "
                  "music=%zu movies=%zu archives=%zu documents=%zu others=%zu",
                  scan.GetStatus(), pController ? pController->thisType() : uimodel::kNoController, scan.IsDeepScan(),
                  static_cast<unsigned long long>(scan.GetScanFileCnt()), folders.size(), u64Deleted,
                  static_cast<unsigned long long>(scan.GetScanFileSize()), scan.GetFileSystemNode().size(),
                  Count(types, FILTER_TYPE_PICTURE), Count(types, FILTER_TYPE_MUSIC), Count(types, FILTER_TYPE_MOVIE),
                  Count(types, FILTER_TYPE_ARCHIVE), Count(types, FILTER_TYPE_DOCUMENT), Count(types, FILTER_TYPE_OTHER));
    return fields;
}

ModelRecovery RecoverModelFiles(uimodel::QNUIScan& scan, std::string const& directory) {
    ModelRecovery recovery;
    IRecoveryController* pController = scan.GetRecoveryController();
    if (!pController) return recovery;
    std::map<_tagSearcherType, ReleasePtr<IDataRecovery>> byType;  // complete scans: one per searcher type
    COutputNames names;
    for (auto const& [eType, files] : scan.GetTypeMap())
        for (IFileNode* pFile : files) {
            IDataRecovery* pCopyOut = nullptr;
            if (pController->thisType() == RECOVERY_CONTROLLER_DELETED) {
                pCopyOut = scan.GetFileNodeDataRecover(pFile);
            } else {
                _tagSearcherType const eSearcher = uimodel::GetNodeSearcheType(pFile);
                auto& pSlot = byType[eSearcher];
                if (!pSlot) pSlot.reset(pController->GetDataRecovery(eSearcher));
                pCopyOut = pSlot.get();
            }
            std::string const path = uimodel::GetPathByFileNode(pFile);
            std::string const folder = std::filesystem::path(path).parent_path().relative_path().string();
            char const* pszName = pFile->GetFileName();
            auto const claim = [&] { return names.Claim(folder, pszName ? pszName : ""); };
            ExclusiveCopy const copy = pCopyOut ? CopyExclusively(*pCopyOut, pFile, std::filesystem::path(directory) / folder, claim)
                                                : ExclusiveCopy{ENGINE_RESULT(kModuleCopyOut, kCodeMissingObject), path};
            if (Failed(copy.result)) {
                std::fprintf(stderr, "scanbench: could not recover %s (0x%016llx)\n", path.c_str(), static_cast<unsigned long long>(copy.result));
                ++recovery.iFailed;
            } else {
                ++recovery.iRecovered;
            }
        }
    return recovery;
}

}  // namespace scanbench
