#include "support/FullDisk.h"

namespace testsupport {

FullDisk::FullDisk(std::uint64_t u64Bytes) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    m_bSignalSet = ::sigaction(SIGXFSZ, &ignore, &m_previous) == 0;
    if (!m_bSignalSet || ::getrlimit(RLIMIT_FSIZE, &m_original) != 0) return;
    rlimit limited = m_original;
    limited.rlim_cur = u64Bytes;
    m_bLimited = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
}

FullDisk::~FullDisk() {
    MakeRoom();
    if (m_bSignalSet) ::sigaction(SIGXFSZ, &m_previous, nullptr);
}

void FullDisk::MakeRoom() {
    if (m_bLimited) ::setrlimit(RLIMIT_FSIZE, &m_original);
    m_bLimited = false;
}

}  // namespace testsupport
