#include "support/LoopDevice.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <memory>

#include "support/TempDir.h"

namespace testsupport {

LoopDevice::~LoopDevice() {
    if (!m_node.empty()) RunCommand("losetup -d " + m_node + " >/dev/null 2>&1");
}

std::string LoopDevice::Attach(std::string const& imagePath, unsigned u32SectorSize, bool bWritable) {
    if (::geteuid() != 0) return "loop devices need root";
    if (::access("/dev/loop-control", F_OK) != 0) return "no /dev/loop-control";
    if (!HaveTool("losetup")) return "losetup is not installed";
    std::string command = bWritable ? "losetup -f --show " : "losetup -f --show -r ";
    if (u32SectorSize != 0) command += "--sector-size " + std::to_string(u32SectorSize) + " ";
    command += "'" + imagePath + "' 2>/dev/null";

    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), &::pclose);
    if (!pipe) return "cannot run losetup";
    std::array<char, 256> line{};
    std::string node;
    if (std::fgets(line.data(), static_cast<int>(line.size()), pipe.get())) node = line.data();
    while (!node.empty() && (node.back() == '\n' || node.back() == '\r')) node.pop_back();
    int status = ::pclose(pipe.release());
    if (!node.starts_with("/dev/loop")) return "losetup could not attach a loop device";
    m_node = node;  // detached by the destructor whatever happens next
    if (status != 0) return "losetup failed";
    return {};
}

}  // namespace testsupport
