#pragma once
// Small FAT32 images the model's recovery and thumbnail tests fill with real files: mkfs.fat
// formats, mtools writes and deletes, in the order the test asks.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ModelScan.h"
#include "support/LoopDevice.h"
#include "support/TempDir.h"
#include "uimodel/recovery/QNUIRecovery.h"

namespace modeltest {

/// A 32 MiB image formatted by mkfs.exfat and mounted through exfat-fuse over a loop device, so
/// that files are written as the real driver writes them; unmounted when it goes.
class CExFatFuseMount {
public:
    CExFatFuseMount(testsupport::TempDir const& temp, std::string const& image);
    ~CExFatFuseMount();
    CExFatFuseMount(CExFatFuseMount const&) = delete;
    CExFatFuseMount& operator=(CExFatFuseMount const&) = delete;
    /// Why the image is not mounted (a tool, loop devices or FUSE missing); empty when it is.
    std::string const& WhyNot() const { return m_whyNot; }
    std::string const& Folder() const { return m_folder; }

private:
    testsupport::LoopDevice m_loop;
    std::string m_folder;
    std::string m_whyNot;
    bool m_bMounted = false;
};

/// Empty when mkfs.fat or mtools is missing: the reason to skip.
std::string MissingFatTools();

class CFat32Builder {
public:
    /// Formats `image` as FAT32 of `u32MiB` MiB.
    CFat32Builder(std::string image, unsigned u32MiB);
    /// Copies a host file to "/dir/name" in the image, making its folders.
    CFat32Builder& Put(std::string const& hostPath, std::string const& imagePath);
    CFat32Builder& Delete(std::string const& imagePath);
    /// The first command that failed; empty when all ran.
    std::string const& Error() const { return m_error; }

private:
    void Run(std::string const& command);

    std::string m_image;
    std::string m_error;
};

/// A suite over one image it builds once: `Suite::Build(folder)` makes folder + "disk.img" and
/// answers why it could not (empty when it could). Each test gets a fresh model (device list,
/// scan, recovery) over the image, not yet scanned.
template <class Suite>
class BuiltImageSuite : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_pTemp = std::make_unique<testsupport::TempDir>();
        s_skip = Suite::Build(Folder());
    }
    static void TearDownTestSuite() { s_pTemp.reset(); }
    void SetUp() override {
        if (!s_skip.empty()) GTEST_SKIP() << s_skip;
        m_pModel = std::make_unique<ModelScan>(std::vector<std::string>{Folder() + "disk.img"});
        m_pRecovery = std::make_unique<uimodel::QNUIRecovery>(m_pModel->scan);
    }
    void TearDown() override {
        m_pRecovery.reset();
        m_pModel.reset();
    }
    /// The suite's folder, with a trailing "/".
    static std::string Folder() { return s_pTemp->Path() + "/"; }
    void Scan(bool bDeep = false) {
        ASSERT_TRUE(Succeeded(m_pModel->Run(m_pModel->devices.GetStorageByDiskVolumeIndex(0, -1), bDeep)));
    }
    IFileNode* File(std::string const& name) { return FindFile(m_pModel->scan, name); }

    static inline std::string s_skip;
    static inline std::unique_ptr<testsupport::TempDir> s_pTemp;
    std::unique_ptr<ModelScan> m_pModel;
    std::unique_ptr<uimodel::QNUIRecovery> m_pRecovery;
};

}  // namespace modeltest
