#pragma once
// The harness's plain listing of what a scan found: one line per node on standard output, so
// that a run can be compared with another tool's listing by eye or by diff.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/IFileNode.h"

namespace scanbench {

/// The node, its parent, and so on up to the top of its tree (the root for every shown node).
/// A chain deeper than any shown tree is cut, so that a parent loop cannot keep it going.
std::vector<IFileNode*> ChainToTop(IFileNode* pNode);

/// A name or path with tabs, line breaks and other control bytes written as \xNN (and "\" as \\).
std::string Escaped(char const* pszText);

/// The node's path from the top of its tree ("/<root>/<folders>/<name>"), names as found but
/// with tabs, line breaks and other control bytes written as \xNN (and "\" as \\), so that a
/// name read off a damaged volume cannot split or forge a line of the listing.
std::string TreePath(IFileNode* pNode);

/// "node<TAB>live|deleted<TAB>path<TAB>size" for each file, and for each folder with "/" after
/// its path; with `bDeletedOnly` live files are left out.
void PrintNodes(std::vector<IFileNode*> const& nodes, bool bDeletedOnly, std::FILE* pOut);

}  // namespace scanbench
