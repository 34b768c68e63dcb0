// scanbench: measures the engine's throughput on a real device or image, one mode at a time.
#include <cstdio>
#include <span>
#include <string_view>

#include "CommandLine.h"
#include "Modes.h"
#include "engine/EngineEntryPoints.h"

namespace {

struct Mode {
    std::string_view name;
    std::string_view usage;
    int (*run)(std::span<char* const> args);
};

constexpr Mode kModes[] = {
    {"read", "read <device-or-image>", &scanbench::RunReadMode},
    {"carve", "carve <image> [--sector-size N] [--recover DIR]", &scanbench::RunCarveMode},
    {"complete",
     "complete <device-or-image> [--volume | --partition N] [--passthrough [--hash]] [--out DIR] [--types MASK] "
     "[--deleted-only] "
     "[--stop-after SECONDS] [--manifest FILE] [--searchers hfs,exfat,fat,raw,ntfs|none] [--threads N]",
     &scanbench::RunCompleteMode},
    {"quick",
     "quick <volume-or-disk-or-image> [--partition N] [--out DIR] [--types MASK] [--deleted-only] [--stop-after "
     "SECONDS] "
     "[--manifest FILE]",
     &scanbench::RunQuickMode},
    {"extract",
     "extract <device-or-image> --start <sector> --cluster-sectors <n> --size <bytes> --runs <list> "
     "[--ntfs-compressed] --to <file>\n"
     "    (numbers are decimal or 0x-prefixed hex; an LCN of '-' is a hole)",
     &scanbench::RunExtractMode},
    {"list", "list", &scanbench::RunListMode},
    {"partitions", "partitions <device-or-image>", &scanbench::RunPartitionsMode},
    {"mft", "mft <volume-or-image> [--start SECTOR]", &scanbench::RunMftMode},
    {"model-scan",
     "model-scan <image-or-device> [--disk | --volume N] [--deep] [--types MASK] [--stop-after S] "
     "[--pause-after S --pause-for S] [--recover DIR [--check all|deleted|ext:EXT] [--recovery-pause-for S] "
     "[--recovery-stop-after-files N]] [--thumb NAME [--thumb-out FILE.png]] [--save FILE]\n"
     "    [--facade [--tree path|type|ctime|mtime]... [--search KEY] [--check VIEW:ROW/ROW]]",
     &scanbench::RunModelScanMode},
    {"model-load", "model-load <results-file> --image <image> [--recover DIR [--check all|deleted|ext:EXT]]",
     &scanbench::RunModelLoadMode},
};

void PrintUsage(Mode const& mode) {
    std::fprintf(stderr, "usage: scanbench %.*s\n", static_cast<int>(mode.usage.size()), mode.usage.data());
}

int Usage() {
    std::fprintf(stderr, "usage: scanbench <mode> ...\nmodes:\n");
    for (Mode const& mode : kModes)
        std::fprintf(stderr, "  scanbench %.*s\n", static_cast<int>(mode.usage.size()), mode.usage.data());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    // Every mode sees the engine as the program does: an image's sector size, for one, comes from
    // the boot-sector probes the file systems register.
    RegisterEngineSubsystems();
    std::string_view const name = argv[1];
    for (Mode const& mode : kModes) {
        if (mode.name != name) continue;
        int const iExit = mode.run(std::span<char* const>(argv + 2, static_cast<std::size_t>(argc - 2)));
        if (iExit == scanbench::kUsageError) PrintUsage(mode);
        return iExit;
    }
    std::fprintf(stderr, "scanbench: unknown mode '%s'\n", argv[1]);
    return Usage();
}
