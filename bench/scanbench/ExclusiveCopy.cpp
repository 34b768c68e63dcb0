#include "ExclusiveCopy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "engine/IFileReader.h"
#include "engine/ReleasePtr.h"

namespace scanbench {

namespace {

namespace fs = std::filesystem;

// Bounds the search for a free name, so that a destination that answers "exists" to every
// name cannot keep the harness going forever.
constexpr int kMaxNameAttempts = 100000;

RESULT CannotCreate() { return MakeResult(kModuleCopyOut, 0, kCodeCannotCreate); }

/// A new, empty file of this process in `folder`, made with O_EXCL so no other file is
/// reused; empty when none can be made.
std::string MakeTemporaryFile(fs::path const& folder) {
    static unsigned int s_u32Counter = 0;
    for (int iAttempt = 0; iAttempt < kMaxNameAttempts; ++iAttempt) {
        fs::path const path =
            folder / (".scanbench-" + std::to_string(::getpid()) + "-" + std::to_string(++s_u32Counter) + ".part");
        int const fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path.string();
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

enum class Move { Done, NameTaken, Failed };

/// Moves `from` to `to` unless `to` exists. Where the destination cannot refuse a replacing
/// rename itself (some FUSE volumes), `to` is first made with O_EXCL, and the rename then
/// replaces only that file of our own.
Move MoveUnlessTaken(fs::path const& from, fs::path const& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return Move::Done;
    if (errno == EEXIST) return Move::NameTaken;
    if (errno != EINVAL && errno != ENOSYS) return Move::Failed;
    int const fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST ? Move::NameTaken : Move::Failed;
    ::close(fd);
    if (::rename(from.c_str(), to.c_str()) == 0) return Move::Done;
    ::unlink(to.c_str());
    return Move::Failed;
}

}  // namespace

ExclusiveCopy CopyExclusively(IDataRecovery& copyOut, IFileNode* pNode, fs::path const& folder,
                              std::function<std::string()> const& claimName) {
    ExclusiveCopy copy;
    copy.name = claimName();
    std::error_code ec;
    fs::create_directories(folder, ec);
    std::string const temporary = MakeTemporaryFile(folder);
    if (temporary.empty()) {
        copy.result = CannotCreate();
        return copy;
    }
    ReleasePtr<IFileReader> pReader(copyOut.SetRecoverNode(pNode));
    copy.result = copyOut.RecoverTo(temporary.c_str(), nullptr, 0);
    // An empty file has no bytes to open a reader on: copy-out leaves the empty file and
    // answers "no reader", which for such a file is its copy.
    if (pNode->GetFileSize() == 0 && ResultCode(copy.result) == kCodeNoReader) copy.result = kResultSuccess;
    for (int iAttempt = 0; Succeeded(copy.result); ++iAttempt) {
        if (iAttempt > 0) copy.name = claimName();
        Move const move = iAttempt < kMaxNameAttempts ? MoveUnlessTaken(temporary, folder / copy.name) : Move::Failed;
        if (move == Move::Done) return copy;
        if (move == Move::Failed) copy.result = CannotCreate();
    }
    ::unlink(temporary.c_str());
    return copy;
}

}  // namespace scanbench
