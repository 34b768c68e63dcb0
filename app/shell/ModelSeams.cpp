#include "app/shell/ModelSeams.h"

#include <QtDebug>

#include <memory>

#include "app/base/FileTimeText.h"
#include "app/base/LaunchOptions.h"
#include "app/base/MainThreadPoster.h"
#include "app/base/NotificationCenter.h"
#include "app/base/StringTable.h"
#include "app/base/UserSettings.h"
#include "app/hook/ScanHook.h"
#include "app/thumbview/InstallThumbnails.h"
#include "engine/EngineEntryPoints.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/Seams.h"

namespace app {

void InstallModelSeams(const LaunchOptions* options) {
    RegisterEngineSubsystems();
    // The recovery filter fills its lookup once, when it is made: the lists go first.
    uimodel::QNUIController::initFileType();

    uimodel::Seams& seams = uimodel::GetSeams();
    // Jobs take the poster in force when they start; none has started yet.
    seams.pPoster = std::make_shared<GuiThreadPoster>(&NotificationCenter::instance());
    seams.pStrings = std::make_shared<PlistStringTable>(InterfaceLanguages());
    seams.pSettings = std::make_shared<QtUserSettings>();
    seams.formatTime = LocalFileTimeText;
    // The network probe keeps the model's answer (no) until the update check needs it.

    if (!options) return;
    SetCurrentLaunchOptions(*options);
    if (!options->scanImage.isEmpty() && !InstallHookModel(options->scanImage))
        qWarning("Hook: %s cannot be scanned", qUtf8Printable(options->scanImage));
    // The program's previews, over whichever model is now installed.
    thumbview::InstallThumbnails();
}

}  // namespace app
