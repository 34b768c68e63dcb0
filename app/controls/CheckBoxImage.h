#pragma once
// The check-box image of a check state.

#include <QString>

namespace app {

// "checkbox_no" for 0, "checkbox_yes" for 2, "checkbox_election" (mixed) for anything else.
QString CheckBoxImageName(int state);

}  // namespace app
