#include "engine/VolumeDescription.h"

#include <algorithm>
#include <cstring>

#include "engine/IStorageDevice.h"
#include "engine/IVolumeAnalyze.h"
#include "engine/ReleasePtr.h"
#include "engine/Types.h"

namespace recovery {

bool DescribeVolume(IStorageDevice* pDevice, std::string_view name, CCollectedVolumeDeviceInfoStruct& record) {
    if (!pDevice || pDevice->GetSectorSize() <= 0 || pDevice->GetTotalSectors() <= 0) return false;
    record.s64SectorSize = pDevice->GetSectorSize();
    record.s64TotalSectors = pDevice->GetTotalSectors();

    std::size_t const nameLength = std::min(name.size(), sizeof(record.szVolumeName) - 1);
    std::memset(record.szVolumeName, 0, sizeof(record.szVolumeName));
    std::memcpy(record.szVolumeName, name.data(), nameLength);

    std::memset(record.szLabel, 0, sizeof(record.szLabel));
    record.u32FileSystemType = FILE_SYSTEM_UNRECOGNISED;
    ReleasePtr<IVolumeAnalyzeController> pAnalysis(CreateVolumeAnalyzeController(pDevice, 0));
    if (IVolumeAnalyze* pAnalyser = pAnalysis->GetVolumeAnzlyzer()) {
        record.u32FileSystemType = pAnalyser->GetFileSystemType();
        // The last byte stays zero whatever the analyser copies.
        pAnalyser->GetLabel(record.szLabel, static_cast<int>(sizeof(record.szLabel) - 1));
    }
    return true;
}

}  // namespace recovery
