// The recovery dialogs offscreen: the progress dialog's views and the decisions it sends (stop
// and Esc ask, never stop), its bar by bytes and its name elided in the middle; the finished
// dialog's honest title, its share buttons and folder link (URLs caught, not opened); the
// log's counts in both endings.
#include <gtest/gtest.h>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/base/Strings.h"
#include "app/controls/ElidedLabel.h"
#include "app/controls/QNProgressView.h"
#include "app/recovery/QNScanEndSaveWindowController.h"
#include "app/recovery/QNShowScanProgressWindowController.h"
#include "app/recovery/RecoveryDialogChrome.h"
#include "app/recovery/RecoveryLog.h"
#include "support/TempDir.h"

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

namespace {

using app::recovery::QNScanEndSaveWindowController;
using app::recovery::QNScanNotEndSaveWindowController;
using app::recovery::QNShowScanProgressWindowController;

struct CatchUrls {
    CatchUrls() {
        for (const char* scheme : {"http", "https", "file"}) QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    }
    ~CatchUrls() {
        for (const char* scheme : {"http", "https", "file"}) QDesktopServices::unsetUrlHandler(scheme);
    }
    UrlCatcher catcher;
};

TEST(ProgressDialog, StopAndEscAskNoAndContinueGoOnYesAndCancelStop) {
    QNShowScanProgressWindowController dialog;
    QSignalSpy codes(&dialog, &QNShowScanProgressWindowController::stopButtonAction);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.stopButton()->click();
    EXPECT_EQ(dialog.currentView(), QNShowScanProgressWindowController::kQuestion);
    EXPECT_TRUE(dialog.wantsPause());
    QTest::keyClick(&dialog, Qt::Key_Escape);  // asking already: nothing more
    EXPECT_EQ(codes.size(), 1);
    EXPECT_TRUE(dialog.isVisible());
    dialog.noButton()->click();
    EXPECT_FALSE(dialog.wantsPause());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.currentView(), QNShowScanProgressWindowController::kQuestion);
    dialog.close();  // the close button asks too
    EXPECT_TRUE(dialog.isVisible());
    dialog.noButton()->click();
    dialog.setNoMemeryViewHidden();
    EXPECT_TRUE(dialog.wantsPause());
    dialog.continueButton()->click();
    EXPECT_EQ(dialog.currentView(), QNShowScanProgressWindowController::kCopying);
    dialog.stopButton()->click();
    dialog.yesButton()->click();
    dialog.setNoMemeryViewHidden();
    dialog.cancelButton()->click();
    QList<int> sent;
    for (const QList<QVariant>& call : codes) sent << call.at(0).toInt();
    EXPECT_EQ(sent, (QList<int>{1, 1, 1, 1, 1, 1, 2, 2}));
}

TEST(ProgressDialog, TheBarFillsByPercentAndTheNameIsElidedInTheMiddle) {
    QNShowScanProgressWindowController dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QString name = QStringLiteral("DCIM_") + QString(300, QLatin1Char('x')) + QStringLiteral("_end.jpg");
    dialog.changeProgressValue(50.0, name);
    const int track = dialog.progressBar()->width();
    EXPECT_NEAR(dialog.progressBar()->fillWidth(), track / 2, 2);
    const QImage bar = dialog.progressBar()->grab().toImage();
    const int y = bar.height() / 2;
    EXPECT_NE(bar.pixelColor(bar.width() / 4, y), bar.pixelColor(bar.width() * 3 / 4, y)) << "filled half differs";
    const QString shown = dialog.scaningFileName()->text();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("DCIM_")) && shown.endsWith(QStringLiteral("_end.jpg")))
        << shown.toStdString();
    EXPECT_LT(shown.size(), name.size());
    dialog.changeProgressValue(60.0, QString());  // no name: the last stays
    EXPECT_EQ(dialog.scaningFileName()->fullText(), name);
    dialog.changeProgressValue(250.0, QString());
    EXPECT_EQ(dialog.progressBar()->fillWidth(), track);
}

