#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/UiModelServices.h"

TEST(WorkPathTest, IsTheExecutablesFolderUnlessOverridden) {
    std::string const executableFolder = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    EXPECT_EQ(std::string(GetAppWorkPath()), executableFolder);

    SetAppWorkPathOverride("/some/other/folder");
    char const* pszOverride = GetAppWorkPath();
    EXPECT_STREQ(pszOverride, "/some/other/folder");

    SetAppWorkPathOverride(nullptr);
    EXPECT_EQ(std::string(GetAppWorkPath()), executableFolder);
    EXPECT_STREQ(pszOverride, "/some/other/folder") << "an earlier answer stays valid";
}
