// Quick scans of a real volume (mkfs.exfat, written by exfat-fuse) holding one odd or damaged
// entry set: a name with U+00FF, a zero timestamp, a deleted file claiming 2^62 bytes, a volume
// GUID entry in the root ahead of the files, a folder claiming 1 TiB. Each file but the damaged
// one must stay listed and copy out with the SHA-256 of the file written.
#include <gtest/gtest.h>

#include "ExFatImageScan.h"
#include "support/TempDir.h"

namespace {

using exfattest::ImagePatch;

struct OddCase {
    char const* label;
    void (*patch)(ImagePatch& image);
    char const* damaged;      // the path of the set the patch damages or overwrites, "" for none
    char const* unknownTime;  // a path whose modification time must be unknown, "" for none
};

constexpr std::size_t kStream = 32;  // the stream entry within a set

void LeaveAsWritten(ImagePatch&) {}

void ZeroModificationTime(ImagePatch& image) {
    std::size_t const at = image.FindSet(u"zero_time.txt");
    image.Put(at + 12, 0, 4);
    image.Seal(at);
}

void DeletedFileOf2To62Bytes(ImagePatch& image) {
    std::size_t const at = image.FindSet(u"huge_gone.bin");
    image.Put(at + kStream + 8, std::uint64_t{1} << 62, 8);   // valid data length
    image.Put(at + kStream + 24, std::uint64_t{1} << 62, 8);  // data length
    image.Seal(at);
}

// gap.tmp was deleted: its file entry's slot is free and comes before every other file.
void VolumeGuidInTheRoot(ImagePatch& image) {
    std::size_t const at = image.FindSet(u"gap.tmp");
    image.Put(at, 0xA0, 1);  // secondary count 0, flags 0
    image.Put(at + 1, 0, 1);
    image.Put(at + 2, 0, 4);
    for (std::size_t i = 6; i < 22; ++i) image.Put(at + i, 0x11 * i, 1);  // the GUID
    image.Put(at + 22, 0, 8);
    image.Put(at + 30, 0, 2);
    image.Seal(at);
}

void FolderOf1TiB(ImagePatch& image) {
    std::size_t const at = image.FindSet(u"big");
    image.Put(at + kStream + 8, std::uint64_t{1} << 40, 8);
    image.Put(at + kStream + 24, std::uint64_t{1} << 40, 8);
    image.Seal(at);
}

class ExFatOddEntryTest : public testing::TestWithParam<OddCase> {};

TEST_P(ExFatOddEntryTest, EveryOtherFileIsListedAndCopiesOutByteExact) {
    std::string const folder = exfattest::ImageFolder();
    if (folder.empty())
        GTEST_SKIP() << "the exFAT images were not built (needs root, /dev/fuse, loop devices, exfat-fuse)";
    ImagePatch image(folder + "/exfat_odd.img");
    ASSERT_FALSE(image.Empty());
    GetParam().patch(image);
    testsupport::TempDir temp;
    ASSERT_TRUE(image.Save(temp.File("odd.img")));

    exfattest::ImageScan scan(temp.File("odd.img"));
    ASSERT_EQ(scan.Error(), "");
    auto expected = exfattest::LoadManifest(folder + "/exfat_odd.manifest");
    ASSERT_TRUE(expected.count("/Ha\xC3\xBF.txt"));
    auto const deleted = exfattest::LoadManifest(folder + "/exfat_odd.deleted");
    expected.insert(deleted.begin(), deleted.end());
    expected.erase(GetParam().damaged);
    for (auto const& [path, entry] : expected) {
        IFileNode* pNode = scan.Find(path);
        ASSERT_NE(pNode, nullptr) << "missing: " << path;
        EXPECT_EQ(pNode->IsDeleted() != 0, deleted.count(path) != 0) << path;
        if (entry.bFolder) continue;
        EXPECT_EQ(scan.CopyOutHash(pNode, temp.File("copy")), entry.sha256) << path;
    }
    if (*GetParam().unknownTime != '\0') {
        IFileNode* pNode = scan.Find(GetParam().unknownTime);
        ASSERT_NE(pNode, nullptr);
        EXPECT_EQ(pNode->GetModificationTime().dwLowDateTime, 0u);
        EXPECT_EQ(pNode->GetModificationTime().dwHighDateTime, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExFatOddEntryTest,
                         testing::Values(OddCase{"asWritten", LeaveAsWritten, "", ""},
                                         OddCase{"zeroTimestamp", ZeroModificationTime, "", "/zero_time.txt"},
                                         OddCase{"deletedFileOf2To62Bytes", DeletedFileOf2To62Bytes, "/huge_gone.bin",
                                                 ""},
                                         OddCase{"volumeGuidInTheRoot", VolumeGuidInTheRoot, "/gap.tmp", ""},
                                         OddCase{"folderOf1TiB", FolderOf1TiB, "", ""}),
                         [](testing::TestParamInfo<OddCase> const& param) { return param.param.label; });

}  // namespace
