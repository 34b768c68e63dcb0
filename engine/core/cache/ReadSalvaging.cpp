#include "engine/core/cache/ReadSalvaging.h"

#include <cstring>

#include "engine/IStorageDevice.h"

namespace engine {

namespace {

void NoteUnreadable(std::vector<SectorRun>& unreadable, std::int64_t s64Sector) {
    if (!unreadable.empty() && unreadable.back().s64First + unreadable.back().s64Count == s64Sector) {
        ++unreadable.back().s64Count;
        return;
    }
    unreadable.push_back({s64Sector, 1});
}

}  // namespace

std::int64_t ReadSalvaging(IStorageDevice& device, std::span<std::uint8_t> buffer, std::int64_t s64First,
                           std::int64_t s64Count, std::uint32_t u32SectorBytes, std::vector<SectorRun>& unreadable) {
    if (s64Count <= 0) return 0;
    if (device.ReadSector(buffer.data(), s64First, s64Count)) return 0;
    if (s64Count == 1) {
        // The buffer may hold an earlier block: what could not be read must not look like data.
        std::memset(buffer.data(), 0, u32SectorBytes);
        NoteUnreadable(unreadable, s64First);
        return 1;
    }
    // Halving finds an isolated bad sector in about 2 x log2(count) reads and keeps every good
    // sector around it; the first half goes first so the runs come out in ascending order.
    std::int64_t const s64Head = s64Count / 2;
    auto const uHeadBytes = static_cast<std::size_t>(s64Head) * u32SectorBytes;
    std::int64_t const s64HeadLost =
        ReadSalvaging(device, buffer.first(uHeadBytes), s64First, s64Head, u32SectorBytes, unreadable);
    return s64HeadLost + ReadSalvaging(device, buffer.subspan(uHeadBytes), s64First + s64Head, s64Count - s64Head,
                                       u32SectorBytes, unreadable);
}

}  // namespace engine
