// Thumbnails of files found on a real FAT32 image, made through the model and the platform's
// decoders: an ImageMagick JPEG (from its EXIF preview, or whole when that preview is broken),
// a camera raw through libraw, an ffmpeg movie, and the limits the model keeps.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ModelImages.h"
#include "ModelScan.h"
#include "app/thumbnails/ThumbnailDecoderFactory.h"
#include "engine/ByteWriter.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/thumbnails/QNUIThumbnails.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using uimodel::ThumbnailKind;

Bytes ReadAll(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(std::string const& path, Bytes const& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

/// A Fuji-layout camera raw as libraw reads it: the header, the EXIF-first JPEG preview (whose
/// EXIF names the camera), a one-entry sensor directory and 640 x 480 samples of 16 bits.
Bytes MakeRawWithPreview(Bytes const& exifFirstJpeg) {
    constexpr std::uint32_t kPreviewAt = 0x200, kDirectoryAt = 0x100;
    Bytes raw(kPreviewAt, 0);
    std::string const magic = "FUJIFILMCCD-RAW 0201FF383501FinePix S5Pro";
    std::copy(magic.begin(), magic.end(), raw.begin());
    Bytes const directory = {0, 0, 0, 1, 0x01, 0x00, 0, 4, 0x01, 0xE0, 0x02, 0x80};  // 0x100: 480 x 640
    std::copy(directory.begin(), directory.end(), raw.begin() + kDirectoryAt);
    auto const u32PreviewBytes = static_cast<std::uint32_t>(exifFirstJpeg.size());
    engine::ByteWriter(raw).Be32(84, kPreviewAt);
    engine::ByteWriter(raw).Be32(88, u32PreviewBytes);
    engine::ByteWriter(raw).Be32(92, kDirectoryAt);
    engine::ByteWriter(raw).Be32(96, static_cast<std::uint32_t>(directory.size()));
    engine::ByteWriter(raw).Be32(100, kPreviewAt + u32PreviewBytes);
    engine::ByteWriter(raw).Be32(104, 640 * 480 * 2);
    raw.insert(raw.end(), exifFirstJpeg.begin(), exifFirstJpeg.end());
    raw.resize(raw.size() + 640 * 480 * 2, 0);
    return raw;
}

/// One image for every case; built once, scanned per test.
class ThumbnailImage : public modeltest::BuiltImageSuite<ThumbnailImage> {
public:
    static std::string Build(std::string const& dir) {
        for (char const* pszTool : {"convert", "exiftool", "ffmpeg"})
            if (!testsupport::HaveTool(pszTool)) return std::string(pszTool) + " is not installed";
        if (std::string const missing = modeltest::MissingFatTools(); !missing.empty()) return missing;
        auto const run = [](std::string const& command) {
            return testsupport::RunCommand(command + " >/dev/null 2>&1") == 0;
        };
        bool bMade =
            run("convert -size 400x300 plasma:fractal " + dir + "photo.jpg") &&
            run("convert -size 160x120 plasma:fractal " + dir + "small.jpg") &&
            // A photograph with its EXIF preview, and one whose preview is broken.
            run("cp " + dir + "photo.jpg " + dir + "previewed.jpg") &&
            run("exiftool -q -overwrite_original '-ThumbnailImage<=" + dir + "small.jpg' " + dir + "previewed.jpg") &&
            // A camera's EXIF-first preview for the raw file.
            run("cp " + dir + "small.jpg " + dir + "camera.jpg") &&
            run("exiftool -q -overwrite_original -JFIF:all= -Make=FUJIFILM '-Model=FinePix S5Pro' " + dir +
                "camera.jpg") &&
            run("ffmpeg -v error -f lavfi -i testsrc=duration=2:size=320x240:rate=10 -pix_fmt yuv420p " + dir +
                "clip.mp4");
        if (!bMade) return "a tool failed to make the sample files";
        Bytes broken = ReadAll(dir + "previewed.jpg");
        Bytes const small = ReadAll(dir + "small.jpg");
        // The embedded preview keeps its markers but loses its frame header: it cannot decode.
        auto const at = std::search(broken.begin(), broken.end(), small.begin() + 2, small.begin() + 64);
        if (at == broken.end()) return "exiftool did not embed the preview";
        std::fill(at, at + 62, std::uint8_t{0});
        WriteAll(dir + "broken-preview.jpg", broken);
        WriteAll(dir + "IMG.CR2", MakeRawWithPreview(ReadAll(dir + "camera.jpg")));
        // Trailing bytes after a JPEG's end are ignored by its decoder: the size alone decides.
        Bytes padded = ReadAll(dir + "photo.jpg");
        padded.resize(static_cast<std::size_t>(uimodel::kMaxPictureBytes), 0);
        WriteAll(dir + "limit.jpg", padded);
        padded.push_back(0);
        WriteAll(dir + "over.jpg", padded);
        std::string const error = modeltest::CFat32Builder(dir + "disk.img", 160)
                                      .Put(dir + "photo.jpg", "/pictures/photo.jpg")
                                      .Put(dir + "previewed.jpg", "/pictures/previewed.jpg")
                                      .Put(dir + "broken-preview.jpg", "/pictures/broken-preview.jpg")
                                      .Put(dir + "IMG.CR2", "/raw/IMG.CR2")
                                      .Put(dir + "clip.mp4", "/movies/clip.mp4")
                                      .Put(dir + "clip.mp4", "/movies/clipmp4")
                                      .Put(dir + "limit.jpg", "/big/limit.jpg")
                                      .Put(dir + "over.jpg", "/big/over.jpg")
                                      .Error();
        return error.empty() ? std::string() : "could not build the image: " + error;
    }

protected:
    void SetUp() override {
        BuiltImageSuite::SetUp();
        if (IsSkipped()) return;
        Scan();
        m_pThumbnails = std::make_unique<uimodel::QNUIThumbnails>(
            m_pModel->scan, *m_pRecovery, uimodel::QNUIFilter::instance().GetFilter(), *m_pDecoder);
    }
    void TearDown() override {
        m_pThumbnails.reset();
        BuiltImageSuite::TearDown();
    }

    uimodel::Thumbnail Of(std::string const& name) {
        IFileNode* pNode = File(name);
        EXPECT_NE(pNode, nullptr) << name;
        return m_pThumbnails->GetNSImageByFildNode(pNode);
    }

    std::unique_ptr<uimodel::IThumbnailDecoder> m_pDecoder = app::thumbnails::CreateThumbnailDecoder();
    std::unique_ptr<uimodel::QNUIThumbnails> m_pThumbnails;
};

struct Expectation {
    char const* pszName;
    ThumbnailKind eKind;
    int iWidth;  // 0: any size
    int iHeight;
};

TEST_F(ThumbnailImage, EachKindOfFileGetsItsPicture) {
    Expectation const cases[] = {
        {"photo.jpg", ThumbnailKind::Image, 400, 300},
        {"previewed.jpg", ThumbnailKind::Image, 160, 120},       // the EXIF preview, not the photograph
        {"broken-preview.jpg", ThumbnailKind::Image, 400, 300},  // a preview that fails: the whole file
        {"IMG.CR2", ThumbnailKind::Image, 160, 120},             // libraw's embedded preview
        {"clip.mp4", ThumbnailKind::Image, 192, 144},            // a frame, 192 pixels wide
        {"limit.jpg", ThumbnailKind::Image, 400, 300},           // exactly the picture limit
        {"over.jpg", ThumbnailKind::Icon, 0, 0},                 // one byte more: the icon
        {"clipmp4", ThumbnailKind::Icon, 0, 0},                  // no extension: not a movie
    };
    for (Expectation const& c : cases) {
        SCOPED_TRACE(c.pszName);
        uimodel::Thumbnail const thumbnail = Of(c.pszName);
        EXPECT_EQ(thumbnail.eKind, c.eKind);
        if (c.iWidth) {
            EXPECT_EQ(thumbnail.image.iWidth, c.iWidth);
            EXPECT_EQ(thumbnail.image.iHeight, c.iHeight);
        }
        EXPECT_EQ(thumbnail.image.pixels.size(),
                  static_cast<std::size_t>(thumbnail.image.iWidth) * thumbnail.image.iHeight * 4);
    }
    // A movie's name without "." gives no picture at all; and nothing was written to /tmp.
    EXPECT_EQ(m_pThumbnails->GetVideoThumb(File("clipmp4")).eKind, ThumbnailKind::None);
    for (auto const& entry : fs::directory_iterator("/tmp")) {
        std::string const name = entry.path().filename().string();
        EXPECT_FALSE(name.ends_with("clip.mp4") || name.ends_with("IMG.CR2")) << entry.path();
    }
}

TEST_F(ThumbnailImage, ARecoveryWhileTwoThreadsMakeThumbnailsCopiesEveryFileExactly) {
    m_pModel->scan.GetFileSystemNode().front()->SetCheck(CHECKED_STATUS_CHECKED);
    testsupport::TempDir destination;
    m_pRecovery->SetRecoveryPath(destination.Path().c_str());
    m_pRecovery->SetStatus(uimodel::OPERATION_RUNNING);
    std::atomic<bool> bDone = false;
    std::atomic<int> iImages = 0;
    auto const makeThumbnails = [&] {
        while (!bDone)
            for (char const* pszName : {"photo.jpg", "previewed.jpg", "IMG.CR2", "clip.mp4"})
                if (Of(pszName).eKind == ThumbnailKind::Image) ++iImages;
    };
    std::thread first(makeThumbnails), second(makeThumbnails);
    RESULT result = ~RESULT{0};
    std::string rawFolders;
    uimodel::CJobThread job;
    job.Start([&] { result = m_pRecovery->DoRecovery(rawFolders); });
    job.Join();
    bDone = true;
    first.join();
    second.join();
    EXPECT_EQ(result, kResultSuccess);
    EXPECT_GT(iImages.load(), 0);
    std::string const source = Folder();
    fs::path const volume = fs::directory_iterator(fs::path(destination.Path()) / "Fat_0001")->path();
    for (auto const& [host, recovered] : {std::pair{"photo.jpg", "pictures/photo.jpg"},
                                          {"IMG.CR2", "raw/IMG.CR2"},
                                          {"clip.mp4", "movies/clip.mp4"},
                                          {"over.jpg", "big/over.jpg"}})
        EXPECT_EQ(testsupport::Sha256OfFile((volume / recovered).string()), testsupport::Sha256OfFile(source + host))
            << recovered;
}

}  // namespace
