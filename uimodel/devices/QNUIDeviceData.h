#pragma once
// The disks and volumes the user may scan, numbered for the disk page and the scan.
#include <atomic>
#include <map>
#include <vector>

#include "engine/IEnumDeviceEx.h"
#include "engine/IStorageDeviceData.h"
#include "uimodel/devices/DiskVolumeData.h"

class IStorageDevice;

namespace uimodel {

enum DeviceInitState : int {
    DEVICE_INIT_NEVER = 0,
    DEVICE_INIT_STARTED = 1,
    DEVICE_INIT_READY = 2,
    DEVICE_INIT_FAILED = 3,  // the enumerator failed; the next request enumerates again
};

class QNUIDeviceData {
public:
    /// Over `pEnumerator` (not owned); the machine's enumerator when null.
    explicit QNUIDeviceData(IEnumDeviceEx* pEnumerator = nullptr);
    static QNUIDeviceData& instance();

    /// Enumerates; READY on success, FAILED otherwise.
    void InitDeviceInfo();
    /// Drops the enumeration. Only while no job runs and after every device user let go.
    void Clear();
    int GetInitState() const { return m_iInitState.load(); }
    /// The enumerator's answer to the last enumeration (its failure says why the list is empty).
    RESULT GetInitResult() const { return m_initResult.load(); }

    void GetDiskStorageMap(int iForce);
    void GetVolumeStorageMap(int iForce);

    void GetAllDeviceInfo(std::vector<_DiskVolumeData>& rows) const;
    bool GetDiskDataByStorage(IStorageDevice* pDisk, _DiskVolumeData& row) const;
    void GetDiskVolumeInfo(IStorageDevice* pDisk, std::vector<_DiskVolumeData>& rows) const;
    bool GetVolumeDataByStorage(IStorageDevice* pVolume, _DiskVolumeData& row) const;
    static bool GetDiskDataByDiskInfo(CCollectDiskDeviceInfoStruct const* pInfo, _DiskVolumeData& row);
    bool GetVolumeDataByVolumeInfo(CCollectedVolumeDeviceInfoStruct const* pInfo, _DiskVolumeData& row) const;

    IStorageDevice* GetStorageByDiskVolumeIndex(int iDisk, int iVolume) const;
    IStorageDevice* GetDiskStorageByIndex(int iDisk) const;
    IStorageDevice* GetVolumeStorageByIndex(IStorageDevice* pDisk, int iVolume) const;
    bool GetDiskVolumeIndexByStorage(IStorageDevice* pDevice, int& iDisk, int& iVolume) const;
    int GetDiskIndexByStorage(IStorageDevice* pDisk) const;
    IStorageDevice* GetDiskStorageByVolumeStorage(IStorageDevice* pVolume) const;
    int GetVolumeIndexByStorage(IStorageDevice* pDisk, IStorageDevice* pVolume) const;
    bool IsDiskStorage(IStorageDevice* pDevice) const;
    void GetDiskVolumeStorage(IStorageDevice* pDisk, std::vector<IStorageDevice*>& volumes) const;

    static CCollectDiskDeviceInfoStruct* GetDiskInfo(IStorageDevice* pDevice);
    static CCollectedVolumeDeviceInfoStruct* GetVolumeInfo(IStorageDevice* pDevice);
    static bool IsSupportVolume(CCollectedVolumeDeviceInfoStruct const* pInfo);
    static bool IsVolumeStorageSupported(IStorageDevice* pVolume);

private:
    IEnumDeviceEx* m_pEnumerator;
    std::map<int, IStorageDevice*> m_disks;
    std::map<IStorageDevice*, std::vector<IStorageDevice*>> m_volumes;
    std::atomic<int> m_iInitState{DEVICE_INIT_NEVER};  // read by the page while the list is made
    std::atomic<RESULT> m_initResult{kResultSuccess};
};

}  // namespace uimodel
