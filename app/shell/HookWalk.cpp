#include "app/shell/HookWalk.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtDebug>

#include <cstdio>

#include "app/base/LaunchOptions.h"
#include "app/controls/TCImageButton.h"
#include "app/hook/HookActions.h"
#include "app/hook/HookPreview.h"
#include "app/hook/HookTrees.h"
#include "app/hook/ScanHook.h"
#include "app/results/FilePane.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/ScanBar.h"
#include "app/results/ScanControls.h"
#include "app/results/ScanFollower.h"
#include "app/shell/QNAppDelegate.h"
#include "app/wizard/QNRootWindowController.h"
#include "app/wizard/QNSelectDiskViewController.h"
#include "app/wizard/QNSelectTypeViewController.h"
#include "uimodel/facade/QNUIController.h"

namespace app {

namespace {

using results::QNDeletailWindowController;

// A question the hook's own steps answer goes at once; one still standing after this long is
// one nobody of the hook will answer.
constexpr int kUnansweredMs = 3000;

// The run's one end: the RESULT line, the jobs stopped, the event loop left with the state's code.
bool& Ended();

void EndRun(QNDeletailWindowController* window, QString state, const QString& extra) {
    if (std::exchange(Ended(), true)) return;
    if (extra.contains(QLatin1String("refused=1")) || extra.contains(QLatin1String("saved=0")) ||
        (extra.contains(QLatin1String("recovered=")) && !extra.contains(QLatin1String("failed=0"))))
        state = QStringLiteral("failed");
    // Files written with notes may not hold their own bytes: a script must not take that run
    // for a clean one.
    else if (state == QLatin1String("finished") && extra.contains(QRegularExpression(QStringLiteral(" noted=[1-9]"))))
        state = QStringLiteral("noted");
    std::uint64_t listed = 0;
    std::uint64_t deleted = 0;
    if (window) window->filePane()->countListedFiles(listed, deleted);
    const QString found = window ? window->scanBar()->foundText().section(QLatin1Char(' '), -1) : HookFoundCount();
    std::printf("%s listed=%llu deleted=%llu%s\n", qUtf8Printable(HookResultLine(state, found)),
                static_cast<unsigned long long>(listed), static_cast<unsigned long long>(deleted),
                qUtf8Printable(extra));
    std::fflush(stdout);
    uimodel::QNUIController::StopJobs(std::chrono::seconds(30));
    QApplication::exit(HookExitCode(state));
}

// Ends the run as failed when a message box stands unanswered: nobody is there to read it.
class UnansweredQuestions : public QObject {
public:
    explicit UnansweredQuestions(std::function<QNDeletailWindowController*()> window, QObject* parent)
        : QObject(parent), m_window(std::move(window)) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) return false;
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (!box) return false;
        QTimer::singleShot(kUnansweredMs, this, [this, guard = QPointer<QMessageBox>(box)] {
            if (!guard || !guard->isVisible()) return;
            qWarning("Hook: nobody answers \"%s\" %s", qUtf8Printable(guard->text()),
                     qUtf8Printable(guard->informativeText()));
            guard->reject();
            EndRun(m_window(), QStringLiteral("failed"), QStringLiteral(" unanswered=1"));
        });
        return false;
    }

private:
    std::function<QNDeletailWindowController*()> m_window;
};

bool& Ended() {
    static bool s_ended = false;
    return s_ended;
}

enum class Opened { Yes, NotYet, Refused };

// The image file dialog answered with --open-image's file, as the dialog's own button does.
void AnswerImageDialog(QFileDialog* dialog, const LaunchOptions& options) {
    dialog->selectFile(QFileInfo(options.openImage).absoluteFilePath());
    static_cast<QDialog*>(dialog)->accept();
    if (!dialog->isVisible()) return;
    // The dialog itself did not take it (no such file): as a person would, give up.
    dialog->reject();
    qWarning("Hook: the dialog did not take %s", qUtf8Printable(options.openImage));
    EndRun(nullptr, QStringLiteral("failed"), QStringLiteral(" refused=1"));
}

