#include "engine/core/archive/StdFile.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ArchiveTestFiles.h"
#include "support/TempDir.h"

namespace {

mode_t PermissionsOf(std::string const& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Sets the process umask for one scope.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : m_previous(umask(mask)) {}
    ~ScopedUmask() { umask(m_previous); }

private:
    mode_t m_previous;
};

TEST(StdFile, ClosedFileDoesNothing) {
    CStdFile file;
    std::uint8_t buffer[4] = {};
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Read(buffer, 4), 0u);
    EXPECT_FALSE(file.Write(buffer, 4));
    EXPECT_FALSE(file.Seek(0));
    EXPECT_EQ(file.SeekToEnd(), -1);
    EXPECT_EQ(file.GetPosition(), -1);
}

TEST(StdFile, OpenModesCreateTruncateOrKeep) {
    struct Case {
        int iMode;
        bool bExisting;
        bool bOpens;
        std::int64_t s64SizeAfter;  // -1: the file does not exist afterwards
    };
    Case const cases[] = {
        {CStdFile::OPEN_READ, false, false, -1},
        {CStdFile::OPEN_READ, true, true, 5},
        {CStdFile::OPEN_READ_WRITE, false, true, 0},
        {2, true, true, 5},
        {CStdFile::OPEN_READ_WRITE_TRUNCATE, true, true, 0},
        {CStdFile::OPEN_READ_WRITE_KEEP, true, true, 5},
        {5, false, false, -1},
        {5, true, false, 5},
    };
    testsupport::TempDir dir;
    int iCase = 0;
    for (Case const& c : cases) {
        std::string const path = dir.File("f" + std::to_string(iCase++));
        if (c.bExisting) archivetest::WriteAll(path, std::vector<std::uint8_t>{1, 2, 3, 4, 5});
        CStdFile file;
        EXPECT_EQ(file.Open(path.c_str(), static_cast<CStdFile::OpenMode>(c.iMode)), c.bOpens) << c.iMode;
        EXPECT_EQ(file.IsOpen(), c.bOpens);
        if (c.bOpens) {
            EXPECT_EQ(file.SeekToEnd(), c.s64SizeAfter) << c.iMode;
        }
        file.Close();
        struct stat info {};
        EXPECT_EQ(stat(path.c_str(), &info) == 0 ? info.st_size : -1, c.s64SizeAfter) << c.iMode;
    }
}

TEST(StdFile, ReadsAndWritesAtAbsoluteOffsets) {
    testsupport::TempDir dir;
    CStdFile file;
    ASSERT_TRUE(file.Open(dir.File("rw").c_str(), CStdFile::OPEN_READ_WRITE_TRUNCATE));
    ASSERT_TRUE(file.Write("0123456789", 10));
    ASSERT_TRUE(file.Seek(3));
    ASSERT_TRUE(file.Write("ab", 2));
    EXPECT_EQ(file.GetPosition(), 5);
    ASSERT_TRUE(file.SeekToBegin());
    char text[16] = {};
    EXPECT_EQ(file.Read(text, sizeof text), 10u);  // short only at the end of the file
    EXPECT_STREQ(text, "012ab56789");
    EXPECT_FALSE(file.Seek(-1));
}

TEST(StdFile, NewFilesGet0666UnderTheUmask) {
    testsupport::TempDir dir;
    for (mode_t const mask : {mode_t{022}, mode_t{077}, mode_t{0}}) {
        ScopedUmask scoped(mask);
        std::string const path = dir.File("new" + std::to_string(mask));
        CStdFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CStdFile::OPEN_READ_WRITE_TRUNCATE));
        EXPECT_EQ(PermissionsOf(path), 0666 & ~mask) << mask;
    }
}

TEST(StdFile, OpeningAnExistingFileKeepsItsPermissions) {
    testsupport::TempDir dir;
    ScopedUmask scoped(0);
    struct Case {
        mode_t permissions;
        CStdFile::OpenMode mode;
    };
    Case const cases[] = {
        {0444, CStdFile::OPEN_READ},
        {0600, CStdFile::OPEN_READ},
        {0600, CStdFile::OPEN_READ_WRITE_KEEP},
        {0640, CStdFile::OPEN_READ_WRITE_TRUNCATE},
    };
    int iCase = 0;
    for (Case const& c : cases) {
        std::string const path = dir.File("existing" + std::to_string(iCase++));
        archivetest::WriteAll(path, std::vector<std::uint8_t>{1});
        ASSERT_EQ(chmod(path.c_str(), c.permissions), 0);
        CStdFile file;
        ASSERT_TRUE(file.Open(path.c_str(), c.mode));
        file.Close();
        EXPECT_EQ(PermissionsOf(path), c.permissions) << std::oct << c.permissions << " mode " << c.mode;
    }
}

}  // namespace
