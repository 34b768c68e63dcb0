#pragma once
// Renames a node a file-system search found, through that file system's own name store. Only
// the recycle-bin handling renames nodes, before they enter a tree.
#include <string>

class CFileNode;

/// False for nodes of a file system that cannot be renamed here.
bool RenameFoundNode(CFileNode& node, std::string const& name);
