#pragma once
// What a scan found: counted, and written out under DIR/<root>/<folders>/<name>.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "OutputNames.h"
#include "engine/IFileNode.h"

class IRecoveryFilter;

namespace scanbench {

class COutputFolder;
class CResultCollector;

struct FoundCounts {
    std::uint64_t u64Files = 0;
    std::uint64_t u64Folders = 0;
    std::uint64_t u64Deleted = 0;                           // deleted files
    std::uint64_t u64Bytes = 0;                             // sizes of the files
    std::map<unsigned int, std::uint64_t> filesByCategory;  // by _FILTER_TYPE bit
};

struct WriteCounts {
    std::uint64_t u64Files = 0;
    std::uint64_t u64Bytes = 0;
    std::uint64_t u64Failures = 0;
    std::uint64_t u64Noted = 0;  // written with a note: neither in the files written nor a failure
    double dSeconds = 0;
};

/// Counts the shown nodes; with `bDeletedOnly` live files are left out.
FoundCounts CountFound(std::vector<IFileNode*> const& nodes, IRecoveryFilter* pFilter, bool bDeletedOnly);

/// Relative output paths of nodes: the root's name, then the folders, then the name, each
/// sanitised and unique within its folder. A folder keeps the path it was first given.
class COutputPaths {
public:
    /// The folder of the node's file: "" for a node without a parent.
    std::string FolderOf(IFileNode* pNode);
    /// A name for the node in `folder` that no earlier answer gave; a new one at each call.
    std::string ClaimName(std::string const& folder, IFileNode* pNode);

private:
    std::map<IFileNode*, std::string> m_folders;
    COutputNames m_names;
};

/// Writes every counted file under `base` (a relative folder, "" for the top) of `pOut` (none
/// when null) through the copy-out object of its tree's searcher type, never replacing a file
/// there, and lists it in `pManifest` when given: path (after `manifestPrefix`, which tells one
/// volume's files from another's), size, deleted flag and the copy's result code, tab-separated,
/// then for a refused copy its reason ("overwritten", "past-end", "unreadable") or for a noted
/// one its note; a "short" copy (its recorded size above its data) adds the bytes written, and a
/// refusal that names something (a virtual disk's container) adds it.
WriteCounts WriteFound(std::vector<IFileNode*> const& nodes, bool bDeletedOnly, CResultCollector& collector,
                       COutputFolder* pOut, std::string const& base, std::FILE* pManifest,
                       std::string const& manifestPrefix = {});

}  // namespace scanbench
