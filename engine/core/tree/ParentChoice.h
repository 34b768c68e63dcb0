#pragma once
// Which of several folders recorded under one node id a node hangs under.
#include <cstddef>
#include <span>

class CFileNode;

/// Folders of one id beyond this many are never weighed: a damaged volume can repeat an id
/// without bound, and every lookup under that id would otherwise scan them all.
inline constexpr std::size_t kMaxParentCandidates = 256;

/// Only folders of the node's partition are weighed: one that already has children wins at once;
/// then a live folder inside the trash (`s64TrashID`, 0 for none); then the folder created nearest
/// to the node's last access; else the first folder of the node's partition (a deleted trash
/// folder). Null when no folder of the node's partition is among them.
CFileNode* ChooseParent(std::span<CFileNode* const> candidates, CFileNode& node, long long s64TrashID);
