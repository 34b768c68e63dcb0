#pragma once
// Recognises a volume's file system by asking each file system's analyser in a fixed order.
#include <memory>
#include <vector>

#include "engine/IVolumeAnalyze.h"

class CVolumeAnalyzeController final : public IVolumeAnalyzeController {
public:
    /// Builds the analysers FAT, exFAT, NTFS, HFS+ in that order; those whose factory is
    /// missing or answers null are left out.
    CVolumeAnalyzeController(IStorageDevice* pDevice, unsigned long long u64Start);

    IVolumeAnalyze* GetVolumeAnzlyzer() override;
    void Release() override { delete this; }

private:
    std::vector<std::unique_ptr<IVolumeAnalyze>> m_analysers;
};
