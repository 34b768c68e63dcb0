#include "MovieFrame.h"

#include <sys/mman.h>
#include <unistd.h>

#include <libffmpegthumbnailer/videothumbnailer.h>

#include <vector>

#include "QtImages.h"

namespace app::thumbnails {

RgbaImage DecodeMovieFile(std::string const& path) {
    try {
        ffmpegthumbnailer::VideoThumbnailer thumbnailer(kMovieThumbnailSide, true, true, 8, false);
        thumbnailer.setLogCallback([](ThumbnailerLogLevel, std::string const&) {});
        std::vector<std::uint8_t> png;
        thumbnailer.generateThumbnail(path, Png, png);
        return DecodeWithQt(png, kMaxThumbnailSide);
    } catch (...) {
        // ffmpegthumbnailer throws for anything it cannot open or decode.
        return {};
    }
}

RgbaImage DecodeMovieBytes(std::span<std::uint8_t const> start) {
    int const fd = ::memfd_create("quorin-movie", MFD_CLOEXEC);
    if (fd < 0) return {};
    std::size_t done = 0;
    while (done < start.size()) {
        ssize_t const written = ::write(fd, start.data() + done, start.size() - done);
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    RgbaImage image;
    if (done == start.size()) image = DecodeMovieFile("/proc/self/fd/" + std::to_string(fd));
    ::close(fd);
    return image;
}

}  // namespace app::thumbnails
