// Mount paths from proc/self/mountinfo, one line per mount:
// "36 35 8:1 / /mnt/my\040disk rw,relatime shared:1 - ext4 /dev/sda1 rw"
// Field 3 is the device's major:minor, field 5 the mount point with space, tab, newline and
// backslash written as three-digit octal escapes.
#include <sys/sysmacros.h>

#include <charconv>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/BlockDeviceFinder.h"
#include "platform/SameDevice.h"

namespace platform {

namespace {

// A mountinfo line is at most a few kilobytes; a longer one is not from the kernel.
constexpr std::size_t kMaxLineBytes = 64 * 1024;
constexpr std::size_t kMaxLines = 100000;

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

}  // namespace

std::string DecodeMountField(std::string const& field) {
    std::string decoded;
    decoded.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
            IsOctal(field[i + 3])) {
            int const iValue = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (iValue > 0 && iValue < 256) {
                decoded.push_back(static_cast<char>(iValue));
                i += 3;
                continue;
            }
        }
        decoded.push_back(field[i]);
    }
    return decoded;
}

std::vector<std::pair<std::uint32_t, std::string>> ReadMountPaths(std::string const& mountinfoPath) {
    std::vector<std::pair<std::uint32_t, std::string>> paths;
    std::set<std::uint32_t> seen;
    std::ifstream in(mountinfoPath);
    std::string line;
    for (std::size_t lines = 0; lines < kMaxLines && std::getline(in, line); ++lines) {
        if (line.size() > kMaxLineBytes) continue;
        std::istringstream fields(line);
        std::string mountId, parentId, majorMinor, root, mountPoint;
        if (!(fields >> mountId >> parentId >> majorMinor >> root >> mountPoint)) continue;
        auto const colon = majorMinor.find(':');
        if (colon == std::string::npos) continue;
        unsigned int uMajor = 0;
        unsigned int uMinor = 0;
        char const* pBegin = majorMinor.data();
        char const* pEnd = pBegin + majorMinor.size();
        auto [pAfterMajor, ecMajor] = std::from_chars(pBegin, pBegin + colon, uMajor);
        auto [pAfterMinor, ecMinor] = std::from_chars(pBegin + colon + 1, pEnd, uMinor);
        if (ecMajor != std::errc() || ecMinor != std::errc() || pAfterMajor != pBegin + colon || pAfterMinor != pEnd)
            continue;
        std::uint32_t const u32Id = DeviceIdFromStDev(makedev(uMajor, uMinor));
        if (!seen.insert(u32Id).second) continue;
        paths.emplace_back(u32Id, DecodeMountField(mountPoint));
    }
    return paths;
}

}  // namespace platform
