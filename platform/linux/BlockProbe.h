#pragma once
// What libblkid and the udev database say about one block device. Both only read: libblkid
// opens the node read-only, and libudev reads sysfs and the database in /run/udev, so no udev
// daemon need run.
#include <cstdint>
#include <string>

namespace platform {

struct ProbedFacts {
    std::uint32_t u32Scheme = 0;  // partition table: "dos" 1, "gpt" 2, "mac" 3
    std::string label;
    std::string partEntryType;  // GPT type GUID text, or the APM type name
    std::string partEntryUuid;
};

/// libblkid's view of the node at `path`; empty fields for what it cannot tell.
ProbedFacts ProbeWithBlkid(std::string const& path, bool bWholeDisk);

struct UdevFacts {
    bool bKnown = false;  // the database has an entry for the device
    std::uint32_t u32BusType = 0;
    std::string partEntryType;
    std::string partEntryUuid;
};

/// The udev database's entry for the block device `kernelName`; unknown when there is none.
UdevFacts ReadUdevFacts(std::string const& kernelName);

}  // namespace platform
