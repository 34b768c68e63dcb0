// Recovery of checked files through the UI model, over real tool-made images: every file the
// tools wrote (deleted ones included) comes back byte-exact under a numbered folder of its
// searcher type, and nothing already in the destination is replaced.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "FatTestImages.h"
#include "ModelScan.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/recovery/RecoveryDestination.h"

namespace {

namespace fs = std::filesystem;
using modeltest::ModelScan;

/// Runs DoRecovery on the job thread, as the facade does.
RESULT Recover(uimodel::QNUIRecovery& recovery, std::string const& destination, std::string* pRawFolders = nullptr) {
    recovery.SetRecoveryPath(destination.c_str());
    recovery.ClearCreateDirIndex();
    recovery.SetStatus(uimodel::OPERATION_RUNNING);
    RESULT result = ~RESULT{0};
    std::string rawFolders;
    uimodel::CJobThread job;
    job.Start([&] { result = recovery.DoRecovery(rawFolders); });
    job.Join();
    if (pRawFolders) *pRawFolders = rawFolders;
    return result;
}

void CheckAll(uimodel::QNUIScan& scan) {
    for (IFileNode* pRoot : scan.GetFileSystemNode()) pRoot->SetCheck(CHECKED_STATUS_CHECKED);
}

/// SHA-256 of every file below `folder`, by path relative to it.
std::map<std::string, std::string> HashesBelow(fs::path const& folder) {
    std::map<std::string, std::string> hashes;
    for (auto const& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) hashes["/" + fs::relative(entry.path(), folder).string()] = testsupport::Sha256OfFile(entry.path());
    return hashes;
}

/// `path` or one of its clash names ("a_0001.txt") holds `sha256`.
bool RecoveredAs(std::map<std::string, std::string> const& hashes, std::string const& path, std::string const& sha256) {
    fs::path const p(path);
    std::string const stem = (p.parent_path() / p.stem()).string();
    std::string const extension = p.extension().string();
    for (int i = 0; i < 10; ++i) {
        std::string const candidate = i == 0 ? path : stem + uimodel::NumberedFolderName("_", i) + extension;
        auto const found = hashes.find(candidate);
        if (found != hashes.end() && found->second == sha256) return true;
    }
    return false;
}

struct RecoveryCase {
    char const* pszImage;
    std::string (*folder)();
    char const* pszPrefix;
};

class ImageRecovery : public testing::TestWithParam<RecoveryCase> {};

TEST_P(ImageRecovery, QuickScanRecoversEveryCheckedFileByteExactUnderANewNumberedFolder) {
    std::string const folder = GetParam().folder();
    if (folder.empty()) GTEST_SKIP() << "the " << GetParam().pszImage << " image was not built (tools, root or FUSE missing)";
    std::string const stem = folder + "/" + GetParam().pszImage;
    ModelScan model({stem + ".img"});
    uimodel::QNUIRecovery recovery(model.scan);
    ASSERT_TRUE(Succeeded(model.Run(model.devices.GetStorageByDiskVolumeIndex(0, -1))));
    CheckAll(model.scan);

    testsupport::TempDir temp;
    std::string const destination = temp.Path() + "/out";
    EXPECT_EQ(Recover(recovery, destination), kResultSuccess);
    EXPECT_EQ(recovery.GetStatus(), uimodel::OPERATION_IDLE);
    EXPECT_EQ(recovery.GetRecoveriedFilesCnt(), model.scan.GetScanFileCnt());
    EXPECT_EQ(recovery.GetFailedFilesCnt(), 0u);
    EXPECT_EQ(recovery.GetRecoveriedFileSize(), model.scan.GetScanFileSize());

    fs::path const numbered = fs::path(destination) / (std::string(GetParam().pszPrefix) + "0001");
    ASSERT_TRUE(fs::is_directory(numbered));
    std::vector<fs::path> volumes;
    for (auto const& entry : fs::directory_iterator(numbered)) volumes.push_back(entry.path());
    ASSERT_EQ(volumes.size(), 1u) << "one folder per volume";
    auto const hashes = HashesBelow(volumes.front());
    std::size_t u64Checked = 0;
    for (char const* pszList : {".manifest", ".deleted"})
        for (auto const& [path, expected] : fattest::ReadFiles(stem + pszList)) {
            EXPECT_TRUE(RecoveredAs(hashes, path, expected.sha256)) << path << pszList;
            ++u64Checked;
        }
    EXPECT_GT(u64Checked, 100u);

    // A second recovery never touches the first: it makes the next numbered folder.
    EXPECT_EQ(Recover(recovery, destination), kResultSuccess);
    EXPECT_EQ(HashesBelow(volumes.front()), hashes);
    EXPECT_EQ(HashesBelow(fs::path(destination) / (std::string(GetParam().pszPrefix) + "0002") / volumes.front().filename()), hashes);
}

INSTANTIATE_TEST_SUITE_P(Images, ImageRecovery,
                         testing::Values(RecoveryCase{"fat32", modeltest::FatFolder, "Fat_"},
                                         RecoveryCase{"exfat_4k", modeltest::ExFatFolder, "ExFat_"}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszImage); });

}  // namespace
