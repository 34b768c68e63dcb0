#pragma once
// Stamped devices and checks of what a read through any device delivers.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/core/device/MemoryDevice.h"
#include "support/StampedImage.h"

namespace cachetest {

/// A memory device of `s64Sectors` stamped sectors.
inline std::unique_ptr<CMemoryDevice> MakeStampedDevice(long long s64Sectors, int iSectorSize = 512) {
    auto const u64Units =
        static_cast<std::uint64_t>(s64Sectors) * static_cast<std::uint64_t>(iSectorSize) / testsupport::kStampUnit;
    return std::make_unique<CMemoryDevice>(testsupport::StampedBytes(u64Units), iSectorSize);
}

/// Reads `s64Count` sectors from `s64First` through `device`; empty when the read fails.
inline std::vector<std::uint8_t> ReadThrough(IStorageDevice& device, long long s64First, long long s64Count) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s64Count * device.GetSectorSize()), 0xEE);
    if (!device.ReadSector(bytes.data(), s64First, s64Count)) return {};
    return bytes;
}

/// Whether the read succeeds and delivers the device's stamped sectors; `s64StampFirst` is the
/// stamped sector expected at `s64First` (different under a partition window).
inline ::testing::AssertionResult ReadsStamped(IStorageDevice& device, long long s64First, long long s64Count,
                                               long long s64StampFirst) {
    std::vector<std::uint8_t> const bytes = ReadThrough(device, s64First, s64Count);
    if (bytes.empty())
        return ::testing::AssertionFailure() << "read of " << s64Count << " at " << s64First << " failed";
    auto const u64UnitsPerSector = static_cast<std::uint64_t>(device.GetSectorSize()) / testsupport::kStampUnit;
    return testsupport::IsStamped(bytes, static_cast<std::uint64_t>(s64StampFirst) * u64UnitsPerSector);
}

inline ::testing::AssertionResult ReadsStamped(IStorageDevice& device, long long s64First, long long s64Count) {
    return ReadsStamped(device, s64First, s64Count, s64First);
}

/// Whether every recorded read asks for at least one sector and stays inside `s64Total` sectors.
template <class Reads>
::testing::AssertionResult AllInside(Reads const& reads, long long s64Total) {
    for (auto const& read : reads)
        if (read.s64Count <= 0 || read.s64First < 0 || read.s64First + read.s64Count > s64Total)
            return ::testing::AssertionFailure() << "read of " << read.s64Count << " at " << read.s64First
                                                 << " on a device of " << s64Total << " sectors";
    return ::testing::AssertionSuccess();
}

}  // namespace cachetest
