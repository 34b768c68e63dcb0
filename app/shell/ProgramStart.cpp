#include "app/shell/ProgramStart.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>

#include <cstdio>

#include "app/controls/FocusHalo.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/Theme.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/hook/HookActions.h"
#include "app/hook/HookTrees.h"
#include "app/base/LanguageArgument.h"
#include "app/base/LaunchOptions.h"
#include "app/shell/ModelSeams.h"
#include "app/shell/QNAppDelegate.h"
#include "app/hook/ScanHook.h"
#include "app/update/EditShortcutFilter.h"
#include "app/update/NetworkProbe.h"
#include "app/hook/HookPreview.h"
#include "app/wizard/QNRootWindowController.h"
#include "app/wizard/QNSelectDiskViewController.h"
#include "app/wizard/QNSelectTypeViewController.h"
#include "platform/KeepAwake.h"
#include "uimodel/facade/QNUIController.h"

namespace app {

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: quorin [LANGUAGE] [--scan IMAGE] [--load FILE] [--save-to FILE] [--recover-to DIR] [--quit-when-done]\n"
               "              [--deep-scan] [--progress] [--check REL] [--print-trees]\n");
  return 2;
}

void LogKeepAwake(const std::string& line) { qInfo("%s", line.c_str()); }

// The hook presses the real buttons as a person would, each once it is enabled: Start, then
// Continue on the disk page's own choice when that page shows.
void WalkWizard(QNAppDelegate& delegate, const LaunchOptions& options) {
  auto* walker = new QTimer(&delegate);
  walker->setInterval(100);
  QObject::connect(walker, &QTimer::timeout, walker, [&delegate, walker, options] {
    QNRootWindowController* root = delegate.rootWindow();
    if (!root) return;
    if (root->resultsWindow()) {
      walker->stop();
      return;
    }
    if (!options.loadFile.isEmpty()) {
      // A results file instead of a scan, opened through the start page's own import.
      walker->stop();
      LoadThroughImport(root, options.loadFile);
    } else if (root->whichPage() == 2) {
      QAbstractButton* start = root->typePage()->startScanButton();
      if (start->isEnabled() && start->isVisible()) start->click();
    } else if (root->whichPage() == 3) {
      QAbstractButton* next = root->diskPage()->continueButton();
      if (next->isEnabled() && next->isVisible()) next->click();
    }
  });
  QObject::connect(&delegate, &QNAppDelegate::rootWindowShown, walker, [walker, options](QNRootWindowController* root) {
    QObject::connect(root, &QNRootWindowController::resultsWindowOpened, root,
                     [options](results::QNDeletailWindowController* window) {
                       if (options.progress) FollowProgress(window);
                       if (!options.quitWhenDone && options.recoverTo.isEmpty() && options.saveTo.isEmpty() &&
                           !thumbview::HookWantsPreview(options) && !options.deepScan && !options.printTrees &&
                           options.checkPath.isEmpty())
                         return;
                       auto report = [window, options](const QString& extra) {
                         if (!options.quitWhenDone) return;
                         std::uint64_t listed = 0;
                         std::uint64_t deleted = 0;
                         window->countListedFiles(listed, deleted);
                         QString state = HookScanState(false);
                         if (extra.contains(QLatin1String("refused=1")) || extra.contains(QLatin1String("saved=0")) ||
                             (extra.contains(QLatin1String("recovered=")) && !extra.contains(QLatin1String("failed=0"))))
                           state = QStringLiteral("failed");
                         std::printf("%s listed=%llu deleted=%llu%s\n",
                                     qUtf8Printable(HookResultLine(state, window->foundText().section(QLatin1Char(' '), -1))),
                                     static_cast<unsigned long long>(listed), static_cast<unsigned long long>(deleted),
                                     qUtf8Printable(extra));
                         std::fflush(stdout);
                         uimodel::QNUIController::StopJobs(std::chrono::seconds(30));
                         QApplication::exit(HookExitCode(state));
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
                           QObject::connect(window, &results::QNDeletailWindowController::scanEnded, window, act,
                                            Qt::SingleShotConnection);
                           window->deepSrcanButtonAction();
                         });
                       };
                       // A load may have ended before the window was handed over.
                       if (window->isFinishedShown())
                         QTimer::singleShot(0, window, afterScan);
                       else
                         QObject::connect(window, &results::QNDeletailWindowController::scanEnded, window, afterScan,
                                          Qt::SingleShotConnection);
                     });
    walker->start();
  });
}

}  // namespace

int RunProgram(int argc, char** argv) {
  QApplication application(argc, argv);
  QStringList arguments = QCoreApplication::arguments().mid(1);
  const QString language = TakeLanguageArgument(arguments);
  LaunchOptions options;
  QString error;
  if (!LaunchOptions::Parse(arguments, options, error)) {
    std::fprintf(stderr, "quorin: %s\n", qUtf8Printable(error));
    return Usage();
  }
  if (!language.isEmpty() && !StoreInterfaceLanguage(language))
    std::fprintf(stderr, "quorin: \"%s\" is not a language code; the interface language stays\n", qUtf8Printable(language));
  const QString stored = StoredInterfaceLanguage();
  if (!stored.isEmpty()) QLocale::setDefault(QLocale(stored));

  platform::KeepAwake awake("Recovering files", &LogKeepAwake);
  theme::ApplyDarkLook(application);
  InstallFocusHalo(application);
  InstallModelSeams(&options);
  NetworkProbe::InstallSeam();
  EditShortcutFilter::Install();
  // Two copies would scan and recover over each other's model: the second leaves quietly.
  if (uimodel::QNUIController::IsAppRunning()) {
    std::fprintf(stderr, "quorin: already running\n");
    return 0;
  }
  QApplication::setQuitOnLastWindowClosed(false);

  QNAppDelegate delegate;
  if (!options.scanImage.isEmpty() || !options.loadFile.isEmpty()) WalkWizard(delegate, options);
  delegate.applicationDidFinishLaunching();
  return application.exec();
}

}  // namespace app
