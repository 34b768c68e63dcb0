#include "PictureSamples.h"

#include <fstream>
#include <iterator>

#include "engine/ByteWriter.h"
#include "engine/carve/RawFileType.h"
#include "support/TempDir.h"

namespace picturetest {

Bytes ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string MissingTools() {
    for (char const* pszTool : {"convert", "icotool"})
        if (!testsupport::HaveTool(pszTool))
            return std::string(pszTool) + " is not installed (scripts/setup.sh installs it)";
    return {};
}

bool MakeToolSamples(std::string const& folder, ToolSamples& samples, std::string& error) {
    struct Step {
        std::string command;
        std::string file;  // read into `pOut` afterwards; empty: an intermediate file
        Bytes* pOut;
    };
    std::string const base = folder + "/base.png";
    std::string const gradient = "-size 96x64 gradient:navy-orange -depth 8 ";
    Step const steps[] = {
        {"convert -seed 7 -size 200x150 plasma: -depth 8 " + folder + "/a.png", folder + "/a.png", &samples.png},
        {"convert -seed 3 -size 300x300 xc: +noise Random -depth 8 " + folder + "/noise.png", folder + "/noise.png",
         &samples.pngNoise},
        {"convert " + gradient + base, "", nullptr},
        {"convert " + base + " -comment carved " + folder + "/a.gif", folder + "/a.gif", &samples.gif89},
        {"convert " + base + " gif87:" + folder + "/b.gif", folder + "/b.gif", &samples.gif87},
        {"convert " + base + " BMP3:" + folder + "/a.bmp", folder + "/a.bmp", &samples.bmp3},
        {"convert " + base + " " + folder + "/b.bmp", folder + "/b.bmp", &samples.bmp},
        {"convert " + base + " -compress RLE " + folder + "/a.psd", folder + "/a.psd", &samples.psdRle},
        {"convert " + base + " -compress none " + folder + "/b.psd", folder + "/b.psd", &samples.psdRaw},
        {"convert " + base + " -define icon:auto-resize=32,16 " + folder + "/a.ico", folder + "/a.ico", &samples.ico},
        {"convert " + base + " -resize 32x32! " + folder + "/c32.png", "", nullptr},
        {"icotool -c --cursor -o " + folder + "/a.cur " + folder + "/c32.png", folder + "/a.cur", &samples.cur},
        {"convert " + base + " " + folder + "/a.webp", folder + "/a.webp", &samples.webp},
    };
    for (Step const& step : steps) {
        if (testsupport::RunCommand(step.command + " >/dev/null 2>&1") != 0) {
            error = step.command;
            return false;
        }
        if (step.pOut == nullptr) continue;
        *step.pOut = ReadFile(step.file);
        if (step.pOut->empty()) {
            error = "nothing in " + step.file;
            return false;
        }
    }
    return true;
}

Bytes MakePsp(std::vector<std::uint32_t> const& blockLengths, std::uint8_t u8Fill) {
    static constexpr char kSignature[] = "Paint Shop Pro Image File\n\x1A\0\0\0\0";
    Bytes bytes(kSignature, kSignature + sizeof(kSignature));
    bytes.resize(36);
    engine::ByteWriter(bytes).Le16(32, 6);  // version 6.0
    std::uint16_t u16Id = 0;
    for (std::uint32_t const u32Length : blockLengths) {
        std::size_t const at = bytes.size();
        bytes.resize(at + 10 + u32Length, u8Fill);
        engine::ByteWriter(bytes).Le32(at, 0x004B427E);  // "~BK" 0
        engine::ByteWriter(bytes).Le16(at + 4, u16Id++);
        engine::ByteWriter(bytes).Le32(at + 6, u32Length);
    }
    return bytes;
}

Bytes MakeEmf(std::uint32_t u32Bytes) {
    constexpr std::uint32_t kHeader = 108;
    constexpr std::uint32_t kEof = 20;
    Bytes bytes(u32Bytes, 0);
    engine::ByteWriter(bytes).Le32(0, 1);  // EMR_HEADER
    engine::ByteWriter(bytes).Le32(4, kHeader);
    engine::ByteWriter(bytes).Le32(16, 100);  // rclBounds right, bottom
    engine::ByteWriter(bytes).Le32(20, 100);
    engine::ByteWriter(bytes).Le32(40, 0x464D4520);  // " EMF"
    engine::ByteWriter(bytes).Le32(44, 0x10000);
    engine::ByteWriter(bytes).Le32(48, u32Bytes);
    engine::ByteWriter(bytes).Le32(52, 3);  // header, comment, end
    engine::ByteWriter(bytes).Le16(56, 1);
    engine::ByteWriter(bytes).Le32(72, 1920);
    engine::ByteWriter(bytes).Le32(76, 1080);
    engine::ByteWriter(bytes).Le32(80, 508);
    engine::ByteWriter(bytes).Le32(84, 286);
    std::uint32_t const u32Comment = u32Bytes - kHeader - kEof;
    engine::ByteWriter(bytes).Le32(kHeader, 70);  // EMR_GDICOMMENT
    engine::ByteWriter(bytes).Le32(kHeader + 4, u32Comment);
    engine::ByteWriter(bytes).Le32(kHeader + 8, u32Comment - 12);
    for (std::uint32_t i = kHeader + 12; i < kHeader + u32Comment; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    std::uint32_t const u32Eof = u32Bytes - kEof;
    engine::ByteWriter(bytes).Le32(u32Eof, 14);  // EMR_EOF
    engine::ByteWriter(bytes).Le32(u32Eof + 4, kEof);
    engine::ByteWriter(bytes).Le32(u32Eof + 12, 16);
    engine::ByteWriter(bytes).Le32(u32Eof + 16, kEof);
    return bytes;
}

Bytes MakeWmf(std::uint32_t u32Words, bool bPlaceable, bool bGoodChecksum) {
    constexpr std::size_t kPlaceable = 22;
    std::size_t const at = bPlaceable ? kPlaceable : 0;
    Bytes bytes(at + std::size_t{u32Words} * 2, 0);
    if (bPlaceable) {
        engine::ByteWriter(bytes).Le32(0, 0x9AC6CDD7);
        engine::ByteWriter(bytes).Le16(10, 1000);  // bounding box right, bottom
        engine::ByteWriter(bytes).Le16(12, 800);
        engine::ByteWriter(bytes).Le16(14, 1440);  // units per inch
        std::uint16_t u16Checksum = 0;
        for (std::size_t i = 0; i < 20; i += 2) u16Checksum ^= static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8);
        engine::ByteWriter(bytes).Le16(20,
                                       bGoodChecksum ? u16Checksum : static_cast<std::uint16_t>(u16Checksum ^ 0x0101));
    }
    engine::ByteWriter(bytes).Le16(at, 1);      // memory metafile
    engine::ByteWriter(bytes).Le16(at + 2, 9);  // header words
    engine::ByteWriter(bytes).Le16(at + 4, 0x300);
    engine::ByteWriter(bytes).Le32(at + 6, u32Words);
    std::uint32_t const u32Filler = u32Words - 9 - 3;
    engine::ByteWriter(bytes).Le32(at + 12, u32Filler);
    // One escape record fills the middle, then META_EOF.
    std::size_t const filler = at + 18;
    engine::ByteWriter(bytes).Le32(filler, u32Filler);
    engine::ByteWriter(bytes).Le16(filler + 4, 0x0626);
    for (std::size_t i = filler + 6; i < filler + std::size_t{u32Filler} * 2; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 13);
    engine::ByteWriter(bytes).Le32(bytes.size() - 6, 3);
    return bytes;
}

Bytes MakeBmp(std::uint32_t u32InfoSize) {
    constexpr std::uint32_t kPixels = 4 * 4 * 3;
    Bytes bytes(14 + u32InfoSize + kPixels, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    engine::ByteWriter(bytes).Le32(2, static_cast<std::uint32_t>(bytes.size()));
    engine::ByteWriter(bytes).Le32(10, 14 + u32InfoSize);
    engine::ByteWriter(bytes).Le32(14, u32InfoSize);
    engine::ByteWriter(bytes).Le32(18, 4);
    engine::ByteWriter(bytes).Le32(22, 4);
    engine::ByteWriter(bytes).Le16(26, 1);
    engine::ByteWriter(bytes).Le16(28, 24);
    for (std::size_t i = 14 + u32InfoSize; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0x40 + i);
    return bytes;
}

Bytes MakeIcon(std::uint16_t u16Entries, std::uint32_t u32ImageBytes) {
    std::size_t const directory = 6 + std::size_t{16} * u16Entries;
    Bytes bytes(directory + std::size_t{u32ImageBytes} * u16Entries, 0x5A);
    engine::ByteWriter(bytes).Le16(0, 0);
    engine::ByteWriter(bytes).Le16(2, 1);
    engine::ByteWriter(bytes).Le16(4, u16Entries);
    for (std::size_t i = 0; i < u16Entries; ++i) {
        std::size_t const entry = 6 + 16 * i;
        bytes[entry] = 16;
        bytes[entry + 1] = 16;
        bytes[entry + 2] = 0;
        bytes[entry + 3] = 0;
        engine::ByteWriter(bytes).Le16(entry + 4, 1);
        engine::ByteWriter(bytes).Le16(entry + 6, 32);
        engine::ByteWriter(bytes).Le32(entry + 8, u32ImageBytes);
        engine::ByteWriter(bytes).Le32(entry + 12, static_cast<std::uint32_t>(directory + i * u32ImageBytes));
    }
    return bytes;
}

Bytes MakeGifWithoutColourTable() {
    return {'G',  'I',  'F',  '8',  '9',  'a',  2, 0, 2, 0,    0x00, 0, 0,  // header, no global table
            0x2C, 0,    0,    0,    0,    2,    0, 2, 0, 0x00,              // image descriptor
            0x02, 0x03, 0x84, 0x8F, 0x59, 0x00,                             // code size, one sub-block
            0x3B};
}

Bytes MakeRunLengthPsd(std::uint32_t u32Rows) {
    constexpr std::uint16_t kChannels = 3;
    std::size_t const rows = std::size_t{u32Rows} * kChannels;
    Bytes bytes(40 + rows * 2 + rows * 2, 0);
    bytes[0] = '8';
    bytes[1] = 'B';
    bytes[2] = 'P';
    bytes[3] = 'S';
    engine::ByteWriter(bytes).Be16(4, 1);
    engine::ByteWriter(bytes).Be16(12, kChannels);
    engine::ByteWriter(bytes).Be32(14, u32Rows);
    engine::ByteWriter(bytes).Be32(18, 1);
    engine::ByteWriter(bytes).Be16(22, 8);
    engine::ByteWriter(bytes).Be16(24, 3);  // RGB; colour-mode data, resources and layers all empty
    engine::ByteWriter(bytes).Be16(38, 1);  // run-length
    for (std::size_t i = 0; i < rows; ++i) {
        engine::ByteWriter(bytes).Be16(40 + 2 * i, 2);
        bytes[40 + rows * 2 + 2 * i + 1] = static_cast<std::uint8_t>(i);  // a literal of one byte
    }
    return bytes;
}

bool PictureFamily(std::string const& folder, std::vector<corpustest::CarvedSample>& samples, std::string& error) {
    ToolSamples tools;
    if (!MakeToolSamples(folder, tools, error)) return false;
    struct Row {
        char const* pszName;
        std::uint32_t u32Type;
        Bytes bytes;
    };
    Row rows[] = {
        {"png", RAW_FILE_TYPE_PNG, tools.png},
        {"gif89a", RAW_FILE_TYPE_GIF, tools.gif89},
        {"gif87a", RAW_FILE_TYPE_GIF, tools.gif87},
        {"bmp3", RAW_FILE_TYPE_BMP, tools.bmp3},
        {"bmp v5", RAW_FILE_TYPE_BMP, tools.bmp},
        {"psd run-length", RAW_FILE_TYPE_PSD, tools.psdRle},
        {"psd raw", RAW_FILE_TYPE_PSD, tools.psdRaw},
        {"ico", RAW_FILE_TYPE_ICO, tools.ico},
        {"cur", RAW_FILE_TYPE_CUR, tools.cur},
        {"psp", RAW_FILE_TYPE_PSP, MakePsp({2000, 3000, 120})},
        {"emf", RAW_FILE_TYPE_EMF, MakeEmf(3000)},
        {"wmf", RAW_FILE_TYPE_WMF, MakeWmf(1500, false)},
        {"placeable wmf", RAW_FILE_TYPE_WMF, MakeWmf(1500, true)},
    };
    for (Row& row : rows) {
        corpustest::CarvedSample sample;
        sample.name = std::string("picture ") + row.pszName;
        sample.u32Type = row.u32Type;
        sample.bytes = std::move(row.bytes);
        samples.push_back(std::move(sample));
    }
    return true;
}

}  // namespace picturetest
