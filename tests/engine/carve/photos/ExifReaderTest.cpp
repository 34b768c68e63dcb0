// The EXIF reader on blocks built here, byte by byte, in both byte orders: the texts it
// copies, its cuts, and its refusal of blocks whose directories loop, nest or point outside.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/carve/analysers/ExifReader.h"
#include "support/ByteFields.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

/// Writes an EXIF block: "Exif\0\0", the TIFF header, then whatever the test appends.
class ExifBlock {
public:
    explicit ExifBlock(bool bMotorola, std::uint32_t u32FirstIfd = 8) : m_bMotorola(bMotorola) {
        m_bytes = {'E', 'x', 'i', 'f', 0, 0};
        m_bytes.push_back(bMotorola ? 'M' : 'I');
        m_bytes.push_back(bMotorola ? 'M' : 'I');
        Put16(42);
        Put32(u32FirstIfd);
    }
    /// The offset (from the TIFF header) at which the next byte goes.
    std::uint32_t Here() const { return static_cast<std::uint32_t>(m_bytes.size() - 6); }
    void Put16(std::uint32_t value) {
        engine::ByteWriter field = testsupport::Grow(m_bytes, 2);
        m_bMotorola ? field.Be16(0, static_cast<std::uint16_t>(value))
                    : field.Le16(0, static_cast<std::uint16_t>(value));
    }
    void Put32(std::uint32_t value) {
        engine::ByteWriter field = testsupport::Grow(m_bytes, 4);
        m_bMotorola ? field.Be32(0, value) : field.Le32(0, value);
    }
    void Entry(std::uint16_t u16Tag, std::uint16_t u16Format, std::uint32_t u32Count, std::uint32_t u32Value) {
        Put16(u16Tag);
        Put16(u16Format);
        Put32(u32Count);
        if (u16Format == 3 && u32Count == 1) {
            Put16(u32Value);
            Put16(0);
        } else {
            Put32(u32Value);
        }
    }
    void Text(std::string const& text) {
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        m_bytes.push_back(0);
    }
    /// Overwrites the 32-bit value at `u32At` (from the TIFF header).
    void Patch32(std::uint32_t u32At, std::uint32_t value) {
        engine::ByteWriter block(m_bytes);
        m_bMotorola ? block.Be32(6 + u32At, value) : block.Le32(6 + u32At, value);
    }
    /// The APP1 length that stands in front of this block.
    std::uint32_t Length() const { return static_cast<std::uint32_t>(m_bytes.size() + 2); }
    Bytes const& BytesOf() const { return m_bytes; }

private:
    bool m_bMotorola;
    Bytes m_bytes;
};

/// A camera's block: IFD0 with make, model and the EXIF sub-directory, which holds the dates.
ExifBlock CameraBlock(bool bMotorola, std::string const& make, std::string const& model) {
    ExifBlock block(bMotorola);
    std::uint32_t const u32Ifd0 = 8;
    std::uint32_t const u32Texts = u32Ifd0 + 2 + 3 * 12 + 4;
    std::uint32_t const u32Model = u32Texts + static_cast<std::uint32_t>(make.size()) + 1;
    std::uint32_t const u32Sub = u32Model + static_cast<std::uint32_t>(model.size()) + 1;
    std::uint32_t const u32Dates = u32Sub + 2 + 4 * 12 + 4;
    block.Put16(3);
    block.Entry(271, 2, static_cast<std::uint32_t>(make.size() + 1), u32Texts);
    block.Entry(272, 2, static_cast<std::uint32_t>(model.size() + 1), u32Model);
    block.Entry(34665, 4, 1, u32Sub);
    block.Put32(0);
    block.Text(make);
    block.Text(model);
    block.Put16(4);
    block.Entry(33434, 5, 1, u32Dates + 40);  // exposure time
    block.Entry(36864, 7, 4, 0x30333230);     // "0230" in the value field
    block.Entry(36867, 2, 20, u32Dates);
    block.Entry(36868, 2, 20, u32Dates + 20);
    block.Put32(0);
    block.Text("2022:03:04 05:06:07");
    block.Text("2022:03:04 05:06:08");
    block.Put32(1);  // 1/0: a zero denominator
    block.Put32(0);
    return block;
}

int Read(ExifBlock const& block, tag_ExifInfo& info, std::uint32_t u32Length = 0) {
    return EXIF_process_EXIF(engine::ByteView(block.BytesOf().data(), block.BytesOf().size()),
                             u32Length != 0 ? u32Length : block.Length(), info);
}

TEST(ExifReaderTest, IntelAndMotorolaBlocksGiveTheSameTexts) {
    for (bool bMotorola : {false, true}) {
        SCOPED_TRACE(bMotorola ? "Motorola" : "Intel");
        tag_ExifInfo info;
        ASSERT_EQ(Read(CameraBlock(bMotorola, "Canon", "Canon EOS 5D"), info), 1);
        EXPECT_EQ(info.strCameraMake, "Canon");
        EXPECT_EQ(info.strCameraModel, "Canon EOS 5D");
        EXPECT_EQ(info.strDateTime, "2022:03:04 05:06:07");
        EXPECT_EQ(info.strDateTimeDigitized, "2022:03:04 05:06:08");
        EXPECT_EQ(info.strExifVersion.size(), 4u);
        EXPECT_EQ(info.dExposureTime, 0.0);  // a rational over zero reads as 0
    }
}

