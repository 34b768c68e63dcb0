#pragma once
// Name and path helpers over result nodes: the search match, a node's path and root, its
// searcher, and the sort order of node lists.
#include <string>
#include <vector>

#include "engine/IFileNode.h"

namespace uimodel {

/// Steps of every climb towards a root; a deeper node is taken as rooted where the climb stops.
constexpr int kMaxRootClimb = 1024;

/// True for a null or empty text; false for a null name; else whether the name holds the text,
/// compared after full Unicode case folding (no wildcards: "*" matches only "*").
bool IsStringInString(char const* pszText, char const* pszName);
/// The same against a node: a file by its name; a folder when any file below it matches (walked
/// without recursion, so hostile trees of any depth are safe).
bool IsStringInFileNode(char const* pszText, IFileNode* pNode);
/// True for a null or empty text, else whether any node's name holds it.
bool IsStringInFileNodeVector(char const* pszText, std::vector<IFileNode*> const& nodes);

/// "/volume/folders/name"; "" for null. Climbs at most kMaxRootClimb steps.
std::string GetPathByFileNode(IFileNode* pNode);
/// The same path as its components, unjoined: names may hold "/" themselves.
std::vector<std::string> GetPathComponentsByFileNode(IFileNode* pNode);
/// The topmost node within kMaxRootClimb steps when it is a file-system root; else null.
IFilesystemNode* GetFileSystemNode(IFileNode* pNode);
/// The searcher of the node's file-system root; SEARCHER_TYPE_NONE without one.
_tagSearcherType GetNodeSearcheType(IFileNode* pNode);
/// The recovered-file prefix of a searcher: 31 "HFS+_", 32 "Fat_", 33 "ExFat_", 34 "RAW_", else "".
char const* GetFileSystemStrByType(int iSearcherType);
/// The text after the last "." of the name, in lower case; "" without one.
std::string GetNodeExt(IFileNode* pNode);

/// Sort order of node lists: key 2 creation, 3 modification, 4 last access time (newest first),
/// any other key the name (Z to A). A strict weak ordering: null nodes last, null names as "".
class cmpFileNode {
public:
    explicit cmpFileNode(unsigned u32Key) : m_u32Key(u32Key) {}
    bool operator()(IFileNode* a, IFileNode* b) const;

private:
    unsigned m_u32Key;
};

void SortFileNodeVector(std::vector<IFileNode*>& nodes, unsigned u32Key);

}  // namespace uimodel
