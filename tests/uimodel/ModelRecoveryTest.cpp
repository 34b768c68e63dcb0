// Recovery of checked files through the UI model, over real tool-made images: every file the
// tools wrote (deleted ones included) comes back byte-exact under a numbered folder of its
// searcher type, and nothing already in the destination is replaced.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <optional>

#include <algorithm>
#include <random>
#include <set>

#include "FatTestImages.h"
#include "ModelImages.h"
#include "ModelScan.h"
#include "engine/core/tree/FilesystemNode.h"
#include "support/FullDisk.h"
#include "support/LoopDevice.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "testkit/TestFileNode.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/recovery/RecoveryDestination.h"

namespace {

namespace fs = std::filesystem;
using modeltest::ModelScan;

/// DoRecovery on the job thread, as the facade starts it; `Finish` waits for its result.
struct RecoveryJob {
    RecoveryJob(uimodel::QNUIRecovery& recovery, std::string const& destination) {
        recovery.SetRecoveryPath(destination.c_str());
        recovery.ClearCreateDirIndex();
        recovery.SetStatus(uimodel::OPERATION_RUNNING);
        job.Start([&recovery, this] { result = recovery.DoRecovery(rawFolders); });
    }
    RESULT Finish() {
        job.Join();
        return result;
    }

    RESULT result = ~RESULT{0};
    std::string rawFolders;
    uimodel::CJobThread job;
};

RESULT Recover(uimodel::QNUIRecovery& recovery, std::string const& destination) {
    return RecoveryJob(recovery, destination).Finish();
}

void CheckAll(uimodel::QNUIScan& scan) {
    for (IFileNode* pRoot : scan.GetFileSystemNode()) pRoot->SetCheck(CHECKED_STATUS_CHECKED);
}

/// SHA-256 of every file below `folder`, by path relative to it.
std::map<std::string, std::string> HashesBelow(fs::path const& folder) {
    std::map<std::string, std::string> hashes;
    for (auto const& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            hashes["/" + fs::relative(entry.path(), folder).string()] = testsupport::Sha256OfFile(entry.path());
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
    bool bHardLinks;  // the names of one record are one file, recovered under one of them
};

class ImageRecovery : public testing::TestWithParam<RecoveryCase> {};

TEST_P(ImageRecovery, QuickScanRecoversEveryCheckedFileByteExactUnderANewNumberedFolder) {
    std::string const folder = GetParam().folder();
    if (folder.empty())
        GTEST_SKIP() << "the " << GetParam().pszImage << " image was not built (tools, root or FUSE missing)";
    std::string const stem = folder + "/" + GetParam().pszImage;
    ModelScan model({stem + ".img"});
    uimodel::QNUIRecovery recovery(model.scan);
    ASSERT_TRUE(Succeeded(model.Run(model.devices.GetStorageByDiskVolumeIndex(0, -1))));
    CheckAll(model.scan);

    // The total the window shows is planned from the nodes without reading the device (NTFS
    // keeps small files in their records); the progress still ends at it, with every byte.
    std::uint64_t u64Planned = 0;
    for (IFileNode* pNode : recovery.CheckedFiles()) u64Planned += recovery.BytesToWrite(pNode);
    recovery.SetRecoveryTotalSize(u64Planned);

    testsupport::TempDir temp;
    std::string const destination = temp.Path() + "/out";
    EXPECT_EQ(Recover(recovery, destination), kResultSuccess);
    EXPECT_EQ(recovery.GetStatus(), uimodel::OPERATION_IDLE);
    EXPECT_EQ(recovery.GetRecoveriedFilesCnt(), model.scan.GetScanFileCnt());
    EXPECT_EQ(recovery.GetFailedFilesCnt(), 0u);
    EXPECT_EQ(recovery.GetRecoveriedFileSize(), model.scan.GetScanFileSize());
    EXPECT_EQ(u64Planned, model.scan.GetScanFileSize());
    _PROGRESS_INFO const progress = recovery.GetProgressInfo();
    EXPECT_EQ(progress.u64Total, u64Planned);
    EXPECT_EQ(progress.u64Done, progress.u64Total);

    fs::path const numbered = fs::path(destination) / (std::string(GetParam().pszPrefix) + "0001");
    ASSERT_TRUE(fs::is_directory(numbered));
    std::vector<fs::path> volumes;
    for (auto const& entry : fs::directory_iterator(numbered)) volumes.push_back(entry.path());
    ASSERT_EQ(volumes.size(), 1u) << "one folder per volume";
    auto const hashes = HashesBelow(volumes.front());
    std::set<std::string> contents;
    for (auto const& [path, sha256] : hashes) contents.insert(sha256);
    std::size_t u64Checked = 0;
    for (char const* pszList : {".manifest", ".deleted"})
        for (auto const& [path, expected] : fattest::ReadFiles(stem + pszList)) {
            if (GetParam().bHardLinks)
                EXPECT_TRUE(contents.count(expected.sha256)) << path << pszList;
            else
                EXPECT_TRUE(RecoveredAs(hashes, path, expected.sha256)) << path << pszList;
            ++u64Checked;
        }
    EXPECT_GT(u64Checked, 100u);

    // A second recovery never touches the first: it makes the next numbered folder.
    EXPECT_EQ(Recover(recovery, destination), kResultSuccess);
    EXPECT_EQ(HashesBelow(volumes.front()), hashes);
    EXPECT_EQ(
        HashesBelow(fs::path(destination) / (std::string(GetParam().pszPrefix) + "0002") / volumes.front().filename()),
        hashes);
}

INSTANTIATE_TEST_SUITE_P(Images, ImageRecovery,
                         testing::Values(RecoveryCase{"fat32", modeltest::FatFolder, "Fat_", false},
                                         RecoveryCase{"exfat_4k", modeltest::ExFatFolder, "ExFat_", false},
                                         RecoveryCase{"ntfs_4k", modeltest::NtfsFolder, "", true}),  // NTFS: no prefix
                         [](auto const& testInfo) { return std::string(testInfo.param.pszImage); });

/// Replaces the one occurrence of `from` with `to` (as long, at most five characters: the
/// first piece of a long-name entry) in the image's folder entries.
bool RenameLongName(std::string const& image, std::string const& from, std::string const& to) {
    auto const utf16 = [](std::string const& text) {
        std::string out;
        for (char c : text) out += std::string{c, '\0'};
        return out;
    };
    std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    std::size_t const at = bytes.find(utf16(from));
    if (at == std::string::npos || bytes.find(utf16(from), at + 1) != std::string::npos) return false;
    file.seekp(static_cast<std::streamoff>(at));
    file.write(utf16(to).data(), static_cast<std::streamsize>(2 * to.size()));
    return file.good();
}

// A FAT32 image of tool-made files with what the destination rules must survive: a live and a
// deleted file of one path (twice), hostile long names, JPEGs for the signature search and a
// larger blob.
class CraftedRecovery : public modeltest::BuiltImageSuite<CraftedRecovery> {
public:
    static std::string Build(std::string const& dir) {
        if (!testsupport::HaveTool("convert")) return "ImageMagick is not installed";
        if (std::string const missing = modeltest::MissingFatTools(); !missing.empty()) return missing;
        for (auto const& [name, command] : {std::pair{"v1.jpg", "convert -size 200x150 plasma:red-blue"},
                                            {"v2.jpg", "convert -size 210x150 plasma:green-yellow"},
                                            {"p1.jpg", "convert -size 320x240 plasma:fractal -quality 90"},
                                            {"p2.jpg", "convert -size 300x200 gradient:red-blue -quality 90"}}) {
            if (testsupport::RunCommand(std::string(command) + " " + dir + name + " >/dev/null 2>&1") != 0)
                return std::string("could not make ") + name;
            s_hashes[name] = testsupport::Sha256OfFile(dir + name);
        }
        std::mt19937 random(27);
        for (auto const& [name, u32Bytes] : {std::pair{"readme1", 3000u},
                                             {"readme2", 4000u},
                                             {"big.bin", 300000u},
                                             {"hostile1", 1500u},
                                             {"hostile2", 1700u}}) {
            std::string blob(u32Bytes, '\0');
            for (char& c : blob) c = static_cast<char>(random());
            std::ofstream(dir + name, std::ios::binary) << blob;
            s_hashes[name] = testsupport::Sha256OfFile(dir + name);
        }
        // A deleted file of a live file's path: written under a name of the same length, and
        // after its deletion (its entry intact, as the tools leave it) renamed in its long-name
        // entry, which names deleted files.
        std::string const error = modeltest::CFat32Builder(dir + "disk.img", 64)
                                      .Put(dir + "v1.jpg", "/x.jpg/Ac.jpg")
                                      .Put(dir + "v2.jpg", "/x.jpg/Ab.jpg")
                                      .Put(dir + "readme1", "/RfadMe")
                                      .Put(dir + "readme2", "/ReadMe")
                                      .Put(dir + "p1.jpg", "/pictures/p1.jpg")
                                      .Put(dir + "p2.jpg", "/pictures/p2.jpg")
                                      .Put(dir + "big.bin", "/big.bin")
                                      .Put(dir + "hostile1", "/aXb.txt")
                                      .Put(dir + "hostile2", "/Zz")
                                      .Delete("/x.jpg/Ac.jpg")
                                      .Delete("/RfadMe")
                                      .Error();
        if (!error.empty()) return "could not build the image: " + error;
        // And long names a hostile or damaged volume holds: "a/b.txt" and "..".
        using namespace std::string_literals;
        for (auto const& [from, to] :
             {std::pair{"Ac.jp"s, "Ab.jp"s}, {"RfadM"s, "ReadM"s}, {"aXb.t"s, "a/b.t"s}, {"Zz\0"s, "..\0"s}})
            if (!RenameLongName(dir + "disk.img", from, to)) return "the long name to patch was not found: " + from;
        return {};
    }

protected:
    /// The SHA-256 of each file recovered below the one volume folder of `numbered`, by path.
    static std::map<std::string, std::string> VolumeHashes(fs::path const& numbered) {
        if (!fs::is_directory(numbered)) return {};
        return HashesBelow(fs::directory_iterator(numbered)->path());
    }
    static std::size_t FilesBelow(fs::path const& folder) {
        return static_cast<std::size_t>(std::count_if(fs::recursive_directory_iterator(folder),
                                                      fs::recursive_directory_iterator(),
                                                      [](auto const& entry) { return entry.is_regular_file(); }));
    }

    static std::uintmax_t BytesBelow(fs::path const& folder) {
        std::uintmax_t bytes = 0;
        for (auto const& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file()) bytes += entry.file_size();
        return bytes;
    }

    static inline std::map<std::string, std::string> s_hashes;  // sample name -> SHA-256
};

TEST_F(CraftedRecovery, ClashingPathsGetNumbersAndHiddenFilesStayBehind) {
    Scan();
    CheckAll(m_pModel->scan);
    ASSERT_NE(File("big.bin"), nullptr);
    File("big.bin")->ShowNode(0);  // hidden by a search: left out although checked
    testsupport::TempDir temp;
    EXPECT_EQ(Recover(*m_pRecovery, temp.Path() + "/out"), kResultSuccess);

    auto const hashes = VolumeHashes(fs::path(temp.Path()) / "out" / "Fat_0001");
    auto const pair = [&](char const* pszFirst, char const* pszSecond) {
        std::set<std::string> found;
        for (char const* pszPath : {pszFirst, pszSecond})
            if (hashes.count(pszPath)) found.insert(hashes.at(pszPath));
        return found;
    };
    // A live and a deleted file of one path: the second gets the counter before its own
    // extension, not before the folder's.
    EXPECT_EQ(pair("/x.jpg/Ab.jpg", "/x.jpg/Ab_0001.jpg"),
              (std::set<std::string>{s_hashes["v1.jpg"], s_hashes["v2.jpg"]}));
    EXPECT_EQ(pair("/ReadMe", "/ReadMe_0001"), (std::set<std::string>{s_hashes["readme1"], s_hashes["readme2"]}));
    EXPECT_EQ(hashes.count("/big.bin"), 0u);
    // The patched names come out as whatever the volume yields, but inside the volume folder.
    std::set<std::string> contents;
    for (auto const& [path, sha256] : hashes) contents.insert(sha256);
    EXPECT_TRUE(contents.count(s_hashes["hostile1"]) && contents.count(s_hashes["hostile2"]));
    std::set<std::string> top;
    for (auto const& entry : fs::directory_iterator(temp.Path())) top.insert(entry.path().filename().string());
    EXPECT_EQ(top, std::set<std::string>{"out"});
    EXPECT_EQ(m_pRecovery->GetFailedFilesCnt(), 0u);
    EXPECT_EQ(m_pRecovery->GetRecoveriedFilesCnt(), hashes.size());
}

// The files gathered for the destination checks are the ones copied, once; a scan's start
// forgets them.
TEST_F(CraftedRecovery, TheFilesHandedOverAreCopiedAndTakenByOneRecovery) {
    Scan();
    CheckAll(m_pModel->scan);
    ASSERT_NE(File("big.bin"), nullptr);
    std::vector<IFileNode*> const checked = m_pRecovery->CheckedFiles();
    ASSERT_EQ(std::count(checked.begin(), checked.end(), File("big.bin")), 1);
    m_pRecovery->SetFilesToRecover(checked);
    m_pRecovery->ReleaseDataRecovery();
    EXPECT_FALSE(m_pRecovery->HasFilesToRecover());
    m_pRecovery->SetFilesToRecover(checked);
    File("big.bin")->SetCheck(CHECKED_STATUS_UNCHECKED);  // after the gathering: still copied
    testsupport::TempDir temp;
    EXPECT_EQ(Recover(*m_pRecovery, temp.Path() + "/out"), kResultSuccess);
    EXPECT_EQ(m_pRecovery->GetRecoveriedFilesCnt(), checked.size());
    EXPECT_EQ(VolumeHashes(fs::path(temp.Path()) / "out" / "Fat_0001").count("/big.bin"), 1u);
    EXPECT_FALSE(m_pRecovery->HasFilesToRecover());
    EXPECT_EQ(Recover(*m_pRecovery, temp.Path() + "/again"), kResultSuccess);
    EXPECT_EQ(m_pRecovery->GetRecoveriedFilesCnt(), checked.size() - 1);
}

// Names come from the device: "/", ".." and the like must not lead outside the destination.
TEST_F(CraftedRecovery, HostileNodeNamesStayInsideTheDestination) {
    CFilesystemNode root("root", "../volume", SEARCHER_TYPE_HFSPLUS, 1);
    testkit::CTestFileNode folder("../..", true), escape("a/../../b.jpg"), dots("..");
    root.AddChild(&folder);
    folder.AddChild(&escape);
    folder.AddChild(&dots);
    testsupport::TempDir temp;
    fs::path const out = fs::path(temp.Path()) / "out";
    fs::create_directory(out);  // a recovery makes it after its checks
    for (IFileNode* pNode : {static_cast<IFileNode*>(&escape), static_cast<IFileNode*>(&dots)}) {
        std::optional<std::string> const path = m_pRecovery->CreateRecoveryFilePathByNode(pNode, out);
        ASSERT_TRUE(path);
        EXPECT_TRUE(fs::is_regular_file(*path));
        EXPECT_EQ(fs::weakly_canonical(*path).string().rfind(out.string() + "/HFS+_0001/.._volume/.._../", 0), 0u)
            << *path;
    }
    std::set<std::string> top;
    for (auto const& entry : fs::directory_iterator(temp.Path())) top.insert(entry.path().filename().string());
    EXPECT_EQ(top, std::set<std::string>{"out"});
}

TEST_F(CraftedRecovery, CarvedPicturesGoToTheNextFreeRawFolderOfEachRecovery) {
    Scan(true);
    CheckAll(m_pModel->scan);
    testsupport::TempDir temp;
    fs::path const out = fs::path(temp.Path()) / "out";
    fs::create_directories(out / "RAW_0001");
    fs::create_directories(out / "RAW_0002");
    RecoveryJob job(*m_pRecovery, out.string());
    EXPECT_EQ(job.Finish(), kResultSuccess);
    EXPECT_FALSE(job.rawFolders.empty());
    std::set<std::string> carved;
    for (auto const& [path, sha256] : VolumeHashes(out / "RAW_0003")) carved.insert(sha256);
    EXPECT_TRUE(carved.count(s_hashes["p1.jpg"]) && carved.count(s_hashes["p2.jpg"]));
    EXPECT_TRUE(fs::is_empty(out / "RAW_0001"));
    EXPECT_EQ(Recover(*m_pRecovery, out.string()), kResultSuccess);
    EXPECT_EQ(VolumeHashes(out / "RAW_0004"), VolumeHashes(out / "RAW_0003"));
}

// The file whose write fails is removed and failed; after the resume the files after it are copied.
TEST_F(CraftedRecovery, AFullDestinationFailsTheFileAndTheResumeGoesOnWithTheNextFiles) {
    Scan();
    for (char const* pszName : {"p1.jpg", "big.bin", "p2.jpg"}) {
        ASSERT_NE(File(pszName), nullptr) << pszName;
        File(pszName)->SetCheck(CHECKED_STATUS_CHECKED);
    }
    testsupport::TempDir temp;
    // The destination takes 100000 bytes per file, then refuses: as a full disk does.
    testsupport::FullDisk disk(100000);
    ASSERT_TRUE(disk.Active());
    m_pRecovery->SetRecoveryTotalSize(m_pRecovery->BytesToWrite(File("p1.jpg")) + 300000 +
                                      m_pRecovery->BytesToWrite(File("p2.jpg")));
    RecoveryJob job(*m_pRecovery, temp.Path());
    m_pRecovery->WaitForStatus([](int iStatus) { return iStatus != uimodel::OPERATION_RUNNING; });
    EXPECT_EQ(m_pRecovery->GetStatus(), uimodel::OPERATION_PAUSED);
    EXPECT_EQ(m_pRecovery->GetDestinationFullCnt(), 1u);
    EXPECT_EQ(ResultCode(m_pRecovery->GetProgressInfo().u64Error), kCodeShortWrite);
    EXPECT_EQ(m_pRecovery->GetFailedFilesCnt(), 1u);
    disk.MakeRoom();
    m_pRecovery->PauseOrResumeOperation();  // the user made room and goes on
    EXPECT_EQ(ResultCode(job.Finish()), kCodeShortWrite);
    EXPECT_EQ(m_pRecovery->GetDestinationFullCnt(), 1u);
    EXPECT_EQ(m_pRecovery->GetRecoveriedFilesCnt(), 2u);
    EXPECT_EQ(m_pRecovery->GetFailedFilesCnt(), 1u);
    EXPECT_EQ(m_pRecovery->GetProgressInfo().u64Done, m_pRecovery->GetProgressInfo().u64Total);
    auto const hashes = VolumeHashes(fs::path(temp.Path()) / "Fat_0001");
    EXPECT_EQ(hashes.count("/big.bin"), 0u);
    EXPECT_EQ(hashes.at("/pictures/p1.jpg"), s_hashes["p1.jpg"]);
    EXPECT_EQ(hashes.at("/pictures/p2.jpg"), s_hashes["p2.jpg"]);
}

// Stopped while paused on a full destination: the part written is removed and the file failed.
TEST_F(CraftedRecovery, AFullDestinationStoppedLeavesNoPartOfTheFile) {
    Scan();
    ASSERT_NE(File("big.bin"), nullptr);
    File("big.bin")->SetCheck(CHECKED_STATUS_CHECKED);
    testsupport::TempDir temp;
    std::optional<testsupport::FullDisk> disk(std::in_place, 65536);
    ASSERT_TRUE(disk->Active());
    std::vector<std::pair<std::string, RESULT>> reports;
    m_pRecovery->SetFileReport([&](IFileNode*, std::string const& path, RESULT result, std::string const&) {
        reports.emplace_back(path, result);
    });
    RecoveryJob job(*m_pRecovery, temp.Path());
    m_pRecovery->WaitForStatus([](int iStatus) { return iStatus != uimodel::OPERATION_RUNNING; });
    disk.reset();
    EXPECT_EQ(m_pRecovery->GetStatus(), uimodel::OPERATION_PAUSED);
    m_pRecovery->StopOperation(0);  // the user gives up instead of making room
    RESULT const result = job.Finish();
    EXPECT_EQ(ResultCode(result), kCodeShortWrite);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], (std::pair<std::string, RESULT>{"", result}));
    EXPECT_EQ(m_pRecovery->GetRecoveriedFilesCnt(), 0u);
    EXPECT_EQ(m_pRecovery->GetFailedFilesCnt(), 1u);
    EXPECT_EQ(FilesBelow(temp.Path()), 0u);
}

