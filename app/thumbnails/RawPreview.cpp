#include "RawPreview.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "QtImages.h"

namespace app::thumbnails {

namespace {

/// A libraw stream over a byte source, through a window of the source's bytes so that libraw's
/// byte-at-a-time reads do not each reach the device.
class CSourceStream final : public LibRaw_abstract_datastream {
public:
    explicit CSourceStream(IByteSource& source)
        : m_source(source), m_s64Size(static_cast<INT64>(std::min<std::uint64_t>(source.Size(), INT64_MAX))) {}

    int valid() override { return 1; }
    int read(void* pBuffer, size_t size, size_t count) override {
        if (size == 0 || count == 0) return 0;
        size_t const wanted = size * count / size == count ? size * count : 0;
        size_t done = 0;
        auto* pOut = static_cast<std::uint8_t*>(pBuffer);
        while (done < wanted && m_s64Position < m_s64Size) {
            if (!Fill()) break;
            size_t const offset = static_cast<size_t>(m_s64Position - m_s64WindowStart);
            size_t const take = std::min(wanted - done, m_window.size() - offset);
            std::memcpy(pOut + done, m_window.data() + offset, take);
            done += take;
            m_s64Position += static_cast<INT64>(take);
        }
        return static_cast<int>(done / size);
    }
    int seek(INT64 s64Offset, int iWhence) override {
        INT64 base = 0;
        if (iWhence == SEEK_CUR)
            base = m_s64Position;
        else if (iWhence == SEEK_END)
            base = m_s64Size;
        else if (iWhence != SEEK_SET)
            return -1;
        if ((s64Offset > 0 && base > INT64_MAX - s64Offset) || base + s64Offset < 0) return -1;
        m_s64Position = std::min(base + s64Offset, m_s64Size);
        return 0;
    }
    INT64 tell() override { return m_s64Position; }
    INT64 size() override { return m_s64Size; }
    int get_char() override {
        unsigned char c = 0;
        return read(&c, 1, 1) == 1 ? c : -1;
    }
    char* gets(char* pText, int iSize) override {
        if (iSize <= 0) return nullptr;
        int i = 0;
        for (; i < iSize - 1; ++i) {
            int const c = get_char();
            if (c < 0) break;
            pText[i] = static_cast<char>(c);
            if (c == '\n') {
                ++i;
                break;
            }
        }
        pText[i] = '\0';
        return i == 0 ? nullptr : pText;
    }
    int scanf_one(char const* pszFormat, void* pValue) override {
        char token[32] = {};
        int i = 0;
        int c = get_char();
        while (c == ' ' || c == '\t' || c == '\n' || c == '\r') c = get_char();
        while (c >= 0 && c != ' ' && c != '\t' && c != '\n' && c != '\r' && i < 31) {
            token[i++] = static_cast<char>(c);
            c = get_char();
        }
        return i == 0 ? -1 : std::sscanf(token, pszFormat, pValue);
    }
    int eof() override { return m_s64Position >= m_s64Size ? 1 : 0; }
    void* make_jas_stream() override { return nullptr; }

private:
    static constexpr size_t kWindow = 0x10000;

    /// The window holds the current position; false when nothing could be read there.
    bool Fill() {
        if (m_s64Position >= m_s64WindowStart && m_s64Position < m_s64WindowStart + static_cast<INT64>(m_window.size()))
            return true;
        m_window.resize(kWindow);
        size_t const got = m_source.Read(static_cast<std::uint64_t>(m_s64Position), m_window.data(), kWindow);
        m_window.resize(got);
        m_s64WindowStart = m_s64Position;
        return got > 0;
    }

    IByteSource& m_source;
    INT64 m_s64Size;
    INT64 m_s64Position = 0;
    INT64 m_s64WindowStart = 0;
    std::vector<std::uint8_t> m_window;
};

RgbaImage FromBitmap(libraw_processed_image_t const& bitmap) {
    if (bitmap.colors != 3 || bitmap.bits != 8 || bitmap.width == 0 || bitmap.height == 0 ||
        bitmap.data_size < static_cast<unsigned>(bitmap.width) * bitmap.height * 3)
        return {};
    QImage const image(bitmap.data, bitmap.width, bitmap.height, bitmap.width * 3, QImage::Format_RGB888);
    QImage const fitted =
        image.width() > kMaxThumbnailSide || image.height() > kMaxThumbnailSide
            ? image.scaled(kMaxThumbnailSide, kMaxThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            : image;
    return FromQImage(fitted);
}

}  // namespace

RgbaImage DecodeRawPreview(IByteSource& source) {
    try {
        auto pRaw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
        pRaw->imgdata.params.max_raw_memory_mb = kMaxRawPreviewBytes >> 20;
        CSourceStream stream(source);
        if (pRaw->open_datastream(&stream) != LIBRAW_SUCCESS) return {};
        // The declared preview is checked before libraw allocates and reads it.
        libraw_thumbnail_t const& thumbnail = pRaw->imgdata.thumbnail;
        if (thumbnail.tlength == 0 || thumbnail.tlength > kMaxRawPreviewBytes) return {};
        if (static_cast<std::uint64_t>(thumbnail.twidth) * thumbnail.theight * 3 > kMaxRawPreviewBytes) return {};
        if (pRaw->unpack_thumb() != LIBRAW_SUCCESS) return {};
        int iError = 0;
        std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)> pImage(
            pRaw->dcraw_make_mem_thumb(&iError), [](libraw_processed_image_t* p) { LibRaw::dcraw_clear_mem(p); });
        if (!pImage || iError != LIBRAW_SUCCESS) return {};
        if (pImage->type == LIBRAW_IMAGE_JPEG)
            return DecodeWithQt(std::span<std::uint8_t const>(pImage->data, pImage->data_size), kMaxThumbnailSide);
        if (pImage->type == LIBRAW_IMAGE_BITMAP) return FromBitmap(*pImage);
    } catch (...) {
        // libraw throws on allocation failures and on some damaged files: no preview.
    }
    return {};
}

}  // namespace app::thumbnails
