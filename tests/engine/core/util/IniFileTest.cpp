#include "engine/core/util/IniFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/TempDir.h"

namespace {

class IniFileTest : public testing::Test {
protected:
    // Writes the bytes (NULs included) to a file and loads it; the load's result.
    int Load(std::string const& bytes) {
        std::string const path = m_dir.File("UIConfig.ini");
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return m_ini.Init(path);
    }
    // The value ReadItem gives, or "<-1>" with an empty value when it answers -1.
    std::string Read(std::string const& section, std::string const& key) {
        std::string value = "unchanged";
        int const iResult = m_ini.ReadItem(section, key, value);
        return iResult == 0 ? value : "<-1>" + value;
    }

    testsupport::TempDir m_dir;
    CIniFile m_ini;
};

}  // namespace

TEST_F(IniFileTest, ReadsTheRevisionSwitch) {
    ASSERT_EQ(Load("[UserExperience]\nbRevise=0\n"), 0);
    EXPECT_EQ(Read("UserExperience", "bRevise"), "0");
}

TEST_F(IniFileTest, KeepsBlanksAroundTheEqualsSign) {
    ASSERT_EQ(Load("[UserExperience]\nbRevise = 1\n"), 0);
    EXPECT_EQ(Read("UserExperience", "bRevise"), "<-1>");
    EXPECT_EQ(Read("UserExperience", "bRevise "), " 1");
}

TEST_F(IniFileTest, LastLineWithoutLineBreakKeepsAllItsCharacters) {
    ASSERT_EQ(Load("[S]\nkey=value"), 0);
    EXPECT_EQ(Read("S", "key"), "value");
}

TEST_F(IniFileTest, KeyBeforeAnySectionFails) {
    EXPECT_EQ(Load("bRevise=0\n[UserExperience]\nbRevise=1\n"), -1);
    EXPECT_EQ(Read("UserExperience", "bRevise"), "<-1>unchanged");
}

TEST_F(IniFileTest, SectionWithoutClosingBracketFailsAndKeepsWhatCameBefore) {
    EXPECT_EQ(Load("[A]\nx=1\n[B\ny=2\n"), -1);
    EXPECT_EQ(Read("A", "x"), "1");
    EXPECT_EQ(Read("B", "y"), "<-1>unchanged");
}

TEST_F(IniFileTest, MissingSectionMissingKeyAndEmptyValue) {
    ASSERT_EQ(Load("; comment\n[S]\nempty=\nkey=a=b\nkey=last\n\n"), 0);
    EXPECT_EQ(Read("T", "key"), "<-1>unchanged");
    EXPECT_EQ(Read("S", "absent"), "<-1>");
    EXPECT_EQ(Read("S", "empty"), "<-1>");
    EXPECT_EQ(Read("S", "key"), "last");
}

TEST_F(IniFileTest, MissingFileFails) {
    EXPECT_EQ(m_ini.Init(m_dir.File("absent.ini")), -1);
    EXPECT_EQ(m_ini.Init(static_cast<char const*>(nullptr)), -1);
}

TEST_F(IniFileTest, CrLfLineBreaksAreRemoved) {
    ASSERT_EQ(Load("[S]\r\nkey=v\r\n"), 0);
    EXPECT_EQ(Read("S", "key"), "v");
}

// A line longer than 1023 characters is read as pieces of 1023: the key keeps the first piece's
// value, the rest (holding no "=") is ignored, and the lines behind it are read as usual.
TEST_F(IniFileTest, LineOf3000CharactersIsReadInPiecesOf1023) {
    std::string const longValue = std::string(2998, 'v');
    ASSERT_EQ(Load("[S]\nk=" + longValue + "\nafter=1\n"), 0);
    EXPECT_EQ(Read("S", "k"), std::string(1021, 'v'));
    EXPECT_EQ(Read("S", "after"), "1");
}

TEST_F(IniFileTest, SectionNameLongerThanALineFails) { EXPECT_EQ(Load("[" + std::string(3000, 'a') + "]\nk=1\n"), -1); }

TEST_F(IniFileTest, LineEndsAtAnEmbeddedNul) {
    using namespace std::string_literals;
    ASSERT_EQ(Load("[S]\nkey=ab\0cd\n\0[broken\nnext=x\0=y\n"s), 0);
    EXPECT_EQ(Read("S", "key"), "ab");
    EXPECT_EQ(Read("S", "next"), "x");
}

TEST_F(IniFileTest, WriteItemRewritesTheFileInNameOrder) {
    ASSERT_EQ(Load("[b]\nz=1\ny=2\n[a]\nk=v\n"), 0);
    EXPECT_EQ(m_ini.WriteItem("a", "missing", "x"), -1);
    EXPECT_EQ(m_ini.WriteItem("nosection", "k", "x"), -1);
    ASSERT_EQ(m_ini.WriteItem("b", "z", "9"), 0);

    std::ifstream in(m_dir.File("UIConfig.ini"), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "[a]\nk=v\n\n[b]\ny=2\nz=9\n\n");
}

TEST(IniFileTrimTest, TrimsBlanksAndTabs) {
    std::string text = " \t value x\t ";
    EXPECT_EQ(CIniFile::TrimString(text), 0);
    EXPECT_EQ(text, "value x");
    text = " \t ";
    EXPECT_EQ(CIniFile::TrimString(text), -1);
    EXPECT_EQ(text, "");
}
