#include "app/base/Strings.h"

#include "uimodel/support/Seams.h"

namespace app {

QString Text(const QString& key) {
    return QString::fromStdString(uimodel::GetSeams().pStrings->Text(key.toStdString()));
}

}  // namespace app
