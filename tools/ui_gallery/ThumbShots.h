#pragma once
// Pictures of the previews' controls: the grid's tiles in their states, the cover flow, and the
// collection tile (which no window of the program shows).

#include <QDir>
#include <QStringList>

namespace gallery {

// Writes the pictures into dir; the file names written (empty on a write failure).
QStringList WriteThumbShots(const QDir& dir);

}  // namespace gallery
