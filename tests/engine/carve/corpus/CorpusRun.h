#pragma once
// Plants samples into a device of random sectors (each file on a 4,096-byte boundary, the rest
// of its last 4,096 bytes zero, as a file system leaves it, or random), runs the whole signature search the
// way a complete scan does, and checks every sample: found at its sector, filed in its type's
// folder under its name, sized by its rule, and copied out byte for byte (SHA-256).
#include <cstdint>
#include <vector>

#include "CarvedSample.h"

namespace corpustest {

struct Placement {
    std::uint64_t u64Offset;  // byte offset on the device, a multiple of 4,096
};

/// Offsets for the samples, in order: spread over the first `u64SpanBytes`, every other file laid
/// across a 4 MiB block boundary (so its sizing reads the next block from the ring, or the
/// device near the end).
std::vector<Placement> SpreadOver(std::vector<CarvedSample> const& samples, std::uint64_t u64SpanBytes);

/// A device size of at least `u64Minimum` that holds every placed sample and a block after them.
std::uint64_t RoomFor(std::vector<CarvedSample> const& samples, std::vector<Placement> const& placements,
                      std::uint64_t u64Minimum);

/// What follows each file to its next 4,096-byte boundary: zeros, as a file system leaves a
/// fresh disk, or the random bytes of a used one (no zero tail to find the file's end by).
enum class Slack { Zeros, Random };

/// Carves the device and checks each sample with gtest expectations.
void CarveAndCheck(std::vector<CarvedSample> const& samples, std::vector<Placement> const& placements,
                   std::uint64_t u64DeviceBytes, std::uint32_t u32SectorSize, Slack slack = Slack::Zeros);

}  // namespace corpustest