TEST(ExifReaderTest, MakeIsCutAt31AndModelAt39Characters) {
    tag_ExifInfo info;
    ASSERT_EQ(Read(CameraBlock(false, std::string(40, 'M'), std::string(50, 'm')), info), 1);
    EXPECT_EQ(info.strCameraMake, std::string(31, 'M'));
    EXPECT_EQ(info.strCameraModel, std::string(39, 'm'));
}

TEST(ExifReaderTest, MalformedBlocksAreRefused) {
    struct Case {
        char const* pszName;
        ExifBlock block;
        std::uint32_t u32Length;  // 0: the block's own
    };
    ExifBlock firstIfdAt20(false, 20);
    firstIfdAt20.Put16(0);
    firstIfdAt20.Put32(0);

    ExifBlock selfLinked(true);
    selfLinked.Put16(1);
    selfLinked.Entry(271, 2, 4, 0x41434D00);
    selfLinked.Put32(8);  // the next directory is this one

    ExifBlock subPointsBack(false);
    subPointsBack.Put16(1);
    subPointsBack.Entry(34665, 4, 1, 8);  // the EXIF sub-directory is its parent
    subPointsBack.Put32(0);

    ExifBlock linkOutside(false);
    linkOutside.Put16(0);
    linkOutside.Put32(0x10000);

    ExifBlock countOutside(false);
    countOutside.Put16(500);  // 500 entries in a block of a few bytes

    ExifBlock valueOutside(false);
    valueOutside.Put16(1);
    valueOutside.Entry(272, 2, 100, 0xFFFFFFF0);
    valueOutside.Put32(0);

    ExifBlock badFormat(false);
    badFormat.Put16(1);
    badFormat.Entry(272, 14, 1, 0);  // 13 is IFD, the last type known
    badFormat.Put32(0);

    // A chain of directories, each linking to the next, 2000 long: more than the walk takes.
    ExifBlock longChain(false);
    for (int i = 0; i < 2000; ++i) {
        longChain.Put16(0);
        longChain.Put32(i + 1 < 2000 ? longChain.Here() + 4 : 0);
    }
    // Sub-directories nested 2000 deep.
    ExifBlock deepNest(false);
    for (int i = 0; i < 2000; ++i) {
        deepNest.Put16(1);
        deepNest.Entry(34665, 4, 1, deepNest.Here() + 16);
        deepNest.Put32(0);
    }

    Case const cases[] = {
        {"first IFD offset 20", firstIfdAt20, 0},
        {"self-linked directory", selfLinked, 0},
        {"sub-directory pointing at its parent", subPointsBack, 0},
        {"next-directory link outside the block", linkOutside, 0},
        {"entries outside the block", countOutside, 0},
        {"value outside the block", valueOutside, 0},
        {"unknown format", badFormat, 0},
        {"2000 chained directories", longChain, 0},
        {"2000 nested sub-directories", deepNest, 0},
        {"APP1 length 13", CameraBlock(false, "A", "B"), 13},
        {"APP1 length 1", CameraBlock(false, "A", "B"), 1},
    };
    for (Case const& c : cases) {
        tag_ExifInfo info;
        EXPECT_EQ(Read(c.block, info, c.u32Length), 0) << c.pszName;
    }
}

TEST(ExifReaderTest, BlockIsCutToItsLengthAndToTheBytesAvailable) {
    ExifBlock const block = CameraBlock(false, "Canon", "Canon EOS 5D");
    tag_ExifInfo info;
    // A length that ends the block before the date values: the sub-directory's values fall outside.
    EXPECT_EQ(Read(block, info, block.Length() - 30), 0);
    EXPECT_EQ(info.strCameraMake, "Canon");  // partly filled before the failure
    // A length larger than the bytes held: only the bytes held are read.
    tag_ExifInfo large;
    EXPECT_EQ(Read(block, large, 0xFFFF), 1);
    EXPECT_EQ(large.strCameraModel, "Canon EOS 5D");
}

TEST(ExifReaderTest, ConvertsEveryNumericFormat) {
    std::uint8_t const bytes[8] = {0xFF, 0xFE, 0, 0, 2, 0, 0, 0};
    engine::ByteView const view(bytes, sizeof bytes);
    EXPECT_EQ(EXIF_ConvertAnyFormat(view, 1, engine::ByteOrder::Little), 255.0);
    EXPECT_EQ(EXIF_ConvertAnyFormat(view, 6, engine::ByteOrder::Little), -1.0);
    EXPECT_EQ(EXIF_ConvertAnyFormat(view, 3, engine::ByteOrder::Little), 0xFEFF);
    EXPECT_EQ(EXIF_ConvertAnyFormat(view, 8, engine::ByteOrder::Big), static_cast<std::int16_t>(0xFFFE));
    EXPECT_EQ(EXIF_ConvertAnyFormat(view, 4, engine::ByteOrder::Little), 0xFEFF);
    EXPECT_EQ(EXIF_ConvertAnyFormat(view, 5, engine::ByteOrder::Little), 65279.0 / 2.0);
    EXPECT_EQ(EXIF_ConvertAnyFormat(view, 2, engine::ByteOrder::Little), 0.0);                        // text
    EXPECT_EQ(EXIF_ConvertAnyFormat(engine::ByteView(bytes, 4), 5, engine::ByteOrder::Little), 0.0);  // too short
}

}  // namespace
