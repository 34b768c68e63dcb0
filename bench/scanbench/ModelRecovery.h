#pragma once
// scanbench model-scan --recover: after the scan, checks files and runs the model's recovery
// on the job thread while the calling thread polls it as the windows would.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "engine/Result.h"

namespace uimodel {
class QNUIRecovery;
class QNUIScan;
}  // namespace uimodel

namespace scanbench {

struct RecoveryOptions {
    std::string destination;
    std::string check = "all";  // all, deleted, or ext:EXT
    std::optional<double> pauseFor;
    std::optional<unsigned long long> stopAfterFiles;
};

/// False (with a message) for a --check value that is none of the three forms.
bool IsCheckOption(std::string const& check);

/// Checks the files `check` picks and unchecks the rest; the count and bytes checked.
std::pair<std::uint64_t, std::uint64_t> CheckFiles(uimodel::QNUIScan& scan, std::string const& check);

struct RecoveryRun {
    RESULT result = kResultSuccess;
    bool bDestinationFull = false;  // the destination stopped taking bytes and the run was given up
    bool bStopped = false;
    double dSeconds = 0;
};

/// The word of a file's "recover" line: "ok", "noted" (written with a note) or "failed".
char const* RecoverWord(RESULT result);
/// Prints a file's "recover<TAB>word<TAB>path<TAB>code" line, with "<TAB>note" when its refusal
/// names something (a virtual disk's container).
void PrintRecoverLine(std::string const& path, RESULT result, std::string const& note);

/// Checks the files `options.check` picks, prints a "recover" line per file and runs the recovery
/// to its end. A full destination is given up, as a user would.
RecoveryRun RunModelRecovery(uimodel::QNUIScan& scan, uimodel::QNUIRecovery& recovery, RecoveryOptions const& options);

/// The RESULT line's recovery fields, with a leading space.
std::string RecoveryFields(uimodel::QNUIRecovery const& recovery, RecoveryRun const& run);

}  // namespace scanbench
