#pragma once
// Scan drivers. The UI model makes one controller per scan, gives it the category filter and
// calls StartDataRecovery once per device on its worker thread; afterwards it asks for the
// copy-out object of each searcher type whose nodes it shows. Everything the searchers found
// lives in the controller until it is released.
#include "engine/Result.h"
#include "engine/Types.h"

/// The recovery controllers' own codes (module kModuleRecoveryController).
constexpr std::uint32_t kCodeNoQuickSearcher = 0x401;  // no quick searcher reads the volume
constexpr std::uint32_t kCodeNoSearcher = 0x402;       // no searcher of a complete scan could be made
constexpr std::uint32_t kCodeBadScanRange = 0x403;     // a null argument, or an empty range of sectors
constexpr std::uint32_t kCodeWholeDisk = 0x404;        // a quick scan was asked of a whole disk

class IDataRecovery;
class IDrirectoryTree;
class IProgress;
class IRecoveryFilter;
class IRestoreScanSink;
class IStorageDevice;

enum _RECOVERY_CONTROLLER_TYPE : int {
    RECOVERY_CONTROLLER_DELETED = 0,          // quick scan of one volume's metadata
    RECOVERY_CONTROLLER_COMPLETE_VOLUME = 1,  // every block of a volume to every searcher
    RECOVERY_CONTROLLER_COMPLETE_DISK = 2,    // the same over a whole disk
};

class IRecoveryController {
public:
    virtual ~IRecoveryController() = default;
    virtual _RECOVERY_CONTROLLER_TYPE thisType() const = 0;
    /// Keeps the filter (not owned); 0 for a null filter, else 1.
    virtual int Initialize(IRecoveryFilter* pFilter) = 0;
    /// Runs the scan on the calling thread and returns when it is over. Progress ends with a
    /// record of state 3 whenever a scan got under way; a stop request is no failure (result 0).
    virtual RESULT StartDataRecovery(IStorageDevice* pDevice, IProgress* pProgress, IDrirectoryTree* pTree) = 0;
    /// A new copy-out object over the partitions of one searcher type of the last run, which
    /// the caller releases; null when that type found nothing or was not run.
    virtual IDataRecovery* GetDataRecovery(_tagSearcherType eType) const = 0;
    /// Set before StartDataRecovery when a results file is being loaded: the sink (not owned)
    /// replays its stored nodes, and no block of the device is read. Null for a live scan.
    virtual void SetRestoreScanSink(IRestoreScanSink* pSink) = 0;
    virtual void Release() = 0;
};

/// A new controller of the given type; null for any other value.
IRecoveryController* CreateRecoveryController(_RECOVERY_CONTROLLER_TYPE eType);
