#pragma once
// Disks and partitions coming and going: the kernel's block-device events (a udev monitor) and
// their translation into what the windows want to hear, one "something appeared" per burst of
// additions and one "gone" per removed disk or partition.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct MediaEvent {
    enum class Action { Add, Change, Remove };
    Action action = Action::Add;
    std::string kernelName;  // "sdb", "sdb1", "loop3"
};

/// Pure: fed events with the time they arrived, it answers what is due at a given time.
class MediaEventTranslator {
public:
    using Clock = std::chrono::steady_clock;
    /// An attach is due once no addition arrived for `quiet`.
    explicit MediaEventTranslator(Clock::duration quiet = std::chrono::milliseconds(500)) : m_quiet(quiet) {}

    void Feed(MediaEvent const& event, Clock::time_point now);

    struct Due {
        bool attach = false;
        std::vector<std::string> detached;  // kernel names, in the order they went
    };
    /// What may be posted at `now`; nothing while a modal dialog runs (`bModal`): it waits.
    Due TakeDue(Clock::time_point now, bool bModal);
    /// When to ask again; none while nothing waits.
    std::optional<Clock::duration> NextWake(Clock::time_point now) const;

private:
    Clock::duration m_quiet;
    std::optional<Clock::time_point> m_lastAdd;  // an attach waits while set
    std::vector<std::string> m_detached;
};

/// The kernel's block-device events through udev, disks and partitions only.
class MediaMonitor {
public:
    /// Null when udev cannot be reached.
    static std::unique_ptr<MediaMonitor> Open();
    virtual ~MediaMonitor() = default;
    /// A non-blocking descriptor that is readable while events wait.
    virtual int Fd() const = 0;
    /// Every event that waits now.
    virtual std::vector<MediaEvent> Drain() = 0;
};

}  // namespace platform
