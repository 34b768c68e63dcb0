// thumbnails: the model's thumbnail rate for camera-sized pictures. 200 JPEGs of 12 megapixels
// (one ImageMagick picture under 200 names) go onto a FAT32 image; after a quick scan through
// the model, each gets its thumbnail through GetNSImageByFildNode and the platform's decoders.
//
//   thumbnails [WORK_FOLDER]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ModelBenchImage.h"
#include "app/thumbnails/ThumbnailDecoderFactory.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/thumbnails/QNUIThumbnails.h"

namespace {

constexpr int kPictures = 200;

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path const work = argc > 1 ? argv[1] : std::filesystem::temp_directory_path() / "thumbnails_bench";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work / "files");
    std::string const first = (work / "files" / "photo0.jpg").string();
    if (std::system(("convert -size 4000x3000 plasma:fractal -quality 90 '" + first + "'").c_str()) != 0) {
        std::fprintf(stderr, "thumbnails: ImageMagick could not make the picture\n");
        return 1;
    }
    for (int i = 1; i < kPictures; ++i)
        std::filesystem::create_hard_link(first, work / "files" / ("photo" + std::to_string(i) + ".jpg"));
    auto const u64PictureMiB = std::filesystem::file_size(first) >> 20;
    std::string const image = (work / "disk.img").string();
    if (!modelbench::BuildFat32FromFolder((work / "files").string(), image,
                                          static_cast<unsigned>((u64PictureMiB + 1) * kPictures + 64)))
        return 1;

    modelbench::ScannedImage scanned(image);
    if (!scanned.bScanned) {
        std::fprintf(stderr, "thumbnails: the scan failed\n");
        return 1;
    }
    auto const pDecoder = app::thumbnails::CreateThumbnailDecoder();
    uimodel::QNUIThumbnails thumbnails(scanned.scan, scanned.recovery, uimodel::QNUIFilter::instance().GetFilter(),
                                       *pDecoder);
    int iImages = 0, iTotal = 0;
    auto const start = std::chrono::steady_clock::now();
    for (auto const& [eType, files] : scanned.scan.GetTypeMap())
        for (IFileNode* pNode : files) {
            ++iTotal;
            if (thumbnails.GetNSImageByFildNode(pNode).eKind == uimodel::ThumbnailKind::Image) ++iImages;
        }
    double const dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("RESULT bench=thumbnails pictures=%d images=%d seconds=%.3f thumbnails_per_s=%.1f\n", iTotal, iImages,
                dSeconds, iTotal / dSeconds);
    std::filesystem::remove_all(work);
    return iImages == kPictures ? 0 : 1;
}
