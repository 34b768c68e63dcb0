#include "ScanOptions.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "CommandLine.h"
#include "SearcherSelection.h"

namespace scanbench {

namespace {

// The quick scan's options, then those of the complete scan alone.
constexpr OptionSpec kOptions[] = {
    {"--partition", true},  {"--out", true},       {"--types", true},   {"--deleted-only", false},
    {"--stop-after", true}, {"--manifest", true},  {"--volume", false}, {"--passthrough", false},
    {"--hash", false},      {"--searchers", true}, {"--threads", true},
};
constexpr std::size_t kQuickOptionCount = 6;

/// Says what is wrong with an option's value; null for a command line to refuse.
std::nullopt_t Refuse(char const* pszWhy) {
    std::fprintf(stderr, "scanbench: %s\n", pszWhy);
    return std::nullopt;
}

}  // namespace

std::optional<ScanOptions> ParseScanOptions(ScanKind eKind, std::span<char* const> args) {
    bool const bComplete = eKind == ScanKind::Complete;
    std::span<OptionSpec const> const known(kOptions, bComplete ? std::size(kOptions) : kQuickOptionCount);
    auto const commandLine = CCommandLine::Parse(args, known, 1);
    if (!commandLine) return std::nullopt;
    ScanOptions options;
    options.eKind = eKind;
    options.devicePath = commandLine->Operand(0);
    options.bVolume = commandLine->Has("--volume");
    options.bPassthrough = commandLine->Has("--passthrough");
    options.bHash = commandLine->Has("--hash");
    options.bDeletedOnly = commandLine->Has("--deleted-only");
    options.outDir = commandLine->Value("--out").value_or("");
    options.manifestPath = commandLine->Value("--manifest").value_or("");
    if (auto const text = commandLine->Value("--partition")) {
        auto const number = ParseCount(*text);
        if (!number || *number > 0xFFFFFFFFll) return Refuse("--partition takes a partition number");
        options.s64Partition = *number;
    }
    if (auto const text = commandLine->Value("--types")) {
        auto const mask = ParseCount(*text);
        if (!mask || *mask < 1 || *mask > 63) return Refuse("--types takes a category mask from 1 to 63");
        options.uTypes = static_cast<unsigned int>(*mask);
    }
    if (auto const text = commandLine->Value("--stop-after")) {
        char* pEnd = nullptr;
        options.dStopAfterSeconds = std::strtod(text->c_str(), &pEnd);
        if (!pEnd || *pEnd != '\0' || !(options.dStopAfterSeconds > 0))
            return Refuse("--stop-after takes a positive number of seconds");
    }
    if (auto const text = commandLine->Value("--searchers")) {
        auto const searchers = ParseSearchers(*text);
        if (!searchers) return std::nullopt;
        options.uSearchers = *searchers;
    }
    if (auto const text = commandLine->Value("--threads")) {
        auto const threads = ParseCount(*text);
        if (!threads || *threads < 1 || *threads > 256) return Refuse("--threads takes a thread count from 1 to 256");
        options.uThreads = static_cast<unsigned>(*threads);
    }
    if (options.bHash && !options.bPassthrough) return Refuse("--hash goes with --passthrough");
    if (options.bVolume && options.s64Partition >= 0) return Refuse("--volume and --partition exclude each other");
    return options;
}

}  // namespace scanbench
