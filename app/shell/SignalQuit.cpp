#include "app/shell/SignalQuit.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace app {

namespace {

int g_pipe[2] = {-1, -1};
// The exit status once it is decided; -1 while the run goes on.
volatile sig_atomic_t g_settled = -1;

void OnSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // Nothing else is safe here; a full pipe already holds a request to quit.
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = saved;
}

// A signal after the status was decided ends the program with that status: the script that read
// the RESULT line must not see the signal's own 143 instead.
void OnLateSignal(int) { _exit(g_settled); }

void Handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

}  // namespace

SignalQuit::SignalQuit(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("Signals: no pipe, SIGINT and SIGTERM end the program at once");
        return;
    }
    m_pNotifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
    Handle(SIGINT, OnSignal);
    Handle(SIGTERM, OnSignal);
}

void SettleSignals(int exitCode) {
    g_settled = exitCode;
    Handle(SIGINT, OnLateSignal);
    Handle(SIGTERM, OnLateSignal);
}

SignalQuit::~SignalQuit() {
    if (g_pipe[0] < 0) return;
    if (g_settled < 0) {
        Handle(SIGINT, SIG_DFL);
        Handle(SIGTERM, SIG_DFL);
    }
    m_pNotifier.reset();
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SignalQuit::Drain() {
    unsigned char byte = 0;
    while (read(g_pipe[0], &byte, 1) == 1) m_onSignal(byte);
}

}  // namespace app
