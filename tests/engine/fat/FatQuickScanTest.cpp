// Quick scans of FAT16 and FAT32 images that mkfs.fat and mtools built (tests/fixtures/fat):
// the scanned tree must equal what mtools extracts, and every live file and every deleted file
// whose clusters survived must copy out byte-exact. Real images catch what hand-made bytes miss:
// long names as mtools writes them, folder chains that interleave, clusters reused by new files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/EngineEntryPoints.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "engine/IFileReader.h"
#include "engine/IRecoveryController.h"
#include "engine/IRecoveryFilter.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/ReleasePtr.h"
#include "engine/core/recovery/VolumeDescription.h"
#include "engine/core/tree/TreeBuilderSettings.h"
#include "support/FakeSinks.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

struct Expected {
    long long s64Size = 0;
    std::string sha256;
};

/// "F<TAB>path<TAB>size<TAB>sha256" lines of a fixture manifest, by path.
std::map<std::string, Expected> ReadFiles(std::string const& path) {
    std::map<std::string, Expected> files;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind, name, size, hash;
        std::getline(fields, kind, '\t');
        std::getline(fields, name, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, hash, '\t');
        if (kind == "F") files[name] = {std::stoll(size), hash};
    }
    return files;
}

class FatImages : public ::testing::Environment {
public:
    void SetUp() override {
        m_pDir = std::make_unique<testsupport::TempDir>();
        std::string const script = std::string(QUORIN_SOURCE_DIR) + "/tests/fixtures/fat/make_images.sh";
        int const iExit = testsupport::RunCommand("bash '" + script + "' '" + m_pDir->Path() + "' >/dev/null 2>&1");
        if (iExit != 0) m_why = "the fixture script could not build the images (exit " + std::to_string(iExit) + ")";
    }
    void TearDown() override { m_pDir.reset(); }
    static std::string const& Why() { return m_why; }
    static std::string Image(std::string const& name) { return m_pDir->File(name); }

private:
    static inline std::unique_ptr<testsupport::TempDir> m_pDir;
    static inline std::string m_why;
};

::testing::Environment* const kImages = ::testing::AddGlobalTestEnvironment(new FatImages);

/// One quick scan through the deleted-files controller, as the UI model runs it.
class QuickScan {
public:
    explicit QuickScan(std::string const& image) {
        RegisterEngineSubsystems();
        TreeBuilderSettings settings = GetDefaultTreeBuilderSettings();
        settings.u32RootShownPauseMs = 0;
        SetDefaultTreeBuilderSettings(settings);
        m_pDevice.reset(CreateVolumeDevice(image.c_str()));
        if (!m_pDevice || !m_pDevice->Open()) return;
        auto* pRecord = new CCollectedVolumeDeviceInfoStruct;
        recovery::DescribeVolume(m_pDevice.get(), "image", *pRecord);
        m_pDevice->SetPrivateData(CreateVolumeDeviceData(pRecord));
        m_pFilter.reset(CreateFilter());
        m_pFilter->SetFilterTypes(63);
        m_pFilter->SetScanType(SCAN_TYPE_QUICK_UNMOUNTED);
        m_pController.reset(CreateRecoveryController(RECOVERY_CONTROLLER_DELETED));
        m_pController->Initialize(m_pFilter.get());
        m_result = m_pController->StartDataRecovery(m_pDevice.get(), &m_progress, &m_sink);
        for (IFileNode* pNode : m_sink.Nodes()) {
            if (pNode->IsDirectory()) continue;
            std::string path;
            for (IFileNode* p = pNode; p && p->GetParent(); p = p->GetParent()) path = "/" + std::string(p->GetFileName()) + path;
            (pNode->IsDeleted() ? m_deleted : m_live)[path] = pNode;
        }
    }

    RESULT Result() const { return m_result; }
    std::map<std::string, IFileNode*> const& Live() const { return m_live; }
    std::map<std::string, IFileNode*> const& Deleted() const { return m_deleted; }

