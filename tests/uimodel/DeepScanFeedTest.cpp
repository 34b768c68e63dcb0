// A deep scan feeds the model while its block pass runs: a card's photos, placed at the disk's
// start and followed by random data, are filed (and counted) long before the pass reaches the
// disk's end, the card's own volume among them, and the finished scan holds every photo once.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "ModelScan.h"
#include "engine/FileNode.h"
#include "engine/TreeBuilderSettings.h"
#include "engine/core/device/ForwardingDevice.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/operation/QNUIOperation.h"
#include "uimodel/recovery/QNUIRecovery.h"

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

/// Shortens the tree builder's pacing for one test.
class PacingScope {
public:
    explicit PacingScope(TreeBuilderSettings const& settings) : m_before(GetDefaultTreeBuilderSettings()) {
        SetDefaultTreeBuilderSettings(settings);
    }
    ~PacingScope() { SetDefaultTreeBuilderSettings(m_before); }

private:
    TreeBuilderSettings m_before;
};

TEST(DeepScanFeed, PhotosAreFiledWhileTheBlockPassRuns) {
    testsupport::TempDir dir;
    std::string whyNot;
    std::string const image = MakeCard(dir, whyNot);
    if (!whyNot.empty()) GTEST_SKIP() << whyNot;
    ASSERT_FALSE(image.empty()) << "the card image could not be built";

    // A short pacing, so that the check does not hang on the machine's speed.
    PacingScope const pacing({1024, 100, 0});

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

/// The disk as the scan reads it, with every read that reaches past `s64Held` held while the
/// gate is shut: the block pass cannot end before the test has looked at what it filed.
class HeldDisk final : public CForwardingDevice {
public:
    HeldDisk(IStorageDevice& disk, long long s64Held) : CForwardingDevice(disk), m_s64Held(s64Held) {}

    int ReadSector(void* pBuffer, long long s64First, long long s64Count) override {
        if (s64First + s64Count > m_s64Held) {
            std::unique_lock lock(m_mutex);
            // Bounded, so that a test that never opens the gate fails instead of hanging.
            m_opened.wait_for(lock, std::chrono::minutes(2), [this] { return !m_bShut; });
        }
        return CForwardingDevice::ReadSector(pBuffer, s64First, s64Count);
    }
    void Release() {
        std::lock_guard const lock(m_mutex);
        m_bShut = false;
        m_opened.notify_all();
    }

private:
    long long const m_s64Held;
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_bShut = true;
};

/// The photos of a listing that lie in the card's FAT volume, by path.
std::set<std::string> CardVolumePhotos(std::set<std::string> const& listing) {
    std::set<std::string> photos;
    for (std::string const& path : listing)
        if (path.rfind("/DCIM/100CANON/IMG_", 0) == 0) photos.insert(path);
    return photos;
}

/// Checks the roots of the FAT volumes and nothing else.
void CheckFatRoots(uimodel::QNUIScan& scan) {
    for (IFileNode* pRoot : scan.GetFileSystemNode())
        pRoot->SetCheck(pRoot->GetSearcheType() == SEARCHER_TYPE_FAT ? CHECKED_STATUS_CHECKED : CHECKED_STATUS_UNCHECKED);
}

TEST(DeepScanFeed, APausedScanRecoversTheRebuiltVolumesPhotosAndEndsAsAnUnpausedOne) {
    testsupport::TempDir dir;
    std::string whyNot;
    std::string const image = MakeCard(dir, whyNot);
    if (!whyNot.empty()) GTEST_SKIP() << whyNot;
    ASSERT_FALSE(image.empty()) << "the card image could not be built";
    // Incremental builds far apart: a rebuilt volume is handed over whole, without them.
    PacingScope const pacing({1u << 20, 600000, 0});

    std::set<std::string> unpaused;
    {
        ModelScan model({image});
        IStorageDevice* pDisk = model.devices.GetStorageByDiskVolumeIndex(0, -1);
        ASSERT_NE(pDisk, nullptr);
        ASSERT_TRUE(Succeeded(model.Run(pDisk, true)));
        unpaused = modeltest::FiledFiles(model.scan);
    }
    ASSERT_EQ(CardVolumePhotos(unpaused).size(), static_cast<std::size_t>(kPhotos));

    ModelScan model({image});
    IStorageDevice* pDisk = model.devices.GetStorageByDiskVolumeIndex(0, -1);
    ASSERT_NE(pDisk, nullptr);
    // Reads past 256 MiB wait: the card's volume (1 MiB to 65 MiB) is passed long before.
    HeldDisk held(*pDisk, 256 << 11);
    uimodel::QNUIRecovery recovery(model.scan);
    std::string const destination = dir.Path() + "/out";
    std::map<std::string, std::string> recovered;  // photo name -> SHA-256
    RESULT recoveryResult = ~RESULT{0};
    RESULT const result = model.Run(&held, true, [&] {
        // The volume's photos are filed while the pass is held before the disk's end.
        auto const deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (CardVolumePhotos(modeltest::FiledFiles(model.scan)).size() < static_cast<std::size_t>(kPhotos) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(CardVolumePhotos(modeltest::FiledFiles(model.scan)).size(), static_cast<std::size_t>(kPhotos))
            << "the volume's photos were not filed before the block pass ended";
        EXPECT_GE(model.scan.GetScanFileCnt(), static_cast<std::uint64_t>(kPhotos));
        EXPECT_EQ(model.scan.GetStatus(), uimodel::OPERATION_RUNNING);
        EXPECT_EQ(model.scan.IsDeepScan(), 1);

        // Paused, the photos found so far are copied out of the volume.
        model.scan.PauseOrResumeOperation();
        EXPECT_EQ(model.scan.GetStatus(), uimodel::OPERATION_PAUSED);
        CheckFatRoots(model.scan);
        recovery.SetRecoveryPath(destination.c_str());
        recovery.ClearCreateDirIndex();
        recovery.SetStatus(uimodel::OPERATION_RUNNING);
        uimodel::CJobThread job;
        std::string rawFolders;
        job.Start([&] { recoveryResult = recovery.DoRecovery(rawFolders); });
        job.Join();
        for (auto const& entry : std::filesystem::recursive_directory_iterator(destination))
            if (entry.is_regular_file()) recovered[entry.path().filename().string()] = testsupport::Sha256OfFile(entry.path());

        // Resumed, the scan runs to its end.
        model.scan.PauseOrResumeOperation();
        held.Release();
    });
    held.Release();
    ASSERT_TRUE(Succeeded(result)) << std::hex << result;
    EXPECT_EQ(recoveryResult, kResultSuccess);
    ASSERT_EQ(recovered.size(), static_cast<std::size_t>(kPhotos));
    for (int i = 1; i <= kPhotos; ++i) {
        std::string const name = "IMG_" + std::to_string(i) + ".JPG";
        EXPECT_EQ(recovered[name], testsupport::Sha256OfFile(dir.File(name))) << name;
    }
    EXPECT_EQ(modeltest::FiledFiles(model.scan), unpaused);
}

}  // namespace
