#pragma once
// Where the tree builder meets recycle bins, trash folders and the HFS+ private-data folder.
// Those rules are not in yet: every node passes through unchanged.
#include <vector>

#include "engine/ReleasePtr.h"
#include "engine/Types.h"

class CFileNode;
class _DIRECTORY_TREE_INFO;

class CRecycleBinHook {
public:
    enum class Verdict {
        Pass,      // the builder goes on with the node
        HeldBack,  // taken and held until FlashBuild; the builder marks it deleted and owns it
        Refused,   // the caller keeps the node
    };

    /// Offered each node before it is counted (not while FlashBuild runs).
    Verdict OfferToRecycleBin(CFileNode& node);
    /// Trash and private-data checks, after the node is counted; may mark it deleted or note
    /// the tree's trash id.
    Verdict CheckTrash(CFileNode& node, _DIRECTORY_TREE_INFO& tree);
    /// At the start of FlashBuild: the held entries of a type, names restored, to add again.
    std::vector<ReleasePtr<CFileNode>> TakeHeldNodes(_tagSearcherType eType);
    /// During FlashBuild: settles the tree's trash folder among its candidates.
    void SettleTrash(_DIRECTORY_TREE_INFO& tree);
    /// False while a tree may only be built when forced.
    bool AllowsIncrementalBuild(_DIRECTORY_TREE_INFO const& tree) const;
};
