#include "app/controls/CheckBoxImage.h"

namespace app {

QString CheckBoxImageName(int state) {
    if (state == 0) return QStringLiteral("checkbox_no");
    if (state == 2) return QStringLiteral("checkbox_yes");
    return QStringLiteral("checkbox_election");
}

}  // namespace app
