#pragma once
// A mounted volume, read through its node; accepts a volume record.
#include <string>
#include <utility>

#include "engine/core/device/RawStorageDevice.h"

class CVolumeDevice final : public CRawStorageDevice {
public:
    explicit CVolumeDevice(std::string path)
        : CRawStorageDevice(std::move(path), STORAGE_DEVICE_VOLUME, &engine::VolumeRecordGeometry) {}
};
