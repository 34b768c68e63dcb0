#include "engine/core/partition/PartitionTableChainAnalyzer.h"

#include <algorithm>
#include <optional>
#include <set>

#include "engine/IStorageDevice.h"
#include "engine/core/partition/Mbr.h"
#include "engine/core/partition/PartitionListing.h"

namespace partition {

namespace {

constexpr std::uint32_t kLastPrimaryIndex = 4;

RESULT BadTable() { return ENGINE_RESULT(kModulePartitionTable, kCodePartitionBadTable); }

/// Reads one MBR or EBR sector; its entries only when the signature and every boot indicator hold.
std::optional<MbrSector> ReadTableSector(IStorageDevice* pDisk, std::uint64_t u64Sector, RESULT& error) {
    auto bytes = ReadSectors(pDisk, u64Sector, 1, error);
    if (!bytes) return std::nullopt;
    auto parsed = ParseMbrSector(engine::ByteView(*bytes));
    if (!parsed || !parsed->bBootIndicatorsValid) {
        error = BadTable();
        return std::nullopt;
    }
    return parsed;
}

bool AlreadyListed(std::vector<PartitionEntry> const& entries, std::uint64_t u64Start) {
    return std::any_of(entries.begin(), entries.end(),
                       [u64Start](PartitionEntry const& entry) { return entry.u64StartSector == u64Start; });
}

/// Walks the EBRs from the first one. Every EBR sector is read at most once and the chain is
/// capped, so links that loop back or run on for thousands of steps end with code 6.
RESULT AnalyzeEMBR(IStorageDevice* pDisk, std::uint64_t u64ExtendedStart, std::vector<PartitionEntry>& entries) {
    std::uint64_t const u64DeviceSectors = DeviceSectors(pDisk);
    std::set<std::uint64_t> visited;
    std::uint32_t u32Index = kLastPrimaryIndex;
    std::size_t logicalCount = 0;
    std::uint64_t u64Ebr = u64ExtendedStart;
    for (;;) {
        if (!visited.insert(u64Ebr).second || visited.size() > kMaxLogicalPartitions) return BadTable();
        RESULT error = kResultSuccess;
        auto sector = ReadTableSector(pDisk, u64Ebr, error);
        if (!sector) return error;

        std::optional<std::uint64_t> link;
        for (CPartitionTableEntry const& entry : sector->entries) {
            if (!entry.IsValidPartitionTableEntry()) continue;
            std::uint64_t const u64Start = u64Ebr + entry.u32LeadSectors;  // no overflow: both below 2^33
            if (AlreadyListed(entries, u64Start)) break;
            if (entry.IsExtenedPartition()) {
                if (link) return BadTable();
                link = u64ExtendedStart + entry.u32LeadSectors;
                continue;
            }
            if (++logicalCount > kMaxLogicalPartitions) return BadTable();
            PartitionEntry listed;
            listed.u32PartitionIndex = ++u32Index;
            AppendOnDevice(entries, listed, u64Start, entry.u32TotalSectors, u64DeviceSectors);
        }
        if (!link) return kResultSuccess;
        u64Ebr = *link;
    }
}

}  // namespace

RESULT AnalyzePartitionTableChain(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries) {
    entries.clear();
    if (!pDisk) return ENGINE_RESULT(kModulePartitionTable, kCodeBadArgument);
    RESULT error = kResultSuccess;
    auto mbr = ReadTableSector(pDisk, 0, error);
    if (!mbr) return error;

    std::uint64_t const u64DeviceSectors = DeviceSectors(pDisk);
    for (std::size_t i = 0; i < mbr->entries.size(); ++i) {
        CPartitionTableEntry const& entry = mbr->entries[i];
        if (!entry.IsValidPartitionTableEntry()) continue;
        if (entry.IsExtenedPartition()) {
            RESULT const chain = AnalyzeEMBR(pDisk, entry.u32LeadSectors, entries);
            if (Failed(chain)) return chain;
            continue;
        }
        PartitionEntry listed;
        listed.u32PartitionIndex = static_cast<std::uint32_t>(i + 1);
        AppendOnDevice(entries, listed, entry.u32LeadSectors, entry.u32TotalSectors, u64DeviceSectors);
    }
    return kResultSuccess;
}

}  // namespace partition
