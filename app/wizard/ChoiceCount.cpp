#include "app/wizard/ChoiceCount.h"

#include <algorithm>

namespace app {

namespace {

// Room outside a lone volume that makes its whole disk worth offering.
constexpr std::int64_t kSpareBytes = 99'999;

}  // namespace

std::unique_ptr<uimodel::DiskVolumeNodeData> CopyChoice(const uimodel::DiskVolumeNodeData& item,
                                                        const std::string& parentName) {
    uimodel::_DiskVolumeData row;
    row.name = item.name();
    row.devicePath = item.devicePath();
    row.s64Capacity = item.capacity();
    row.s64Used = item.used();
    row.iDiskIndex = item.diskIndex();
    row.iVolumeIndex = item.volumeIndex();
    row.iFileSystem = item.fileSystem();
    row.iIsDiskImage = item.isDmg();
    row.iIsUSB = item.isUsb();
    auto copy = std::make_unique<uimodel::DiskVolumeNodeData>(row);
    std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> children;
    for (const auto& child : item.children()) children.push_back(CopyChoice(*child, item.name()));
    copy->setSubNode(std::move(children));
    copy->setParentName(parentName);
    return copy;
}

bool SameDevice(const uimodel::DiskVolumeNodeData& first, const uimodel::DiskVolumeNodeData& second) {
    return !first.devicePath().empty() && first.devicePath() == second.devicePath() &&
           first.volumeIndex() == second.volumeIndex() && first.name() == second.name() &&
           first.capacity() == second.capacity() && first.fileSystem() == second.fileSystem();
}

std::string ParentNameOf(const std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>>& disks,
                         const uimodel::DiskVolumeNodeData& item) {
    for (const auto& disk : disks)
        for (const auto& volume : disk->children())
            if (volume.get() == &item) return disk->name();
    return item.name();
}

Choices CountChoices(const std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>>& disks) {
    Choices choices;
    int volumes = 0;
    uimodel::DiskVolumeNodeData* last = nullptr;
    for (const auto& disk : disks) {
        if (!disk) continue;
        if (disk->numberOfChildren() == 0) {
            ++choices.count;
            last = disk.get();
            if (!choices.first) choices.first = disk.get();
            continue;
        }
        std::int64_t lastCapacity = 0;
        for (const auto& volume : disk->children()) {
            ++volumes;
            ++choices.count;
            lastCapacity = volume->capacity();
            last = volume.get();
            if (!choices.first || choices.first->volumeIndex() < 0) choices.first = volume.get();
        }
        if (volumes == 1 && choices.count == 1 && disk->capacity() - lastCapacity > kSpareBytes) ++choices.count;
    }
    // A disk image is always shown on the page: the person sees which file is about to be scanned.
    const bool image = std::any_of(disks.begin(), disks.end(), [](const auto& disk) { return disk && disk->isDmg(); });
    if (choices.count == 1 && !image) choices.only = last;
    return choices;
}

}  // namespace app
