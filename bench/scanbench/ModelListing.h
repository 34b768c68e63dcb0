#pragma once
// What the model modes print of a scan operation: its folders and files, its months, and the
// RESULT fields they share; and copying its files out the way the application recovers them.
#include <string>

namespace uimodel {
class QNUIScan;
}

namespace scanbench {

/// Prints a "node" line per folder and file and the "month" lines; answers the shared RESULT
/// fields ("status=… controller=… deep=… files=… … others=N").
std::string PrintModelListing(uimodel::QNUIScan& scan);

struct ModelRecovery {
    int iRecovered = 0;
    int iFailed = 0;
};
/// Copies every file the scan filed to DIR/<its folders>, never over a file there, through the
/// copy-out object the application would use for it.
ModelRecovery RecoverModelFiles(uimodel::QNUIScan& scan, std::string const& directory);

}  // namespace scanbench
