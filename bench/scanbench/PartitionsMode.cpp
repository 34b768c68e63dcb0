// scanbench partitions <device-or-image>: the partition-table analysis of a disk or image,
// entry by entry, for a check against sfdisk -d, sgdisk -p and parted unit s print free; then
// the partition devices and volumes the device list would offer for it.
#include <cstdio>
#include <memory>
#include <vector>

#include "CommandLine.h"
#include "DeviceRecordPrint.h"
#include "Modes.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/enumerate/DiskListing.h"

namespace scanbench {

int RunPartitionsMode(std::span<char* const> args) {
    auto const commandLine = CCommandLine::Parse(args, {}, 1);
    if (!commandLine) return kUsageError;
    std::string const& path = commandLine->Operand(0);
    auto pListing = enumerate::CDiskListing::FromImage(path);
    if (!pListing) {
        std::fprintf(stderr, "scanbench: cannot open %s as a disk\n", path.c_str());
        return 1;
    }
    PrintDeviceRecord(pListing->Disk(), "");
    std::unique_ptr<IPartitionTableAnalyze> pAnalyze(CreatePartitionTableAnalyze());
    std::vector<PartitionEntry> entries;
    RESULT const result = pAnalyze->AnalyzePartitionTable(pListing->Disk(), entries);
    std::printf("analysis result=0x%llx module=0x%02x code=%u entries=%zu\n", static_cast<unsigned long long>(result),
                Failed(result) ? ResultModule(result) : 0, ResultCode(result), entries.size());
    for (PartitionEntry const& entry : entries) PrintPartitionEntry(entry);
    for (IStorageDevice* pPartition : pListing->Partitions()) PrintDeviceRecord(pPartition, "  ");
    for (IStorageDevice* pVolume : pListing->Volumes()) PrintDeviceRecord(pVolume, "  ");
    return Failed(result) ? 1 : 0;
}

}  // namespace scanbench
