#pragma once
// The destination checks of a recovery, in their fixed order (write access, the scanned device,
// free space), over answers the caller may replace, and the space rule they use.

#include <QString>

#include <cstdint>
#include <functional>

namespace app::recovery {

// Bytes a destination must offer beyond the checked files: 105 % of them, saturating at 2^64-1.
std::uint64_t NeededSpace(std::uint64_t selectedBytes);
// Whether `freeBytes` is strictly more than NeededSpace(selectedBytes).
bool EnoughSpace(std::int64_t freeBytes, std::uint64_t selectedBytes);

// How the destination is asked; Real() asks access(2), the model and QStorageInfo.
struct DestinationProbe {
    std::function<bool(const QString&)> writable;
    std::function<bool(const QString&)> onScannedDevice;
    std::function<std::int64_t(const QString&)> freeBytes;  // 0 when unknown
    static DestinationProbe Real();
};

enum class DestinationCheck { Ok, NoWriteAccess, SameDevice, NoSpace };

// The first check that fails, asking nothing after it.
DestinationCheck CheckDestination(const QString& folder, std::uint64_t selectedBytes, const DestinationProbe& probe);

}  // namespace app::recovery