    /// The SHA-256 of the node's bytes through copy-out; empty when it cannot be read.
    std::string Recover(IFileNode* pNode) {
        ReleasePtr<IDataRecovery> pRecovery(m_pController->GetDataRecovery(SEARCHER_TYPE_FAT));
        if (!pRecovery) return {};
        ReleasePtr<IFileReader> pReader(pRecovery->SetRecoverNode(pNode));
        if (!pReader) return {};
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(pNode->GetFileSize()));
        std::size_t done = 0;
        while (done < bytes.size()) {
            unsigned int const u32Read = pReader->ReadData(static_cast<long long>(done), reinterpret_cast<char*>(bytes.data() + done),
                                                           static_cast<unsigned int>(std::min<std::size_t>(bytes.size() - done, 1 << 20)));
            if (u32Read == 0) return {};
            done += u32Read;
        }
        return testsupport::Sha256Hex(bytes);
    }

private:
    struct DeviceDeleter {
        void operator()(IStorageDevice* p) const { delete p; }
    };
    std::unique_ptr<IStorageDevice, DeviceDeleter> m_pDevice;
    ReleasePtr<IRecoveryFilter> m_pFilter;
    ReleasePtr<IRecoveryController> m_pController;
    testsupport::FakeProgress m_progress;
    testsupport::FakeTreeSink m_sink;
    RESULT m_result = ~RESULT{0};
    std::map<std::string, IFileNode*> m_live;
    std::map<std::string, IFileNode*> m_deleted;
};

class FatQuickScanTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (!FatImages::Why().empty()) GTEST_SKIP() << FatImages::Why();
    }
};

TEST_P(FatQuickScanTest, TheLiveTreeEqualsTheMtoolsListingAndCopiesOutByteExact) {
    QuickScan scan(FatImages::Image(GetParam() + ".img"));
    ASSERT_EQ(scan.Result(), kResultSuccess);
    std::map<std::string, Expected> const expected = ReadFiles(FatImages::Image(GetParam() + ".manifest"));
    ASSERT_FALSE(expected.empty());
    for (auto const& [path, file] : expected) {
        SCOPED_TRACE(path);
        auto const it = scan.Live().find(path);
        ASSERT_NE(it, scan.Live().end()) << "not found live";
        EXPECT_EQ(it->second->GetFileSize(), file.s64Size);
        if (file.s64Size > 0) {
            EXPECT_EQ(scan.Recover(it->second), file.sha256);
        }
    }
    for (auto const& [path, pNode] : scan.Live()) EXPECT_TRUE(expected.count(path)) << "unexpected live file " << path;
}

TEST_P(FatQuickScanTest, DeletedFilesWhoseClustersSurvivedCopyOutByteExact) {
    QuickScan scan(FatImages::Image(GetParam() + ".img"));
    ASSERT_EQ(scan.Result(), kResultSuccess);
    std::map<std::string, Expected> const expected = ReadFiles(FatImages::Image(GetParam() + ".deleted"));
    ASSERT_FALSE(expected.empty());
    for (auto const& [path, file] : expected) {
        SCOPED_TRACE(path);
        auto const it = scan.Deleted().find(path);
        ASSERT_NE(it, scan.Deleted().end()) << "not found deleted";
        EXPECT_EQ(it->second->GetFileSize(), file.s64Size);
        EXPECT_EQ(scan.Recover(it->second), file.sha256);
    }
}

TEST_P(FatQuickScanTest, AFileInAFolderThatTookADeletedFoldersClusterStaysLiveUnderIt) {
    QuickScan scan(FatImages::Image(GetParam() + ".img"));
    ASSERT_EQ(scan.Result(), kResultSuccess);
    EXPECT_TRUE(scan.Live().count("/B/NEW/new.bin"));
    for (auto const& [path, pNode] : scan.Deleted()) EXPECT_EQ(path.find("/B/NEW"), std::string::npos) << path;
}

INSTANTIATE_TEST_SUITE_P(Images, FatQuickScanTest, ::testing::Values("fat16", "fat32"),
                         [](auto const& param) { return param.param; });

TEST(FatQuickScanOtherVolumes, AFat12VolumeIsNotRecognisedAndGivesNoQuickSearch) {
    if (!FatImages::Why().empty()) GTEST_SKIP() << FatImages::Why();
    QuickScan scan(FatImages::Image("fat12.img"));
    EXPECT_NE(scan.Result(), kResultSuccess);
    EXPECT_TRUE(scan.Live().empty());
}

}  // namespace
