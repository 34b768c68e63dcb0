#pragma once
// Copying a found file into an output folder that may already hold files: nothing there is
// ever replaced, and a copy that fails leaves nothing behind under a real name.
#include <functional>
#include <string>

#include "engine/Result.h"

class IDataRecovery;
class IFileNode;

namespace scanbench {

struct ExclusiveCopy {
    RESULT result = kResultSuccess;
    std::string name;  // the name the copy took; the last one offered when it failed
    std::string note;  // what a refusal names beyond its code: a virtual disk's container
};

/// Copies `pNode` through `copyOut` into the folder open as `folderFd` (every name is taken
/// relative to it, so no link on the way to it is followed). The bytes go to a temporary file
/// made for this copy alone; only a complete copy is then moved to a name, the first that
/// `claimName` offers and the folder does not hold yet, in one step that fails rather than
/// replace a file (so a name another writer or a case-blind volume already has is passed over
/// for the next offer). An empty node is written as an empty file. A folder of -1 fails.
ExclusiveCopy CopyExclusively(IDataRecovery& copyOut, IFileNode* pNode, int folderFd,
                              std::function<std::string()> const& claimName);

}  // namespace scanbench