// A sheet that refuses the image ends the run: nobody will choose another.
bool EndOnRefusal(QWidget* sheet) {
    if (sheet->objectName() != QLatin1String("imageRefusedSheet") &&
        sheet->objectName() != QLatin1String("imageNotMatchedSheet"))
        return false;
    const auto* box = qobject_cast<QMessageBox*>(sheet);
    qWarning("Hook: the image was refused: %s", box ? qUtf8Printable(box->informativeText()) : "");
    sheet->close();
    EndRun(nullptr, QStringLiteral("failed"), QStringLiteral(" refused=1"));
    return true;
}

// On the disk page: the image through "Disk image…" and its dialog, all within this call, so
// that no refresh of the list comes between the image's choice and Continue.
Opened OpenImage(QNRootWindowController* root, const LaunchOptions& options) {
    auto dialogSeen = std::make_shared<bool>(false);
    const QMetaObject::Connection refused =
        QObject::connect(root, &QNRootWindowController::sheetOpened, root, &EndOnRefusal);
    const QMetaObject::Connection answer = QObject::connect(root, &QNRootWindowController::fileDialogOpened, root,
                                                            [options, dialogSeen](QFileDialog* dialog) {
                                                                *dialogSeen = true;
                                                                AnswerImageDialog(dialog, options);
                                                            });
    root->diskPage()->diskImageButton()->click();
    QObject::disconnect(refused);
    QObject::disconnect(answer);
    if (Ended()) return Opened::Refused;
    // The page was refreshing its list: the control waits for it.
    return *dialogSeen ? Opened::Yes : Opened::NotYet;
}

// --load FILE through the start window's import. When the scan's disk is not attached, the
// sheet's "Open Disk Image…" opens --open-image's file, as a person would; without one a
// scripted run fails at once.
void LoadFile(QNRootWindowController* root, const LaunchOptions& options) {
    QObject::connect(root, &QNRootWindowController::sheetOpened, root, [options](QWidget* sheet) {
        if (EndOnRefusal(sheet) || sheet->objectName() != QLatin1String("diskNotAttachedSheet")) return;
        auto* box = qobject_cast<QMessageBox*>(sheet);
        // Without an image to open, a person watching answers the sheet; a script cannot.
        if (options.openImage.isEmpty() && !options.quitWhenDone) return;
        if (options.openImage.isEmpty() || !box || !box->defaultButton()) {
            qWarning("Hook: %s", box ? qUtf8Printable(box->informativeText()) : "the scan's disk is not attached");
            sheet->close();
            EndRun(nullptr, QStringLiteral("failed"), QStringLiteral(" loaded=0"));
            return;
        }
        box->defaultButton()->click();
    });
    // A load that fails ends the run; its progress window shows once the load started.
    auto followLoad = [root, options] {
        if (QNProgressWindow* progress = root->progressWindow(); progress && options.quitWhenDone)
            QObject::connect(progress, &QNProgressWindow::workEnded, root, [](bool success) {
                if (!success) EndRun(nullptr, QStringLiteral("failed"), QStringLiteral(" loaded=0"));
            });
    };
    QObject::connect(root, &QNRootWindowController::fileDialogOpened, root, [options, followLoad](QFileDialog* dialog) {
        AnswerImageDialog(dialog, options);
        followLoad();
    });
    LoadThroughImport(root, options.loadFile);
    followLoad();
}

// --choose N: row N of the chosen disk, the image's or the only one.
bool ChooseRow(QNSelectDiskViewController* page, const LaunchOptions& options) {
    if (options.choose < 0) return true;
    uimodel::DiskVolumeNodeData* chosen = page->selectDiskVolume();
    const int disk = chosen ? chosen->diskIndex() : 0;
    if (page->chooseDiskRow(disk, options.choose)) return true;
    qWarning("Hook: the disk page has no row %d on disk %d", options.choose, disk);
    EndRun(nullptr, QStringLiteral("failed"), QStringLiteral(" refused=1"));
    return false;
}

