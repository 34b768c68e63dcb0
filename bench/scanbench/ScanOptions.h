#pragma once
// The command line of the scan modes.
#include <optional>
#include <span>
#include <string>

#include "SearcherSelection.h"

namespace scanbench {

enum class ScanKind { Complete, Quick };

struct ScanOptions {
    ScanKind eKind = ScanKind::Complete;
    std::string devicePath;
    bool bVolume = false;       // complete: scan as a volume (controller type 1), not a disk
    bool bPassthrough = false;  // complete: add the block-pass measuring searcher
    bool bHash = false;         // with --passthrough: SHA-256 of the bytes it was handed
    std::string outDir;         // empty: write nothing
    unsigned int uTypes = 63;   // category mask, _FILTER_TYPE bits
    bool bDeletedOnly = false;
    double dStopAfterSeconds = 0;         // 0: never stop
    std::string manifestPath;             // empty: no manifest
    long long s64Partition = -1;          // >= 0: only this partition of a disk or image, as a volume
    unsigned uSearchers = kAllSearchers;  // complete: the searchers taking part
    unsigned uThreads = 0;                // complete: the searchers' pool; 0 sizes it to the machine
};

/// The options of one mode; null (after saying why) when the command line is wrong.
std::optional<ScanOptions> ParseScanOptions(ScanKind eKind, std::span<char* const> args);

}  // namespace scanbench
