// gtest main of the application's tests: one QApplication for the process, made before any
// widget, with the model's seams installed as the program installs them. A text looked up by a
// key the string table lacks fails the test that asked for it.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include "app/base/StringTable.h"
#include "app/shell/ModelSeams.h"

int main(int argc, char** argv) {
    // Offscreen unless told otherwise: the build lists the tests without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);

    // The tests' settings live in a folder of their own, never in the user's.
    const QString tmp = qEnvironmentVariable("QUORIN_TEST_TMP", QDir::tempPath());
    QDir().mkpath(tmp);
    QTemporaryDir settings(tmp + QStringLiteral("/app-settings-XXXXXX"));
    if (!settings.isValid()) return 1;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

    app::SetMissingKeyHandler(
        [](const QString& key) { ADD_FAILURE() << "no text for the key \"" << key.toStdString() << "\""; });
    app::InstallModelSeams(nullptr);
    return RUN_ALL_TESTS();
}
