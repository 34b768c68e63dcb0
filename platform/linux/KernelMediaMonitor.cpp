#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/MediaEvents.h"

namespace platform {

namespace {

// The kernel's own multicast group on the uevent socket (udev's re-sent events are group 2).
constexpr unsigned kKernelGroup = 1;

class KernelMediaMonitor final : public MediaMonitor {
public:
    explicit KernelMediaMonitor(std::string sysBlock)
        : m_sysBlock(std::move(sysBlock)), m_snapshot(ReadBlockSnapshot(m_sysBlock)) {
        m_fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
        if (m_fd < 0) return;
        sockaddr_nl address{};
        address.nl_family = AF_NETLINK;
        address.nl_groups = kKernelGroup;
        if (bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~KernelMediaMonitor() override {
        if (m_fd >= 0) close(m_fd);
    }
    int Fd() const override { return m_fd; }

    std::vector<MediaEvent> Drain() override {
        std::vector<MediaEvent> events;
        if (m_fd < 0) return events;
        std::array<char, 16384> buffer{};
        for (;;) {
            sockaddr_nl sender{};
            iovec io{buffer.data(), buffer.size()};
            msghdr message{};
            message.msg_name = &sender;
            message.msg_namelen = sizeof sender;
            message.msg_iov = &io;
            message.msg_iovlen = 1;
            ssize_t const n = recvmsg(m_fd, &message, 0);
            if (n < 0) {
                if (errno == EINTR) continue;
                // ENOBUFS: events were lost while nobody read; the snapshot below still brings
                // the list up to date through the next Poll, so count it as an attach.
                if (errno == ENOBUFS) events.push_back({MediaEvent::Action::Change, {}});
                break;
            }
            // Only the kernel (port 0) speaks for the kernel; a cut message is not believed.
            if (sender.nl_pid != 0 || (message.msg_flags & MSG_TRUNC)) continue;
            if (auto event = ParseKernelUevent({buffer.data(), static_cast<std::size_t>(n)})) events.push_back(*event);
        }
        // What the events told is known now: Poll reports only what they missed.
        m_snapshot = ReadBlockSnapshot(m_sysBlock);
        return events;
    }

    std::vector<MediaEvent> Poll() override {
        BlockSnapshot now = ReadBlockSnapshot(m_sysBlock);
        std::vector<MediaEvent> events = CompareBlockSnapshots(m_snapshot, now);
        m_snapshot = std::move(now);
        return events;
    }

private:
    std::string m_sysBlock;
    BlockSnapshot m_snapshot;
    int m_fd = -1;
};

}  // namespace

std::unique_ptr<MediaMonitor> MediaMonitor::Open(std::string sysBlock) {
    return std::make_unique<KernelMediaMonitor>(std::move(sysBlock));
}

}  // namespace platform
