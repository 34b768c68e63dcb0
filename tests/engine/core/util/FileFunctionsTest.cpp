// CopyFileA on real files in a temporary folder: data, mode, times and extended attributes, and
// folders copied with everything in them.
#include "engine/core/util/FileFunctions.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

#include "support/TempDir.h"

namespace {

void WriteFile(std::string const& path, std::string const& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
    ASSERT_TRUE(out.good()) << path;
}

std::string ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Bytes that differ along the way and span several read and copy chunks.
std::string Pattern(size_t uSize) {
    std::string data(uSize, '\0');
    std::uint32_t u32 = 12345;
    for (char& c : data) {
        u32 = u32 * 1103515245u + 12345u;
        c = static_cast<char>(u32 >> 24);
    }
    return data;
}

void SetMtime(std::string const& path, time_t seconds) {
    timespec const times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

struct stat Lstat(std::string const& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st;
}

constexpr time_t kPastTime = 1400000000;  // May 2014

}  // namespace

TEST(GetFileSizeTest, EmptyMissingAndNullAreZero) {
    testsupport::TempDir dir;
    WriteFile(dir.File("empty"), "");
    WriteFile(dir.File("five"), "12345");
    EXPECT_EQ(GetFileSize(dir.File("empty").c_str()), 0u);
    EXPECT_EQ(GetFileSize(dir.File("missing").c_str()), 0u);
    EXPECT_EQ(GetFileSize(nullptr), 0u);
    EXPECT_EQ(GetFileSize(dir.File("five").c_str()), 5u);
}

TEST(CopyFileATest, CopiesDataModeTimesAndExtendedAttributes) {
    testsupport::TempDir dir;
    std::string const from = dir.File("source.bin");
    std::string const to = dir.File("copy.bin");
    std::string const data = Pattern(3 * 1024 * 1024 + 17);
    WriteFile(from, data);
    ASSERT_EQ(chmod(from.c_str(), 0640), 0);
    bool const bHaveXattr = setxattr(from.c_str(), "user.quorin", "tag-value", 9, 0) == 0;
    if (!bHaveXattr) {
        ASSERT_EQ(errno, ENOTSUP) << "setxattr failed for another reason";
    }
    SetMtime(from, kPastTime);

    ASSERT_EQ(CopyFileA(from.c_str(), to.c_str(), 0), 0);

    EXPECT_TRUE(ReadFile(to) == data) << "data differs";
    struct stat const st = Lstat(to);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, kPastTime);
    if (bHaveXattr) {
        char value[32] = {};
        ASSERT_EQ(getxattr(to.c_str(), "user.quorin", value, sizeof(value)), 9);
        EXPECT_STREQ(value, "tag-value");
    } else {
        std::cout << "[  SKIPPED ] extended attributes: not supported in " << dir.Path() << "\n";
    }
}

TEST(CopyFileATest, ReplacesAnExistingFile) {
    testsupport::TempDir dir;
    WriteFile(dir.File("from"), "short");
    WriteFile(dir.File("to"), "a much longer old content");
    ASSERT_EQ(CopyFileA(dir.File("from").c_str(), dir.File("to").c_str(), 1), 0);
    EXPECT_EQ(ReadFile(dir.File("to")), "short");
}

TEST(CopyFileATest, CopyOntoItselfFailsAndKeepsTheData) {
    testsupport::TempDir dir;
    WriteFile(dir.File("same"), "precious");
    ASSERT_EQ(symlink(dir.File("same").c_str(), dir.File("alias").c_str()), 0);
    EXPECT_EQ(CopyFileA(dir.File("same").c_str(), dir.File("alias").c_str(), 0), -1);
    EXPECT_EQ(ReadFile(dir.File("same")), "precious");
}

TEST(CopyFileATest, MissingSourceFails) {
    testsupport::TempDir dir;
    EXPECT_EQ(CopyFileA(dir.File("missing").c_str(), dir.File("to").c_str(), 0), -1);
    EXPECT_NE(access(dir.File("to").c_str(), F_OK), 0);
}

TEST(CopyFileATest, RecursesIntoFolders) {
    testsupport::TempDir dir;
    std::string const from = dir.File("tree");
    ASSERT_EQ(mkdir(from.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((from + "/sub").c_str(), 0750), 0);
    ASSERT_EQ(mkdir((from + "/sub/deeper").c_str(), 0700), 0);
    WriteFile(from + "/top.txt", "top");
    WriteFile(from + "/sub/deeper/leaf.bin", Pattern(70000));
    ASSERT_EQ(symlink("../top.txt", (from + "/sub/link").c_str()), 0);
    SetMtime(from + "/sub", kPastTime);
    SetMtime(from + "/sub/link", kPastTime);

    std::string const to = dir.File("tree-copy");
    ASSERT_EQ(CopyFileA(from.c_str(), to.c_str(), 0), 0);

    EXPECT_EQ(ReadFile(to + "/top.txt"), "top");
    EXPECT_TRUE(ReadFile(to + "/sub/deeper/leaf.bin") == Pattern(70000));
    EXPECT_EQ(Lstat(to + "/sub").st_mode & 07777, 0750u);
    EXPECT_EQ(Lstat(to + "/sub/deeper").st_mode & 07777, 0700u);
    EXPECT_EQ(Lstat(to + "/sub").st_mtim.tv_sec, kPastTime) << "folder times are set after its entries";
    struct stat const link = Lstat(to + "/sub/link");
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_EQ(link.st_mtim.tv_sec, kPastTime);
    char target[64] = {};
    EXPECT_EQ(readlink((to + "/sub/link").c_str(), target, sizeof(target) - 1), 10);
    EXPECT_STREQ(target, "../top.txt");
}

TEST(CopyFileATest, FolderCopiedIntoItselfStops) {
    testsupport::TempDir dir;
    std::string const from = dir.File("tree");
    ASSERT_EQ(mkdir(from.c_str(), 0755), 0);
    WriteFile(from + "/a.txt", "a");
    std::string const to = from + "/inner-copy";

    ASSERT_EQ(CopyFileA(from.c_str(), to.c_str(), 0), 0);

    EXPECT_EQ(ReadFile(to + "/a.txt"), "a");
    EXPECT_NE(access((to + "/inner-copy").c_str(), F_OK), 0) << "the copy went into itself";
}
