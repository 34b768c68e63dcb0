#include "uimodel/devices/DeviceListNotify.h"

#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/support/Seams.h"

namespace uimodel {

std::optional<std::thread> NotifyDeviceInfoAfterInit(QNUIDeviceData& devices, IMainThreadPoster& poster,
                                                     std::string const& name) {
    switch (devices.GetInitState()) {
        case DEVICE_INIT_READY:
            poster.Post(name);
            return std::nullopt;
        case DEVICE_INIT_STARTED:
            return std::nullopt;
        default:
            return std::thread([&devices, &poster, name] {
                devices.InitDeviceInfo();
                poster.Post(name);
            });
    }
}

}  // namespace uimodel
