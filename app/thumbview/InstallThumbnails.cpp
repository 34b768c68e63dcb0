#include "app/thumbview/InstallThumbnails.h"

#include "app/thumbnails/ThumbnailDecoderFactory.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/thumbnails/QNUIThumbnails.h"
#include "uimodel/trees/QNTypeMgr.h"

namespace app::thumbview {

void InstallThumbnails() {
  uimodel::QNUIController::Model model = uimodel::QNUIController::GetModel();
  if (model.pThumbnails) return;
  // Kept for the process's life, as the model itself: the scan's threads may still ask.
  static const std::unique_ptr<uimodel::IThumbnailDecoder> s_decoder =
      thumbnails::CreateThumbnailDecoder(thumbnails::kPreviewThumbnailSide);
  model.pThumbnails = new uimodel::QNUIThumbnails(*model.pScan, *model.pRecovery,
                                                  uimodel::QNUIFilter::instance().GetFilter(), *s_decoder);
  if (model.pTypes) model.pTypes->setIconSource(s_decoder.get());
  uimodel::QNUIController::UseModel(model);
}

}  // namespace app::thumbview
