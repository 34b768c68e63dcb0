#pragma once
// The pages that list the devices: while one of them shows, the media notifier also compares
// /sys/block every two seconds, for where the kernel's events are not delivered.

class QWidget;

namespace app {

// Counts `page` among them until it is deleted.
void FollowMediaWhileShown(QWidget* page);
// Whether one of them shows now.
bool AnyMediaPageShown();

}  // namespace app
