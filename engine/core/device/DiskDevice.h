#pragma once
// A whole disk, read through its node (or a disk image); accepts a disk record.
#include <string>
#include <utility>

#include "engine/core/device/RawStorageDevice.h"

class CDiskDevice final : public CRawStorageDevice {
public:
    explicit CDiskDevice(std::string path)
        : CRawStorageDevice(std::move(path), STORAGE_DEVICE_DISK, &engine::DiskRecordGeometry) {}
};
