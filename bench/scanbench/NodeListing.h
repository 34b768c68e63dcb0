#pragma once
// The harness's plain listing of what a scan found: one line per node on standard output, so
// that a run can be compared with another tool's listing by eye or by diff.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/IFileNode.h"

namespace scanbench {

/// The node's path from the top of its tree ("/<root>/<folders>/<name>"), names as found.
std::string TreePath(IFileNode* pNode);

/// "node<TAB>live|deleted<TAB>path<TAB>size" for each file, and for each folder with "/" after
/// its path; with `bDeletedOnly` live files are left out.
void PrintNodes(std::vector<IFileNode*> const& nodes, bool bDeletedOnly, std::FILE* pOut);

}  // namespace scanbench
