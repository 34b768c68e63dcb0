#include "platform/KeepAwake.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <fcntl.h>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

constexpr char kApplication[] = "Quorin";

struct BusDeleter {
    void operator()(sd_bus* pBus) const { sd_bus_flush_close_unref(pBus); }
};
using BusPtr = std::unique_ptr<sd_bus, BusDeleter>;

std::string ErrorText(sd_bus_error const& error, int iResult) {
    if (sd_bus_error_is_set(&error) && error.message) return error.message;
    return std::strerror(-iResult);
}

/// logind's Inhibit: a descriptor that holds the lock until closed; -1 with `reason` filled.
int InhibitLogind(std::string const& why, std::string& reason) {
    sd_bus* pRaw = nullptr;
    int iResult = sd_bus_open_system(&pRaw);
    BusPtr pBus(pRaw);
    if (iResult < 0) {
        reason = std::string("system bus: ") + std::strerror(-iResult);
        return -1;
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* pReply = nullptr;
    iResult = sd_bus_call_method(pBus.get(), "org.freedesktop.login1", "/org/freedesktop/login1",
                                 "org.freedesktop.login1.Manager", "Inhibit", &error, &pReply, "ssss", "sleep:idle",
                                 kApplication, why.c_str(), "block");
    int iFd = -1;
    if (iResult >= 0) {
        int iBusFd = -1;
        iResult = sd_bus_message_read(pReply, "h", &iBusFd);
        // The reply owns its descriptor; keep a copy that outlives it.
        if (iResult >= 0) iFd = fcntl(iBusFd, F_DUPFD_CLOEXEC, 3);
        if (iFd < 0 && iResult >= 0) iResult = -errno;
    }
    if (iFd < 0) reason = "logind: " + ErrorText(error, iResult);
    sd_bus_message_unref(pReply);
    sd_bus_error_free(&error);
    return iFd;
}

}  // namespace

struct KeepAwake::Bus {
    BusPtr pBus;
};

KeepAwake::KeepAwake(std::string const& why, void (*log)(std::string const&)) {
    std::string logindReason;
    m_iInhibitFd = InhibitLogind(why, logindReason);
    if (m_iInhibitFd >= 0) {
        m_route = KeepAwakeRoute::Logind;
        m_summary = "keep-awake: logind inhibitor held";
    } else {
        std::string saverReason;
        sd_bus* pRaw = nullptr;
        int iResult = sd_bus_open_user(&pRaw);
        BusPtr pBus(pRaw);
        if (iResult < 0) {
            saverReason = std::string("session bus: ") + std::strerror(-iResult);
        } else {
            sd_bus_error error = SD_BUS_ERROR_NULL;
            sd_bus_message* pReply = nullptr;
            iResult = sd_bus_call_method(pBus.get(), "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                         "org.freedesktop.ScreenSaver", "Inhibit", &error, &pReply, "ss", kApplication,
                                         why.c_str());
            if (iResult >= 0) iResult = sd_bus_message_read(pReply, "u", &m_uCookie);
            if (iResult >= 0) {
                m_route = KeepAwakeRoute::ScreenSaver;
                m_pBus = std::make_unique<Bus>(Bus{std::move(pBus)});
                m_summary = "keep-awake: screen-saver inhibitor held";
            } else {
                saverReason = "screen saver: " + ErrorText(error, iResult);
            }
            sd_bus_message_unref(pReply);
            sd_bus_error_free(&error);
        }
        if (m_route == KeepAwakeRoute::None) m_summary = "keep-awake: none (" + logindReason + "; " + saverReason + ")";
    }
    if (log)
        log(m_summary);
    else
        std::fprintf(stderr, "%s\n", m_summary.c_str());
}

KeepAwake::~KeepAwake() {
    if (m_iInhibitFd >= 0) close(m_iInhibitFd);
    if (m_pBus) {
        sd_bus_call_method(m_pBus->pBus.get(), "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                           "org.freedesktop.ScreenSaver", "UnInhibit", nullptr, nullptr, "u", m_uCookie);
    }
}

}  // namespace platform
