#include "FoundFiles.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "ExclusiveCopy.h"
#include "NodeListing.h"
#include "ResultCollector.h"
#include "engine/IDataRecovery.h"
#include "engine/IRecoveryFilter.h"

namespace scanbench {

namespace {

namespace fs = std::filesystem;

bool Counts(IFileNode* pNode, bool bDeletedOnly) {
    return pNode && !pNode->IsDirectory() && (!bDeletedOnly || pNode->IsDeleted());
}

/// Copies one file through the copy-out object of its tree's searcher type.
ExclusiveCopy WriteOne(CResultCollector& collector, IFileNode* pNode, fs::path const& folder,
                       std::function<std::string()> const& claimName) {
    auto* pRoot = dynamic_cast<IFilesystemNode*>(ChainToTop(pNode).back());
    IDataRecovery* pCopyOut = collector.CopyOut(pRoot ? pRoot->GetSearcheType() : pNode->GetSearcheType());
    if (!pCopyOut) return {MakeResult(kModuleCopyOut, 0, kCodeMissingObject), claimName()};
    return CopyExclusively(*pCopyOut, pNode, folder, claimName);
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

std::string COutputPaths::FolderOf(IFileNode* pNode) {
    // From the top down, so that each folder's name is claimed before its entries'.
    std::vector<IFileNode*> const chain = ChainToTop(pNode);
    std::string path;
    for (auto it = chain.rbegin(); it + 1 < chain.rend(); ++it) {
        auto const known = m_folders.find(*it);
        if (known != m_folders.end()) {
            path = known->second;
            continue;
        }
        std::string const name = ClaimName(path, *it);
        path = path.empty() ? name : path + "/" + name;
        m_folders.emplace(*it, path);
    }
    return path;
}

std::string COutputPaths::ClaimName(std::string const& folder, IFileNode* pNode) {
    char const* pszName = pNode->GetFileName();
    return m_names.Claim(folder, pszName ? pszName : "");
}

WriteCounts WriteFound(std::vector<IFileNode*> const& nodes, bool bDeletedOnly, CResultCollector& collector,
                       std::string const& outDir, std::FILE* pManifest, std::string const& manifestPrefix) {
    WriteCounts counts;
    if (outDir.empty() && !pManifest) return counts;
    auto const start = std::chrono::steady_clock::now();
    COutputPaths paths;
    for (IFileNode* pNode : nodes) {
        if (!Counts(pNode, bDeletedOnly)) continue;
        std::string const folder = paths.FolderOf(pNode);
        auto const claim = [&] { return paths.ClaimName(folder, pNode); };
        ExclusiveCopy const copy =
            outDir.empty() ? ExclusiveCopy{kResultSuccess, claim()} : WriteOne(collector, pNode, fs::path(outDir) / folder, claim);
        std::string const relative = folder.empty() ? copy.name : folder + "/" + copy.name;
        RESULT const result = copy.result;
        if (!outDir.empty() && Failed(result)) {
            ++counts.u64Failures;
            std::fprintf(stderr, "scanbench: %s%s not written (0x%016llx)\n", manifestPrefix.c_str(), relative.c_str(),
                         static_cast<unsigned long long>(result));
        } else if (!outDir.empty()) {
            ++counts.u64Files;
            std::error_code ec;
            std::uintmax_t const size = fs::file_size(fs::path(outDir) / relative, ec);
            if (!ec) counts.u64Bytes += size;
        }
        if (pManifest) {
            char const* pszReason = CopyRefusalWord(result);
            std::fprintf(pManifest, "%s%s\t%lld\t%d\t0x%llx%s%s\n", manifestPrefix.c_str(), relative.c_str(), pNode->GetFileSize(),
                         pNode->IsDeleted() ? 1 : 0, static_cast<unsigned long long>(result), pszReason ? "\t" : "",
                         pszReason ? pszReason : "");
        }
    }
    counts.dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return counts;
}

}  // namespace scanbench
