// The windows' texts: every key they use has English text with the placeholders its callers
// fill, and a language's table lies over English without ever leaving a key blank.
#include <gtest/gtest.h>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <atomic>

#include "app/base/StringTable.h"
#include "app/base/Strings.h"

namespace {

struct Key {
    const char* name;
    int placeholders;  // %1 .. %n, filled with QString::arg
};

// Every key the controls, the shell, the wizard and the results window look up.
constexpr Key kKeys[] = {
    {"WINDOW_TOP_TITLE", 0},
    {"MENU_ABOUT_NAME", 1},
    {"MENU_CHECK_UPDTE", 0},
    {"MENU_HIDEN_SELF", 0},
    {"MENU_HIDEN_OTHER", 0},
    {"MENU_SHOW_ALL", 0},
    {"MENU_EXIT", 0},
    {"MENU_WINDOW", 0},
    {"MENU_MAXIMIZE", 0},
    {"MENU_MINIMIZE", 0},
    {"MENU_HELP", 0},
    {"MENU_ONLINE_HELP", 0},
    {"MENU_SUPPORT_CENTER", 0},
    {"PAGE_ONE_BLOW_TITLE", 0},
    {"PAGE_ONE_BLOW_DISCRIPTION", 0},
    {"PAGE_TWO_MIDLLE_STRING", 0},
    {"PAGE_TWO_ALLTYPES", 0},
    {"PAGE_TWO_IMPORT_BUTTON_TIP", 0},
    {"PAGE_TWO_PICTURE_TITLE", 0},
    {"PAGE_TWO_MUSIC_TITLE", 0},
    {"PAGE_TWO_MOVIE_TITLE", 0},
    {"PAGE_TWO_ARCHIVE_TITLE", 0},
    {"PAGE_TWO_DOCUMENT_TITLE", 0},
    {"PAGE_TWO_OTHER_TITLE", 0},
    {"PAGE_THREE_MIDLLE_STRING", 0},
    {"PAGE_THREE_TABLEVIEW_DRIVES", 0},
    {"PAGE_THREE_TABLEVIEW_SIZE", 0},
    {"PAGE_THREE_TABLEVIEW_FILESYSTEM", 0},
    {"USB Bus", 0},
    {"USB 2.0 Bus", 0},
    {"PAGE_FOUR_FILESFOUND", 1},
    {"PAGE_FOUR_REMAININGTIME", 1},
    {"PAGE_FOUR_SELECT_FILES", 2},
    {"PAGE_FOUR_ALL_FILES_SIZE", 2},
    {"PAGE_FOUR_BACKHOME_BUTTON", 0},
    {"PAGE_FOUR_DEEPSCAN_BUTTON", 0},
    {"PAGE_FOUR_DEEPSCAN_NODE", 0},
    {"PAGE_FOUR_SELECT_TYPE_BUTTON_TYPE", 0},
    {"PAGE_FOUR_SELECT_TYPE_BUTTON_PATH", 0},
    {"PAGE_FOUR_SELECT_TYPE_BUTTON_CREATTIME", 0},
    {"PAGE_FOUR_SELECT_TYPE_BUTTON_MODIFYTIME", 0},
    {"PAGE_FOUR_SAVE_BUTTON_TIP", 0},
    {"DYD_FOUR_NO_VALUE_NOTE", 0},
    {"PAGE_FOUR_SCAN_STOP_TITLE", 0},
    {"PAGE_FOUR_SCAN_STOP_NODE", 0},
    {"PAGE_FOUR_SCAN_STOP_YES_BUTTON", 0},
    {"PAGE_FOUR_SCAN_STOP_NO_BUTTON", 0},
    {"PAGE_FOUR_SCAN_BACKHOME_TITLE", 0},
    {"PAGE_FOUR_SCAN_BACKHOME_NODE", 0},
    {"PAGE_FOUR_SCAN_BACKHOME_YES_BUTTON", 0},
    {"PAGE_FOUR_SCAN_BACKHOME_NO_BUTTON", 0},
    {"PAGE_FOUR_RECOVERY_BUTTON", 0},
    {"PAGE_FOUR_RECOVERY_NODE", 0},
    {"PAGE_FOUR_RECOVERY_WINDOW_SAVE_BUTTON", 0},
    {"PAGE_FOUR_RECOVERY_NO_COMPETENCE_TITLE", 0},
    {"PAGE_FOUR_RECOVERY_NO_COMPETENCE_NODE", 0},
    {"PAGE_FOUR_RECOVERY_NO_COMPETENCE_YES_BUTTON", 0},
    {"PAGE_FOUR_SAVE_SAME_PATH_TITLE", 0},
    {"PAGE_FOUR_SAVE_SAME_PATH_NODE", 0},
    {"PAGE_FOUR_SAVE_SAME_PATH_YES_BUTTON", 0},
    {"PAGE_FOUR_SAVE_SAME_PATH_NO_BUTTON", 0},
    {"PAGE_FOUR_RECOVERY_NO_SPACE_TITLE", 0},
    {"PAGE_FOUR_RECOVERY_NO_SPACE_NODE", 0},
    {"PAGE_FOUR_RECOVERY_NO_SPACE_YES_BUTTON", 0},
    {"PAGE_FOUR_RECOVERY_NO_SPACE_NO_BUTTON", 0},
    {"PAGE_FOUR_RECOVER_PROGRESS_TITLE", 0},
    {"PAGE_FOUR_RECOVERY_STOP_TITLE", 0},
    {"PAGE_FOUR_RECOVERY_STOP_NODE", 0},
    {"PAGE_FOUR_RECOVERY_STOP_YES_BUTTON", 0},
    {"PAGE_FOUR_RECOVERY_STOP_NO_BUTTON", 0},
    {"PAGE_FOUR_SCAN_STOPPING", 0},
    {"PAGE_FOUR_RECOVER_REASONS_NODE", 1},
    {"PAGE_FOUR_RECOVER_REASON_ITEM", 2},
    {"PAGE_FOUR_RECOVER_LOG_NODE", 0},
    {"PAGE_FOUR_RECOVER_LOG_FAILED_NODE", 1},
    {"FILE_STATE_VIRTUAL_DISK", 1},
    {"FILE_STATE_OVERWRITTEN", 0},
    {"FILE_STATE_PAST_END", 0},
    {"FILE_STATE_UNREADABLE", 0},
    {"FILE_STATE_DESTINATION_FULL", 0},
    {"FILE_STATE_CHAIN_LOST", 0},
    {"FILE_STATE_POSSIBLY_OVERWRITTEN", 0},
    {"FILE_STATE_SHORT", 0},
    {"FILE_STATE_NOT_RECOVERED", 1},
    {"FILE_STATE_VOLUME", 1},
    {"PAGE_FOUR_RECOVER_END_TITLE", 0},
    {"PAGE_FOUR_RECOVER_END_NODE", 0},
    {"PAGE_FOUR_RECOVER_NOTEND_NODE", 0},
    {"PAGE_FOUR_RECOVER_STOPPED_FOLDER_NODE", 0},
    {"PAGE_FOUR_RECOVERY_STOP_BUTTON", 0},
    {"SAVE_SCAN_RESULT", 0},
    {"SAVE_RESULT_WAIT", 0},
    {"LOAD_SCAN_RESULT", 0},
    {"LOAD_RESULT_WAIT", 0},
    {"READ_RSF_FAILED", 0},
    {"LOAD_ROOTS_LEFT_OUT", 1},
    {"DEVICE_LIST_FAILED", 1},
    {"DEVICE_LIST_NEEDS_RIGHTS", 0},
    {"LOAD_DISK_NOT_ATTACHED_TITLE", 0},
    {"LOAD_DISK_NOT_ATTACHED_NODE", 1},
    {"LOAD_DISK_NOT_ATTACHED_YES_BUTTON", 0},
    {"LOAD_DISK_NOT_ATTACHED_NO_BUTTON", 0},
    {"LOAD_IMAGE_NOT_MATCHED_TITLE", 0},
    {"LOAD_IMAGE_NOT_MATCHED_NODE", 3},
    {"SAVE_SAME_DISK_WARNING", 0},
    {"SAVE_SAME_DISK_PROMPT", 0},
    {"CHANG_DESTINATION", 0},
    {"CREATE_TIME_ROOT_NAME", 0},
    {"MODIFY_TIME_ROOT_NAME", 0},
    {"LAST_ACCESS_TIME_ROOT_NAME", 0},
    {"DEVICE_NAME_UNTITILED", 0},
};

TEST(Strings, EveryKeyHasEnglishTextWithItsPlaceholders) {
    const QRegularExpression printfStyle(QStringLiteral("%(@|l{0,2}[dufsx]|\\.[0-9]+f|0[0-9]+d)"));
    for (const Key& key : kKeys) {
        SCOPED_TRACE(key.name);
        const QString text = app::Text(key.name);
        EXPECT_FALSE(text.isEmpty());
        EXPECT_FALSE(text.contains(printfStyle)) << text.toStdString() << ": filled with QString::arg";
        for (int n = 1; n <= key.placeholders; ++n) EXPECT_TRUE(text.contains(QStringLiteral("%%1").arg(n))) << n;
        EXPECT_FALSE(text.contains(QStringLiteral("%%1").arg(key.placeholders + 1)));
    }
    // The welcome page's link is an address: empty (opens nothing) until the project names one.
    const QString link = app::Text("MAIN_ICON_LINK");
    EXPECT_TRUE(link.isEmpty() || link.startsWith("https://")) << link.toStdString();
}

bool WriteTable(const QString& path, const QString& entries) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(
        ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + entries + "</dict></plist>\n")
            .toUtf8());
    return true;
}

