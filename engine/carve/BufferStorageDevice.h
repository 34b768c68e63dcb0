#pragma once
// The ring of the last blocks the signature search read, seen by the analysers as a storage
// device: a read that lies wholly in the ring's readable blocks is served from memory, any
// other read goes whole to the real device. The blocks held are consecutive on the device.
#include <cstdint>
#include <vector>

#include "engine/IStorageDevice.h"

class CBufferStorageDevice final : public IStorageDevice {
public:
    CBufferStorageDevice() = default;
    CBufferStorageDevice(CBufferStorageDevice const&) = delete;
    CBufferStorageDevice& operator=(CBufferStorageDevice const&) = delete;

    int Open() override { return 1; }
    /// Releases the ring's bytes; answers 1.
    int Close() override;
    /// From memory when the range lies wholly in readable blocks held, else from the real
    /// device (0 without one).
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    int GetSectorSize() override { return m_u32SectorSize != 0 ? static_cast<int>(m_u32SectorSize) : 512; }
    /// The sectors held in the ring, not the device's size.
    long long GetTotalSectors() override { return static_cast<long long>(m_u64SectorsHeld); }
    int IOCtl(unsigned long long, void*) override { return 0; }
    IStorageDeviceData* GetPrivateData() override { return nullptr; }
    void SetPrivateData(IStorageDeviceData*) override {}
    int GetType() override { return 3; }  // a cached device
    RESULT GetLastError() override { return 0; }

    /// Sets up an empty ring of `u32BlockCount` blocks of `u32SectorsPerBlock` sectors, the first
    /// at `u64StartSector`, in front of `pDevice` (not owned). False when the sizes are zero or
    /// the ring would not fit in memory.
    bool InitBufferDevice(IStorageDevice* pDevice, std::uint64_t u64StartSector, std::uint32_t u32SectorSize,
                          std::uint32_t u32SectorsPerBlock, std::uint32_t u32BlockCount);
    bool IsFullBuffer() const { return m_bInitialised && m_u64SectorsHeld == m_u32Capacity; }
    /// Appends one block (sectors-per-block sectors from `pBlock`), dropping the oldest when
    /// full. An unreadable block (`bReadable` false, `pBlock` may be null) still takes its
    /// place, so the ring stays in step with the device; reads touching it go to the device.
    void AddBlockToBuffer(std::uint8_t const* pBlock, bool bReadable = true);
    /// The device sector of the oldest sector held.
    std::uint64_t GetDeviceStartSector() const { return m_u64RingStart; }
    IStorageDevice* GetRealDevice() const { return m_pDevice; }

    /// Reads served from memory and reads passed to the device, since InitBufferDevice.
    std::uint64_t GetMemoryReads() const { return m_u64MemoryReads; }
    std::uint64_t GetDeviceReads() const { return m_u64DeviceReads; }

private:
    bool RangeInRing(std::uint64_t u64First, std::uint64_t u64Count) const;

    std::vector<std::uint8_t> m_ring;
    std::vector<bool> m_blockReadable;  // by ring slot
    std::uint64_t m_u64RingStart = 0;
    std::uint64_t m_u64SectorsHeld = 0;
    std::uint32_t m_u32WritePosition = 0;  // ring sector where the next block goes
    std::uint32_t m_u32SectorsPerBlock = 0;
    std::uint32_t m_u32BlockCount = 0;
    std::uint32_t m_u32Capacity = 0;  // sectors
    bool m_bInitialised = false;
    IStorageDevice* m_pDevice = nullptr;  // not owned
    std::uint32_t m_u32SectorSize = 512;
    std::uint64_t m_u64MemoryReads = 0;
    std::uint64_t m_u64DeviceReads = 0;
};