void FollowResults(QNDeletailWindowController* window, const LaunchOptions& options) {
    if (options.progress) FollowProgress(window);
    if (!options.quitWhenDone && options.recoverTo.isEmpty() && options.saveTo.isEmpty() &&
        !thumbview::HookWantsPreview(options) && !options.deepScan && !options.printTrees &&
        options.checkPath.isEmpty())
        return;
    auto report = [window, options](const QString& extra) {
        if (options.quitWhenDone) EndRun(window, HookScanState(false), extra);
    };
    // The asked-for preview comes first; its thumbnail count leads the actions' fields.
    auto act = [window, options, report] {
        if (!options.checkPath.isEmpty()) CheckPathRow(window, options.checkPath);
        if (options.printTrees) PrintTrees(window);
        if (!thumbview::HookWantsPreview(options)) return RunHookActions(window, options, report);
        thumbview::ShowHookPreview(*window, options, [window, options, report](int thumbs) {
            const QString field = thumbview::HookThumbsField(thumbs);
            RunHookActions(window, options, [report, field](const QString& extra) { report(field + extra); });
        });
    };
    // With --deep-scan the quick scan's end presses Deep Scan, and the deep scan's end acts.
    auto afterScan = [window, options, act] {
        if (!options.deepScan) return act();
        // Out of the end's own signal: the deep scan's end is a new one.
        QTimer::singleShot(0, window, [window, act] {
            QObject::connect(window, &QNDeletailWindowController::scanEnded, window, act, Qt::SingleShotConnection);
            window->scanControls()->deepSrcanButtonAction();
        });
    };
    // A load may have ended before the window was handed over.
    if (window->scanFollower()->state().phase == results::ScanPhase::Ended)
        QTimer::singleShot(0, window, afterScan);
    else
        QObject::connect(window, &QNDeletailWindowController::scanEnded, window, afterScan, Qt::SingleShotConnection);
}

}  // namespace

void WalkWizard(QNAppDelegate& delegate, const LaunchOptions& options) {
    auto results = std::make_shared<QPointer<QNDeletailWindowController>>();
    if (options.quitWhenDone) {
        new UnansweredQuestions([results] { return results->data(); }, &delegate);
        // Asked to end, the run ends as stopped: a script must not take it for a finished scan.
        delegate.setSignalAction([results] { EndRun(results->data(), QStringLiteral("stopped"), QString()); });
    }
    auto* walker = new QTimer(&delegate);
    walker->setInterval(100);
    QObject::connect(walker, &QTimer::timeout, walker, [&delegate, walker, options] {
        QNRootWindowController* root = delegate.rootWindow();
        if (!root) return;
        // An ended run (a signal while the wizard is walked) presses nothing more.
        if (root->resultsWindow() || Ended()) {
            walker->stop();
            return;
        }
        if (!options.loadFile.isEmpty()) {
            // A results file instead of a scan, opened through the start page's own import.
            walker->stop();
            LoadFile(root, options);
        } else if (root->whichPage() == 2) {
            QAbstractButton* start = root->typePage()->startScanButton();
            if (start->isEnabled() && start->isVisible()) start->click();
        } else if (root->whichPage() == 3) {
            if (!options.openImage.isEmpty()) {
                const Opened opened = OpenImage(root, options);
                if (opened == Opened::NotYet) return;
                walker->stop();
                if (opened == Opened::Refused) return;
            }
            walker->stop();
            if (!ChooseRow(root->diskPage(), options)) return;
            QAbstractButton* next = root->diskPage()->continueButton();
            if (next->isEnabled()) {
                next->click();
                return;
            }
            qWarning("Hook: the disk page offers nothing to scan");
            EndRun(nullptr, QStringLiteral("failed"), QStringLiteral(" refused=1"));
        }
    });
    QObject::connect(&delegate, &QNAppDelegate::rootWindowShown, walker,
                     [walker, options, results](QNRootWindowController* root) {
                         QObject::connect(root, &QNRootWindowController::resultsWindowOpened, root,
                                          [options, results](QNDeletailWindowController* window) {
                                              *results = window;
                                              FollowResults(window, options);
                                          });
                         walker->start();
                     });
}

}  // namespace app
