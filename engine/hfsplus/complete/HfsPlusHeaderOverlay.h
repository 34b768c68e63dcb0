#pragma once
// A volume device that shows the volume header the scan found at byte 1024, whatever the
// device holds there: a volume whose primary header was zeroed or overwritten opens from its
// alternate. Every other byte is the device's own.
#include <array>
#include <cstdint>

#include "engine/IStorageDevice.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

namespace hfsplus {

using RawVolumeHeader = std::array<std::uint8_t, kVolumeHeaderSize>;

class CHFSPlusHeaderOverlayDevice final : public IStorageDevice {
public:
    /// `pDevice` (not owned) must outlive the overlay.
    CHFSPlusHeaderOverlayDevice(IStorageDevice* pDevice, RawVolumeHeader const& header) : m_pDevice(pDevice), m_header(header) {}

    int Open() override { return m_pDevice->Open(); }
    int Close() override { return m_pDevice->Close(); }
    /// The device's sectors, with the header's bytes laid over byte 1024 where the read covers it.
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    int GetSectorSize() override { return m_pDevice->GetSectorSize(); }
    long long GetTotalSectors() override { return m_pDevice->GetTotalSectors(); }
    int IOCtl(unsigned long long u64Request, void* pArgument) override { return m_pDevice->IOCtl(u64Request, pArgument); }
    IStorageDeviceData* GetPrivateData() override { return m_pDevice->GetPrivateData(); }
    /// Not taken: the device beneath keeps its own record.
    void SetPrivateData(IStorageDeviceData*) override {}
    int GetType() override { return m_pDevice->GetType(); }
    RESULT GetLastError() override { return m_pDevice->GetLastError(); }

private:
    IStorageDevice* m_pDevice;  // not owned
    RawVolumeHeader m_header;
};

}  // namespace hfsplus
