#pragma once
// A volume device that shows the volume header the scan found at byte 1024, whatever the
// device holds there: a volume whose primary header was zeroed or overwritten opens from its
// alternate. Every other byte is the device's own.
#include "engine/core/device/ForwardingDevice.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

namespace hfsplus {

class CHFSPlusHeaderOverlayDevice final : public CForwardingDevice {
public:
    /// `pDevice` (not owned) must outlive the overlay.
    CHFSPlusHeaderOverlayDevice(IStorageDevice* pDevice, RawVolumeHeader const& header)
        : CForwardingDevice(*pDevice), m_header(header) {}

    /// The device's sectors, with the header's bytes laid over byte 1024 where the read covers it.
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    /// Not taken: the device beneath keeps its own record.
    void SetPrivateData(IStorageDeviceData*) override {}

private:
    RawVolumeHeader m_header;
};

}  // namespace hfsplus
