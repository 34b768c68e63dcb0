#include "PhotoSamples.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <tuple>
#include <utility>

#include "engine/ByteView.h"
#include "engine/ByteWriter.h"
#include "engine/carve/RawFileType.h"
#include "support/ByteFields.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

namespace phototest {

Bytes ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string MissingTools() {
    for (char const* pszTool : {"convert", "exiftool", "tiffcp", "cjpeg"})
        if (!testsupport::HaveTool(pszTool))
            return std::string(pszTool) + " is not installed (scripts/setup.sh installs it)";
    if (testsupport::RunCommand("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") != 0)
        return "python3-pil is not installed (scripts/setup.sh installs it)";
    return {};
}

bool PhotoMaker::Run(std::string const& command) {
    if (testsupport::RunCommand(command + " >/dev/null 2>&1") == 0) return true;
    m_error = command;
    return false;
}

std::string PhotoMaker::Next(char const* pszExtension) {
    return m_folder + "/p" + std::to_string(m_iCount++) + pszExtension;
}

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

Bytes PhotoMaker::ExtendedSequentialJpeg() {
    std::string const picture = Next(".ppm");
    std::string const file = Next(".jpg");
    if (!Run("convert -seed " + std::to_string(m_iCount) + " -size 160x120 plasma: " + picture) ||
        !Run("cjpeg -quality 10 -outfile " + file + " " + picture) || !Run("convert " + file + " null:"))
        return {};
    Bytes bytes = ReadFile(file);
    if (SegmentAt(bytes, 0xC1) == bytes.size()) {
        m_error = "cjpeg -quality 10 wrote no SOF1 frame header";
        return {};
    }
    return bytes;
}

Bytes PhotoMaker::JpegWithoutJfif(CameraTags const& tags, bool bProgressive) {
    std::string const file = JpegFile(tags, bProgressive, 160, 120);
    if (file.empty() || !Run("exiftool -q -overwrite_original -JFIF:all= " + file)) return {};
    return ReadFile(file);
}

Bytes PhotoMaker::Tiff(CameraTags const& tags, bool bBigEndian, bool bTiled, int width, int height) {
    std::string const file = Next(".tif");
    std::string const size = std::to_string(width) + "x" + std::to_string(height);
    if (!Run("convert -seed " + std::to_string(m_iCount) + " -size " + size +
             " plasma: -depth 8 -compress none -endian " + (bBigEndian ? "MSB " : "LSB ") + file))
        return {};
    std::string result = file;
    if (bTiled) {
        result = Next(".tif");
        if (!Run("tiffcp -t -w 16 -l 16 " + file + " " + result)) return {};
    }
    if (!Tag(result, tags, true)) return {};
    return ReadFile(result);
}

Bytes PhotoMaker::MultiPageTiff(int pages) {
    std::string const file = Next(".tif");
    if (!Run("convert -seed 7 -size 64x48 plasma: -duplicate " + std::to_string(pages - 1) +
             " -depth 8 -compress none " + file))
        return {};
    return ReadFile(file);
}

Bytes PhotoMaker::SmallJpegWithTagFrom(char const* pszTag, Bytes const& source) {
    std::string const sourceFile = Next(".bin");
    std::string const file = JpegFile({}, false, 20, 20);
    std::ofstream(sourceFile, std::ios::binary)
        .write(reinterpret_cast<char const*>(source.data()), static_cast<std::streamsize>(source.size()));
    if (file.empty() ||
        !Run(std::string("exiftool -q -overwrite_original '-") + pszTag + "<=" + sourceFile + "' " + file))
        return {};
    return ReadFile(file);
}

Bytes PhotoMaker::SmallJpegWithComment(std::uint32_t u32Bytes) {
    return SmallJpegWithTagFrom("Comment", Bytes(u32Bytes, 'c'));
}

Bytes PhotoMaker::SmallJpegWithIccProfile(std::uint32_t u32Bytes) {
    // An ICC header (size, version 2.1, display class, RGB, XYZ, "acsp") and one private tag.
    constexpr std::uint32_t kHeaderAndTable = 128 + 4 + 12;
    Bytes icc(kHeaderAndTable + u32Bytes, 0x5A);
    std::fill(icc.begin(), icc.begin() + kHeaderAndTable, std::uint8_t{0});
    engine::ByteWriter(icc).Be32(0, static_cast<std::uint32_t>(icc.size()));
    engine::ByteWriter(icc).Be32(8, 0x02100000);
    std::pair<int, char const*> const kTexts[] = {
        {12, "mntr"}, {16, "RGB "}, {20, "XYZ "}, {36, "acsp"}, {132, "zzzz"}};
    for (auto const& [offset, pszText] : kTexts) std::copy(pszText, pszText + 4, icc.begin() + offset);
    engine::ByteWriter(icc).Be32(128, 1);
    engine::ByteWriter(icc).Be32(136, kHeaderAndTable);
    engine::ByteWriter(icc).Be32(140, u32Bytes);
    return SmallJpegWithTagFrom("ICC_Profile", icc);
}

Bytes PhotoMaker::GifCommentedLast() {
    std::string const file = Next(".gif");
    if (!Run("convert -seed 3 -size 40x30 plasma: -set comment 'written last' " + file)) return {};
    Bytes gif = ReadFile(file);
    // Walk the blocks: header, global colour table, extensions (21) and images (2C) to the trailer.
    auto const subBlocksEnd = [&](std::size_t at) {
        while (at < gif.size() && gif[at] != 0) at += 1 + std::size_t{gif[at]};
        return at + 1;
    };
    std::size_t at = gif.size() > 10 && (gif[10] & 0x80) != 0 ? 13 + 3 * (std::size_t{2} << (gif[10] & 7)) : 13;
    std::size_t commentAt = 0;
    std::size_t commentEnd = 0;
    while (at < gif.size() && gif[at] != 0x3B) {
        if (gif[at] == 0x21) {
            std::size_t const end = subBlocksEnd(at + 2);
            if (gif[at + 1] == 0xFE) std::tie(commentAt, commentEnd) = std::pair{at, end};
            at = end;
        } else {
            std::size_t const table = (gif[at + 9] & 0x80) != 0 ? 3 * (std::size_t{2} << (gif[at + 9] & 7)) : 0;
            at = subBlocksEnd(at + 10 + table + 1);
        }
    }
    if (commentEnd == 0 || at >= gif.size()) return {};
    Bytes const comment(gif.begin() + static_cast<std::ptrdiff_t>(commentAt),
                        gif.begin() + static_cast<std::ptrdiff_t>(commentEnd));
    gif.insert(gif.begin() + static_cast<std::ptrdiff_t>(at), comment.begin(), comment.end());
    gif.erase(gif.begin() + static_cast<std::ptrdiff_t>(commentAt),
              gif.begin() + static_cast<std::ptrdiff_t>(commentEnd));
    return gif;
}

Bytes PhotoMaker::JpegWithShortPhotoshopSegment() {
    std::string const file = JpegFile({"Acme", "Cam 1", "2020:01:02 03:04:05"}, false, 160, 120);
    if (file.empty() || !Run("exiftool -q -overwrite_original -JFIF:all= -IPTC:Keywords=carved " + file)) return {};
    Bytes jpeg = ReadFile(file);
    std::size_t const at = SegmentAt(jpeg, 0xED);
    std::uint16_t const u16Length = at < jpeg.size() ? engine::ByteView(jpeg).Be16(at + 2) : 0;
    if (u16Length < 32) {
        m_error = "exiftool wrote no Photoshop segment";
        return {};
    }
    engine::ByteWriter(jpeg).Be16(at + 2, static_cast<std::uint16_t>(u16Length - 16));
    return jpeg;
}

Bytes PhotoMaker::TiffOfRowStrips(std::uint32_t u32RowsPerStrip) {
    std::string const file = Next(".tif");
    std::string const rowStrips = "-define tiff:rows-per-strip=1 ";
    if (!Run("convert -seed 5 -size 2666x39 plasma: -depth 8 -compress none -endian LSB " + rowStrips + file) ||
        !Run("exiftool -q -overwrite_original -Software=Quorin " + file))
        return {};
    return WithTiffEntry(ReadFile(file), 278, {278, 4, 1, u32RowsPerStrip});
}

Bytes PhotoMaker::TiffWithStripPastItsPixels() {
    std::string const file = Next(".tif");
    if (!Run("/usr/bin/python3 -c \"from PIL import Image; im = Image.new('RGBA', (52, 53)); "
             "im.putdata([(x * 4, y * 4, x + y, 200) for y in range(53) for x in range(52)]); im.save('" +
             file + "')\""))
        return {};
    return WithTiffEntry(WithTiffEntry(ReadFile(file), 258, {258, 3, 1, 8}), 279, {279, 4, 1, 0x7FFFFFFF});
}

Bytes PhotoMaker::GifRunningIntoASecondGif() {
    std::string const first = Next(".gif");
    std::string const second = Next(".gif");
    auto const gradient = [](std::string const& file, int size) {
        return "Image.linear_gradient('L').resize((" + std::to_string(size) + ", " + std::to_string(size) +
               ")).convert('P').save('" + file + "', transparency=0); ";
    };
    if (!Run("/usr/bin/python3 -c \"from PIL import Image; " + gradient(first, 100) + gradient(second, 150) + "\""))
        return {};
    Bytes const gif = ReadFile(first);
    Bytes const next = ReadFile(second);
    if (gif.empty() || gif.back() != 0x3B || next.empty()) {
        m_error = "Pillow wrote no GIF";
        return {};
    }
    return testsupport::Joined({Bytes(gif.begin(), gif.end() - 1), next});  // the first's trailer left out
}

std::size_t SegmentAt(Bytes const& jpeg, std::uint8_t u8Marker) {
    for (std::size_t at = 2; at + 4 <= jpeg.size() && jpeg[at] == 0xFF;) {
        if (jpeg[at + 1] == u8Marker) return at;
        if (jpeg[at + 1] == 0xDA) break;
        at += 2 + (std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
    }
    return jpeg.size();
}

Bytes WithTiffEntry(Bytes tiff, std::uint16_t u16Tag, testsupport::TiffEntry const& entry) {
    engine::ByteView const view(tiff);
    std::uint32_t const u32Ifd = view.Le32(4);
    for (std::uint32_t e = 0, n = view.Le16(u32Ifd); e < n; ++e) {
        std::size_t const at = u32Ifd + 2 + 12 * std::size_t{e};
        if (view.Le16(at) != u16Tag) continue;
        engine::ByteWriter w(tiff);
        testsupport::LeTiffEntry(w, at, entry);
        return w.Ok() ? tiff : Bytes();
    }
    return {};
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
    engine::ByteWriter(out).Be32(84, u32JpegAt);
    engine::ByteWriter(out).Be32(88, static_cast<std::uint32_t>(jpeg.size()));
    engine::ByteWriter(out).Be32(92, kTiffAt);
    engine::ByteWriter(out).Be32(96, static_cast<std::uint32_t>(tiff.size()));
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
    engine::ByteWriter(out).Be32(4, u32Lead);
    out[8] = 0;
    out[9] = 'P';
    out[10] = 'R';
    out[11] = 'D';
    engine::ByteWriter(out).Be32(12, 24);  // the PRD block's length
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

bool PhotoFamily(std::string const& folder, std::vector<corpustest::CarvedSample>& samples, std::string& error) {
    using corpustest::SizeRule;
    PhotoMaker maker(folder);
    Bytes const plain = maker.Jpeg({});
    std::vector<corpustest::CarvedSample> made = {
        {"photo camera jpeg", RAW_FILE_TYPE_JPG, maker.Jpeg({"Canon", "Canon EOS 5D", "2021:05:06 07:08:09"}),
         SizeRule::Exact, 0, "Canon EOS 5D"},
        {"photo gif commented last", RAW_FILE_TYPE_GIF, maker.GifCommentedLast(), SizeRule::Exact, 0, ""},
        {"photo jpeg behind a comment", RAW_FILE_TYPE_JPG, maker.SmallJpegWithComment(3000), SizeRule::Exact, 0, ""},
        {"photo 300-page tiff", RAW_FILE_TYPE_TIF, maker.MultiPageTiff(300), SizeRule::Exact, 0, ""},
        {"photo extended-sequential jpeg", RAW_FILE_TYPE_JPG, maker.ExtendedSequentialJpeg(), SizeRule::Exact, 0, ""},
        // One byte short of a sector's multiple: its last sector ends FF D9 00.
        {"photo jpeg one byte short of a sector", RAW_FILE_TYPE_JPG,
         plain.empty() ? Bytes{} : PadJpegTo(plain, 4096, 4095), SizeRule::Exact, 0, ""},
        // Rules broken as readers let pass.
        {"photo jpeg whose photoshop segment is short", RAW_FILE_TYPE_JPG, maker.JpegWithShortPhotoshopSegment(),
         SizeRule::Exact, 0, "Cam 1"},
        {"photo tiff of rows per strip past its length", RAW_FILE_TYPE_TIF, maker.TiffOfRowStrips(0x7FFFFFFF),
         SizeRule::Exact, 0, ""},
        {"photo tiff of a strip past its pixels", RAW_FILE_TYPE_TIF, maker.TiffWithStripPastItsPixels(),
         SizeRule::Exact, 0, ""},
        {"photo gif running into a second gif", RAW_FILE_TYPE_GIF, maker.GifRunningIntoASecondGif(), SizeRule::Exact, 0,
         ""},
    };
    for (corpustest::CarvedSample& sample : made) {
        if (sample.bytes.empty()) {
            error = sample.name + ": " + maker.Error();
            return false;
        }
        samples.push_back(std::move(sample));
    }
    return true;
}

}  // namespace phototest
