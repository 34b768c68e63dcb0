#pragma once
// scanbench model-scan --facade: the scan, and any search, check and recovery, through
// QNUIController, with this thread as the windows' main thread: it drains the poster, prints
// "notify<TAB>name" for each notification and refreshes the asked trees on each, as a window.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ModelRecovery.h"
#include "engine/Result.h"

namespace uimodel {
class QNUIDeviceData;
class QNUIRecovery;
class QNUIScan;
}  // namespace uimodel

namespace scanbench {

struct FacadeOptions {
    int iDisk = 0;
    int iVolume = -1;
    bool bDeep = false;
    std::optional<double> stopAfter, pauseAfter, pauseFor;
    std::vector<std::string> trees;        // path, type, ctime, mtime: printed after the scan
    std::optional<std::string> treeCheck;  // "VIEW:Item/Item": that row checked (state 2)
    std::optional<std::string> search;
    std::optional<RecoveryOptions> recovery;  // its check is ignored with a tree check
    std::optional<std::string> saveTo;        // a results file, saved after any recovery
};

struct FacadeRun {
    bool bStarted = false;
    RESULT result = kResultSuccess;  // the scan's last progress error
    std::size_t notifications = 0;
    bool bNotifyAfterEnd = false;  // the last scan notification was posted after the scan ended
    bool bStopped = false;
    bool bCheckFound = true;
    double dSeconds = 0;
    std::optional<RecoveryRun> recovery;
    std::string saveFields;  // " save_error= save_seconds= save_bytes=" when saved
    unsigned long long u64SaveError = 0;
};

/// True for "path:", "type:", "ctime:" or "mtime:" followed by a row's names joined with "/".
bool IsTreeCheck(std::string const& check);
/// True for path, type, ctime or mtime.
bool IsTreeName(std::string const& view);

/// The RESULT line's facade fields, with a leading space.
std::string FacadeFields(FacadeRun const& run);

/// Runs everything through the facade over `scan`, `recovery` and `devices`, and prints the
/// notify, search, tree and recover lines.
FacadeRun RunFacadeScan(uimodel::QNUIScan& scan, uimodel::QNUIRecovery& recovery, uimodel::QNUIDeviceData& devices,
                        FacadeOptions const& options);

}  // namespace scanbench
