#pragma once
// The quick scan: the one quick searcher that fits a volume's file system walks its metadata.
// The UI model runs it once per volume of a disk and keeps showing the earlier volumes' nodes,
// so every run's builder and searcher stay alive until the controller is released.
#include <memory>
#include <vector>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IFileSystemSearchController.h"
#include "engine/IRecoveryController.h"
#include "engine/ReleasePtr.h"

class CDeletedRecoveryController final : public IRecoveryController {
public:
    _RECOVERY_CONTROLLER_TYPE thisType() const override { return RECOVERY_CONTROLLER_DELETED; }
    int Initialize(IRecoveryFilter* pFilter) override;
    /// Module 0x04: 1 for a null argument or a builder that does not initialise, 4 without a
    /// builder, 0x401 when no quick searcher fits the volume, 0x404 for a whole disk; a failing
    /// search's own code otherwise.
    RESULT StartDataRecovery(IStorageDevice* pDevice, IProgress* pProgress, IDrirectoryTree* pTree) override;
    /// Over the latest run whose searcher is of `eType`, else over the latest run.
    IDataRecovery* GetDataRecovery(_tagSearcherType eType) const override;
    void SetRestoreScanSink(IRestoreScanSink* pSink) override { m_pRestoreSink = pSink; }
    void Release() override { delete this; }

private:
    /// One volume's scan. The searcher goes before its builder, which owns the shown nodes.
    struct Run {
        ReleasePtr<IDirecotryTreeBuilder> pBuilder;
        std::unique_ptr<IQuickFileSystemSearchController> pSearcher;
        _tagSearcherType eType = SEARCHER_TYPE_NONE;
        IStorageDevice* pDevice = nullptr;  // not owned
    };

    IRestoreScanSink* m_pRestoreSink = nullptr;  // not owned
    IRecoveryFilter* m_pFilter = nullptr;        // not owned
    std::vector<Run> m_runs;                     // oldest first
};
