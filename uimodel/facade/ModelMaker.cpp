#include "uimodel/facade/ModelMaker.h"

#include "engine/IEnumDeviceEx.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/resultsfile/QNSaveAndRestoreNodeOperate.h"
#include "uimodel/resultsfile/SaveRestoreResult.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/thumbnails/QNUIThumbnails.h"
#include "uimodel/trees/QNTimeMgr.h"
#include "uimodel/trees/QNTypeMgr.h"

namespace uimodel {

bool InstallModelOver(IEnumDeviceEx* pEnumerator) {
    if (!pEnumerator) return false;
    auto* pDevices = new QNUIDeviceData(pEnumerator);
    // One image lists at once: no thread, and the first scan finds its row ready.
    pDevices->InitDeviceInfo();
    if (pDevices->GetInitState() != DEVICE_INIT_READY) {
        delete pDevices;
        delete pEnumerator;
        return false;
    }
    auto* pScan = new QNUIScan(pDevices);
    auto* pRecovery = new QNUIRecovery(*pScan);
    auto* pResults = new SaveRestoreResult(*pScan, *pDevices, pRecovery);
    QNUIController::UseModel({pScan, pDevices, &QNTypeMgr::share(), &QNTimeMgr::share(), pRecovery, nullptr,
                              &QNSaveAndRestoreNodeOperate::instance(), pResults});
    return true;
}

void InstallThumbnailDecoder(IThumbnailDecoder& decoder) {
    QNUIController::Model model = QNUIController::GetModel();
    if (model.pThumbnails) return;
    // Kept for the process's life, as the model itself: the scan's threads may still ask.
    model.pThumbnails = new QNUIThumbnails(*model.pScan, *model.pRecovery, QNUIFilter::instance().GetFilter(), decoder);
    if (model.pTypes) model.pTypes->setIconSource(&decoder);
    QNUIController::UseModel(model);
}

}  // namespace uimodel
