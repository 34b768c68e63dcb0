#include <string>

#include "platform/MediaEvents.h"

namespace platform {

std::optional<MediaEvent> ParseKernelUevent(std::string_view message) {
    // The header line "ACTION@DEVPATH" comes first; the fields repeat what it says.
    std::size_t const uHeaderEnd = message.find('\0');
    if (uHeaderEnd == std::string_view::npos || message.substr(0, uHeaderEnd).find('@') == std::string_view::npos)
        return std::nullopt;
    std::string_view action, subsystem, devType, devName;
    for (std::size_t uAt = uHeaderEnd + 1; uAt < message.size();) {
        std::size_t uEnd = message.find('\0', uAt);
        if (uEnd == std::string_view::npos) uEnd = message.size();
        std::string_view const field = message.substr(uAt, uEnd - uAt);
        uAt = uEnd + 1;
        std::size_t const uEquals = field.find('=');
        if (uEquals == std::string_view::npos) continue;
        std::string_view const key = field.substr(0, uEquals);
        std::string_view const value = field.substr(uEquals + 1);
        if (key == "ACTION")
            action = value;
        else if (key == "SUBSYSTEM")
            subsystem = value;
        else if (key == "DEVTYPE")
            devType = value;
        else if (key == "DEVNAME")
            devName = value;
    }
    if (subsystem != "block" || (devType != "disk" && devType != "partition")) return std::nullopt;
    // DEVNAME is relative to /dev; a kernel name never holds a folder of its own.
    if (devName.empty() || devName.find('/') != std::string_view::npos || devName == "." || devName == "..")
        return std::nullopt;
    MediaEvent event;
    event.kernelName = std::string(devName);
    if (action == "add")
        event.action = MediaEvent::Action::Add;
    else if (action == "remove")
        event.action = MediaEvent::Action::Remove;
    else if (action == "change")
        event.action = MediaEvent::Action::Change;
    else
        return std::nullopt;
    return event;
}

}  // namespace platform
