#pragma once
// The confirmation sheet: a window-modal message box that comes out of the lower edge of a
// window's title bar, in plain text, with the "warning_b" icon, a default button (code 1, Return)
// and an alternate one (code 0, Escape).

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace app {

struct SheetTexts {
    QString message;      // the "_TITLE" text
    QString informative;  // the "_NODE" text
    QString defaultButton;
    QString alternateButton;  // none when empty
};

// Opens the sheet on window (a TCImageWindow or any widget's window) and calls done with the
// code once; the box deletes itself. Answers the box, already open.
QMessageBox* OpenSheet(QWidget* window, const SheetTexts& texts, std::function<void(int code)> done);

}  // namespace app
