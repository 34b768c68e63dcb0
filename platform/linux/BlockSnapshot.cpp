#include <filesystem>
#include <fstream>

#include "platform/MediaEvents.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

/// The number in a sysfs "size" file; 0 when it cannot be read.
std::uint64_t SectorsOf(fs::path const& folder) {
    std::ifstream file(folder / "size");
    std::uint64_t u64Sectors = 0;
    if (!(file >> u64Sectors)) return 0;
    return u64Sectors;
}

}  // namespace

BlockSnapshot ReadBlockSnapshot(std::string const& sysBlock) {
    BlockSnapshot snapshot;
    std::error_code ec;
    for (fs::directory_iterator disk(sysBlock, ec), end; !ec && disk != end; disk.increment(ec)) {
        // Entries of /sys/block are links into /sys/devices; follow them to list the partitions.
        fs::path const folder = disk->path();
        snapshot[folder.filename().string()] = SectorsOf(folder);
        std::error_code inner;
        for (fs::directory_iterator part(folder, inner); !inner && part != end; part.increment(inner)) {
            std::error_code test;
            if (fs::exists(part->path() / "partition", test))
                snapshot[part->path().filename().string()] = SectorsOf(part->path());
        }
    }
    return snapshot;
}

std::vector<MediaEvent> CompareBlockSnapshots(BlockSnapshot const& before, BlockSnapshot const& after) {
    std::vector<MediaEvent> events;
    for (auto const& [name, u64Before] : before) {
        auto const now = after.find(name);
        if (u64Before != 0 && (now == after.end() || now->second == 0))
            events.push_back({MediaEvent::Action::Remove, name});
    }
    for (auto const& [name, u64After] : after) {
        if (u64After == 0) continue;
        auto const was = before.find(name);
        if (was == before.end() || was->second == 0)
            events.push_back({MediaEvent::Action::Add, name});
        else if (was->second != u64After)
            events.push_back({MediaEvent::Action::Change, name});
    }
    return events;
}

}  // namespace platform
