#pragma once
// Return and Enter press a focused button as Space does. Qt leaves Return to the window for a
// tool button, a push button outside a dialog and one that is not its dialog's default: there
// the window would go on with its own default (a scan, the dialog's safe answer) instead of
// what the focused button says.
class QAbstractButton;

namespace app {

// From now on Return and Enter (not auto-repeated) click `button` while it has the focus and is
// enabled; the key goes no further.
void PressOnReturn(QAbstractButton* button);

}  // namespace app
