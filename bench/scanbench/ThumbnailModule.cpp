// scanbench_thumbnails: the thumbnail decoder as a module scanbench loads only for --thumb. Its
// libraries (Qt, libraw, ffmpeg and theirs, some 170) would otherwise be loaded and relocated
// at every start of the harness, which costs more than a quick scan of 20,000 files.
#include "app/thumbnails/ThumbnailDecoderFactory.h"

extern "C" __attribute__((visibility("default"))) uimodel::IThumbnailDecoder* ScanbenchCreateThumbnailDecoder() {
    return app::thumbnails::CreateThumbnailDecoder().release();
}
