#include "FoundFiles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>

#include "ExclusiveCopy.h"
#include "NodeListing.h"
#include "OutputFolder.h"
#include "ResultCollector.h"
#include "engine/IDataRecovery.h"
#include "engine/IRecoveryFilter.h"

namespace scanbench {

namespace {

bool Counts(IFileNode* pNode, bool bDeletedOnly) {
    return pNode && !pNode->IsDirectory() && (!bDeletedOnly || pNode->IsDeleted());
}

/// Copies one file through the copy-out object of its tree's searcher type.
ExclusiveCopy WriteOne(CResultCollector& collector, IFileNode* pNode, int folderFd,
                       std::function<std::string()> const& claimName) {
    auto* pRoot = dynamic_cast<IFilesystemNode*>(ChainToTop(pNode).back());
    IDataRecovery* pCopyOut = collector.CopyOut(pRoot ? pRoot->GetSearcheType() : pNode->GetSearcheType());
    if (!pCopyOut) return {MakeResult(kModuleCopyOut, 0, kCodeMissingObject), claimName(), {}};
    return CopyExclusively(*pCopyOut, pNode, folderFd, claimName);
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
                       COutputFolder* pOut, std::string const& base, std::FILE* pManifest,
                       std::string const& manifestPrefix) {
    WriteCounts counts;
    if (!pOut && !pManifest) return counts;
    auto const start = std::chrono::steady_clock::now();
    COutputPaths paths;
    for (IFileNode* pNode : nodes) {
        if (!Counts(pNode, bDeletedOnly)) continue;
        std::string const folder = paths.FolderOf(pNode);
        auto const claim = [&] { return paths.ClaimName(folder, pNode); };
        int const folderFd =
            pOut ? pOut->Folder(base.empty() || folder.empty() ? base + folder : base + "/" + folder) : -1;
        ExclusiveCopy const copy =
            pOut ? WriteOne(collector, pNode, folderFd, claim) : ExclusiveCopy{kResultSuccess, claim(), {}};
        std::string const relative = folder.empty() ? copy.name : folder + "/" + copy.name;
        RESULT const result = copy.result;
        if (pOut && Failed(result)) {
            ++counts.u64Failures;
            std::fprintf(stderr, "scanbench: %s%s not written (0x%016llx%s%s)\n", manifestPrefix.c_str(),
                         relative.c_str(), static_cast<unsigned long long>(result), copy.note.empty() ? "" : ", in ",
                         copy.note.c_str());
        }
        struct stat info {};
        bool const bWritten =
            pOut && Succeeded(result) && ::fstatat(folderFd, copy.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
        if (bWritten && IsRecoveredCopy(result)) {  // a copy in doubt is written, counted apart
            ++counts.u64Files;
            counts.u64Bytes += static_cast<std::uint64_t>(info.st_size);
        } else if (bWritten && IsNotedCopy(result)) {
            ++counts.u64Noted;
        }
        if (pManifest) {
            char const* pszReason = CopyRefusalWord(result);
            std::fprintf(pManifest, "%s%s\t%lld\t%d\t0x%llx%s%s", manifestPrefix.c_str(), relative.c_str(),
                         pNode->GetFileSize(), pNode->IsDeleted() ? 1 : 0, static_cast<unsigned long long>(result),
                         pszReason ? "\t" : "", pszReason ? pszReason : "");
            // A short copy names what it holds beside the recorded size; a refusal what it names.
            if (bWritten && result == CopyNoteResult(kCodeShortData))
                std::fprintf(pManifest, "\t%lld", static_cast<long long>(info.st_size));
            else if (!copy.note.empty())
                std::fprintf(pManifest, "\t%s", copy.note.c_str());
            std::fputc('\n', pManifest);
        }
    }
    counts.dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return counts;
}

}  // namespace scanbench