TEST_F(CraftedRecovery, PauseAndStopTakeEffectBetweenFiles) {
    Scan();
    CheckAll(m_pModel->scan);
    testsupport::TempDir temp;
    int iReported = 0;
    m_pRecovery->SetFileReport([&](IFileNode*, std::string const&, RESULT, std::string const&) {
        if (++iReported == 2) m_pRecovery->PauseOrResumeOperation();
        if (iReported == 4) m_pRecovery->StopOperation(0);
    });
    RecoveryJob job(*m_pRecovery, temp.Path());
    m_pRecovery->WaitForStatus([](int iStatus) { return iStatus != uimodel::OPERATION_RUNNING; });
    EXPECT_EQ(m_pRecovery->GetStatus(), uimodel::OPERATION_PAUSED);
    EXPECT_EQ(FilesBelow(temp.Path()), 2u);
    m_pRecovery->PauseOrResumeOperation();
    EXPECT_EQ(job.Finish(), kResultSuccess);
    EXPECT_EQ(m_pRecovery->GetStatus(), uimodel::OPERATION_IDLE);
    EXPECT_EQ(m_pRecovery->GetRecoveriedFilesCnt(), 4u);
    EXPECT_EQ(FilesBelow(temp.Path()), 4u);
}

TEST_F(CraftedRecovery, ProgressBelowTheLastReportAddsNothing) {
    m_pRecovery->SetRecoveryTotalSize(1000);
    for (std::uint64_t u64Done : {100u, 50u, 80u}) {
        _PROGRESS_INFO info;
        info.u64Done = u64Done;
        m_pRecovery->UpdateProgress(&info);
    }
    EXPECT_EQ(m_pRecovery->GetRecoveriedFileSize(), 130u);
    EXPECT_EQ(m_pRecovery->GetProgressInfo().u64Done, 130u);
    EXPECT_EQ(m_pRecovery->GetProgressInfo().u64Total, 1000u);
}

