#pragma once
// A loop device over an image file for the length of a test; detached on destruction. Needs
// root and /dev/loop-control; Attach says why when it cannot.
#include <string>

namespace testsupport {

class LoopDevice {
public:
    LoopDevice() = default;
    ~LoopDevice();
    LoopDevice(LoopDevice const&) = delete;
    LoopDevice& operator=(LoopDevice const&) = delete;

    /// Attaches `imagePath`, read-only unless `bWritable`, with the given logical sector size
    /// (0: the default). Empty on success, otherwise the reason to skip.
    std::string Attach(std::string const& imagePath, unsigned u32SectorSize = 0, bool bWritable = false);
    /// The node, e.g. "/dev/loop3"; empty when not attached.
    std::string const& Node() const { return m_node; }

private:
    std::string m_node;
};

}  // namespace testsupport
