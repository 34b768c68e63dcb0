#include "engine/carve/analysers/Id3Text.h"

#include <iconv.h>

#include <vector>

namespace {

enum Encoding : std::uint8_t { kLatin1 = 0, kUtf16WithMark = 1, kUtf16Be = 2, kUtf8 = 3 };

/// `bytes` converted from `pszFrom` to UTF-8 by the C library; empty when iconv refuses.
std::string Convert(char const* pszFrom, engine::ByteView bytes) {
    if (bytes.Empty()) return {};
    iconv_t const converter = iconv_open("UTF-8", pszFrom);
    if (converter == reinterpret_cast<iconv_t>(-1)) return {};
    std::vector<char> input(bytes.Data(), bytes.Data() + bytes.Size());
    std::vector<char> output(bytes.Size() * 3 + 4);  // every unit of either source takes at most 3 UTF-8 bytes per byte
    char* pIn = input.data();
    char* pOut = output.data();
    std::size_t inLeft = input.size();
    std::size_t outLeft = output.size();
    std::size_t const result = iconv(converter, &pIn, &inLeft, &pOut, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1)) return {};
    return std::string(output.data(), output.size() - outLeft);
}

/// The bytes before the first zero unit of `u32UnitBytes` bytes, whole units only.
engine::ByteView BeforeTerminator(engine::ByteView bytes, std::size_t unitBytes) {
    std::size_t length = 0;
    for (; length + unitBytes <= bytes.Size(); length += unitBytes) {
        bool bZero = true;
        for (std::size_t i = 0; i < unitBytes; ++i) bZero = bZero && bytes.U8(length + i) == 0;
        if (bZero) break;
    }
    return bytes.Sub(0, length);
}

/// Cuts `text` to the length kept, never inside a UTF-8 sequence.
std::string Capped(std::string text) {
    if (text.size() <= kMaxId3TextBytes) return text;
    std::size_t cut = kMaxId3TextBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
    return text;
}

}  // namespace

std::string Id3Latin1Text(engine::ByteView field) {
    // Conversion of single bytes cannot fail; the longest text is bounded by the caps below.
    return Capped(Convert("LATIN1", BeforeTerminator(field.Sub(0, std::min(field.Size(), kMaxId3TextBytes)), 1)));
}

std::string Id3FrameText(engine::ByteView data) {
    if (data.Empty()) return {};
    engine::ByteView const text = data.From(1).Sub(0, std::min(data.Size() - 1, 2 * kMaxId3TextBytes + 2));
    switch (data.U8(0)) {
        case kLatin1:
            return Id3Latin1Text(text);
        case kUtf8:
            return Capped(std::string(reinterpret_cast<char const*>(text.Data()), BeforeTerminator(text, 1).Size()));
        case kUtf16Be:
            return Capped(Convert("UTF-16BE", BeforeTerminator(text, 2)));
        case kUtf16WithMark: {
            if (text.Size() < 2) return {};
            bool const bLittle = text.U8(0) == 0xFF && text.U8(1) == 0xFE;
            bool const bBig = text.U8(0) == 0xFE && text.U8(1) == 0xFF;
            if (!bLittle && !bBig) return {};
            return Capped(Convert(bLittle ? "UTF-16LE" : "UTF-16BE", BeforeTerminator(text.From(2), 2)));
        }
        default:
            return {};
    }
}
