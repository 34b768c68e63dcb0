#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace app::thumbnails {

namespace {

bool WriteAll(int fd, void const* pData, std::size_t length) {
    auto const* p = static_cast<std::uint8_t const*>(pData);
    while (length > 0) {
        ssize_t const written = ::write(fd, p, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        p += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

/// Reads exactly `length` bytes before `deadline`; false on end of file, error or time-out.
bool ReadAll(int fd, void* pData, std::size_t length, std::chrono::steady_clock::time_point deadline) {
    auto* p = static_cast<std::uint8_t*>(pData);
    while (length > 0) {
        auto const left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd poller{fd, POLLIN, 0};
        int const ready = ::poll(&poller, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        ssize_t const got = ::read(fd, p, length);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        length -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

uimodel::RgbaImage DecodeInChild(std::function<uimodel::RgbaImage()> const& decode, int iMaxSide,
                                 std::chrono::milliseconds timeout) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return {};
    pid_t const child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return {};
    }
    if (child == 0) {
        // The child only decodes and writes; _exit skips the parent's exit handlers.
        ::close(pipeFds[0]);
        uimodel::RgbaImage const image = decode();
        std::int32_t const sides[2] = {image.IsImage() ? image.iWidth : 0, image.IsImage() ? image.iHeight : 0};
        bool const ok = WriteAll(pipeFds[1], sides, sizeof sides) &&
                        (sides[0] == 0 || WriteAll(pipeFds[1], image.pixels.data(), image.pixels.size()));
        ::_exit(ok ? 0 : 1);
    }
    ::close(pipeFds[1]);
    auto const deadline = std::chrono::steady_clock::now() + timeout;
    uimodel::RgbaImage image;
    std::int32_t sides[2] = {0, 0};
    if (ReadAll(pipeFds[0], sides, sizeof sides, deadline) && sides[0] > 0 && sides[1] > 0 && sides[0] <= iMaxSide &&
        sides[1] <= iMaxSide) {
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(sides[0]) * static_cast<std::size_t>(sides[1]) * 4);
        if (ReadAll(pipeFds[0], pixels.data(), pixels.size(), deadline)) {
            image.iWidth = sides[0];
            image.iHeight = sides[1];
            image.pixels = std::move(pixels);
        }
    }
    ::close(pipeFds[0]);
    // Whatever the child is doing now, it is no longer wanted.
    ::kill(child, SIGKILL);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    return image;
}

}  // namespace app::thumbnails
