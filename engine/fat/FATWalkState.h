#pragma once
// What the build of one FAT volume shares between the walk, which takes the folders, and the
// children builder, which reads them: the folder walk (pending folders, clusters read), the map
// from a folder's first cluster to its node, the long-name pieces reads ended with, the
// clusters whose entries are not the volume's, and the live and deleted files whose clusters are
// weighed against each other once every folder was read.
#include <cstdint>
#include <map>
#include <memory>

#include "engine/core/tree/FolderWalk.h"
#include "engine/fat/FATForeignClusters.h"
#include "engine/fat/FATNameTails.h"
#include "engine/fat/FATReusedClusters.h"
#include "engine/fat/FATVolumeGeometry.h"

class CFATFileNode;
class IStorageDevice;

/// A folder waiting to be read: a live one the tree builder holds already, or a deleted one
/// that reaches the builder only when its turn comes.
struct FATPendingFolder {
    CFATFileNode* pLive = nullptr;           // not owned: the tree builder holds it
    std::unique_ptr<CFATFileNode> pDeleted;  // not handed over yet
};

struct FATWalkState {
    /// The walk's bound follows from the volume: every folder taken was named by an entry of a
    /// chunk read, and each chunk starts at a cluster not read before.
    FATWalkState(FATVolumeGeometry const& geometry, IStorageDevice* pDevice);

    CFolderWalk<FATPendingFolder> walk;
    std::map<std::uint32_t, CFATFileNode*> folderMap;  // nodes owned by the tree builder
    CFATNameTails nameTails;
    CFATForeignClusters foreign;
    CFATReusedClusters reused;
};
