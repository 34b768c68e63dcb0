#pragma once
// Disks and volumes are both read through their node; this is their one implementation. They
// differ only in the type they report and the kind of description record they accept.
#include <atomic>
#include <mutex>
#include <string>

#include "engine/core/device/StorageDeviceBase.h"
#include "platform/RawDevice.h"

class CRawStorageDevice : public CStorageDeviceBase<IStorageDevice> {
public:
    /// Prints "open failed:<errno>" to standard error when the node exists but does not open.
    /// A block device reads in the sectors the system reports; an image file in those its own
    /// data shows (a GPT header or a boot sector), 512 bytes when it shows none.
    int Open() override;
    /// 1 when a node was open, 0 otherwise.
    int Close() override;
    /// Code 5 for a null buffer, a count below 1, a first sector that is negative or (when the
    /// size is known) past the last sector, or a byte range that overflows; code 1 when the read
    /// fails or returns nothing. A request running past the device's end is zero-filled.
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    /// kIoCtlParkNode lets the node go (answers 1); other requests are not supported.
    int IOCtl(unsigned long long u64Request, void* pArgument) override;

protected:
    CRawStorageDevice(std::string path, StorageDeviceType type, engine::RecordGeometryReader pReadGeometry);

private:
    void TakeImageSectorSize();

    /// Opens a parked node again before a read; false when it is no longer the listed device.
    bool Unpark();

    std::string const m_path;
    platform::CRawDevice m_device;
    std::atomic<bool> m_bParked{false};  // readers on several threads reopen the node once
    std::mutex m_unpark;
};
