#include "app/base/FileTimeText.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>

#include "uimodel/support/FileTime.h"

namespace app {

QString FileTimeText(const QDateTime& when) {
    const QLocale locale;
    return locale.toString(when.date(), QLocale::LongFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), QLocale::ShortFormat);
}

std::string LocalFileTimeText(_FILETIME fileTime) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(uimodel::convertWindowsTimeToUnixTime(fileTime));
    if (!when.isValid()) return {};
    return FileTimeText(when).toStdString();
}

int WidestFileTimeTextWidth(const QFontMetrics& metrics) {
    int widest = 0;
    for (int month = 1; month <= 12; ++month)
        for (int day = 22; day <= 28; ++day)  // seven days: every weekday
            for (const QTime& time : {QTime(23, 58), QTime(12, 58)})
                widest =
                    std::max(widest, metrics.horizontalAdvance(FileTimeText(QDateTime(QDate(2026, month, day), time))));
    return widest;
}

}  // namespace app
