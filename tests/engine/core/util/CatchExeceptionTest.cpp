// The log writes each line to standard error and to <work path>/quorinlab.log. The work path is
// copied once per process, so every case points it at its own folder before its first line; CTest
// runs each case in a process of its own.
#include "engine/CatchExeception.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "engine/UiModelServices.h"
#include "support/TempDir.h"

namespace {

constexpr size_t kPrefixChars = 9;  // "hh:mm:ss "

std::string ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// 5000 characters that differ along the way, so that a cut in the wrong place shows.
std::string LongMessage() {
    std::string message;
    for (int i = 0; i < 5000; ++i) message.push_back(static_cast<char>('a' + i % 26));
    return message;
}

}  // namespace

TEST(CatchExeceptionTest, CutsLongMessageAfter1999CharactersOnStderrAndInFile) {
    testsupport::TempDir dir;
    SetAppWorkPathOverride(dir.Path().c_str());
    std::string const message = LongMessage();

    testing::internal::CaptureStderr();
    int const iLength = CatchExeception::WriteLog("%s", message.c_str());
    std::string const printed = testing::internal::GetCapturedStderr();

    ASSERT_EQ(printed.size(), kPrefixChars + 1999);
    EXPECT_EQ(iLength, static_cast<int>(printed.size()));
    EXPECT_TRUE(std::regex_match(printed.substr(0, kPrefixChars), std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9] ")));
    EXPECT_EQ(printed.substr(kPrefixChars), message.substr(0, 1999));
    EXPECT_EQ(ReadFile(dir.File("quorinlab.log")), printed);
    EXPECT_EQ(std::string(CatchExeception::GetWorkPath()), dir.Path());
}

TEST(CatchExeceptionTest, AppendsLinesToTheLogFile) {
    testsupport::TempDir dir;
    SetAppWorkPathOverride(dir.Path().c_str());

    testing::internal::CaptureStderr();
    CatchExeception::WriteLog("first %d\n", 1);
    CatchExeception::WriteLog("second %s\n", "line");
    std::string const printed = testing::internal::GetCapturedStderr();

    EXPECT_TRUE(std::regex_match(ReadFile(dir.File("quorinlab.log")),
                                 std::regex("\\d\\d:\\d\\d:\\d\\d first 1\n\\d\\d:\\d\\d:\\d\\d second line\n")));
    EXPECT_EQ(ReadFile(dir.File("quorinlab.log")), printed);
}

TEST(CatchExeceptionTest, UnwritableWorkFolderStillPrintsAndReturnsLength) {
    testsupport::TempDir dir;
    std::string const notAFolder = dir.File("plain-file");
    std::ofstream(notAFolder) << "x";
    SetAppWorkPathOverride(notAFolder.c_str());

    testing::internal::CaptureStderr();
    int const iLength = CatchExeception::WriteLog("hello %s\n", "world");
    std::string const printed = testing::internal::GetCapturedStderr();

    EXPECT_EQ(printed.substr(kPrefixChars), "hello world\n");
    EXPECT_EQ(iLength, static_cast<int>(printed.size()));
}

TEST(CatchExeceptionTest, FailedWriteIsReportedOnStderr) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not writable here";
    testsupport::TempDir dir;
    ASSERT_EQ(symlink("/dev/full", dir.File("quorinlab.log").c_str()), 0);  // opens, then every write fails
    SetAppWorkPathOverride(dir.Path().c_str());

    testing::internal::CaptureStderr();
    int const iLength = CatchExeception::WriteLog("lost\n");
    std::string const printed = testing::internal::GetCapturedStderr();

    EXPECT_EQ(iLength, static_cast<int>(kPrefixChars + 5));
    EXPECT_NE(printed.find("lost\nWriteLog failed with "), std::string::npos) << printed;
}

// A work path longer than a fixed path buffer: a cut path would name another file, or none.
TEST(CatchExeceptionTest, LongWorkPathGetsTheLogInThatVeryFolder) {
    testsupport::TempDir dir;
    std::string folder = dir.Path();
    for (char c : {'a', 'b'}) {
        folder += "/" + std::string(200, c);
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0) << folder;
    }
    ASSERT_GT(folder.size(), 400u);
    SetAppWorkPathOverride(folder.c_str());

    testing::internal::CaptureStderr();
    CatchExeception::WriteLog("far away\n");
    std::string const printed = testing::internal::GetCapturedStderr();

    EXPECT_EQ(ReadFile(folder + "/quorinlab.log"), printed);
}
