#include "app/thumbview/InstallThumbnails.h"

#include "app/thumbnails/ThumbnailDecoderFactory.h"
#include "uimodel/facade/ModelMaker.h"
#include "uimodel/thumbnails/ThumbnailDecoder.h"

namespace app::thumbview {

void InstallThumbnails() {
    // Kept for the process's life, as the model itself: the scan's threads may still ask.
    static const std::unique_ptr<uimodel::IThumbnailDecoder> s_decoder =
        thumbnails::CreateThumbnailDecoder(thumbnails::kPreviewThumbnailSide);
    uimodel::InstallThumbnailDecoder(*s_decoder);
}

}  // namespace app::thumbview