TEST(Strings, ALanguageLiesOverEnglishAndAnUnknownKeyIsReportedEveryTimeButLoggedOnce) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString english = folder.filePath("Strings.en.plist"), german = folder.filePath("Strings.de.plist");
    ASSERT_TRUE(WriteTable(english,
                           "<key>A</key><string>Stop</string><key>B</key><string>Files: %1</string>"
                           "<key>C</key><string>Size</string>"));
    ASSERT_TRUE(WriteTable(german,
                           "<key>A</key><string>Anhalten</string><key>C</key><string></string>"
                           "<key>D</key><integer>4</integer>"));
    const auto table = app::PlistStringTable::FromFiles({german, english});
    EXPECT_EQ(table->Text("A"), "Anhalten");
    EXPECT_EQ(table->Text("B"), "Files: %1") << "English beneath a key the language lacks";
    EXPECT_EQ(table->Text("C"), "Size") << "an empty translation never blanks a key";

    std::atomic<int> reported = 0, logged = 0;
    auto previous = app::SetMissingKeyHandler([&](const QString& key) { reported += key == "D"; });
    static std::atomic<int>* s_logged = &logged;
    const QtMessageHandler previousLog = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& message) { *s_logged += message.contains("\"D\""); });
    EXPECT_EQ(table->Text("D"), "") << "a key is never shown as itself";
    EXPECT_EQ(table->Text("D"), "");
    qInstallMessageHandler(previousLog);
    app::SetMissingKeyHandler(std::move(previous));
    EXPECT_EQ(reported, 2);
    EXPECT_EQ(logged, 1);
}

}  // namespace
