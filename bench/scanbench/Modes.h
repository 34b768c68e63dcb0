#pragma once
// The modes of scanbench; each lives in its own file and answers a process exit code:
// kUsageError (2) for a command line it does not understand, after which main prints its usage.
#include <span>
#include <string_view>

namespace scanbench {

/// scanbench read <device-or-image>: reads every sector once, front to back.
int RunReadMode(std::span<char* const> args);
/// scanbench carve IMAGE [--sector-size N] [--recover DIR]: the signature search alone, one
/// line per carved file, a last line with how the files were sized; copies them out to DIR.
int RunCarveMode(std::span<char* const> args);
/// scanbench complete <device-or-image> [options]: every block to every complete searcher.
int RunCompleteMode(std::span<char* const> args);
/// scanbench quick <volume-or-disk-or-image> [options]: the volume's quick searcher; on a
/// partitioned disk or image, one run per volume an analyser recognises.
int RunQuickMode(std::span<char* const> args);
/// scanbench extract <device-or-image> --start ... --runs ... --to <file>: copies one file
/// given by its runs through copy-out.
int RunExtractMode(std::span<char* const> args);
/// scanbench list: the device enumerator's disks, partitions and volumes with every record field.
int RunListMode(std::span<char* const> args);
/// scanbench partitions <device-or-image>: the partition-table analysis of a disk or image.
int RunPartitionsMode(std::span<char* const> args);
/// scanbench mft <volume-or-image> [--start SECTOR]: every FILE record of an NTFS volume's MFT.
int RunMftMode(std::span<char* const> args);

/// scanbench model-scan <image-or-device> [options]: one scan through the UI model, listed from
/// its own collections.
int RunModelScanMode(std::span<char* const> args);
/// scanbench model-load FILE --image IMAGE [--recover DIR [--check …]]: loads a results file onto the image
/// through the UI model and lists it as model-scan does.
int RunModelLoadMode(std::span<char* const> args);

}  // namespace scanbench
