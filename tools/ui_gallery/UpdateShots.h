#pragma once
// Pictures of the small windows around the start: the About window, the update window in its
// no-network, no-update and new-version states, and the welcome page.

#include <QDir>
#include <QStringList>

namespace gallery {

// Writes the pictures into dir; answers the file names written (empty on a write failure).
QStringList WriteUpdateShots(const QDir& dir);

}  // namespace gallery
