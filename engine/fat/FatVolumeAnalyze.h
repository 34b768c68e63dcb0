#pragma once
// Recognises a FAT16 or FAT32 volume and reads its size and label.
#include <cstdint>
#include <string>

#include "engine/IVolumeAnalyze.h"

class CFatVolumeAnalyze final : public IVolumeAnalyze {
public:
    /// Reads the volume at `u64Start`; on any failure the analyser answers type 9.
    CFatVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64Start);

    std::uint32_t GetFileSystemType() override { return m_u32Type; }
    unsigned long long GetTotalSector() override { return m_u64TotalSectors; }
    void GetLabel(char* pszLabel, int iSize) override;

private:
    std::uint32_t m_u32Type = 9;
    std::string m_label;
    unsigned long long m_u64TotalSectors = 0;
};

/// Always a new analyser (type 9 when the volume is not FAT16/FAT32); the caller deletes it.
IVolumeAnalyze* CreateFatVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64Start);
