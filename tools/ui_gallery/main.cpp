// ui_gallery: every control in every state as PNG files for a person to look at, and with the test
// hook (--scan IMAGE) a results-window bar that follows the scan of that image.
//
//   ui_gallery --out DIR [--scan IMAGE [--quit-when-done]]
#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>

#include "ControlShots.h"
#include "ListShots.h"
#include "ScanBarWindow.h"
#include "ThumbShots.h"
#include "UpdateShots.h"
#include "app/base/LaunchOptions.h"
#include "app/base/NotificationCenter.h"
#include "app/controls/Theme.h"
#include "app/hook/ScanHook.h"
#include "app/shell/ModelSeams.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    const qsizetype out = arguments.indexOf(QStringLiteral("--out"));
    if (out < 0 || out + 1 >= arguments.size()) {
        std::fprintf(stderr, "usage: ui_gallery --out DIR [--scan IMAGE [--quit-when-done]]\n");
        return 2;
    }
    const QDir dir(arguments[out + 1]);
    arguments.remove(out, 2);
    app::LaunchOptions options;
    QString error;
    if (!app::LaunchOptions::Parse(arguments, options, error)) {
        std::fprintf(stderr, "ui_gallery: %s\n", qUtf8Printable(error));
        return 2;
    }
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "ui_gallery: cannot make %s\n", qUtf8Printable(dir.path()));
        return 2;
    }
    app::theme::ApplyDarkLook(application);
    app::InstallModelSeams(&options);

    const QStringList controls = gallery::WriteControlShots(dir);
    const QStringList listShots = gallery::WriteListShots(dir);
    const QStringList windows = gallery::WriteUpdateShots(dir);
    const QStringList previews = gallery::WriteThumbShots(dir);
    if (controls.isEmpty() || listShots.isEmpty() || windows.isEmpty() || previews.isEmpty()) return 1;
    const QStringList written = controls + listShots + windows + previews;
    std::printf("ui_gallery: %lld pictures in %s\n", static_cast<long long>(written.size()),
                qUtf8Printable(dir.path()));
    std::fflush(stdout);
    if (options.scanImage.isEmpty()) return 0;

    gallery::ScanBarWindow bar;
    bar.setFadesOnClose(false);
    bar.show();
    gallery::ScanListsWindow lists;
    lists.move(bar.x(), bar.frameGeometry().bottom() + 10);  // beside the bar, never over it
    lists.show();
    app::NotificationCenter::instance().addObserver(&lists, QStringLiteral("NormalScranValue"),
                                                    [&](const QVariantMap&) { lists.refresh(); });
    QObject::connect(&bar, &gallery::ScanBarWindow::scanEnded, &bar, [&](const QString& state, const QString& found) {
        gallery::Save(bar, dir, QStringLiteral("TCImageWindow-90px-scan-%1").arg(state));
        lists.showFinished();
        gallery::Save(lists, dir, QStringLiteral("ScanLists-%1").arg(state));
        std::printf("%s rows=%zu\n", qUtf8Printable(app::HookResultLine(state, found)), lists.outlineRows());
        std::fflush(stdout);
        if (options.quitWhenDone) application.exit(app::HookExitCode(state));
    });
    if (!bar.followHookScan()) {
        std::printf("%s\n", qUtf8Printable(app::HookResultLine(QStringLiteral("failed"), QStringLiteral("0"))));
        return 1;
    }
    return application.exec();
}
