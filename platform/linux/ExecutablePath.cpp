#include "platform/ExecutablePath.h"

#include <unistd.h>

#include <vector>

namespace platform {

std::string ExecutableFolder() {
    // readlink does not say whether it truncated: grow the buffer until the answer fits with room.
    for (size_t uSize = 256; uSize <= (size_t{1} << 20); uSize *= 2) {
        std::vector<char> buffer(uSize);
        ssize_t const n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<size_t>(n));
            size_t const uSlash = path.rfind('/');
            if (uSlash == std::string::npos) return {};
            return uSlash == 0 ? std::string("/") : path.substr(0, uSlash);
        }
    }
    return {};
}

}  // namespace platform
