// Sequential read of a whole device through IStorageDevice, the way a complete scan reads it.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "CommandLine.h"
#include "Modes.h"
#include "engine/IStorageDevice.h"

namespace scanbench {

namespace {

constexpr std::int64_t kBlockBytes = 4 * 1024 * 1024;  // the complete scan's block size

}  // namespace

int RunReadMode(std::span<char* const> args) {
    auto const commandLine = CCommandLine::Parse(args, {}, 1);
    if (!commandLine) return kUsageError;
    char const* pszPath = commandLine->Operand(0).c_str();
    std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(pszPath));
    if (!pDevice || !pDevice->Open()) {
        std::fprintf(stderr, "scanbench: cannot open %s (result 0x%016llx)\n", pszPath,
                     static_cast<unsigned long long>(pDevice ? pDevice->GetLastError() : 0));
        return 1;
    }
    std::int64_t const s64SectorSize = pDevice->GetSectorSize();
    std::int64_t const s64TotalSectors = pDevice->GetTotalSectors();
    if (s64SectorSize <= 0 || s64TotalSectors <= 0) {
        std::fprintf(stderr, "scanbench: %s reports no sectors\n", pszPath);
        return 1;
    }
    std::int64_t const s64BlockSectors = std::max<std::int64_t>(1, kBlockBytes / s64SectorSize);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(s64BlockSectors * s64SectorSize));

    std::uint64_t u64Bytes = 0;
    auto const start = std::chrono::steady_clock::now();
    for (std::int64_t s64First = 0; s64First < s64TotalSectors; s64First += s64BlockSectors) {
        std::int64_t const s64Count = std::min(s64BlockSectors, s64TotalSectors - s64First);
        if (!pDevice->ReadSector(buffer.data(), s64First, s64Count)) {
            std::fprintf(stderr, "scanbench: read failed at sector %lld (result 0x%016llx)\n",
                         static_cast<long long>(s64First), static_cast<unsigned long long>(pDevice->GetLastError()));
            return 1;
        }
        u64Bytes += static_cast<std::uint64_t>(s64Count * s64SectorSize);
    }
    double const dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double const dMbps = dSeconds > 0 ? static_cast<double>(u64Bytes) / 1e6 / dSeconds : 0.0;

    std::printf("sector size:   %lld\n", static_cast<long long>(s64SectorSize));
    std::printf("total sectors: %lld\n", static_cast<long long>(s64TotalSectors));
    std::printf("bytes read:    %llu\n", static_cast<unsigned long long>(u64Bytes));
    std::printf("seconds:       %.3f\n", dSeconds);
    std::printf("MB/s:          %.1f\n", dMbps);
    std::printf("RESULT mode=read bytes=%llu seconds=%.6f mbps=%.1f\n", static_cast<unsigned long long>(u64Bytes),
                dSeconds, dMbps);
    return 0;
}

}  // namespace scanbench
