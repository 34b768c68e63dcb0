#include "app/controls/WindowSettings.h"

#include <QString>

#include "uimodel/support/Seams.h"

namespace app {

bool MiniaturizeOnDoubleClick() {
    const auto& settings = uimodel::GetSeams().pSettings;
    if (!settings) return false;
    const auto value = settings->Value("AppleMiniaturizeOnDoubleClick");
    if (!value) return false;
    const QString text = QString::fromStdString(*value).trimmed().toLower();
    return text == QLatin1String("1") || text == QLatin1String("true") || text == QLatin1String("yes");
}

}  // namespace app
