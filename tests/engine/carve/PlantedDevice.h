#pragma once
// A large device that costs no memory: zeros (or deterministic random bytes) everywhere except
// where byte strings were planted. It counts reads and can fail chosen reads, for the tests of
// the signature search's ring.
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "engine/IStorageDevice.h"

namespace carvetest {

class CPlantedDevice final : public IStorageDevice {
public:
    CPlantedDevice(std::uint64_t u64TotalSectors, std::uint32_t u32SectorSize, bool bRandomBackground = false);

    /// Writes `bytes` at byte offset `u64Offset` (later plants win where they overlap).
    void Plant(std::uint64_t u64Offset, std::vector<std::uint8_t> bytes);
    /// A read for which `fails(first, count)` is true fails.
    void SetFailingReads(std::function<bool(long long, long long)> fails) { m_fails = std::move(fails); }
    std::uint64_t ReadCount() const { return m_u64Reads; }
    /// The bytes of [offset, offset + length) as the device holds them.
    std::vector<std::uint8_t> Bytes(std::uint64_t u64Offset, std::size_t length) const;

    int Open() override { return 1; }
    int Close() override { return 1; }
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    int GetSectorSize() override { return static_cast<int>(m_u32SectorSize); }
    long long GetTotalSectors() override { return static_cast<long long>(m_u64TotalSectors); }
    int IOCtl(unsigned long long, void*) override { return 0; }
    IStorageDeviceData* GetPrivateData() override { return nullptr; }
    void SetPrivateData(IStorageDeviceData*) override {}
    int GetType() override { return 0; }
    RESULT GetLastError() override { return 0; }

private:
    void Fill(std::uint64_t u64Offset, std::uint8_t* pOut, std::size_t length) const;

    std::uint64_t m_u64TotalSectors;
    std::uint32_t m_u32SectorSize;
    bool m_bRandom;
    std::map<std::uint64_t, std::vector<std::uint8_t>> m_plants;  // by byte offset
    std::function<bool(long long, long long)> m_fails;
    std::uint64_t m_u64Reads = 0;
};

}  // namespace carvetest
