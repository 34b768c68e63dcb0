#include "UpdateShots.h"

#include <QWidget>

#include "ControlShots.h"
#include "app/update/QNAboutWindowController.h"
#include "app/update/QNCheckUpdateWindowController.h"
#include "app/update/QNComeInViewController.h"

namespace gallery {

namespace {

app::UpdateAddresses Sample() {
    app::UpdateAddresses addresses = app::UpdateAddresses::Installed();
    addresses.aboutUrl = QUrl(QStringLiteral("https://example.com/"));  // so the link shows
    return addresses;
}

}  // namespace

QStringList WriteUpdateShots(const QDir& dir) {
    ShotList shots(dir);
    const auto save = [&](QWidget& widget, const QString& name) {
        widget.show();
        widget.setWindowOpacity(1.0);
        shots(widget, name);
    };

    app::QNAboutWindowController about(Sample());
    save(*about.window(), QStringLiteral("QNAboutWindowController"));

    using View = app::QNCheckUpdateWindowController::View;
    app::QNCheckUpdateWindowController update(Sample());
    update.showView(View::NoNetwork);
    save(*update.window(), QStringLiteral("QNCheckUpdateWindowController-no-network"));
    update.showView(View::NoUpdate);
    save(*update.window(), QStringLiteral("QNCheckUpdateWindowController-no-update"));
    app::RemoteVersionList list;
    list.versionCheck = Sample().localVersion + 1;
    list.version = QStringLiteral("2.0");
    list.lines = {QStringLiteral("Deep scans of exFAT volumes find lost folders again."),
                  QStringLiteral("Faster previews of raw photographs."),
                  QStringLiteral("A long line of changes that wraps at the width of the change list, so that it takes "
                                 "two lines of the list.")};
    update.whatIsNewVersionDiff(list);
    save(*update.window(), QStringLiteral("QNCheckUpdateWindowController-new-version"));

    app::QNComeInViewController welcome;
    save(welcome, QStringLiteral("QNComeInViewController"));
    return shots.Written();
}

}  // namespace gallery