// A picture whose clusters lie past the end of a cut image fails; the document copied after it
// succeeds. Both are counted apart, and the recovery answers the picture's failure.
TEST(RecoveryFailures, TheFirstFailureIsAnsweredAndFailedFilesAreCountedApart) {
    if (std::string const missing = modeltest::MissingFatTools(); !missing.empty()) GTEST_SKIP() << missing;
    testsupport::TempDir temp;
    std::mt19937 random(5);
    std::string picture(40000, '\0'), document(3000, '\0');
    for (std::string* pBlob : {&picture, &document})
        for (char& c : *pBlob) c = static_cast<char>(random());
    std::ofstream(temp.File("pic.jpg"), std::ios::binary) << picture;
    std::ofstream(temp.File("doc.txt"), std::ios::binary) << document;
    std::string const image = temp.File("cut.img");
    ASSERT_EQ(modeltest::CFat32Builder(image, 64)
                  .Put(temp.File("doc.txt"), "/doc.txt")
                  .Put(temp.File("pic.jpg"), "/pic.jpg")
                  .Error(),
              "");
    std::string bytes;
    {
        std::ifstream in(image, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t const at = bytes.find(picture.substr(0, 64));
    ASSERT_NE(at, std::string::npos);
    fs::resize_file(image, at + 100);

    ModelScan model({image});
    uimodel::QNUIRecovery recovery(model.scan);
    ASSERT_TRUE(Succeeded(model.Run(model.devices.GetStorageByDiskVolumeIndex(0, -1))));
    CheckAll(model.scan);
    std::vector<std::pair<std::string, RESULT>> reports;
    recovery.SetFileReport([&](IFileNode* pNode, std::string const&, RESULT result, std::string const&) {
        reports.emplace_back(pNode->GetFileName(), result);
    });
    RESULT const result = Recover(recovery, temp.File("out"));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].first, "pic.jpg");  // pictures come first
    EXPECT_TRUE(Failed(reports[0].second));
    EXPECT_EQ(reports[1], (std::pair<std::string, RESULT>{"doc.txt", kResultSuccess}));
    EXPECT_EQ(result, reports[0].second);
    EXPECT_EQ(recovery.GetRecoveriedFilesCnt(), 1u);
    EXPECT_EQ(recovery.GetFailedFilesCnt(), 1u);
    // The picture's failed copy leaves no file that would look recovered.
    std::set<std::string> written;
    for (auto const& entry : fs::recursive_directory_iterator(temp.File("out")))
        if (entry.is_regular_file()) written.insert(entry.path().filename().string());
    EXPECT_EQ(written, std::set<std::string>{"doc.txt"});
}

