// A deep scan feeds the model while its block pass runs: a card's photos, placed at the disk's
// start and followed by random data, are filed (and counted) long before the pass reaches the
// disk's end, and the finished scan holds every photo once.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ModelScan.h"
#include "engine/TreeBuilderSettings.h"
#include "support/TempDir.h"
#include "uimodel/operation/QNUIOperation.h"

namespace {

using modeltest::ModelScan;

constexpr int kPhotos = 40;

/// A 640 MiB disk: a FAT32 partition of 64 MiB at 1 MiB holding `kPhotos` JPEGs in
/// DCIM/100CANON, and random bytes from there to the disk's end.
std::string MakeCard(testsupport::TempDir const& dir, std::string& whyNot) {
    for (char const* pszTool : {"sfdisk", "mkfs.fat", "mcopy", "mmd", "convert"})
        if (!testsupport::HaveTool(pszTool)) {
            whyNot = std::string(pszTool) + " is not installed";
            return {};
        }
    std::string const image = dir.File("card.img");
    std::string const script =
        "set -e; export MTOOLS_SKIP_CHECK=1 TZ=UTC; cd '" + dir.Path() + "'; truncate -s 640M card.img; "
        "printf 'start=2048,size=131072,type=c\\n' | sfdisk -q card.img; "
        "truncate -s 64M vol.img; mkfs.fat -F 32 -n CARD vol.img; mmd -i vol.img ::/DCIM ::/DCIM/100CANON; "
        "for i in $(seq 1 " + std::to_string(kPhotos) + "); do convert -size 160x120 plasma:fractal -quality 90 "
        "IMG_$i.JPG; mcopy -i vol.img IMG_$i.JPG ::/DCIM/100CANON/; done; "
        "dd if=vol.img of=card.img bs=1M seek=1 conv=notrunc; "
        "head -c $((575 * 1024 * 1024)) /dev/urandom | dd of=card.img bs=1M seek=65 conv=notrunc";
    // Its tools present, a card that cannot be built is the test's failure, not a reason to skip.
    return testsupport::RunCommand(script + " >/dev/null 2>&1") == 0 ? image : std::string();
}

TEST(DeepScanFeed, PhotosAreFiledWhileTheBlockPassRuns) {
    testsupport::TempDir dir;
    std::string whyNot;
    std::string const image = MakeCard(dir, whyNot);
    if (!whyNot.empty()) GTEST_SKIP() << whyNot;
    ASSERT_FALSE(image.empty()) << "the card image could not be built";

    // A short pacing, so that the check does not hang on the machine's speed.
    TreeBuilderSettings const before = GetDefaultTreeBuilderSettings();
    SetDefaultTreeBuilderSettings({1024, 100, 0});
    struct Restore {
        TreeBuilderSettings settings;
        ~Restore() { SetDefaultTreeBuilderSettings(settings); }
    } const restore{before};

    ModelScan model({image});
    IStorageDevice* pDisk = model.devices.GetStorageByDiskVolumeIndex(0, -1);
    ASSERT_NE(pDisk, nullptr);
    std::uint64_t u64FoundDuringPass = 0;
    RESULT const result = model.Run(pDisk, true, [&] {
        while (model.scan.GetStatus() != uimodel::OPERATION_IDLE) {
            _PROGRESS_INFO const progress = model.scan.GetProgressInfo();
            std::uint64_t const u64Found = model.scan.GetScanFileCnt();
            // The block pass fills the first 80 parts of 100; the last block counts its part once done.
            bool const bPassRuns = progress.u64Total > 1 && progress.u64Done * 100 < (progress.u64Total - 2) * 80;
            if (bPassRuns) u64FoundDuringPass = std::max(u64FoundDuringPass, u64Found);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    ASSERT_TRUE(Succeeded(result)) << std::hex << result;
    EXPECT_GT(u64FoundDuringPass, 0u) << "nothing was filed before the block pass ended";

    // The finished trees hold each photo once in the volume's tree, and once carved.
    std::size_t u64Rebuilt = 0;
    for (std::string const& path : modeltest::FiledFiles(model.scan))
        if (path.rfind("/DCIM/100CANON/IMG_", 0) == 0) ++u64Rebuilt;
    EXPECT_EQ(u64Rebuilt, static_cast<std::size_t>(kPhotos));
}

}  // namespace
