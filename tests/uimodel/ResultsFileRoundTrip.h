#pragma once
// Saves a scan made through the UI model to a results file and loads it into a second model
// over the same images, as the application's facade does; and reads a scan's listing and the
// bytes its files recover to, so that the two can be compared.
#include <map>
#include <string>
#include <vector>

#include "ModelScan.h"
#include "support/TempDir.h"
#include "uimodel/resultsfile/SaveRestoreResult.h"

namespace modeltest {

/// The last progress record's error field (a ResultsFileError) and the done amounts reported.
struct JobOutcome {
    std::uint64_t u64Error = ~std::uint64_t{0};
    std::vector<std::uint64_t> done;  // every record's done amount, in order
};

/// Saves `model`'s scan to `path`.
JobOutcome Save(ModelScan& model, std::string const& path);
/// Loads `path` into `model` (scan data cleared, status running, the scan as progress sink).
JobOutcome Load(ModelScan& model, std::string const& path);

/// One line per filed node and per filing: path, size, three times, folder and deleted flags;
/// each file's category and creation and modification months.
std::multiset<std::string> Listing(uimodel::QNUIScan const& scan);

/// Path (" (deleted)" appended) -> SHA-256 of what each filed file recovers to, "unreadable"
/// when copy-out refuses it.
std::map<std::string, std::string> RecoveredHashes(uimodel::QNUIScan& scan, testsupport::TempDir const& dir);

}  // namespace modeltest
