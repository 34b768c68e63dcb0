#pragma once
// Asks for the device list on behalf of a page that waits for its ready notification.
#include <optional>
#include <string>
#include <thread>

namespace uimodel {

class IMainThreadPoster;
class QNUIDeviceData;

/// Never enumerated, or the last enumeration failed: enumerates on a new thread and posts
/// `name` after it, whatever the outcome (the page reads the state), and answers that thread
/// for the caller to join or detach. Ready: posts at once. Enumerating: nothing.
std::optional<std::thread> NotifyDeviceInfoAfterInit(QNUIDeviceData& devices, IMainThreadPoster& poster,
                                                     std::string const& name);

}  // namespace uimodel
