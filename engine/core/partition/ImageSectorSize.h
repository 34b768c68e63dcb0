#pragma once
// The sector size of an image file, which has no geometry of its own: a disk or volume made on
// a 4096-byte device and dumped to a file must be read in 4096-byte sectors, or its partition
// table and file system land in the wrong places.
#include <cstdint>

#include "engine/ByteView.h"

namespace partition {

/// The image's first bytes that tell its sector size: a GPT header sits at byte 4096 at most.
constexpr std::size_t kImageSectorSizeProbeBytes = 4096 + 512;

/// The image's last bytes that tell its sector size: a backup GPT header fills its last sector.
constexpr std::size_t kImageSectorSizeTailBytes = 4096;

/// 512 with a GPT header ("EFI PART") at byte 512, 4096 with one at byte 4096, else the bytes
/// per sector of a sound FAT, exFAT or NTFS boot sector at byte 0, else 512. `head` is the
/// image's first bytes, shorter for a short image.
std::uint32_t ImageSectorSize(engine::ByteView head);
/// As above, and where the head tells nothing (a disk whose primary GPT is lost), the size of
/// the last sector when it holds a backup GPT header that names itself as that sector. `tail`
/// is the image's last bytes (up to kImageSectorSizeTailBytes), `u64ImageBytes` its length.
std::uint32_t ImageSectorSize(engine::ByteView head, engine::ByteView tail, std::uint64_t u64ImageBytes);

}  // namespace partition
