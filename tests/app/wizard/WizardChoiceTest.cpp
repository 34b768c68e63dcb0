// The file-type page's choice and the count that decides whether the disk page shows.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/wizard/ChoiceCount.h"
#include "app/wizard/TypeSelection.h"

namespace {

using app::TypeSelection;
using Box = TypeSelection::Box;

TEST(TypeSelection, AllBoxCyclesAndTilesMoveItByTheirCount) {
    TypeSelection selection;
    EXPECT_EQ(selection.BoxState(), Box::None);
    EXPECT_FALSE(selection.StartEnabled());
    selection.ClickAllBox();  // the page opens this way
    EXPECT_EQ(selection.BoxState(), Box::All);
    EXPECT_EQ(selection.List(), (std::vector<unsigned>{1, 2, 4, 8, 16, 32}));
    EXPECT_EQ(selection.Mask(), 63u);
    selection.ToggleTile(8);
    EXPECT_EQ(selection.BoxState(), Box::Some);  // five chosen
    EXPECT_TRUE(selection.StartEnabled());
    selection.ClickAllBox();  // some -> all
    EXPECT_EQ(selection.BoxState(), Box::All);
    selection.ClickAllBox();  // all -> none
    EXPECT_EQ(selection.BoxState(), Box::None);
    EXPECT_EQ(selection.Mask(), 0u);
    EXPECT_FALSE(selection.StartEnabled());

    selection.ToggleTile(16);
    EXPECT_TRUE(selection.StartEnabled());
    selection.ToggleTile(16);  // the last chosen tile let go of
    EXPECT_EQ(selection.BoxState(), Box::None);
    EXPECT_FALSE(selection.StartEnabled());
    selection.ToggleTile(64);  // no such category
    EXPECT_TRUE(selection.List().empty());

    for (unsigned value : {32u, 1u, 16u, 2u, 8u, 4u}) selection.ToggleTile(value);
    EXPECT_EQ(selection.BoxState(), Box::All);  // all six by single clicks
}

TEST(TypeSelection, ListKeepsClickOrderMaskDoesNot) {
    TypeSelection a;
    TypeSelection b;
    for (unsigned value : {16u, 1u, 4u}) a.ToggleTile(value);
    for (unsigned value : {4u, 16u, 1u}) b.ToggleTile(value);
    EXPECT_EQ(a.List(), (std::vector<unsigned>{16, 1, 4}));
    EXPECT_EQ(b.List(), (std::vector<unsigned>{4, 16, 1}));
    EXPECT_EQ(a.Mask(), 21u);
    EXPECT_EQ(a.Mask(), b.Mask());
}

struct DiskSpec {
    std::int64_t capacity;
    std::vector<std::int64_t> volumes;
    bool image = false;  // a disk image: the page always shows it
};

struct ChoiceCase {
    const char* label;
    std::vector<DiskSpec> disks;
    int count;
    // The only choice when count is 1: "d<disk>" or "d<disk>v<volume>".
    const char* only;
};

std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> MakeDisks(const std::vector<DiskSpec>& specs) {
    std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> disks;
    for (std::size_t d = 0; d < specs.size(); ++d) {
        uimodel::_DiskVolumeData row;
        row.name = "disk" + std::to_string(d);
        row.iDiskIndex = static_cast<int>(d);
        row.s64Capacity = specs[d].capacity;
        row.iIsDiskImage = specs[d].image ? 1 : 0;
        auto disk = std::make_unique<uimodel::DiskVolumeNodeData>(row);
        std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> volumes;
        for (std::size_t v = 0; v < specs[d].volumes.size(); ++v) {
            uimodel::_DiskVolumeData volume = row;
            volume.iVolumeIndex = static_cast<int>(v);
            volume.iFileSystem = 0;
            volume.s64Capacity = specs[d].volumes[v];
            volumes.push_back(std::make_unique<uimodel::DiskVolumeNodeData>(volume));
        }
        disk->setSubNode(std::move(volumes));
        disks.push_back(std::move(disk));
    }
    return disks;
}

std::string Label(const uimodel::DiskVolumeNodeData* item) {
    if (!item) return "";
    std::string label = "d" + std::to_string(item->diskIndex());
    if (item->volumeIndex() >= 0) label += "v" + std::to_string(item->volumeIndex());
    return label;
}

class ChoiceCount : public testing::TestWithParam<ChoiceCase> {};

TEST_P(ChoiceCount, CountsWhatTheDiskPageWouldOffer) {
    const auto disks = MakeDisks(GetParam().disks);
    const app::Choices choices = app::CountChoices(disks);
    EXPECT_EQ(choices.count, GetParam().count);
    EXPECT_EQ(Label(choices.only), GetParam().only);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChoiceCount,
    testing::Values(ChoiceCase{"VolumeFillingItsDisk", {{1'000'000, {1'000'000 - 99'999}}}, 1, "d0v0"},
                    ChoiceCase{"VolumeWithMoreThan99999Spare", {{1'000'000, {1'000'000 - 100'000}}}, 2, ""},
                    ChoiceCase{"DiskWithoutVolumes", {{8'000'000, {}}}, 1, "d0"},
                    ChoiceCase{"TwoDisks", {{1'000'000, {1'000'000}}, {2'000'000, {2'000'000}}}, 2, ""},
                    ChoiceCase{"VolumeAndBareDisk", {{1'000'000, {1'000'000}}, {2'000'000, {}}}, 2, ""},
                    ChoiceCase{"TwoVolumesOnOneDisk", {{3'000'000, {1'000'000, 1'000'000}}}, 2, ""},
                    ChoiceCase{"ImageFilledByOneVolume", {{1'000'000, {1'000'000}, true}}, 1, ""},
                    ChoiceCase{"None", {}, 0, ""}),
    [](const testing::TestParamInfo<ChoiceCase>& param) { return std::string(param.param.label); });

}  // namespace
