// What the shell installs before the model's first use, checked in the tests' own process: the
// main ran it first, as every entry point does.
#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "app/base/UserSettings.h"
#include "testkit/TestFileNode.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/QNUIFilter.h"

namespace {

TEST(StartUp, APhotoIsAPictureAndPassesAPicturesOnlyMask) {
    IRecoveryFilter* filter = uimodel::QNUIFilter::instance().GetFilter();
    ASSERT_NE(filter, nullptr);
    testkit::CTestFileNode photo("photo.jpg"), song("song.mp3");
    EXPECT_EQ(filter->GetNodeFileType(&photo), FILTER_TYPE_PICTURE);
    uimodel::QNUIController::SetRecoveryType(FILTER_TYPE_PICTURE);
    EXPECT_TRUE(filter->IsFileNodeValid(&photo));
    EXPECT_FALSE(filter->IsFileNodeValid(&song));
    uimodel::QNUIController::SetRecoveryType(FILTER_TYPE_ALL);
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
