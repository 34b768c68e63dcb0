#include "ScanOptions.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace scanbench {

namespace {

void PrintUsage(ScanKind eKind) {
    if (eKind == ScanKind::Complete) {
        std::fprintf(stderr,
                     "usage: scanbench complete <device-or-image> [--volume | --partition N] [--passthrough [--hash]] [--out DIR]\n"
                     "                          [--types MASK] [--deleted-only] [--stop-after SECONDS] [--manifest FILE]\n");
    } else {
        std::fprintf(stderr,
                     "usage: scanbench quick <volume-or-disk-or-image> [--partition N] [--out DIR] [--types MASK] [--deleted-only]\n"
                     "                       [--stop-after SECONDS] [--manifest FILE]\n");
    }
}

bool ParseMask(std::string_view text, unsigned int& uMask) {
    int iBase = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        iBase = 16;
    }
    auto [pEnd, ec] = std::from_chars(text.data(), text.data() + text.size(), uMask, iBase);
    return ec == std::errc() && pEnd == text.data() + text.size() && uMask >= 1 && uMask <= 63;
}

}  // namespace

std::optional<ScanOptions> ParseScanOptions(ScanKind eKind, std::span<char* const> args) {
    ScanOptions options;
    options.eKind = eKind;
    bool const bComplete = eKind == ScanKind::Complete;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view const arg = args[i];
        bool const bHasValue = i + 1 < args.size();
        if (bComplete && arg == "--volume") {
            options.bVolume = true;
        } else if (bComplete && arg == "--passthrough") {
            options.bPassthrough = true;
        } else if (bComplete && arg == "--hash") {
            options.bHash = true;
        } else if (arg == "--deleted-only") {
            options.bDeletedOnly = true;
        } else if (arg == "--out" && bHasValue) {
            options.outDir = args[++i];
        } else if (arg == "--partition" && bHasValue) {
            std::string_view const number = args[++i];
            auto [pEnd, ec] = std::from_chars(number.data(), number.data() + number.size(), options.s64Partition);
            if (ec != std::errc() || pEnd != number.data() + number.size() || options.s64Partition < 0 ||
                options.s64Partition > 0xFFFFFFFFll) {
                std::fprintf(stderr, "scanbench: --partition takes a partition number\n");
                return std::nullopt;
            }
        } else if (arg == "--manifest" && bHasValue) {
            options.manifestPath = args[++i];
        } else if (arg == "--types" && bHasValue) {
            if (!ParseMask(args[++i], options.uTypes)) {
                std::fprintf(stderr, "scanbench: --types takes a category mask from 1 to 63\n");
                return std::nullopt;
            }
        } else if (arg == "--stop-after" && bHasValue) {
            char* pEnd = nullptr;
            options.dStopAfterSeconds = std::strtod(args[++i], &pEnd);
            if (!pEnd || *pEnd != '\0' || !(options.dStopAfterSeconds > 0)) {
                std::fprintf(stderr, "scanbench: --stop-after takes a positive number of seconds\n");
                return std::nullopt;
            }
        } else if (!arg.starts_with("--") && options.devicePath.empty()) {
            options.devicePath = arg;
        } else {
            std::fprintf(stderr, "scanbench: unexpected argument '%s'\n", args[i]);
            PrintUsage(eKind);
            return std::nullopt;
        }
    }
    if (options.devicePath.empty() || (options.bHash && !options.bPassthrough)) {
        PrintUsage(eKind);
        return std::nullopt;
    }
    return options;
}

}  // namespace scanbench