// A file entry claiming 4 GiB over a chain of 40 KB: the destination needs the chain's bytes,
// not the claim, so one damaged entry cannot make the whole recovery "not enough space"; the
// other file is recovered, and the damaged one written up to its data and reported short.
TEST(RecoveryFailures, ARecordedSizeBeyondTheDataCountsOnlyTheData) {
    if (std::string const missing = modeltest::MissingFatTools(); !missing.empty()) GTEST_SKIP() << missing;
    testsupport::TempDir temp;
    std::ofstream(temp.File("pic.jpg"), std::ios::binary) << std::string(40000, 'p');
    std::ofstream(temp.File("doc.txt"), std::ios::binary) << std::string(3000, 'd');
    std::string const image = temp.File("claim.img");
    ASSERT_EQ(modeltest::CFat32Builder(image, 64)
                  .Put(temp.File("doc.txt"), "/doc.txt")
                  .Put(temp.File("pic.jpg"), "/pic.jpg")
                  .Error(),
              "");
    std::string bytes;
    {
        std::ifstream in(image, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t const entry = bytes.find("PIC     JPG");
    ASSERT_NE(entry, std::string::npos);
    {
        std::fstream out(image, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(static_cast<std::streamoff>(entry + 28));
        out.write("\xF0\xFF\xFF\xFF", 4);  // 4 GiB less 16 bytes
    }

    ModelScan model({image});
    uimodel::QNUIRecovery recovery(model.scan);
    ASSERT_TRUE(Succeeded(model.Run(model.devices.GetStorageByDiskVolumeIndex(0, -1))));
    CheckAll(model.scan);
    std::uint64_t u64Recorded = 0;
    std::uint64_t u64ToWrite = 0;
    for (auto const& [eType, nodes] : model.scan.GetTypeMap())
        for (IFileNode* pNode : nodes) {
            if (pNode->GetCheckedStatus() != CHECKED_STATUS_CHECKED) continue;
            u64Recorded += static_cast<std::uint64_t>(pNode->GetFileSize());
            u64ToWrite += recovery.BytesToWrite(pNode);
        }
    EXPECT_GT(u64Recorded, 0xF0000000u);
    EXPECT_GE(u64ToWrite, 3000u);
    EXPECT_LT(u64ToWrite, 1u << 20);

    std::map<std::string, RESULT> reports;
    std::string picPath;
    recovery.SetFileReport([&](IFileNode* pNode, std::string const& path, RESULT result, std::string const&) {
        reports[pNode->GetFileName()] = result;
        if (std::string(pNode->GetFileName()) == "pic.jpg") picPath = path;
    });
    Recover(recovery, temp.File("out"));
    EXPECT_EQ(reports["doc.txt"], kResultSuccess);
    // The picture is written up to the end of its chain, and reported short, not recovered.
    EXPECT_EQ(reports["pic.jpg"], CopyNoteResult(kCodeShortData));
    EXPECT_EQ(recovery.GetRecoveriedFilesCnt(), 1u);
    EXPECT_EQ(recovery.GetFailedFilesCnt(), 0u);
    EXPECT_EQ(recovery.GetNotedFilesCnt(), 1u);
    auto const notes = recovery.GetNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].note, "short");
    EXPECT_EQ(notes[0].written, picPath);
    EXPECT_TRUE(notes[0].source.ends_with("/pic.jpg")) << notes[0].source;
    auto const hashes = HashesBelow(temp.File("out"));
    EXPECT_EQ(hashes.size(), 2u);
    std::string const docSha256 = testsupport::Sha256OfFile(temp.File("doc.txt"));
    EXPECT_TRUE(std::any_of(hashes.begin(), hashes.end(), [&](auto const& pathAndSha256) {
        return pathAndSha256.second == docSha256;
    })) << "doc.txt byte-exact";
    std::string written;
    {
        std::ifstream in(picPath, std::ios::binary);
        written.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(written.size(), u64ToWrite - 3000);
    EXPECT_EQ(written.substr(0, 40000), std::string(40000, 'p'));
}

// A folder on the way that is a link is not followed; and once made, a folder is held open, so
// that a link put in its place afterwards does not lead the files bound for it out of the
// destination: they are claimed and written inside the folder that was made.
TEST(RecoveryDestination, FilesGoIntoTheFolderMadeNeverThroughALink) {
    testsupport::TempDir temp;
    fs::create_directories(temp.File("base"));
    fs::create_directories(temp.File("outside"));
    fs::create_directory_symlink(temp.File("outside"), temp.File("base/link"));
    EXPECT_FALSE(uimodel::MakeFoldersBelow(temp.File("base"), {"link", "deeper"}));
    EXPECT_FALSE(uimodel::MakeFoldersBelow(temp.File("base/link"), {"deeper"}));

    std::optional<uimodel::CHeldFolder> const held = uimodel::MakeFoldersBelow(temp.File("base"), {"vol", "a/b"});
    ASSERT_TRUE(held);
    EXPECT_EQ(held->Path(), fs::path(temp.File("base/vol/a_b")));
    fs::rename(temp.File("base/vol/a_b"), temp.File("base/vol/moved"));
    fs::create_directory_symlink(temp.File("outside"), temp.File("base/vol/a_b"));
    int iCounter = 1;
    std::optional<std::string> const first = uimodel::ClaimClashFreeFile(*held, "f.txt", iCounter);
    std::optional<std::string> const second = uimodel::ClaimClashFreeFile(*held, "f.txt", iCounter);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(*first, "f.txt");
    EXPECT_EQ(*second, "f_0001.txt");
    std::ofstream(held->PathThrough(*second)) << "data";
    EXPECT_TRUE(fs::is_empty(temp.File("outside")));
    std::ifstream written(temp.File("base/vol/moved/f_0001.txt"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "data");
}

// A destination inside a mount of the very image being scanned (exFAT through FUSE over a loop
// device) is refused before anything is written.
TEST(RecoveryDestination, AMountOfTheScannedImageIsRefused) {
    testsupport::TempDir temp;
    std::string const image = temp.File("exfat.img");
    modeltest::CExFatFuseMount fuse(temp, image);
    if (!fuse.WhyNot().empty()) GTEST_SKIP() << fuse.WhyNot();
    std::string const& mount = fuse.Folder();
    ASSERT_EQ(testsupport::RunCommand("head -c 5000 /dev/urandom > " + mount + "/file.bin && sync"), 0);

    ModelScan model({image});
    uimodel::QNUIRecovery recovery(model.scan);
    ASSERT_TRUE(Succeeded(model.Run(model.devices.GetStorageByDiskVolumeIndex(0, -1))));
    CheckAll(model.scan);
    ASSERT_EQ(model.scan.GetScanFileCnt(), 1u);
    EXPECT_TRUE(recovery.RecoveryPathIsSameDevice(mount.c_str()));
    EXPECT_FALSE(recovery.RecoveryPathIsSameDevice(temp.Path().c_str()));
    EXPECT_EQ(Recover(recovery, mount + "/out"), uimodel::kResultDestinationOnScannedDevice);
    EXPECT_FALSE(fs::exists(mount + "/out"));
    EXPECT_EQ(recovery.GetRecoveriedFilesCnt(), 0u);

    // However the path reaches the device (its root, fifty folders still to be made, a link
    // from elsewhere), it is refused before anything is made there.
    std::string deep = mount;
    for (int i = 0; i < 50; ++i) deep += "/level" + std::to_string(i);
    fs::create_directory_symlink(mount, temp.File("into"));
    for (std::string const& path : {mount, deep, temp.File("into/new/deeper")})
        EXPECT_EQ(recovery.PrepareDestination(path), uimodel::kResultDestinationOnScannedDevice) << path;
    std::set<std::string> onDevice;
    for (auto const& entry : fs::recursive_directory_iterator(mount)) onDevice.insert(entry.path().filename().string());
    EXPECT_EQ(onDevice, std::set<std::string>{"file.bin"});
}

}  // namespace
