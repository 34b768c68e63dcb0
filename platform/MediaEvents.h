#pragma once
// Disks and partitions coming and going: the kernel's own block-device events (its uevent
// socket, which needs no udev daemon), a look at /sys/block for when those are not delivered
// (a container's network namespace gets none), and their translation into what the windows want
// to hear, one "something appeared" per burst of additions and one "gone" per removed disk or
// partition.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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

/// One kernel uevent message ("ACTION@DEVPATH" then "KEY=VALUE" lines, each ended by a NUL):
/// the event of a block disk or partition; none for any other device, for an action that is
/// not add, change or remove, and for a message that is not well formed.
std::optional<MediaEvent> ParseKernelUevent(std::string_view message);

/// The block devices /sys/block lists: every disk and partition by kernel name, with its size
/// in 512-byte sectors (an unattached loop device or an empty card reader is there with 0).
using BlockSnapshot = std::map<std::string, std::uint64_t>;
BlockSnapshot ReadBlockSnapshot(std::string const& sysBlock = "/sys/block");
/// The events that turn `before` into `after`: a name that appears or whose size leaves 0 is an
/// Add, one that goes or whose size drops to 0 a Remove, any other change of size a Change.
std::vector<MediaEvent> CompareBlockSnapshots(BlockSnapshot const& before, BlockSnapshot const& after);

/// The kernel's block-device events, disks and partitions only.
class MediaMonitor {
public:
    /// The kernel's uevent socket, with /sys/block as it is now for Poll to compare with.
    static std::unique_ptr<MediaMonitor> Open(std::string sysBlock = "/sys/block");
    virtual ~MediaMonitor() = default;
    /// A non-blocking descriptor that is readable while events wait; -1 when the kernel's
    /// events cannot be had (Poll is then the only way to hear of changes).
    virtual int Fd() const = 0;
    /// Every event that waits now.
    virtual std::vector<MediaEvent> Drain() = 0;
    /// What changed in /sys/block since the last look that no drained event told of.
    virtual std::vector<MediaEvent> Poll() { return {}; }
};

}  // namespace platform
