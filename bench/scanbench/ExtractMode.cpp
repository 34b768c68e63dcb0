// Copies one file, given by its runs, through copy-out: a way to hold the engine's reading of a
// file system against another tool's view of the same image.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../OnePartitionSearcher.h"
#include "CommandLine.h"
#include "Modes.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "engine/SearchedPartitionInfo.h"
#include "testkit/RunListNode.h"

namespace scanbench {

namespace {

/// "LCN:LEN,..." with '-' for a hole's LCN.
std::optional<std::vector<DataRun>> ParseRuns(std::string_view text) {
    std::vector<DataRun> runs;
    while (!text.empty()) {
        std::size_t const comma = text.find(',');
        std::string_view const item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        std::size_t const colon = item.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        std::string_view const lcn = item.substr(0, colon);
        auto const length = ParseCount(item.substr(colon + 1));
        auto const start = lcn == "-" ? std::optional<long long>(-1) : ParseCount(lcn);
        if (!start || !length || *length == 0) return std::nullopt;
        runs.push_back({*start, *length});
    }
    return runs;
}

struct ExtractArguments {
    std::string device;
    std::string target;
    long long s64StartSector = -1;
    long long s64ClusterSectors = 0;
    long long s64Size = -1;
    std::vector<DataRun> runs;
    bool bCompressed = false;
};

constexpr OptionSpec kOptions[] = {
    {"--start", true}, {"--cluster-sectors", true},  {"--size", true},
    {"--runs", true},  {"--ntfs-compressed", false}, {"--to", true},
};

std::optional<ExtractArguments> ParseArguments(std::span<char* const> args) {
    auto const commandLine = CCommandLine::Parse(args, kOptions, 1);
    if (!commandLine) return std::nullopt;
    auto const start = ParseCount(commandLine->Value("--start").value_or(""));
    auto const clusterSectors = ParseCount(commandLine->Value("--cluster-sectors").value_or(""));
    auto const size = ParseCount(commandLine->Value("--size").value_or(""));
    auto runs = ParseRuns(commandLine->Value("--runs").value_or(""));
    auto const target = commandLine->Value("--to");
    if (!start || !clusterSectors || *clusterSectors == 0 || *clusterSectors > 0xFFFFFFFF || !size || !runs ||
        runs->empty() || !target) {
        std::fprintf(stderr, "scanbench: extract needs --start, --cluster-sectors, --size, --runs and --to\n");
        return std::nullopt;
    }
    ExtractArguments parsed;
    parsed.device = commandLine->Operand(0);
    parsed.target = *target;
    parsed.s64StartSector = *start;
    parsed.s64ClusterSectors = *clusterSectors;
    parsed.s64Size = *size;
    parsed.runs = std::move(*runs);
    parsed.bCompressed = commandLine->Has("--ntfs-compressed");
    return parsed;
}

}  // namespace

int RunExtractMode(std::span<char* const> args) {
    auto const parsed = ParseArguments(args);
    if (!parsed) return kUsageError;
    std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(parsed->device.c_str()));
    if (!pDevice || !pDevice->Open()) {
        std::fprintf(stderr, "scanbench: cannot open %s\n", parsed->device.c_str());
        return 1;
    }

    CSearchedPartitionInfo partition(static_cast<std::uint32_t>(pDevice->GetSectorSize()));
    partition.m_s64StartSector = parsed->s64StartSector;
    partition.m_u32SectorsPerCluster = static_cast<std::uint32_t>(parsed->s64ClusterSectors);
    if (parsed->bCompressed) partition.m_u32FileSystemType = FILE_SYSTEM_NTFS;
    COnePartitionSearcher searcher(partition);

    CRunListNode node(parsed->runs, parsed->s64Size, parsed->bCompressed);

    ReleasePtr<IDataRecovery> pRecovery(CreateDataRecoveryObj());
    RESULT result = pRecovery->Initialize(&searcher, pDevice.get());
    if (Failed(result)) {
        std::fprintf(stderr, "scanbench: copy-out refused the partition (result 0x%016llx)\n",
                     static_cast<unsigned long long>(result));
        return 1;
    }
    ReleasePtr<IFileReader> pClone(pRecovery->SetRecoverNode(&node));
    auto const start = std::chrono::steady_clock::now();
    result = pRecovery->RecoverTo(parsed->target.c_str(), nullptr, 0);
    double const dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double const dMbps = dSeconds > 0 ? static_cast<double>(parsed->s64Size) / 1e6 / dSeconds : 0.0;

    std::printf("bytes:   %lld\n", parsed->s64Size);
    std::printf("seconds: %.3f\n", dSeconds);
    std::printf("MB/s:    %.1f\n", dMbps);
    std::printf("result:  0x%016llx\n", static_cast<unsigned long long>(result));
    std::printf("RESULT mode=extract bytes=%lld seconds=%.6f mbps=%.1f result=0x%llx\n", parsed->s64Size, dSeconds,
                dMbps, static_cast<unsigned long long>(result));
    return Failed(result) ? 1 : 0;
}

}  // namespace scanbench
