#include "PhotoSamples.h"

#include <fstream>
#include <iterator>

#include "support/TempDir.h"

namespace phototest {

void PutBe32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(offset + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

Bytes ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string MissingTools() {
    for (char const* pszTool : {"convert", "exiftool", "tiffcp"})
        if (!testsupport::HaveTool(pszTool)) return std::string(pszTool) + " is not installed (scripts/setup.sh installs it)";
    return {};
}

bool PhotoMaker::Run(std::string const& command) {
    if (testsupport::RunCommand(command + " >/dev/null 2>&1") == 0) return true;
    m_error = command;
    return false;
}

std::string PhotoMaker::Next(char const* pszExtension) { return m_folder + "/p" + std::to_string(m_iCount++) + pszExtension; }

bool PhotoMaker::Tag(std::string const& file, CameraTags const& tags, bool bTiff) {
    std::string arguments;
    auto const add = [&](char const* pszTag, std::string const& value) {
        if (!value.empty()) arguments += std::string(" '-") + pszTag + "=" + value + "'";
    };
    add("Make", tags.make);
    add("Model", tags.model);
    add("DateTimeOriginal", tags.dateTime);
    if (bTiff) add("ModifyDate", tags.dateTime);
    if (tags.bDng) arguments += " -DNGVersion=1.4.0.0";
    return arguments.empty() || Run("exiftool -q -overwrite_original" + arguments + " " + file);
}

std::string PhotoMaker::JpegFile(CameraTags const& tags, bool bProgressive, int width, int height) {
    std::string const file = Next(".jpg");
    std::string const size = std::to_string(width) + "x" + std::to_string(height);
    if (!Run("convert -seed " + std::to_string(m_iCount) + " -size " + size + " plasma: -quality 85 " +
             (bProgressive ? "-interlace JPEG " : "") + file) ||
        !Tag(file, tags, false))
        return {};
    return file;
}

Bytes PhotoMaker::Jpeg(CameraTags const& tags, bool bProgressive, int width, int height) {
    std::string const file = JpegFile(tags, bProgressive, width, height);
    return file.empty() ? Bytes{} : ReadFile(file);
}

Bytes PhotoMaker::JpegWithoutJfif(CameraTags const& tags, bool bProgressive) {
    std::string const file = JpegFile(tags, bProgressive, 160, 120);
    if (file.empty() || !Run("exiftool -q -overwrite_original -JFIF:all= " + file)) return {};
    return ReadFile(file);
}

Bytes PhotoMaker::Tiff(CameraTags const& tags, bool bBigEndian, bool bTiled, int width, int height) {
    std::string const file = Next(".tif");
    std::string const size = std::to_string(width) + "x" + std::to_string(height);
    if (!Run("convert -seed " + std::to_string(m_iCount) + " -size " + size + " plasma: -depth 8 -compress none -endian " +
             (bBigEndian ? "MSB " : "LSB ") + file))
        return {};
    std::string result = file;
    if (bTiled) {
        result = Next(".tif");
        if (!Run("tiffcp -t -w 16 -l 16 " + file + " " + result)) return {};
    }
    if (!Tag(result, tags, true)) return {};
    return ReadFile(result);
}

namespace {

/// Where the first segment after the APP segments starts.
std::size_t AfterAppSegments(Bytes const& jpeg) {
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] >= 0xE0 && jpeg[at + 1] <= 0xEF)
        at += 2 + (std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
    return at;
}

}  // namespace

Bytes PadJpegTo(Bytes const& jpeg, std::uint32_t u32Modulus, std::uint32_t u32Remainder) {
    std::size_t const base = jpeg.size() + 4;
    std::size_t const pad = (u32Remainder + u32Modulus - base % u32Modulus) % u32Modulus;
    std::size_t const at = AfterAppSegments(jpeg);
    Bytes segment = {0xFF, 0xFE, static_cast<std::uint8_t>((pad + 2) >> 8), static_cast<std::uint8_t>(pad + 2)};
    segment.resize(4 + pad, 'c');
    Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(at));
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
    return out;
}

Bytes LengthenApp0(Bytes const& jpeg, std::uint32_t u32Extra) {
    std::size_t const length = std::size_t{jpeg.at(4)} << 8 | jpeg.at(5);
    Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(4 + length));
    out.insert(out.end(), u32Extra, 0);
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(4 + length), jpeg.end());
    out[4] = static_cast<std::uint8_t>((length + u32Extra) >> 8);
    out[5] = static_cast<std::uint8_t>(length + u32Extra);
    return out;
}

Bytes MakeRaf(Bytes const& tiff, Bytes const& jpeg) {
    constexpr std::uint32_t kTiffAt = 160;
    Bytes out(kTiffAt, 0);
    std::string const magic = "FUJIFILMCCD-RAW 0201FF383501";
    std::copy(magic.begin(), magic.end(), out.begin());
    std::uint32_t const u32JpegAt = static_cast<std::uint32_t>(kTiffAt + tiff.size());
    PutBe32(out, 84, u32JpegAt);
    PutBe32(out, 88, static_cast<std::uint32_t>(jpeg.size()));
    PutBe32(out, 92, kTiffAt);
    PutBe32(out, 96, static_cast<std::uint32_t>(tiff.size()));
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), jpeg.begin(), jpeg.end());
    return out;
}

Bytes MakeCrw(std::uint32_t u32Filler, int iPattern) {
    static constexpr std::uint8_t kPatterns[3] = {0xA8, 0xB2, 0xE4};
    static constexpr std::uint32_t kEnds[3] = {70, 60, 50};
    Bytes out = {'I', 'I', 0x1A, 0x00, 0x00, 0x00, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R', 0x02, 0x00, 0x01, 0x00};
    out.resize(u32Filler, 0x11);
    std::uint8_t const pattern[6] = {0x07, 0x28, kPatterns[iPattern], 0, 0, 0};
    out.insert(out.end(), pattern, pattern + 6);
    out.resize(u32Filler + kEnds[iPattern], 0x22);
    return out;
}

Bytes MakeMrw(std::uint32_t u32Lead, std::uint16_t u16Height, std::uint16_t u16Width, std::uint8_t u8Bits) {
    Bytes out = {0x00, 'M', 'R', 'M'};
    out.resize(64, 0);
    PutBe32(out, 4, u32Lead);
    out[8] = 0;
    out[9] = 'P';
    out[10] = 'R';
    out[11] = 'D';
    out[24] = static_cast<std::uint8_t>(u16Height >> 8);
    out[25] = static_cast<std::uint8_t>(u16Height);
    out[26] = static_cast<std::uint8_t>(u16Width >> 8);
    out[27] = static_cast<std::uint8_t>(u16Width);
    out[32] = u8Bits;
    return out;
}

Bytes MakeX3f(std::uint32_t u32DirectoryAt) {
    Bytes out = {'F', 'O', 'V', 'b'};
    out.resize(u32DirectoryAt, 0x33);
    for (char c : std::string("SECd")) out.push_back(static_cast<std::uint8_t>(c));
    out.resize(u32DirectoryAt + 76, 0x44);
    return out;
}

}  // namespace phototest
