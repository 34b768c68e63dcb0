#include <libudev.h>

#include <cstring>

#include "platform/MediaEvents.h"

namespace platform {

namespace {

class UdevMediaMonitor final : public MediaMonitor {
public:
    UdevMediaMonitor(udev* pUdev, udev_monitor* pMonitor) : m_pUdev(pUdev), m_pMonitor(pMonitor) {}
    ~UdevMediaMonitor() override {
        udev_monitor_unref(m_pMonitor);
        udev_unref(m_pUdev);
    }
    int Fd() const override { return udev_monitor_get_fd(m_pMonitor); }

    std::vector<MediaEvent> Drain() override {
        std::vector<MediaEvent> events;
        while (udev_device* pDevice = udev_monitor_receive_device(m_pMonitor)) {
            char const* pszAction = udev_device_get_action(pDevice);
            char const* pszName = udev_device_get_sysname(pDevice);
            char const* pszType = udev_device_get_devtype(pDevice);
            bool const bMedium = pszType && (std::strcmp(pszType, "disk") == 0 || std::strcmp(pszType, "partition") == 0);
            if (bMedium && pszAction && pszName) {
                if (std::strcmp(pszAction, "add") == 0)
                    events.push_back({MediaEvent::Action::Add, pszName});
                else if (std::strcmp(pszAction, "remove") == 0)
                    events.push_back({MediaEvent::Action::Remove, pszName});
                else if (std::strcmp(pszAction, "change") == 0)
                    events.push_back({MediaEvent::Action::Change, pszName});
            }
            udev_device_unref(pDevice);
        }
        return events;
    }

private:
    udev* m_pUdev;
    udev_monitor* m_pMonitor;
};

}  // namespace

std::unique_ptr<MediaMonitor> MediaMonitor::Open() {
    udev* pUdev = udev_new();
    if (!pUdev) return nullptr;
    udev_monitor* pMonitor = udev_monitor_new_from_netlink(pUdev, "udev");
    if (!pMonitor || udev_monitor_filter_add_match_subsystem_devtype(pMonitor, "block", nullptr) < 0 ||
        udev_monitor_enable_receiving(pMonitor) < 0) {
        if (pMonitor) udev_monitor_unref(pMonitor);
        udev_unref(pUdev);
        return nullptr;
    }
    return std::make_unique<UdevMediaMonitor>(pUdev, pMonitor);
}

}  // namespace platform
