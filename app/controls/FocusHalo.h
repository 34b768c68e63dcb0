#pragma once
// The focus ring for controls that draw none of their own on the dark look (check boxes, the
// view switch's tool buttons, lists without a current row): one overlay, moved to whichever of
// them the keyboard focuses. Installed once on the application.

class QApplication;
class QWidget;

namespace app {

void InstallFocusHalo(QApplication& application);

// Whether `widget` gets the overlay when the keyboard focuses it (it draws no ring itself).
bool NeedsFocusHalo(const QWidget* widget);

}  // namespace app
