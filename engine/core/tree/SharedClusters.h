#pragma once
// Deleted files that claim the same clusters. A deleted file's clusters were free for any file
// written after it; when a later file took them and was deleted in turn, both entries name them
// and only the later file's bytes are there. So the later-written file keeps them, the earlier
// one is refused as overwritten, and where the times cannot tell (equal or unknown) both copies
// are in doubt.
#include <cstddef>
#include <vector>

class CFileNode;

/// At most this many claims on one stretch are weighed against each other; past it every
/// claimant there is in doubt (hostile metadata naming one cluster endlessly costs no more).
inline constexpr std::size_t kMaxWeighedClaims = 1024;

/// Judges the deleted files among `nodes` (of one tree; files of different partitions never
/// share clusters) and sets the copy refusal or note of those that lose.
void SettleSharedClusters(std::vector<CFileNode*> const& nodes);
