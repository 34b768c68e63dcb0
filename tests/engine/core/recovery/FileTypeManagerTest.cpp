// The file-type manager: lists split at ";" and filled by category bit into the table.
#include "engine/core/recovery/FileTypeManager.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

struct Lookup {
    char const* pszExtension;  // may be null
    FILE_TYPE_ID eExpected;
};

void ExpectLookups(CFileTypeManager const& manager, std::initializer_list<Lookup> lookups) {
    for (Lookup const& l : lookups) {
        EXPECT_EQ(manager.GetFileTypeID(l.pszExtension), l.eExpected) << (l.pszExtension ? l.pszExtension : "(null)");
    }
}

TEST(FileTypeManagerTest, SplitsListsAtSemicolonsKeepingEmptyPieces) {
    CFileTypeManager manager;
    EXPECT_EQ(manager.Insert2Table("jpg;;png", FILE_TYPE_PICTURE), 1);
    ExpectLookups(manager, {{"jpg", FILE_TYPE_PICTURE},
                            {"", FILE_TYPE_PICTURE},
                            {"PNG", FILE_TYPE_PICTURE},
                            {"jpg;", FILE_TYPE_OTHER},
                            {"gif", FILE_TYPE_OTHER}});
}

TEST(FileTypeManagerTest, EmptyListInsertsNothing) {
    CFileTypeManager manager;
    EXPECT_EQ(manager.Insert2Table("", FILE_TYPE_MUSIC), 1);
    ExpectLookups(manager, {{"", FILE_TYPE_OTHER}});
}

TEST(FileTypeManagerTest, FillsEachListUnderItsCategoryBit) {
    CFileTypeManager::Initialze({{1, "jpg;cr2"}, {2, "mp3"}, {4, "mp4"}, {8, "zip"}, {16, "pdf"}, {32, "exe"}});
    CFileTypeManager manager;
    manager.Initialize();
    ExpectLookups(manager, {{"jpg", FILE_TYPE_PICTURE},
                            {"CR2", FILE_TYPE_PICTURE},
                            {"mp3", FILE_TYPE_MUSIC},
                            {"mp4", FILE_TYPE_MOVIE},
                            {"zip", FILE_TYPE_ARCHIVE},
                            {"pdf", FILE_TYPE_DOCUMENT},
                            {"exe", FILE_TYPE_OTHER},  // the others list is never inserted
                            {"docx", FILE_TYPE_OTHER},
                            {nullptr, FILE_TYPE_OTHER}});
}

TEST(FileTypeManagerTest, NewListsReachOnlyManagersFilledAfterwards) {
    CFileTypeManager::Initialze({{1, "jpg"}, {16, "doc"}});
    CFileTypeManager before;
    before.Initialize();

    CFileTypeManager::Initialze({{2, "jpg"}});  // the pictures list is now missing: empty
    CFileTypeManager after;
    after.Initialize();

    ExpectLookups(before, {{"jpg", FILE_TYPE_PICTURE}, {"doc", FILE_TYPE_DOCUMENT}});
    ExpectLookups(after, {{"jpg", FILE_TYPE_MUSIC}, {"doc", FILE_TYPE_OTHER}});
}

TEST(FileTypeManagerTest, ReportsAFullTable) {
    std::string list = "x0";
    for (int i = 1; i < 2049; ++i) list += ";x" + std::to_string(i);
    CFileTypeManager manager;
    EXPECT_EQ(manager.Insert2Table(list, FILE_TYPE_ARCHIVE), 0);
    ExpectLookups(manager, {{"x2047", FILE_TYPE_ARCHIVE}, {"x2048", FILE_TYPE_OTHER}});
}

}  // namespace
