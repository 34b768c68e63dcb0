#pragma once
// The disks and volumes the user may scan, numbered for the disk page and the scan.
#include <atomic>
#include <map>
#include <memory>
#include <string>
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

    /// Enumerates the machine's disks, then the disk images added; READY when either lists a
    /// disk, FAILED otherwise.
    void InitDeviceInfo();
    /// Lists `path` (a disk-image file CheckDiskImage found listable) after the machine's disks
    /// from the next InitDeviceInfo on, for the rest of the process. A file listed already is
    /// not added twice.
    void AddDiskImage(std::string const& path);
    /// The disk index of the listed disk that is the file `path`: an image added here, or a disk of
    /// the machine that is that file (a loop device serving it, the block device itself); -1 when
    /// none is.
    int DiskIndexOfImage(std::string const& path) const;
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

    /// What tells the listed disk or volume from another medium of the same name and size: its
    /// partition table's id, else its file system's serial (platform::ReadMediumId); "" when it
    /// has neither or cannot be read.
    static std::string MediumIdOf(IStorageDevice* pDevice);

    static CCollectDiskDeviceInfoStruct* GetDiskInfo(IStorageDevice* pDevice);
    static CCollectedVolumeDeviceInfoStruct* GetVolumeInfo(IStorageDevice* pDevice);
    static bool IsSupportVolume(CCollectedVolumeDeviceInfoStruct const* pInfo);
    static bool IsVolumeStorageSupported(IStorageDevice* pVolume);

private:
    /// Lets every listed node go until it is read: a medium detached while the list shows is
    /// not held open (and so not kept listed) by the list.
    void ParkListedDevices() const;
    /// The enumerator that listed `pDisk`: the machine's or the images'.
    IEnumDeviceEx* EnumeratorOf(IStorageDevice const* pDisk) const;

    IEnumDeviceEx* m_pEnumerator;
    std::vector<std::string> m_imagePaths;  // in the order they were added
    std::unique_ptr<IEnumDeviceEx> m_pImages;
    std::vector<IStorageDevice*> m_imageDisks;  // in m_imagePaths' order; an image that no longer opens is left out
    std::map<int, IStorageDevice*> m_disks;
    std::map<IStorageDevice*, std::vector<IStorageDevice*>> m_volumes;
    std::atomic<int> m_iInitState{DEVICE_INIT_NEVER};  // read by the page while the list is made
    std::atomic<RESULT> m_initResult{kResultSuccess};
};

}  // namespace uimodel
