#pragma once
// The exFAT allocation table, read through 1 MiB windows: a FAT of a large volume runs to
// hundreds of MiB, so only the windows in use are held, at most nine (9 MiB) at a time.
#include <cstdint>
#include <map>
#include <vector>

class IStorageDevice;

class CFatTable {
public:
    static constexpr std::uint32_t kWindowBytes = 1u << 20;
    static constexpr std::size_t kMaxWindows = 9;
    static constexpr std::uint32_t kNoCluster = 0xFFFFFFFF;

    /// Loads the first window of the FAT at `s64StartSector` (`u32Sectors` long) of the device
    /// (not owned). False, with nothing loaded, for an empty range, one that does not end before
    /// the device's last sector, a sector size that is not a divisor of 1 MiB, or a failed read.
    bool CreateFatTable(IStorageDevice* pDevice, long long s64StartSector, std::uint32_t u32Sectors);
    /// At least one window is loaded.
    bool IsValid() const { return !m_windows.empty(); }
    /// The FAT entry of `u32Cluster`; kNoCluster when no table is loaded, the entry lies past
    /// the FAT's end, or its window cannot be read.
    std::uint32_t GetNextCluster(std::uint32_t u32Cluster);
    /// Frees every window and forgets the geometry.
    void ClearFatData();

private:
    /// The window that starts `u64WindowSector` sectors into the FAT, loading it (and dropping
    /// the lowest window when nine are held); null when it cannot be read.
    std::vector<std::uint8_t> const* Window(std::uint64_t u64WindowSector);

    IStorageDevice* m_pDevice = nullptr;  // not owned
    long long m_s64StartSector = 0;
    std::uint32_t m_u32Sectors = 0;
    std::uint32_t m_u32WindowSectors = 0;
    std::uint32_t m_u32SectorSize = 0;
    std::map<std::uint64_t, std::vector<std::uint8_t>> m_windows;  // by first sector within the FAT
};
