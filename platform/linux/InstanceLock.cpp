#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

namespace platform {

std::string InstanceLockPath(std::string const& name) {
    char const* pszRuntime = std::getenv("XDG_RUNTIME_DIR");
    if (pszRuntime && pszRuntime[0] == '/') return std::string(pszRuntime) + "/" + name + ".lock";
    return "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
}

InstanceLock TakeInstanceLock(std::string const& name) {
    static std::mutex s_mutex;
    static std::map<std::string, int> s_held;  // name -> descriptor kept open until the process ends
    std::lock_guard const guard(s_mutex);
    if (s_held.count(name)) return InstanceLock::Taken;
    // O_NOFOLLOW: in a shared /tmp another user's link must not make us lock (or create) their file.
    int const fd = open(InstanceLockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return InstanceLock::Unavailable;
    int iResult = 0;
    do iResult = flock(fd, LOCK_EX | LOCK_NB);
    while (iResult != 0 && errno == EINTR);
    if (iResult != 0) {
        int const error = errno;
        close(fd);
        return error == EWOULDBLOCK ? InstanceLock::HeldElsewhere : InstanceLock::Unavailable;
    }
    s_held[name] = fd;
    return InstanceLock::Taken;
}

}  // namespace platform
