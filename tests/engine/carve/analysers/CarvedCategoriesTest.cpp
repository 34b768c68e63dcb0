// Every extension the signature search gives a carved file lands in the category the user
// picks it by, when the manager is filled from the shipped "FileType" list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <string>

#include "engine/carve/RawFileType.h"
#include "engine/core/recovery/FileTypeManager.h"
#include "uimodel/FileTypeList.h"

namespace {

struct Category {
    FILE_TYPE_ID eCategory;
    char const* pszExtensions;  // blank-separated
};

constexpr Category kCategories[] = {
    {FILE_TYPE_PICTURE,
     "jpg tif png gif bmp psd psp ico cur emf wmf svg eps ai cdr cmx cpt wpg fh11 ani crw cr2 nef nrw sr2 arw "
     "raw rw2 dng raf dcr kdc 3fr erf mef mrw mdc pef ptx srw orf x3f"},
    {FILE_TYPE_MUSIC, "mp3 wav wma aiff ape ogg au mid aac m4a"},
    {FILE_TYPE_MOVIE, "avi mov mp4 m4v 3gp asf wmv flv mkv mpg rm rmvb swf"},
    {FILE_TYPE_ARCHIVE, "zip rar gz tar cab lzh sit sitx dmg"},
    {FILE_TYPE_DOCUMENT,
     "doc docx xls xlsx ppt pptx pdf rtf htm pub vsd mpp one pages key numbers epub wpd shw qpw mdb accdb adp "
     "chm hlp dwg dxf"},
    {FILE_TYPE_OTHER, "ole mof riff ttf pst dbx mny max 3ds clk csl fcpevent dll exe"},
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

TEST(CarvedCategoriesTest, EveryCarvedExtensionFallsInItsCategoryFromTheShippedList) {
    std::string error;
    auto const lists = filetypes::ReadFileTypeList(QUORIN_FILETYPE_LIST, &error);
    ASSERT_FALSE(lists.empty()) << error;
    CFileTypeManager::Initialze(lists);
    CFileTypeManager manager;
    manager.Initialize();

    std::set<std::string> listed;
    for (Category const& category : kCategories) {
        std::istringstream words(category.pszExtensions);
        for (std::string extension; words >> extension;) {
            listed.insert(extension);
            EXPECT_EQ(manager.GetFileTypeID(extension.c_str()), category.eCategory) << extension;
            std::string upper = extension;  // as carved names carry it
            std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
            EXPECT_EQ(manager.GetFileTypeID(upper.c_str()), category.eCategory) << upper;
        }
    }
    // The table above covers every extension a carved file can get.
    for (std::uint32_t u32Type = 1; u32Type <= kLastUsedRawFileType; ++u32Type)
        EXPECT_TRUE(listed.count(Lower(RawFileExtension(u32Type)))) << RawFileExtension(u32Type);
}

}  // namespace
