#include "app/shell/ProgramStart.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>

#include "app/base/LanguageArgument.h"
#include "app/base/LaunchOptions.h"
#include "app/controls/FocusHalo.h"
#include "app/controls/Theme.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/shell/CommandLine.h"
#include "app/shell/HookWalk.h"
#include "app/shell/ModelSeams.h"
#include "app/shell/QNAppDelegate.h"
#include "app/shell/SignalQuit.h"
#include "app/update/EditShortcutFilter.h"
#include "app/update/NetworkProbe.h"
#include "app/wizard/QNRootWindowController.h"
#include "platform/DestinationFolder.h"
#include "platform/KeepAwake.h"
#include "uimodel/facade/QNUIController.h"

namespace app {

namespace {

void LogKeepAwake(const std::string& line) { qInfo("%s", line.c_str()); }

}  // namespace

int RunProgram(int argc, char** argv) {
    // Everything a script or a terminal may ask is answered before Qt wants a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = ReadCommandLine(arguments, &HasTextsFor);
    if (!line.run) {
        std::fputs(qUtf8Printable(line.out), stdout);
        std::fputs(qUtf8Printable(line.err), stderr);
        return line.exitCode;
    }
    const LaunchOptions& options = line.options;
    for (const QString& why : {MissingResourceReason(), NoDisplayReason(arguments, [](const char* name) {
                                   return qEnvironmentVariable(name);
                               })}) {
        if (why.isEmpty()) continue;
        std::fprintf(stderr, "quorin: %s\n", qUtf8Printable(why));
        return 1;
    }

    // Two copies would scan and recover over each other's model: the second leaves before it opens
    // a window, quietly for a person, with a failure for a script (which must not take "nothing
    // done" for success).
    if (uimodel::QNUIController::IsAppRunning()) {
        std::fprintf(stderr, "quorin: another copy is already running%s\n",
                     options.scripted() ? "; nothing was done" : "");
        return options.scripted() ? 1 : 0;
    }

    // A script's destination that can never be a folder is told at once. It is made only when the
    // recovery starts, once the scanned device is known: made now, it could land on that device.
    if (!options.recoverTo.isEmpty() &&
        !platform::LocateDestination(QFile::encodeName(options.recoverTo).toStdString())) {
        std::fprintf(stderr, "quorin: --recover-to: the folder %s cannot be made\n", qUtf8Printable(options.recoverTo));
        return 1;
    }

    QApplication application(argc, argv);
    if (!line.language.isEmpty()) StoreInterfaceLanguage(line.language);
    const QString stored = StoredInterfaceLanguage();
    if (!stored.isEmpty()) QLocale::setDefault(QLocale(stored));

    platform::KeepAwake awake("Recovering files", &LogKeepAwake);
    theme::ApplyDarkLook(application);
    InstallFocusHalo(application);
    InstallModelSeams(&options);
    NetworkProbe::InstallSeam();
    EditShortcutFilter::Install();
    QApplication::setQuitOnLastWindowClosed(false);

    QNAppDelegate delegate;
    if (options.scripted()) WalkWizard(delegate, options);
    delegate.applicationDidFinishLaunching();
    const int exitCode = application.exec();
    // The loop's last pass, after the quit was asked and the jobs stopped, may have started one
    // (the type page's Continue lists the devices on a thread): it must end before the engine's
    // singletons do.
    uimodel::QNUIController::StopJobsBeforeExit(exitCode);
    // What is left is teardown: a signal now must not change the status already reported.
    SettleSignals(exitCode);
    return exitCode;
}

}  // namespace app
