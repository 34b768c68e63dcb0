#pragma once
// File times as the interface language writes them: long date, short time.

#include <QString>

#include <string>

#include "engine/Types.h"

class QDateTime;
class QFontMetrics;

namespace app {

// "" for a time the calendar cannot hold.
std::string LocalFileTimeText(_FILETIME fileTime);
QString FileTimeText(const QDateTime& when);

// The width of the widest text FileTimeText writes in a year (every month and weekday, a
// two-digit day, a late hour), for a column that must never cut a time short.
int WidestFileTimeTextWidth(const QFontMetrics& metrics);

}  // namespace app
