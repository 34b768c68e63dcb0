#pragma once
// How the windows show what copying a file would answer, told before any recovery: the mark
// beside its name (in place of the deleted mark: a file that will not come back whole says so
// first) and the sentence that says why. The recovery's end names its reasons in the same words.
#include <QString>

#include <string>

#include "engine/IDataRecovery.h"

class IFileNode;

namespace app::results {

// The image drawn beside a file's name in the list and the grid: "norecover" for a file copy-out
// refuses, "noted" for one it copies with a note, "deletered" for a deleted file, none otherwise.
QString FileMark(IFileNode* file);
// The sentence that says why a file is refused or noted ("Inside the virtual disk vm.qcow2
// (qcow2), not read"); empty for a plain file.
QString FileOutlookText(IFileNode* file);
// The same sentence for a recovery's answer and what it names.
QString ReasonText(RESULT result, const std::string& note);
// A file's or a row's tool tip: its name, and on a line of its own why it will not come back whole.
QString OutlookToolTip(const QString& name, const QString& reason);

}  // namespace app::results
