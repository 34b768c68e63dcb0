#pragma once
// The named images the lists draw (check boxes, "text_bg", the tree icons), from the
// application's image library; a missing name gives a null pixmap, which the lists skip.

#include <QPixmap>
#include <QString>

namespace app {

QPixmap ListImage(const QString& name);

// "checkbox_no" for 0, "checkbox_yes" for 2, "checkbox_election" (mixed) for anything else.
QString CheckBoxImageName(int state);

}  // namespace app
