#pragma once
// What the model modes print of a scan operation: its folders and files, its months, and the
// RESULT fields they share.
#include <string>

namespace uimodel {
class QNUIScan;
}

namespace scanbench {

/// Prints a "node" line per folder and file and the "month" lines; answers the shared RESULT
/// fields ("status=… controller=… deep=… files=… … others=N").
std::string PrintModelListing(uimodel::QNUIScan& scan);

}  // namespace scanbench