TEST(EndDialogs, CompleteOnlyWithoutFailuresSharesAndTheFolderLinkOpenTheirAddresses) {
    CatchUrls urls;
    QNScanEndSaveWindowController done(QStringLiteral("/media/backup/found"), {3, 3, 0, 0});
    EXPECT_EQ(done.recoveryEndTitle()->text(), app::Text("PAGE_FOUR_RECOVER_END_TITLE"));
    done.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&done));
    EXPECT_TRUE(done.facebookButton()->isVisible());
    EXPECT_TRUE(done.twitterButton()->isVisible());
    EXPECT_FALSE(done.googleButton()->isVisible()) << "no address: no button";
    done.facebookButton()->click();
    done.twitterButton()->click();
    QTest::mouseClick(done.savePathLabel(), Qt::LeftButton);
    ASSERT_EQ(urls.catcher.urls.size(), 3);
    EXPECT_EQ(urls.catcher.urls[0].toString(QUrl::FullyEncoded), "https://en.example/share?u=1&v=2");
    EXPECT_EQ(urls.catcher.urls[1].toString(QUrl::FullyEncoded),
              "https://en.example/intent?text=%C3%A9t%C3%A9%20found&via=q");
    EXPECT_EQ(urls.catcher.urls[2], QUrl::fromLocalFile("/media/backup/found"));
    // The link is drawn in its colour: some pixel is the link blue, darkened at most by smoothing.
    const QImage link = done.savePathLabel()->grab().toImage();
    bool blue = false;
    for (int x = 0; x < link.width() && !blue; ++x)
        for (int y = 0; y < link.height() && !blue; ++y) {
            const QColor c = link.pixelColor(x, y);
            blue = c.blue() > c.red() + 60 && c.blue() > c.green() + 30;
        }
    EXPECT_TRUE(blue);

    const auto counts = [](int recovered, int given, int failed, int noted) {
        return app::Text("PAGE_FOUR_RECOVER_COUNTS_NODE").arg(recovered).arg(given).arg(failed).arg(noted) +
               QLatin1Char(' ');
    };
    const QString folder = app::Text("PAGE_FOUR_RECOVER_FOLDER_NODE");
    // Complete: the counts too.
    QNScanEndSaveWindowController complete(QStringLiteral("/media/backup/found"), {3, 3, 0, 0});
    EXPECT_EQ(complete.recoveryEndNode()->text(), counts(3, 3, 0, 0) + app::Text("PAGE_FOUR_RECOVER_END_NODE"));
    QNScanEndSaveWindowController failed(QStringLiteral("/media/backup/found"), {3, 2, 1, 0});
    EXPECT_EQ(failed.recoveryEndTitle()->text(), app::Text("PAGE_FOUR_RECOVER_FAILED_TITLE"));
    EXPECT_EQ(failed.recoveryEndNode()->text(), counts(2, 3, 1, 0) + folder);
    // Copies written with notes are not a complete recovery either, and are counted apart.
    QNScanEndSaveWindowController noted(QStringLiteral("/media/backup/found"), {3, 1, 0, 2});
    EXPECT_EQ(noted.recoveryEndTitle()->text(), app::Text("PAGE_FOUR_RECOVER_NOTED_TITLE"));
    EXPECT_EQ(noted.recoveryEndNode()->text(),
              counts(1, 3, 0, 2) + app::Text("PAGE_FOUR_RECOVER_NOTED_NODE").arg(2) + QLatin1Char(' ') + folder);
    // Nothing copied, or fewer than given, is never complete.
    for (const app::recovery::RecoveryCounts& shortOf :
         {app::recovery::RecoveryCounts{0, 0, 0, 0}, app::recovery::RecoveryCounts{3, 2, 0, 0}}) {
        QNScanEndSaveWindowController incomplete(QStringLiteral("/media/backup/found"), shortOf);
        EXPECT_EQ(incomplete.recoveryEndTitle()->text(), app::Text("PAGE_FOUR_RECOVER_INCOMPLETE_TITLE"));
        EXPECT_EQ(incomplete.recoveryEndNode()->text(),
                  counts(int(shortOf.recovered), int(shortOf.given), 0, 0) + folder);
    }

    // Stopped: after how many files, and the log's counts whole (a float loses them above 2^24).
    QNScanNotEndSaveWindowController stopped;
    stopped.changeRecoveryFilesPoint({20000000, 16777217, 4, 0}, QString());
    EXPECT_EQ(stopped.showRecoveryNoteLabel()->text(), app::Text("PAGE_FOUR_RECOVER_NOTEND_NODE") + QLatin1Char(' ') +
                                                           counts(16777217, 20000000, 4, 0) + folder);
    QNScanNotEndSaveWindowController clean;
    clean.changeRecoveryFilesPoint({40, 28, 0, 0}, QString());
    EXPECT_EQ(clean.showRecoveryNoteLabel()->text(), app::Text("PAGE_FOUR_RECOVER_NOTEND_NODE") + QLatin1Char(' ') +
                                                         counts(28, 40, 0, 0) +
                                                         app::Text("PAGE_FOUR_RECOVER_STOPPED_FOLDER_NODE"));
    stopped.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&stopped));
    QTest::mouseClick(stopped.savePathLabel(), Qt::LeftButton);  // no folder: nothing opens
    EXPECT_EQ(urls.catcher.urls.size(), 3);
}

