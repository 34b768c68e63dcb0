#include "FoundFiles.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "NodeListing.h"
#include "ResultCollector.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileReader.h"
#include "engine/IRecoveryFilter.h"

namespace scanbench {

namespace {

namespace fs = std::filesystem;

bool Counts(IFileNode* pNode, bool bDeletedOnly) {
    return pNode && !pNode->IsDirectory() && (!bDeletedOnly || pNode->IsDeleted());
}

}  // namespace

FoundCounts CountFound(std::vector<IFileNode*> const& nodes, IRecoveryFilter* pFilter, bool bDeletedOnly) {
    FoundCounts counts;
    for (IFileNode* pNode : nodes) {
        if (!pNode) continue;
        if (pNode->IsDirectory()) {
            ++counts.u64Folders;
            continue;
        }
        if (!Counts(pNode, bDeletedOnly)) continue;
        ++counts.u64Files;
        if (pNode->IsDeleted()) ++counts.u64Deleted;
        if (pNode->GetFileSize() > 0) counts.u64Bytes += static_cast<std::uint64_t>(pNode->GetFileSize());
        ++counts.filesByCategory[pFilter->GetNodeFileType(pNode)];
    }
    return counts;
}

std::string COutputPaths::RelativePath(IFileNode* pNode) {
    auto known = m_paths.find(pNode);
    if (known != m_paths.end()) return known->second;
    // Build from the top down so that each folder's name is claimed before its entries'.
    std::vector<IFileNode*> const chain = ChainToTop(pNode);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        auto existing = m_paths.find(*it);
        if (existing != m_paths.end()) {
            path = existing->second;
            continue;
        }
        char const* pszName = (*it)->GetFileName();
        std::string const name = m_names.Claim(path, pszName ? pszName : "");
        path = path.empty() ? name : path + "/" + name;
        m_paths.emplace(*it, path);
    }
    return path;
}

WriteCounts WriteFound(std::vector<IFileNode*> const& nodes, bool bDeletedOnly, CResultCollector& collector,
                       std::string const& outDir, std::FILE* pManifest, std::string const& manifestPrefix) {
    WriteCounts counts;
    if (outDir.empty() && !pManifest) return counts;
    auto const start = std::chrono::steady_clock::now();
    COutputPaths paths;
    for (IFileNode* pNode : nodes) {
        if (!Counts(pNode, bDeletedOnly)) continue;
        std::string const relative = paths.RelativePath(pNode);
        RESULT result = kResultSuccess;
        if (!outDir.empty()) {
            fs::path const target = fs::path(outDir) / relative;
            std::error_code ec;
            fs::create_directories(target.parent_path(), ec);
            IFileNode* pTop = ChainToTop(pNode).back();
            auto* pRoot = dynamic_cast<IFilesystemNode*>(pTop);
            IDataRecovery* pCopyOut = collector.CopyOut(pRoot ? pRoot->GetSearcheType() : pNode->GetSearcheType());
            if (!pCopyOut) {
                result = MakeResult(kModuleCopyOut, 0, kCodeMissingObject);
            } else {
                ReleasePtr<IFileReader> pReader(pCopyOut->SetRecoverNode(pNode));
                result = pCopyOut->RecoverTo(target.c_str(), nullptr, 0);
                // An empty file has no bytes to open a reader on: copy-out leaves the empty
                // file it made and answers "no reader", which for such a file is its copy.
                if (pNode->GetFileSize() == 0 && ResultCode(result) == kCodeNoReader) result = kResultSuccess;
            }
            if (Failed(result)) {
                ++counts.u64Failures;
                std::fprintf(stderr, "scanbench: %s not written (0x%016llx)\n", relative.c_str(),
                             static_cast<unsigned long long>(result));
            } else {
                ++counts.u64Files;
                std::uintmax_t const size = fs::file_size(target, ec);
                if (!ec) counts.u64Bytes += size;
            }
        }
        if (pManifest)
            std::fprintf(pManifest, "%s%s\t%lld\t%d\t0x%llx\n", manifestPrefix.c_str(), relative.c_str(), pNode->GetFileSize(),
                         pNode->IsDeleted() ? 1 : 0, static_cast<unsigned long long>(result));
    }
    counts.dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return counts;
}

}  // namespace scanbench
