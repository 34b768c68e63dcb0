#pragma once
// Recognises an exFAT volume when volumes are probed, and states its length.
#include <cstdint>

#include "engine/IVolumeAnalyze.h"

class CExFatVolumeAnalyer final : public IVolumeAnalyze {
public:
    explicit CExFatVolumeAnalyer(std::uint64_t u64TotalSectors) : m_u64TotalSectors(u64TotalSectors) {}

    std::uint32_t GetFileSystemType() override;
    unsigned long long GetTotalSector() override { return m_u64TotalSectors; }
    /// exFAT labels are not read here: always empty.
    void GetLabel(char* pszLabel, int iSize) override;

private:
    std::uint64_t m_u64TotalSectors = 0;
};

/// A new analyser (the caller deletes it) when the sector at `u64Start` of the device is a valid
/// exFAT boot sector for the device's sector size; null otherwise.
IVolumeAnalyze* CreateExfatVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64Start);
