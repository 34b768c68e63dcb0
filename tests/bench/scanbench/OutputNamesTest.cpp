// Names of written files: nothing from the scanned device may leave the output folder, hide,
// or overwrite another file.
#include "bench/scanbench/OutputNames.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>

namespace {

TEST(OutputNamesTest, SanitisesWhatCouldEscapeOrHide) {
    struct Case {
        std::string in;
        std::string out;
    };
    Case const cases[] = {
        {"photo.jpg", "photo.jpg"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"/abs", "_abs"},
        {".", "_"},
        {"..", "_"},
        {"", "_"},
        {std::string("a\nb\tc\x7f", 6), "a_b_c_"},
        {"caf\xc3\xa9.txt", "caf\xc3\xa9.txt"},  // UTF-8 stays as it is
        {".profile", ".profile"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(scanbench::SanitiseName(c.in), c.out);
    }
}

TEST(OutputNamesTest, CutsOverlongNamesAtACharacterBoundary) {
    std::string name;
    for (int i = 0; i < 200; ++i) name += "\xc3\xa9";  // 400 bytes of two-byte characters
    std::string const safe = scanbench::SanitiseName(name);
    EXPECT_LE(safe.size(), 240u);
    EXPECT_EQ(safe.size() % 2, 0u);
    EXPECT_EQ(safe, name.substr(0, safe.size()));
}

TEST(OutputNamesTest, CollisionsGetANumberBeforeTheExtensionPerFolder) {
    scanbench::COutputNames names;
    EXPECT_EQ(names.Claim("root", "a.jpg"), "a.jpg");
    EXPECT_EQ(names.Claim("root", "a.jpg"), "a_1.jpg");
    EXPECT_EQ(names.Claim("root", "a.jpg"), "a_2.jpg");
    EXPECT_EQ(names.Claim("root", "a_1.jpg"), "a_1_1.jpg");
    EXPECT_EQ(names.Claim("root/sub", "a.jpg"), "a.jpg");
    EXPECT_EQ(names.Claim("root", ".profile"), ".profile");
    EXPECT_EQ(names.Claim("root", ".profile"), ".profile_1");
    EXPECT_EQ(names.Claim("root", "x/y"), "x_y");
    EXPECT_EQ(names.Claim("root", "x_y"), "x_y_1");  // sanitised names collide too
}

// The output may be a FAT, exFAT or HFS+ volume, where Case.txt, CASE.txt and case.txt are one
// name; and a folder of thousands of files of one name (carved or deleted ones) must number
// them densely, each number found once, not searched from 1 again for every file.
TEST(OutputNamesTest, NamesDifferingInCaseAndThousandsOfOneNameAllStayApart) {
    scanbench::COutputNames names;
    EXPECT_EQ(names.Claim("root", "Case.txt"), "Case.txt");
    EXPECT_EQ(names.Claim("root", "CASE.txt"), "CASE_1.txt");
    EXPECT_EQ(names.Claim("root", "case.TXT"), "case_2.TXT");
    EXPECT_EQ(names.Claim("root", "\xc3\x89T\xc3\x89.jpg"), "\xc3\x89T\xc3\x89.jpg");    // ÉTÉ.jpg
    EXPECT_EQ(names.Claim("root", "\xc3\xa9t\xc3\xa9.jpg"), "\xc3\xa9t\xc3\xa9_1.jpg");  // été.jpg

    constexpr unsigned int kCopies = 20000;
    std::unordered_set<std::string> folded;
    std::string last;
    for (unsigned int u = 0; u < kCopies; ++u) {
        last = names.Claim("root/DCIM", u % 2 ? "IMG.JPG" : "img.jpg");
        EXPECT_TRUE(folded.insert(scanbench::FoldCase(last)).second) << last;
    }
    EXPECT_EQ(folded.size(), kCopies);
    EXPECT_EQ(last, "IMG_" + std::to_string(kCopies - 1) + ".JPG");
}

}  // namespace
