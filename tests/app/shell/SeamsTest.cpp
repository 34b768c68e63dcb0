// What the shell installs before the model's first use, checked in the tests' own process: the
// main ran it first, as every entry point does.
#include <QDate>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/shell/MainThreadPoster.h"
#include "app/shell/StringTable.h"
#include "app/shell/UserSettings.h"
#include "testkit/TestFileNode.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/support/Seams.h"

namespace {

TEST(StartUp, APhotoIsAPictureAndPassesAPicturesOnlyMask) {
  IRecoveryFilter* filter = uimodel::QNUIFilter::instance().GetFilter();
  ASSERT_NE(filter, nullptr);
  testkit::CTestFileNode photo("photo.jpg"), song("song.mp3"), note("note.xyz");
  EXPECT_EQ(filter->GetNodeFileType(&photo), FILTER_TYPE_PICTURE);
  EXPECT_EQ(filter->GetNodeFileType(&song), FILTER_TYPE_MUSIC);
  EXPECT_EQ(filter->GetNodeFileType(&note), FILTER_TYPE_OTHER);

  uimodel::QNUIController::SetRecoveryType(FILTER_TYPE_PICTURE);
  EXPECT_TRUE(filter->IsFileNodeValid(&photo));
  EXPECT_FALSE(filter->IsFileNodeValid(&song));
  EXPECT_FALSE(filter->IsFileNodeValid(&note));
  uimodel::QNUIController::SetRecoveryType(FILTER_TYPE_ALL);
  EXPECT_TRUE(filter->IsFileNodeValid(&song));
}

TEST(StartUp, TheSeamsAreTheApplicationsAndTimesFollowTheLocale) {
  const uimodel::Seams& seams = uimodel::GetSeams();
  EXPECT_NE(dynamic_cast<app::GuiThreadPoster*>(seams.pPoster.get()), nullptr);
  EXPECT_NE(dynamic_cast<app::PlistStringTable*>(seams.pStrings.get()), nullptr);
  EXPECT_NE(dynamic_cast<app::QtUserSettings*>(seams.pSettings.get()), nullptr);
  EXPECT_FALSE(seams.isNetworkUsable()) << "no network probe until the update check";

  const QDateTime when(QDate(2021, 3, 14), QTime(15, 9));
  const long long windowsTicks = (when.toSecsSinceEpoch() + 11644473600LL) * 10000000LL;
  const _FILETIME fileTime{static_cast<std::uint32_t>(windowsTicks), static_cast<std::uint32_t>(windowsTicks >> 32)};
  const QLocale locale;
  EXPECT_EQ(QString::fromStdString(seams.formatTime(fileTime)),
            locale.toString(when.date(), QLocale::LongFormat) + ' ' + locale.toString(when.time(), QLocale::ShortFormat));
}

TEST(Settings, HoldWrittenValuesOnlyAndKeepThemAcrossInstances) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString file = folder.filePath("settings.ini");
  {
    app::QtUserSettings settings(file);
    EXPECT_FALSE(settings.Value("SavePath").has_value()) << "the model's installed default applies";
    settings.SetValue("SavePath", "/media/Fotos Ä/restored");
    settings.SetValue("upDataTimeStr", "");
  }
  app::QtUserSettings again(file);
  EXPECT_EQ(again.Value("SavePath"), "/media/Fotos Ä/restored");
  EXPECT_EQ(again.Value("upDataTimeStr"), "") << "an empty value is still a written one";
  EXPECT_FALSE(again.Value("AppleLanguages").has_value());

  // The installed seam writes the application's user settings (redirected by the tests' main).
  uimodel::QNUIController::SavePathToPList("/media/backup");
  EXPECT_EQ(app::QtUserSettings().Value("SavePath"), "/media/backup");
}

}  // namespace
