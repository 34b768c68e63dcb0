#pragma once
// Recognises an NTFS volume when volumes are probed, and states its length in device sectors.
#include <cstdint>

#include "engine/IVolumeAnalyze.h"

class CNTFSVolumeAnalyze final : public IVolumeAnalyze {
public:
    explicit CNTFSVolumeAnalyze(std::uint64_t u64TotalSectors) : m_u64TotalSectors(u64TotalSectors) {}

    std::uint32_t GetFileSystemType() override;
    unsigned long long GetTotalSector() override { return m_u64TotalSectors; }
    /// Labels are not read here: always empty.
    void GetLabel(char* pszLabel, int iSize) override;

private:
    std::uint64_t m_u64TotalSectors = 0;
};

/// A new analyser (the caller deletes it) when the sector at `u64Start` is a sound NTFS boot
/// sector with a FILE record of 1-4 KiB and clusters of whole device sectors; null otherwise.
IVolumeAnalyze* CreateNTFSVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64Start);
