#include "engine/core/partition/ImageSectorSize.h"

#include <optional>

#include "engine/core/partition/BootSector.h"

namespace partition {

namespace {

constexpr std::uint32_t kDefaultSectorSize = 512;
constexpr std::uint32_t kLargeSectorSize = 4096;
constexpr std::uint32_t kGptSectorSizes[] = {512, 1024, 2048, 4096};
constexpr std::size_t kHeaderOwnLba = 24;

std::optional<std::uint32_t> HeadSectorSize(engine::ByteView head) {
    // The header sits in LBA 1: byte 512 on 512-byte sectors, byte 4096 on 4096-byte ones.
    if (head.Equals(kDefaultSectorSize, "EFI PART")) return kDefaultSectorSize;
    if (head.Equals(kLargeSectorSize, "EFI PART")) return kLargeSectorSize;
    return BootSectorSectorSize(head.Sub(0, 512));
}

/// The backup header fills the last LBA and names it as its own: a header that stands where
/// the image ends in sectors of one size, and says so, tells that size.
std::optional<std::uint32_t> TailSectorSize(engine::ByteView tail, std::uint64_t u64ImageBytes) {
    for (std::uint32_t const u32SectorSize : kGptSectorSizes) {
        if (u64ImageBytes < 2 * std::uint64_t{u32SectorSize} || u64ImageBytes % u32SectorSize != 0 ||
            tail.Size() < u32SectorSize)
            continue;
        engine::ByteView const header = tail.Sub(tail.Size() - u32SectorSize, u32SectorSize);
        if (header.Equals(0, "EFI PART") && header.Le64(kHeaderOwnLba) == u64ImageBytes / u32SectorSize - 1)
            return u32SectorSize;
    }
    return std::nullopt;
}

}  // namespace

std::uint32_t ImageSectorSize(engine::ByteView head) { return HeadSectorSize(head).value_or(kDefaultSectorSize); }

std::uint32_t ImageSectorSize(engine::ByteView head, engine::ByteView tail, std::uint64_t u64ImageBytes) {
    if (auto const fromHead = HeadSectorSize(head)) return *fromHead;
    return TailSectorSize(tail, u64ImageBytes).value_or(kDefaultSectorSize);
}

}  // namespace partition
