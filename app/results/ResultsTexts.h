#pragma once
// The texts the results window makes of what it is given: the search field's text as it is
// searched for, and the proposed results-file name.

#include <QString>

#include <string>

namespace app::results {

// Runs of U+00C2 U+0020 U+0020 (a non-breaking space pasted as Latin-1 bytes) become one blank,
// then one blank at each end goes; inner blanks stay.
QString GetSearchText(const QString& text);
// Whether the field's text starts no search (exactly one or two blanks).
bool IsBlankSearch(const QString& text);
// The proposed name of a results file: the model's proposal made safe (no separators or control
// characters, no leading dot) with ".rsf".
QString ResultsFileName(const std::string& proposed);

}  // namespace app::results
