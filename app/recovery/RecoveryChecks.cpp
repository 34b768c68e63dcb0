#include "app/recovery/RecoveryChecks.h"

#include <QStorageInfo>

#include <limits>

#include <unistd.h>

#include "uimodel/facade/QNUIController.h"

namespace app::recovery {

std::uint64_t NeededSpace(std::uint64_t selectedBytes) {
    // x * 105 / 100 truncated is x + x / 20 exactly; only the sum can overflow.
    const std::uint64_t extra = selectedBytes / 20;
    const std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    return selectedBytes > max - extra ? max : selectedBytes + extra;
}

bool EnoughSpace(std::int64_t freeBytes, std::uint64_t selectedBytes) {
    return freeBytes > 0 && static_cast<std::uint64_t>(freeBytes) > NeededSpace(selectedBytes);
}

DestinationProbe DestinationProbe::Real() {
    DestinationProbe probe;
    probe.writable = [](const QString& folder) { return ::access(QFile::encodeName(folder).constData(), W_OK) == 0; };
    probe.onScannedDevice = [](const QString& folder) {
        return uimodel::QNUIController::IsRecoveryToSameDevice(QFile::encodeName(folder).toStdString());
    };
    probe.freeBytes = [](const QString& folder) {
        const QStorageInfo storage(folder);
        return storage.isValid() ? std::max<std::int64_t>(0, storage.bytesAvailable()) : std::int64_t{0};
    };
    return probe;
}

DestinationCheck CheckDestination(const QString& folder, std::uint64_t selectedBytes, const DestinationProbe& probe) {
    if (!probe.writable(folder)) return DestinationCheck::NoWriteAccess;
    if (probe.onScannedDevice(folder)) return DestinationCheck::SameDevice;
    if (!EnoughSpace(probe.freeBytes(folder), selectedBytes)) return DestinationCheck::NoSpace;
    return DestinationCheck::Ok;
}

}  // namespace app::recovery
