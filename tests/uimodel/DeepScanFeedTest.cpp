// A deep scan feeds the model while its block pass runs: a card's photos, placed at the disk's
// start and followed by random data, are filed (and counted) long before the pass reaches the
// disk's end, the card's own volume among them, and the finished scan holds every photo once.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "ModelScan.h"
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
/// DCIM/100CANON, and random bytes from there to the disk's end. With `bSecondVolume`, a FAT16
/// volume of 32 MiB at 400 MiB, in no partition entry, holds `kSecondPhotos` JPEGs in its root.
constexpr int kSecondPhotos = 3;
std::string MakeCard(testsupport::TempDir const& dir, std::string& whyNot, bool bSecondVolume = false) {
    for (char const* pszTool : {"sfdisk", "mkfs.fat", "mcopy", "mmd", "convert"})
        if (!testsupport::HaveTool(pszTool)) {
            whyNot = std::string(pszTool) + " is not installed";
            return {};
        }
    std::string const image = dir.File("card.img");
    std::string const script =
        "set -e; export MTOOLS_SKIP_CHECK=1 TZ=UTC; cd '" + dir.Path() +
        "'; truncate -s 640M card.img; "
        "printf 'start=2048,size=131072,type=c\\n' | sfdisk -q card.img; "
        "truncate -s 64M vol.img; mkfs.fat -F 32 -n CARD vol.img; mmd -i vol.img ::/DCIM ::/DCIM/100CANON; "
        "for i in $(seq 1 " +
        std::to_string(kPhotos) +
        "); do convert -size 160x120 plasma:fractal -quality 90 "
        "IMG_$i.JPG; mcopy -i vol.img IMG_$i.JPG ::/DCIM/100CANON/; done; "
        "dd if=vol.img of=card.img bs=1M seek=1 conv=notrunc; "
        "head -c $((575 * 1024 * 1024)) /dev/urandom | dd of=card.img bs=1M seek=65 conv=notrunc" +
        (bSecondVolume
             ? "; truncate -s 32M second.img; mkfs.fat -F 16 -n SECOND second.img; for i in $(seq 1 " +
                   std::to_string(kSecondPhotos) +
                   "); do convert -size 200x150 plasma:fractal -quality 85 PIC_$i.JPG; "
                   "mcopy -i second.img PIC_$i.JPG ::/; done; dd if=second.img of=card.img bs=1M seek=400 conv=notrunc"
             : "");
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

/// The disk as the scan reads it, with every read that reaches past the held sector waiting:
/// the block pass cannot go beyond it before the test has looked at what the scan filed.
class HeldDisk final : public CForwardingDevice {
public:
    HeldDisk(IStorageDevice& disk, long long s64Held) : CForwardingDevice(disk), m_s64Held(s64Held) {}

    int ReadSector(void* pBuffer, long long s64First, long long s64Count) override {
        {
            std::unique_lock lock(m_mutex);
            // Bounded, so that a test that never lets go fails instead of hanging.
            m_moved.wait_for(lock, std::chrono::minutes(2), [&] { return s64First + s64Count <= m_s64Held; });
        }
        return CForwardingDevice::ReadSector(pBuffer, s64First, s64Count);
    }
    /// Holds the reads past `s64Held` from now on; LLONG_MAX lets every read through.
    void HoldFrom(long long s64Held) {
        std::lock_guard const lock(m_mutex);
        m_s64Held = s64Held;
        m_moved.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_moved;
    long long m_s64Held;
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
        pRoot->SetCheck(pRoot->GetSearcheType() == SEARCHER_TYPE_FAT ? CHECKED_STATUS_CHECKED
                                                                     : CHECKED_STATUS_UNCHECKED);
}

/// The SHA-256 of every file recovered below `folder`, by file name.
std::map<std::string, std::string> RecoveredByName(std::string const& folder) {
    std::map<std::string, std::string> recovered;
    for (auto const& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            recovered[entry.path().filename().string()] = testsupport::Sha256OfFile(entry.path());
    return recovered;
}

/// Recovers the checked files to `destination` on a job thread, as the facade does.
RESULT RecoverTo(uimodel::QNUIRecovery& recovery, std::string const& destination) {
    recovery.SetRecoveryPath(destination.c_str());
    recovery.ClearCreateDirIndex();
    recovery.SetStatus(uimodel::OPERATION_RUNNING);
    RESULT result = ~RESULT{0};
    std::string rawFolders;
    uimodel::CJobThread job;
    job.Start([&] { result = recovery.DoRecovery(rawFolders); });
    job.Join();
    return result;
}

TEST(DeepScanFeed, APausedScanRecoversTheRebuiltVolumesPhotosAndEndsAsAnUnpausedOne) {
    testsupport::TempDir dir;
    std::string whyNot;
    std::string const image = MakeCard(dir, whyNot, true);
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
    // Reads past 256 MiB wait: the card's volume (1 MiB to 65 MiB) is passed long before, the
    // second volume (400 MiB) not.
    HeldDisk held(*pDisk, 256 << 11);
    uimodel::QNUIRecovery recovery(model.scan);
    auto const filedPhotos = [&](char const* pszPrefix) {
        std::size_t count = 0;
        for (std::string const& path : modeltest::FiledFiles(model.scan))
            if (path.find(pszPrefix) != std::string::npos && path.find("(RAW") == std::string::npos) ++count;
        return count;
    };
    auto const waitFor = [&](char const* pszPrefix, std::size_t wanted) {
        auto const deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (filedPhotos(pszPrefix) < wanted && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return filedPhotos(pszPrefix);
    };
    std::map<std::string, std::string> firstPause;  // photo name -> SHA-256 of its copy
    std::map<std::string, std::string> secondPause;
    RESULT firstResult = ~RESULT{0};
    RESULT secondResult = ~RESULT{0};
    RESULT const result = model.Run(&held, true, [&] {
        // The volume's photos are filed while the pass is held before the disk's end.
        EXPECT_EQ(waitFor("/DCIM/100CANON/IMG_", kPhotos), static_cast<std::size_t>(kPhotos))
            << "the volume's photos were not filed while the block pass ran";
        EXPECT_GE(model.scan.GetScanFileCnt(), static_cast<std::uint64_t>(kPhotos));
        EXPECT_EQ(model.scan.GetStatus(), uimodel::OPERATION_RUNNING);
        EXPECT_EQ(model.scan.IsDeepScan(), 1);

        // Paused, the photos found so far are copied out of the volume.
        model.scan.PauseOrResumeOperation();
        EXPECT_EQ(model.scan.GetStatus(), uimodel::OPERATION_PAUSED);
        CheckFatRoots(model.scan);
        firstResult = RecoverTo(recovery, dir.Path() + "/first");
        firstPause = RecoveredByName(dir.Path() + "/first");

        // Resumed up to 600 MiB: the second volume's photos are filed; paused again, they are
        // copied out through that volume's own record, not through the one volume known at
        // the first pause.
        held.HoldFrom(600 << 11);
        model.scan.PauseOrResumeOperation();
        EXPECT_EQ(waitFor("/PIC_", kSecondPhotos), static_cast<std::size_t>(kSecondPhotos));
        model.scan.PauseOrResumeOperation();
        CheckFatRoots(model.scan);
        secondResult = RecoverTo(recovery, dir.Path() + "/second");
        secondPause = RecoveredByName(dir.Path() + "/second");

        // Resumed, the scan runs to its end.
        model.scan.PauseOrResumeOperation();
        held.HoldFrom(LLONG_MAX);
    });
    held.HoldFrom(LLONG_MAX);
    ASSERT_TRUE(Succeeded(result)) << std::hex << result;
    EXPECT_EQ(firstResult, kResultSuccess);
    EXPECT_EQ(secondResult, kResultSuccess);
    EXPECT_EQ(firstPause.size(), static_cast<std::size_t>(kPhotos));
    EXPECT_EQ(secondPause.size(), static_cast<std::size_t>(kPhotos + kSecondPhotos));
    for (int i = 1; i <= kPhotos; ++i) {
        std::string const name = "IMG_" + std::to_string(i) + ".JPG";
        EXPECT_EQ(firstPause[name], testsupport::Sha256OfFile(dir.File(name))) << name;
        EXPECT_EQ(secondPause[name], testsupport::Sha256OfFile(dir.File(name))) << name;
    }
    for (int i = 1; i <= kSecondPhotos; ++i) {
        std::string const name = "PIC_" + std::to_string(i) + ".JPG";
        EXPECT_EQ(secondPause[name], testsupport::Sha256OfFile(dir.File(name))) << name;
    }
    // The paused scan ends as one that ran through.
    EXPECT_EQ(modeltest::FiledFiles(model.scan), unpaused);
}

}  // namespace
