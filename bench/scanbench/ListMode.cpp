// scanbench list: what the device enumerator offers, disk by disk, with every record field,
// for a check against lsblk -b -o NAME,SIZE,MAJ:MIN.
#include <chrono>
#include <cstdio>
#include <vector>

#include "CommandLine.h"
#include "DeviceRecordPrint.h"
#include "Modes.h"
#include "engine/IEnumDeviceEx.h"

namespace scanbench {

namespace {

/// The devices of one list, through the enumerator's counting call and then the filling one.
template <class Call>
std::vector<IStorageDevice*> Fetch(Call call) {
    int iCount = 0;
    if (Failed(call(nullptr, iCount)) || iCount <= 0) return {};
    std::vector<IStorageDevice*> devices(static_cast<std::size_t>(iCount));
    if (Failed(call(devices.data(), iCount))) return {};
    devices.resize(static_cast<std::size_t>(iCount));
    return devices;
}

}  // namespace

int RunListMode(std::span<char* const> args) {
    if (!CCommandLine::Parse(args, {}, 0)) return kUsageError;
    IEnumDeviceEx* pEnum = CreateEnumDeviceEx();
    auto const start = std::chrono::steady_clock::now();
    RESULT const result = pEnum->Init();
    double const dInitSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (Failed(result)) {
        std::fprintf(stderr, "scanbench: enumeration failed (result 0x%016llx)\n",
                     static_cast<unsigned long long>(result));
        return 1;
    }
    // Every disk is opened and probed once here: this is the wait the device list costs.
    std::printf("init seconds: %.6f\n", dInitSeconds);
    for (IStorageDevice* pDisk : Fetch([&](IStorageDevice**pp, int&n) { return pEnum->EnumDiskDevice(pp, n); })) {
        PrintDeviceRecord(pDisk, "");
        for (IStorageDevice* pPartition :
             Fetch([&](IStorageDevice**pp, int&n) { return pEnum->EnumPartitionDevice(pDisk, pp, n); }))
            PrintDeviceRecord(pPartition, "  ");
        for (IStorageDevice* pVolume :
             Fetch([&](IStorageDevice**pp, int&n) { return pEnum->EnumVolumeDevice(pDisk, pp, n); }))
            PrintDeviceRecord(pVolume, "  ");
    }
    pEnum->Uninit();
    return 0;
}

}  // namespace scanbench
