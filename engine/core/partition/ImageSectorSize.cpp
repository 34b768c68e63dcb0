#include "engine/core/partition/ImageSectorSize.h"

#include "engine/core/partition/BootSector.h"

namespace partition {

namespace {
constexpr std::uint32_t kDefaultSectorSize = 512;
constexpr std::uint32_t kLargeSectorSize = 4096;
}  // namespace

std::uint32_t ImageSectorSize(engine::ByteView head) {
    // The header sits in LBA 1: byte 512 on 512-byte sectors, byte 4096 on 4096-byte ones.
    if (head.Equals(kDefaultSectorSize, "EFI PART")) return kDefaultSectorSize;
    if (head.Equals(kLargeSectorSize, "EFI PART")) return kLargeSectorSize;
    return BootSectorSectorSize(head.Sub(0, 512)).value_or(kDefaultSectorSize);
}

}  // namespace partition
