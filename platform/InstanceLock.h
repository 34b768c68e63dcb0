#pragma once
// One copy of a program per user: a lock on a file in the user's runtime folder, taken
// atomically by the kernel (flock) and dropped by it when the process ends, however it ends.
// Two copies started at the same moment cannot both take it.
#include <string>

namespace platform {

enum class InstanceLock {
    Taken,          // this process holds the lock (now or from an earlier call)
    HeldElsewhere,  // another process holds it
    Unavailable,    // the lock file could not be opened: nothing can be said
};

/// "$XDG_RUNTIME_DIR/<name>.lock", or "/tmp/<name>-<uid>.lock" without a runtime folder.
std::string InstanceLockPath(std::string const& name);

/// Takes the lock `name` for the rest of the process's life. Asking again answers Taken without
/// reopening the file (a second lock of this process on a new descriptor would conflict).
InstanceLock TakeInstanceLock(std::string const& name);

}  // namespace platform
