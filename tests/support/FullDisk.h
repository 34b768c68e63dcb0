#pragma once
// A destination that fills up: while one lives, this process may write no file past `bytes`
// (RLIMIT_FSIZE), and a write beyond it fails short instead of raising SIGXFSZ, as a full disk
// answers. Ended by MakeRoom (the limit only) or the destructor (the limit and the signal).
#include <sys/resource.h>

#include <csignal>
#include <cstdint>

namespace testsupport {

class FullDisk {
public:
    explicit FullDisk(std::uint64_t u64Bytes);
    ~FullDisk();
    FullDisk(FullDisk const&) = delete;
    FullDisk& operator=(FullDisk const&) = delete;

    /// Whether the limit and the signal's disposition were set.
    bool Active() const { return m_bLimited; }
    /// The user made room: files may grow again; a short write still raises no signal.
    void MakeRoom();

private:
    struct sigaction m_previous {};
    rlimit m_original{};
    bool m_bSignalSet = false;
    bool m_bLimited = false;
};

}  // namespace testsupport
