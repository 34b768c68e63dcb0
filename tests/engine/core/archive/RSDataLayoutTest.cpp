// Pins the stored bytes of the results-file container against images written out by hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "ArchiveTestFiles.h"
#include "engine/IRSData.h"
#include "support/TempDir.h"

namespace {

using archivetest::ReadAll;

constexpr std::uint8_t kSignatureBytes[16] = {0xEA, 0xF4, 0xB3, 0x1C, 0x05, 0x43, 0xB6, 0x4A,
                                              0xB4, 0xB8, 0x24, 0x4A, 0x33, 0xD9, 0x13, 0xBB};
constexpr char kDescription[] = "Scan of /dev/sdb";  // 16 bytes

std::vector<std::uint8_t> HandWrittenHeader() {
    std::vector<std::uint8_t> image(kSignatureBytes, kSignatureBytes + 16);
    std::uint8_t const fields[16] = {
        0xA8, 0x16, 0x00, 0x00,  // version 5800
        0xC1, 0xA5, 0x00, 0x00,  // CRC-16/UMTS 0xA5C1 of this image with these four bytes zero
        0x01, 0x00, 0x00, 0x00,  // status 1
        0x10, 0x00, 0x00, 0x00,  // description length 16
    };
    image.insert(image.end(), fields, fields + 16);
    image.insert(image.end(), kDescription, kDescription + 16);
    image.resize(132, 0);  // the rest of the 100-byte description field
    return image;
}

TEST(RSDataLayout, HeaderIsStoredFieldByFieldAsPinned) {
    testsupport::TempDir dir;
    std::string const path = dir.File("pinned.rsd");
    auto writer = CreateRSData(RS_MODE_WRITE);
    ASSERT_TRUE(writer->StartRS(path.c_str(), 1));
    FILEHEADER header;
    header.u32Version = 1;          // replaced by the writer
    header.u32CheckValue = 0x1234;  // recomputed by the writer
    header.u32Status = 1;
    header.u32DescriptionLength = 16;
    std::memcpy(header.au8Description.data(), kDescription, 16);
    ASSERT_TRUE(writer->WriteFileHeader(header));
    ASSERT_TRUE(writer->EndRS());
    EXPECT_EQ(ReadAll(path), HandWrittenHeader());

    auto reader = CreateRSData(RS_MODE_READ);
    ASSERT_TRUE(reader->StartRS(path.c_str(), 0));
    FILEHEADER back;
    ASSERT_TRUE(reader->ReadFileHeader(back));
    EXPECT_EQ(back.signature, kRSDataSignature);
    EXPECT_EQ(back.u32Version, 5800u);
    EXPECT_EQ(back.u32CheckValue, 0xA5C1u);
    EXPECT_EQ(back.u32Status, 1u);
    EXPECT_EQ(back.u32DescriptionLength, 16u);
    EXPECT_EQ(back.au8Description, header.au8Description);
}

TEST(RSDataLayout, FrameHeaderHoldsSignatureGuidAndFinalSize) {
    testsupport::TempDir dir;
    std::string const path = dir.File("frame.rsd");
    auto writer = CreateRSData(RS_MODE_WRITE);
    ASSERT_TRUE(writer->StartRS(path.c_str(), 1));
    ASSERT_TRUE(writer->WriteFileHeader(FILEHEADER{}));
    tagGUIDSIGN const guid = archivetest::Guid(0x40);
    ASSERT_TRUE(writer->OpenFrame(guid));
    ASSERT_TRUE(writer->WriteCurFrame("ab", 2));
    ASSERT_TRUE(writer->WriteCurFrame("cde", 3));
    ASSERT_TRUE(writer->CloseFrame());
    ASSERT_TRUE(writer->EndRS());

    std::vector<std::uint8_t> expected(kSignatureBytes, kSignatureBytes + 16);
    for (std::uint8_t i = 0; i < 16; ++i) expected.push_back(static_cast<std::uint8_t>(0x40 + i));
    std::uint8_t const sizeAndPayload[] = {0x05, 0x00, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e'};
    expected.insert(expected.end(), std::begin(sizeAndPayload), std::end(sizeAndPayload));
    std::vector<std::uint8_t> const file = ReadAll(path);
    ASSERT_EQ(file.size(), 132u + 36u + 5u);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 132, file.end()), expected);
}

}  // namespace
