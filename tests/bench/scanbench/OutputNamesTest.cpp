// Names of written files: nothing from the scanned device may leave the output folder, hide,
// or overwrite another file.
#include "bench/scanbench/OutputNames.h"

#include <gtest/gtest.h>

#include <string>

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
        {".", "_."},
        {"..", "_.."},
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

}  // namespace
