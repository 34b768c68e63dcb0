#include "engine/core/recovery/ControllerSupport.h"

#include <unistd.h>

#include <cstring>

#include "engine/IRestoreScanSink.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/ReleasePtr.h"
#include "engine/core/copyout/DataRecovery.h"

namespace recovery {

namespace {

CCollectedVolumeDeviceInfoStruct* VolumeRecord(IStorageDevice* pDevice) {
    if (!pDevice || pDevice->GetType() != STORAGE_DEVICE_VOLUME) return nullptr;
    auto* pData = dynamic_cast<IVolumeDeviceData*>(pDevice->GetPrivateData());
    return pData ? pData->GetVolumeInfo() : nullptr;
}

}  // namespace

void ReportProgress(IProgress* pProgress, std::uint32_t u32State, std::uint64_t u64Total, std::uint64_t u64Done,
                    RESULT error) {
    _PROGRESS_INFO info;
    info.u32State = u32State;
    info.u64Total = u64Total;
    info.u64Done = u64Done;
    info.u64Error = error;
    pProgress->UpdateProgress(&info);
}

std::string DeviceDescription(IStorageDevice* pDevice) {
    CCollectedVolumeDeviceInfoStruct const* pRecord = VolumeRecord(pDevice);
    if (!pRecord || pRecord->u32State != 0) return {};
    return std::string(pRecord->szVolumeName, strnlen(pRecord->szVolumeName, sizeof(pRecord->szVolumeName)));
}

RESULT CreateRunBuilder(bool bRestore, IStorageDevice* pDevice, IDrirectoryTree* pTree, IRecoveryFilter* pFilter,
                        ReleasePtr<IDirecotryTreeBuilder>& pBuilder) {
    pBuilder.reset(CreateTreeBuilder(bRestore));
    if (!pBuilder) return ENGINE_RESULT(kModuleRecoveryController, kCodeOutOfMemory);
    std::string const description = DeviceDescription(pDevice);
    if (!pBuilder->Initialize(description.c_str(), pTree, pFilter)) return ENGINE_RESULT(kModuleRecoveryController, 1);
    return kResultSuccess;
}

FileSystemType VolumeFileSystem(IStorageDevice* pDevice) {
    // A quick scan only needs to know the file system; it goes on with any record state.
    auto* pData = pDevice ? dynamic_cast<IVolumeDeviceData*>(pDevice->GetPrivateData()) : nullptr;
    CCollectedVolumeDeviceInfoStruct const* pRecord = pData ? pData->GetVolumeInfo() : nullptr;
    if (!pRecord || pRecord->u32FileSystemType > FILE_SYSTEM_UNRECOGNISED) return FILE_SYSTEM_UNRECOGNISED;
    return static_cast<FileSystemType>(pRecord->u32FileSystemType);
}

IDataRecovery* MakeDataRecovery(IRestoreScanSink* pSink, _tagSearcherType eType, IFileSystemSearchController* pSearcher,
                                IStorageDevice* pDevice) {
    ReleasePtr<CDataRecovery> pRecovery(new CDataRecovery());
    RESULT const result = pSink ? pRecovery->Initialize(pSink->GetSearchedPartition(eType), pDevice)
                                : pRecovery->Initialize(pSearcher, pDevice);
    if (Failed(result)) return nullptr;
    return pRecovery.release();
}

void FlushFileSystems() { ::sync(); }

}  // namespace recovery
