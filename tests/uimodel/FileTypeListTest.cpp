// The "FileType" list reader: the shipped list, and property lists that are damaged or of the
// wrong shape.
#include "uimodel/FileTypeList.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

namespace {

std::set<std::string> Split(std::string const& joined) {
    std::set<std::string> pieces;
    std::stringstream stream(joined);
    for (std::string piece; std::getline(stream, piece, ';');) pieces.insert(piece);
    return pieces;
}

std::string Plist(std::string const& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">" +
           body + "</plist>\n";
}

TEST(FileTypeListTest, ShippedListHasEveryCategoryWithItsCommonExtensions) {
    std::string error;
    auto const lists = filetypes::ReadFileTypeList(QUORIN_FILETYPE_LIST, &error);
    ASSERT_EQ(lists.size(), 6u) << error;

    struct Expect {
        int iBit;
        char const* pszExtension;
    };
    for (Expect const e : {Expect{1, "jpg"}, Expect{1, "png"}, Expect{1, "cr2"}, Expect{1, "nef"}, Expect{1, "dng"},
                           Expect{2, "mp3"}, Expect{2, "flac"}, Expect{4, "mp4"}, Expect{4, "mov"}, Expect{8, "zip"},
                           Expect{8, "7z"}, Expect{16, "pdf"}, Expect{16, "docx"}, Expect{32, "exe"}}) {
        ASSERT_TRUE(lists.count(e.iBit)) << e.iBit;
        EXPECT_TRUE(Split(lists.at(e.iBit)).count(e.pszExtension)) << e.pszExtension << " under " << e.iBit;
    }

    // Lower case, no dots, no empty pieces, and no extension in two categories: the engine takes
    // the first category and the results tree the last, so a repeat would split them.
    std::set<std::string> seen;
    for (auto const& [iBit, joined] : lists) {
        for (std::string const& extension : Split(joined)) {
            EXPECT_FALSE(extension.empty()) << "under " << iBit;
            EXPECT_EQ(extension.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ."), std::string::npos) << extension;
            EXPECT_TRUE(seen.insert(extension).second) << extension << " listed twice";
        }
    }
}

TEST(FileTypeListTest, JoinsStringsOfKnownKeysOnly) {
    std::string const text = Plist(
        "<dict>"
        "<key>1</key><array><string>jpg</string><integer>5</integer><string>png</string></array>"
        "<key>2</key><array/>"
        "<key>3</key><array><string>odd</string></array>"
        "<key>8</key><string>zip</string>"
        "<key>pictures</key><array><string>gif</string></array>"
        "</dict>");
    std::string error = "stale";
    auto const lists = filetypes::ParseFileTypeList(text, &error);
    EXPECT_EQ(lists, (std::map<int, std::string>{{1, "jpg;png"}, {2, ""}}));
    EXPECT_TRUE(error.empty());
}

TEST(FileTypeListTest, DamagedOrMisshapenListsGiveNothingAndAReason) {
    std::string const cases[] = {
        "",
        "not a property list at all",
        Plist("<dict><key>1</key><array><string>jpg</string>"),  // cut short
        Plist("<array><string>jpg</string></array>"),            // root is not a dictionary
        std::string("bplist00\xFF\xFF\xFF", 11),
    };
    for (std::string const& text : cases) {
        std::string error;
        EXPECT_TRUE(filetypes::ParseFileTypeList(text, &error).empty()) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    std::string error;
    EXPECT_TRUE(filetypes::ReadFileTypeList("/nonexistent/FileType.plist", &error).empty());
    EXPECT_FALSE(error.empty());
}

}  // namespace
