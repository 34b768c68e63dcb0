#include "ExclusiveCopy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "engine/IFileReader.h"
#include "engine/ReleasePtr.h"

namespace scanbench {

namespace {

// Bounds the search for a free name, so that a destination that answers "exists" to every
// name cannot keep the harness going forever.
constexpr int kMaxNameAttempts = 100000;

RESULT CannotCreate() { return MakeResult(kModuleCopyOut, 0, kCodeCannotCreate); }

/// The name of a new, empty file of this process in the folder, made with O_EXCL so no other
/// file is reused; empty when none can be made.
std::string MakeTemporaryFile(int folderFd) {
    static unsigned int s_u32Counter = 0;
    for (int iAttempt = 0; iAttempt < kMaxNameAttempts; ++iAttempt) {
        std::string const name =
            ".scanbench-" + std::to_string(::getpid()) + "-" + std::to_string(++s_u32Counter) + ".part";
        int const fd = ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

enum class Move { Done, NameTaken, Failed };

/// Moves `from` to `to` in the folder unless `to` exists. Where the destination cannot refuse
/// a replacing rename itself (some FUSE volumes), `to` is first made with O_EXCL, and the
/// rename then replaces only that file of our own.
Move MoveUnlessTaken(int folderFd, std::string const& from, std::string const& to) {
    if (::renameat2(folderFd, from.c_str(), folderFd, to.c_str(), RENAME_NOREPLACE) == 0) return Move::Done;
    if (errno == EEXIST) return Move::NameTaken;
    if (errno != EINVAL && errno != ENOSYS) return Move::Failed;
    int const fd = ::openat(folderFd, to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST ? Move::NameTaken : Move::Failed;
    ::close(fd);
    if (::renameat(folderFd, from.c_str(), folderFd, to.c_str()) == 0) return Move::Done;
    ::unlinkat(folderFd, to.c_str(), 0);
    return Move::Failed;
}

}  // namespace

ExclusiveCopy CopyExclusively(IDataRecovery& copyOut, IFileNode* pNode, int folderFd,
                              std::function<std::string()> const& claimName) {
    ExclusiveCopy copy;
    copy.name = claimName();
    std::string const temporary = folderFd < 0 ? std::string() : MakeTemporaryFile(folderFd);
    if (temporary.empty()) {
        copy.result = CannotCreate();
        return copy;
    }
    // Copy-out takes a path: the folder's descriptor stands for the folder in it.
    std::string const temporaryPath = "/proc/self/fd/" + std::to_string(folderFd) + "/" + temporary;
    ReleasePtr<IFileReader> pReader(copyOut.SetRecoverNode(pNode));
    copy.result = copyOut.RecoverTo(temporaryPath.c_str(), nullptr, 0);
    if (Failed(copy.result)) copy.note = copyOut.GetRefusal().note;
    // An empty file has no bytes to open a reader on: copy-out leaves the empty file and
    // answers "no reader", which for such a file is its copy.
    if (pNode->GetFileSize() == 0 && ResultCode(copy.result) == kCodeNoReader) copy.result = kResultSuccess;
    for (int iAttempt = 0; Succeeded(copy.result); ++iAttempt) {
        if (iAttempt > 0) copy.name = claimName();
        Move const move = iAttempt < kMaxNameAttempts ? MoveUnlessTaken(folderFd, temporary, copy.name) : Move::Failed;
        if (move == Move::Done) return copy;
        if (move == Move::Failed) copy.result = CannotCreate();
    }
    ::unlinkat(folderFd, temporary.c_str(), 0);
    return copy;
}

}  // namespace scanbench
