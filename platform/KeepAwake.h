#pragma once
// Keeps the machine from sleeping while the program runs: logind's sleep and idle inhibitor on
// the system bus, else the desktop's screen-saver inhibitor on the session bus, else nothing.
#include <memory>
#include <string>

namespace platform {

enum class KeepAwakeRoute { Logind, ScreenSaver, None };

class KeepAwake {
public:
    /// Takes the first inhibitor that answers and writes one line to `log` (stderr when null)
    /// naming it, or why none was taken.
    explicit KeepAwake(std::string const& why, void (*log)(std::string const&) = nullptr);
    ~KeepAwake();
    KeepAwake(KeepAwake const&) = delete;
    KeepAwake& operator=(KeepAwake const&) = delete;

    KeepAwakeRoute Route() const { return m_route; }
    /// The line logged at construction.
    std::string const& Summary() const { return m_summary; }

private:
    struct Bus;
    KeepAwakeRoute m_route = KeepAwakeRoute::None;
    int m_iInhibitFd = -1;        // logind: the inhibitor lasts while this is open
    std::unique_ptr<Bus> m_pBus;  // screen saver: the cookie lasts while this connection does
    unsigned m_uCookie = 0;
    std::string m_summary;
};

}  // namespace platform
