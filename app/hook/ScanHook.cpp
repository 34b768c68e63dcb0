#include "app/hook/ScanHook.h"

#include <QtDebug>

#include <memory>
#include <vector>

#include "app/thumbview/InstallThumbnails.h"
#include "engine/IEnumDeviceEx.h"
#include "engine/Result.h"
#include "uimodel/facade/ModelMaker.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/DiskVolumeNodeData.h"

namespace app {

namespace {

using uimodel::QNUIController;

constexpr unsigned kEveryFileType = 63;

bool& HookModelInstalled() {
    static bool s_installed = false;
    return s_installed;
}

}  // namespace

bool InstallHookModel(const QString& image) {
    IEnumDeviceEx* enumerator = CreateImageEnumDeviceEx({image.toStdString()});
    if (!enumerator || !InstallHookModel(enumerator)) {
        qWarning("Hook: %s holds no device to scan", qUtf8Printable(image));
        return false;
    }
    return true;
}

bool InstallHookModel(IEnumDeviceEx* enumerator) {
    if (!uimodel::InstallModelOver(enumerator)) return false;
    thumbview::InstallThumbnails();
    HookModelInstalled() = true;
    return true;
}

bool StartHookScan(const QString& postName) {
    // Without the hook's model the facade's own list would hold the machine's disks.
    if (!HookModelInstalled()) return false;
    std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> rows;
    QNUIController::GetDeviceInfoToArray(rows);
    if (rows.empty()) return false;
    QNUIController::SetRecoveryType(kEveryFileType);
    return QNUIController::DoScanWithData(rows.front().get(), postName.toStdString());
}

QString HookScanState(bool stopRequested) {
    if (QNUIController::DidScanFail()) return QStringLiteral("failed");
    return stopRequested ? QStringLiteral("stopped") : QStringLiteral("finished");
}

QString HookFoundCount() {
    double percent = 0;
    std::uint64_t count = 0;
    QNUIController::GetScanProgress(percent, count);
    return QString::number(count);
}

QString HookResultLine(const QString& state, const QString& found) {
    return QStringLiteral("RESULT state=%1 found=%2").arg(state, found);
}

int HookExitCode(const QString& state) {
    if (state == QLatin1String("finished")) return 0;
    return state == QLatin1String("noted") ? 3 : 1;
}

}  // namespace app
