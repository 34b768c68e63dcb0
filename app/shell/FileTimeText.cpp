#include "app/shell/FileTimeText.h"

#include <QDateTime>
#include <QLocale>

#include "uimodel/support/FileTime.h"

namespace app {

std::string LocalFileTimeText(_FILETIME fileTime) {
  const QDateTime when = QDateTime::fromSecsSinceEpoch(uimodel::convertWindowsTimeToUnixTime(fileTime));
  if (!when.isValid()) return {};
  const QLocale locale;
  return (locale.toString(when.date(), QLocale::LongFormat) + QLatin1Char(' ') +
          locale.toString(when.time(), QLocale::ShortFormat))
      .toStdString();
}

}  // namespace app
