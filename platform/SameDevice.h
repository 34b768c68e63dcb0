#pragma once
// Whether a folder lies on a given device: a recovery must never write where it reads. The
// folder's file system is found by its st_dev and compared, through sysfs, with the device
// itself, its partitions, and any device-mapper, RAID or loop device stacked on them. An image
// file counts as the loop devices that currently serve it.
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

/// A device number in the form the device records keep: (major << 24) | minor.
std::uint32_t DeviceIdFromStDev(dev_t dev);

/// Whether the block device `u32Inner` is `u32Outer`, one of its partitions, or built on
/// either of those through the `slaves/` links of sys/class/block or, for a loop device (or a
/// partition of one), through the file system holding its backing file (followed to any depth).
/// `root` is "/" except in tests, which point it at a fixture tree. True whenever two devices
/// share a number in the record form (majors above 255 lose their high bits).
bool IsBlockDeviceOn(std::uint32_t u32Inner, std::uint32_t u32Outer, std::string const& root = "/");

/// Whether the folder lies on the device or image at `devicePath`. A folder whose st_dev names
/// no block device (btrfs, for one) is traced through the mount source in
/// proc/self/mountinfo. Null when either path cannot be examined, or when two devices share a
/// number in the record form: a caller guarding a destination must treat that as "yes".
std::optional<bool> IsFolderOnDevice(std::string const& folder, std::string const& devicePath,
                                     std::string const& root = "/");

/// Whether writing `file` would write the scanned device or image at `devicePath`: the same file
/// (device and inode, links followed, so a symbolic or hard link to the image counts), the same
/// block device, or the file a scanned loop device (or a partition of one) serves. False when
/// `file` does not exist yet.
bool IsFileTheDevice(std::string const& file, std::string const& devicePath, std::string const& root = "/");

}  // namespace platform