// The log of a recovery: a new file in the destination at every recovery, never one that is
// there already; its lines whole however long; its link opens it; a folder that takes no file is
// reported in the dialog with no link.
TEST(RecoveryDialogs, TheLogIsANewFileTheDialogLinksOrSaysWhyNot) {
    CatchUrls urls;
    testsupport::TempDir scratch;
    const QString folder = QString::fromStdString(scratch.Path());
    app::recovery::RecoveryLog first(folder);
    app::recovery::RecoveryLog second(folder);
    const QString longPath = QStringLiteral("/Disk") + QStringLiteral("/a folder with a long name").repeated(400);
    first.addLine(QStringLiteral("Not recovered (0xd09, virtual disk in vm.qcow2 (qcow2)): ") + longPath +
                  QStringLiteral(" -> not written"));
    second.addLine(QStringLiteral("Recovery ended: 1 recovered, 0 written with notes, 0 failed"));
    ASSERT_FALSE(first.path().isEmpty());
    ASSERT_FALSE(second.path().isEmpty());
    EXPECT_NE(first.path(), second.path()) << "the second log took the first one's place";
    QFile written(first.path());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(written.readAll()).endsWith(longPath + QStringLiteral(" -> not written\n")));

    app::recovery::RecoveryLogSummary summary{
        {QStringLiteral("16 × Inside the virtual disk vm.qcow2 (qcow2), not read")}, first.path(), first.error()};
    QNScanEndSaveWindowController finished(folder, {16, 0, 16, 0}, nullptr, summary);
    EXPECT_TRUE(finished.recoveryEndNode()->text().contains(
        app::Text("PAGE_FOUR_RECOVER_REASONS_NODE").arg(summary.reasons.front())));
    EXPECT_EQ(finished.logNote()->text(), app::Text("PAGE_FOUR_RECOVER_LOG_NODE"));
    finished.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&finished));
    QTest::mouseClick(finished.logLink(), Qt::LeftButton);
    ASSERT_EQ(urls.catcher.urls.size(), 1);
    EXPECT_EQ(urls.catcher.urls.front(), QUrl::fromLocalFile(first.path()));

    // A destination that takes no file: said, with the system's words, and no link.
    app::recovery::RecoveryLog nowhere(folder + QStringLiteral("/gone/away"));
    nowhere.addLine(QStringLiteral("Recovery ended: 0 recovered, 0 written with notes, 0 failed"));
    EXPECT_TRUE(nowhere.path().isEmpty());
    ASSERT_FALSE(nowhere.error().isEmpty());
    QNScanNotEndSaveWindowController stopped;
    stopped.changeRecoveryFilesPoint({3, 0, 0, 0}, folder, {{}, nowhere.path(), nowhere.error()});
    EXPECT_EQ(stopped.logNote()->text(), app::Text("PAGE_FOUR_RECOVER_LOG_FAILED_NODE").arg(nowhere.error()));
    EXPECT_FALSE(stopped.logLink()->isVisibleTo(&stopped));
}

}  // namespace

#include "RecoveryDialogsTest.moc"
