#pragma once
// Recognises an HFS+ or HFSX volume when volumes are probed, and states its length.
#include <cstdint>

#include "engine/IVolumeAnalyze.h"

class IStorageDevice;

class CHFSPlusVolumeAnalyze final : public IVolumeAnalyze {
public:
    CHFSPlusVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64StartSector);

    /// 8 (HFS+) when the volume header is valid, else 9 (not recognised).
    std::uint32_t GetFileSystemType() override { return m_u32Type; }
    /// totalBlocks x blockSize in the device's sectors; 0 when not recognised.
    unsigned long long GetTotalSector() override { return m_u64TotalSectors; }
    /// HFS+ labels are not read here: always empty.
    void GetLabel(char* pszLabel, int iSize) override;

private:
    std::uint32_t m_u32Type;
    unsigned long long m_u64TotalSectors = 0;
};

/// A new analyser (the caller deletes it) for the volume starting at `u64StartSector`; null
/// only when memory runs out.
IVolumeAnalyze* CreateHFSPlusVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64StartSector);
