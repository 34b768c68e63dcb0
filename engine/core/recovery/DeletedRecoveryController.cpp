#include "engine/core/recovery/DeletedRecoveryController.h"

#include "engine/CatchExeception.h"
#include "engine/EngineEntryPoints.h"
#include "engine/IProgress.h"
#include "engine/IRestoreScanSink.h"
#include "engine/IStorageDevice.h"
#include "engine/core/recovery/ControllerSupport.h"

namespace {

struct QuickSearcherChoice {
    EngineEntryPoints::QuickSearcherFactory const* pFactory = nullptr;
    _tagSearcherType eType = SEARCHER_TYPE_NONE;
};

QuickSearcherChoice ChooseQuickSearcher(FileSystemType eFileSystem) {
    EngineEntryPoints const& entries = GetEngineEntryPoints();
    _tagSearcherType const eType = SearcherTypeOf(eFileSystem);
    switch (eType) {
        case SEARCHER_TYPE_FAT:
            return {&entries.CreateFATQuickSearcher, eType};
        case SEARCHER_TYPE_NTFS:
            return {&entries.CreateNTFSQuickSearcher, eType};
        case SEARCHER_TYPE_EXFAT:
            return {&entries.CreateEXFatQuickSearcher, eType};
        case SEARCHER_TYPE_HFSPLUS:
            return {&entries.CreateHFSPlusQuickSearcher, eType};
        default:
            return {};
    }
}

}  // namespace

int CDeletedRecoveryController::Initialize(IRecoveryFilter* pFilter) {
    m_pFilter = pFilter;
    return pFilter ? 1 : 0;
}

RESULT CDeletedRecoveryController::StartDataRecovery(IStorageDevice* pDevice, IProgress* pProgress,
                                                     IDrirectoryTree* pTree) {
    if (!pDevice || !pProgress || !pTree) return ENGINE_RESULT(kModuleRecoveryController, 1);
    recovery::ReportProgress(pProgress, PROGRESS_STATE_RUNNING, 1, 0);
    if (pDevice->GetType() == STORAGE_DEVICE_DISK) return ENGINE_RESULT(kModuleRecoveryController, kCodeWholeDisk);

    Run run;
    run.pDevice = pDevice;
    if (RESULT const made = recovery::CreateRunBuilder(false, pDevice, pTree, m_pFilter, run.pBuilder); Failed(made))
        return made;

    QuickSearcherChoice const choice = ChooseQuickSearcher(recovery::VolumeFileSystem(pDevice));
    if (choice.pFactory && *choice.pFactory) run.pSearcher.reset((*choice.pFactory)());
    if (!run.pSearcher) {
        recovery::ReportProgress(pProgress, PROGRESS_STATE_FINISHED, 1, 1);
        return ENGINE_RESULT(kModuleRecoveryController, kCodeNoQuickSearcher);
    }
    run.eType = choice.eType;
    run.pSearcher->SetDirecotryTreeBuilder(run.pBuilder.get());
    // The builder shows each root before its nodes, and the UI model asks for the copy-out
    // object right then: the run must be findable before the search starts.
    m_runs.push_back(std::move(run));
    Run const& current = m_runs.back();

    RESULT result = kResultSuccess;
    if (m_pRestoreSink) {
        m_pRestoreSink->SetDirecotryTreeBuilder(current.pBuilder.get(), pProgress, pDevice);
    } else {
        recovery::FlushFileSystems();
        RESULT const searched = current.pSearcher->QuickSearchFiles(pDevice, pProgress);
        // A searcher cut short by a stop request may answer a failure; that is no failure.
        if (Failed(searched) && pProgress->Continued()) {
            CatchExeception::WriteLog("quick search failed: 0x%016llx\n", static_cast<unsigned long long>(searched));
            result = searched;
        }
    }
    recovery::ReportProgress(pProgress, PROGRESS_STATE_FINISHED, 1, 1, result);
    return result;
}

IDataRecovery* CDeletedRecoveryController::GetDataRecovery(_tagSearcherType eType) const {
    if (m_runs.empty()) return nullptr;
    Run const* pRun = &m_runs.back();
    for (auto it = m_runs.rbegin(); it != m_runs.rend(); ++it) {
        if (it->eType == eType) {
            pRun = &*it;
            break;
        }
    }
    return recovery::MakeDataRecovery(m_pRestoreSink, eType, pRun->pSearcher.get(), pRun->pDevice);
}
