// Copy-out against a real FAT16 image: mkfs.fat formats it and mcopy writes the files, and the
// runs are read back from the image's own allocation table, clusters counted from the first
// data sector as the FAT searchers count them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "CopyOutFixtures.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDevice.h"
#include "engine/core/copyout/DataRecovery.h"
#include "support/FatImage.h"
#include "support/LoopDevice.h"
#include "support/Sha256.h"
#include "support/StampedImage.h"
#include "support/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FatCopyOutTest, ContiguousFilesCopyOutByteExact) {
    std::string const missing = testsupport::FatImage::MissingPrerequisite();
    if (!missing.empty()) GTEST_SKIP() << missing;
    testsupport::TempDir temp;
    std::vector<std::pair<std::string, Bytes>> const files = {
        {"BIG.BIN", copyouttest::PatternBytes(3 << 20, 41)},
        {"ODD.BIN", copyouttest::PatternBytes(12345, 42)},
        {"ONE.BIN", copyouttest::PatternBytes(1, 43)},
    };
    std::vector<std::pair<std::string, std::string>> hostFiles;
    for (auto const& [name, bytes] : files) {
        std::ofstream(temp.File(name), std::ios::binary)
            .write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        hostFiles.emplace_back(name, temp.File(name));
    }
    std::string error;
    ASSERT_TRUE(testsupport::FatImage::Build(temp.File("fat.img"), 64 << 20, hostFiles, error)) << error;
    testsupport::FatImage image(temp.File("fat.img"));
    ASSERT_TRUE(image.Load());

    std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(temp.File("fat.img").c_str()));
    ASSERT_TRUE(pDevice && pDevice->Open());
    copyouttest::FakeSearcher searcher(
        {copyouttest::MakePartition(image.FirstDataSector(), image.SectorsPerCluster(), FILE_SYSTEM_FAT16)});
    CDataRecovery recovery;
    ASSERT_EQ(recovery.Initialize(&searcher, pDevice.get()), kResultSuccess);

    for (auto const& [name, bytes] : files) {
        SCOPED_TRACE(name);
        auto const layout = image.Layout(name);
        ASSERT_TRUE(layout.has_value());
        ASSERT_EQ(layout->s64Size, static_cast<long long>(bytes.size()));
        EXPECT_EQ(layout->runs.size(), 1u) << "mcopy writes a fresh image contiguously";
        auto pNode = copyouttest::MakeNode(layout->runs, layout->s64Size);
        ReleasePtr<IFileReader> pClone(recovery.SetRecoverNode(pNode.get()));
        ASSERT_NE(pClone, nullptr);
        ASSERT_EQ(recovery.RecoverTo(temp.File("copy").c_str(), nullptr, 0), kResultSuccess);
        EXPECT_EQ(testsupport::Sha256OfFile(temp.File("copy")), testsupport::Sha256Hex(bytes));
    }

    // The image under another name is still the image being read: it is refused untouched.
    std::string const imageBefore = testsupport::Sha256OfFile(temp.File("fat.img"));
    ASSERT_EQ(::link(temp.File("fat.img").c_str(), temp.File("same.img").c_str()), 0);
    EXPECT_EQ(ResultCode(recovery.RecoverTo(temp.File("same.img").c_str(), nullptr, 0)), 0xFu);
    EXPECT_EQ(testsupport::Sha256OfFile(temp.File("fat.img")), imageBefore);
}

// Read through a loop device, the image is still what is read from: a link to its backing file
// is refused as a destination.
TEST(CopyOutSourceTest, LinkToTheFileBehindALoopDeviceIsRefused) {
    testsupport::TempDir temp;
    std::string const image = temp.File("disk.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 64));
    testsupport::LoopDevice loop;
    if (std::string const why = loop.Attach(image); !why.empty()) GTEST_SKIP() << why;
    std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(loop.Node().c_str()));
    ASSERT_TRUE(pDevice && pDevice->Open());
    std::string const imageBefore = testsupport::Sha256OfFile(image);
    ASSERT_EQ(::link(image.c_str(), temp.File("same.img").c_str()), 0);
    CDataRecovery recovery;
    EXPECT_EQ(ResultCode(recovery.RecoverTo(temp.File("same.img").c_str(), nullptr, 0)), 0xFu);
    EXPECT_EQ(testsupport::Sha256OfFile(image), imageBefore);
}

}  // namespace
