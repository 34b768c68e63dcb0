// quorin: the desktop application. Until the start page exists it opens the results window on
// the disk image given with --scan.
//
//   quorin --scan IMAGE [--quit-when-done]
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/controls/Theme.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/shell/LaunchOptions.h"
#include "app/shell/ModelSeams.h"
#include "app/shell/NotificationCenter.h"
#include "app/shell/ScanHook.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/DiskVolumeNodeData.h"

namespace {

constexpr unsigned kEveryFileType = 63;

int Usage() {
  std::fprintf(stderr, "usage: quorin --scan IMAGE [--quit-when-done]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  app::LaunchOptions options;
  QString error;
  if (!app::LaunchOptions::ParseApplicationArguments(options, error)) {
    std::fprintf(stderr, "quorin: %s\n", qUtf8Printable(error));
    return Usage();
  }
  if (options.scanImage.isEmpty()) return Usage();
  app::theme::ApplyDarkLook(application);
  app::InstallModelSeams(&options);

  std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> rows;
  uimodel::QNUIController::GetDeviceInfoToArray(rows);
  if (rows.empty()) {
    std::printf("%s\n", qUtf8Printable(app::HookResultLine(QStringLiteral("failed"), QStringLiteral("0"))));
    return 1;
  }
  uimodel::QNUIController::SetRecoveryType(kEveryFileType);

  app::results::QNDeletailWindowController window;
  window.setSelectDiskVolumeData(std::move(rows.front()));
  app::NotificationCenter::instance().addObserver(&window, QStringLiteral("appWillTerminate"),
                                                  [](const QVariantMap&) { QApplication::quit(); });
  // Until the start page exists, going back home ends the program.
  QObject::connect(&window, &app::results::QNDeletailWindowController::backHomeRequested, &application,
                   &QApplication::quit);
  QObject::connect(&window, &app::results::QNDeletailWindowController::scanEnded, &window, [&] {
    if (!options.quitWhenDone) return;
    std::uint64_t listed = 0;
    std::uint64_t deleted = 0;
    window.countListedFiles(listed, deleted);
    const QString state = app::HookScanState(false);
    std::printf("%s listed=%llu deleted=%llu\n",
                qUtf8Printable(app::HookResultLine(state, window.foundText().section(QLatin1Char(' '), -1))),
                static_cast<unsigned long long>(listed), static_cast<unsigned long long>(deleted));
    std::fflush(stdout);
    application.exit(app::HookExitCode(state));
  });
  window.show();
  QTimer::singleShot(300, &window, [&window] { window.getData(); });
  return application.exec();
}
