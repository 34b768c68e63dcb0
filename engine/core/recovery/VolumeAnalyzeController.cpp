#include "engine/core/recovery/VolumeAnalyzeController.h"

#include <functional>

#include "engine/EngineEntryPoints.h"
#include "engine/Types.h"

CVolumeAnalyzeController::CVolumeAnalyzeController(IStorageDevice* pDevice, unsigned long long u64Start) {
    EngineEntryPoints const& entries = GetEngineEntryPoints();
    // The order decides which analyser answers when two recognise the same volume.
    for (auto const* pFactory : {&entries.CreateFatVolumeAnalyze, &entries.CreateExfatVolumeAnalyze,
                                 &entries.CreateNTFSVolumeAnalyze, &entries.CreateHFSPlusVolumeAnalyze}) {
        if (!*pFactory) continue;
        if (IVolumeAnalyze* pAnalyser = (*pFactory)(pDevice, u64Start)) m_analysers.emplace_back(pAnalyser);
    }
}

IVolumeAnalyze* CVolumeAnalyzeController::GetVolumeAnzlyzer() {
    for (auto& pAnalyser : m_analysers) {
        if (pAnalyser->GetFileSystemType() != FILE_SYSTEM_UNRECOGNISED) return pAnalyser.get();
    }
    return nullptr;
}

IVolumeAnalyzeController* CreateVolumeAnalyzeController(IStorageDevice* pDevice, unsigned long long u64Start) {
    return new CVolumeAnalyzeController(pDevice, u64Start);
}
