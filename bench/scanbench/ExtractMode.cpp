// Copies one file, given by its runs, through copy-out: a way to hold the engine's reading of a
// file system against another tool's view of the same image.
#include <charconv>
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
#include "testkit/RunListNode.h"
#include "Modes.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "engine/SearchedPartitionInfo.h"

namespace scanbench {

namespace {

constexpr char kUsage[] =
    "usage: scanbench extract <device-or-image> --start <sector> --cluster-sectors <n> --size <bytes>\n"
    "                         --runs <LCN:LEN,...> [--ntfs-compressed] --to <file>\n"
    "       numbers are decimal or 0x-prefixed hex; an LCN of '-' is a hole\n";

std::optional<long long> ParseNumber(std::string_view text) {
    int iBase = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        iBase = 16;
    }
    long long s64Value = 0;
    auto const [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), s64Value, iBase);
    if (error != std::errc() || pEnd != text.data() + text.size() || s64Value < 0) return std::nullopt;
    return s64Value;
}

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
        auto const length = ParseNumber(item.substr(colon + 1));
        auto const start = lcn == "-" ? std::optional<long long>(-1) : ParseNumber(lcn);
        if (!start || !length || *length == 0) return std::nullopt;
        runs.push_back({*start, *length});
    }
    return runs;
}

struct ExtractArguments {
    char const* pszDevice = nullptr;
    char const* pszTarget = nullptr;
    long long s64StartSector = -1;
    long long s64ClusterSectors = 0;
    long long s64Size = -1;
    std::vector<DataRun> runs;
    bool bCompressed = false;
};

std::optional<ExtractArguments> ParseArguments(std::span<char* const> args) {
    if (args.empty()) return std::nullopt;
    ExtractArguments parsed;
    parsed.pszDevice = args[0];
    bool bHaveRuns = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string_view const name = args[i];
        if (name == "--ntfs-compressed") {
            parsed.bCompressed = true;
            continue;
        }
        if (i + 1 >= args.size()) return std::nullopt;
        std::string_view const value = args[++i];
        if (name == "--to") {
            parsed.pszTarget = args[i];
        } else if (name == "--runs") {
            auto runs = ParseRuns(value);
            if (!runs) return std::nullopt;
            parsed.runs = std::move(*runs);
            bHaveRuns = true;
        } else {
            auto const number = ParseNumber(value);
            if (!number) return std::nullopt;
            if (name == "--start") parsed.s64StartSector = *number;
            else if (name == "--cluster-sectors") parsed.s64ClusterSectors = *number;
            else if (name == "--size") parsed.s64Size = *number;
            else return std::nullopt;
        }
    }
    if (parsed.pszTarget == nullptr || !bHaveRuns || parsed.s64StartSector < 0 || parsed.s64ClusterSectors <= 0 ||
        parsed.s64ClusterSectors > 0xFFFFFFFF || parsed.s64Size < 0)
        return std::nullopt;
    return parsed;
}

}  // namespace

int RunExtractMode(std::span<char* const> args) {
    auto const parsed = ParseArguments(args);
    if (!parsed) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(parsed->pszDevice));
    if (!pDevice || !pDevice->Open()) {
        std::fprintf(stderr, "scanbench: cannot open %s\n", parsed->pszDevice);
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
    result = pRecovery->RecoverTo(parsed->pszTarget, nullptr, 0);
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
