#include "app/wizard/ChoiceCount.h"

namespace app {

namespace {

// Room outside a lone volume that makes its whole disk worth offering.
constexpr std::int64_t kSpareBytes = 99'999;

}  // namespace

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
  if (choices.count == 1) choices.only = last;
  return choices;
}

}  // namespace app
