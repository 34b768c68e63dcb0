#include "app/controls/ListImages.h"

namespace app {

QPixmap ListImage(const QString&) {
    // The application's image library resolves names here once it holds them.
    return {};
}

QString CheckBoxImageName(int state) {
    if (state == 0) return QStringLiteral("checkbox_no");
    if (state == 2) return QStringLiteral("checkbox_yes");
    return QStringLiteral("checkbox_election");
}

}  // namespace app
