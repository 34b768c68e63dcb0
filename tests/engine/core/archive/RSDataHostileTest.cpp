// Damaged and hostile results files: every operation answers false or throws its code; none
// crashes, hangs, or reads outside the frame it opened. Files near and past 4 GiB are sparse.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ArchiveTestFiles.h"
#include "engine/IRSData.h"
#include "support/TempDir.h"

namespace {

using archivetest::AppendFrame;
using archivetest::Guid;
using archivetest::HeaderImage;
using archivetest::ThrownCode;
using archivetest::WriteAll;

constexpr std::uint64_t k4GiB = std::uint64_t{1} << 32;

// What a reader sees of one file.
struct Outcome {
    bool bCheckFile = false;
    bool bHeader = false;
    std::uint32_t u32StatusCode = 0;       // thrown by GetStatus
    std::uint32_t u32DescriptionCode = 0;  // thrown by GetFileDescription
    std::uint32_t u32FrameCode = 0;        // thrown while opening and reading the frame of Guid(1)
    std::optional<std::uint32_t> frameSize;
    bool operator==(Outcome const&) const = default;
};

std::ostream& operator<<(std::ostream& out, Outcome const& o) {
    return out << "{check " << o.bCheckFile << ", header " << o.bHeader << ", status code " << o.u32StatusCode
               << ", description code " << o.u32DescriptionCode << ", frame code " << o.u32FrameCode << ", frame size "
               << (o.frameSize ? std::to_string(*o.frameSize) : "none") << "}";
}

Outcome Probe(std::string const& path) {
    Outcome outcome;
    auto reader = CreateRSData(RS_MODE_READ);
    if (!reader->StartRS(path.c_str(), 0)) return outcome;
    outcome.bCheckFile = reader->CheckFile();
    FILEHEADER header;
    outcome.bHeader = reader->ReadFileHeader(header);
    outcome.u32StatusCode = ThrownCode([&] { reader->GetStatus(); });
    char text[128];
    outcome.u32DescriptionCode = ThrownCode([&] { reader->GetFileDescription(text, sizeof text); });
    outcome.u32FrameCode = ThrownCode([&] {
        reader->OpenFrame(Guid(1));
        outcome.frameSize = reader->GetFrameSize();
        std::array<std::uint8_t, 4096> chunk{};
        for (std::uint32_t u32Left = *outcome.frameSize; u32Left > 0;) {
            std::uint32_t const u32Count = std::min<std::uint32_t>(u32Left, chunk.size());
            reader->ReadCurFrame(chunk.data(), u32Count);
            u32Left -= u32Count;
        }
    });
    return outcome;
}

std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a, std::vector<std::uint8_t> const& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::uint8_t> WithFrames(std::vector<std::uint8_t> file,
                                     std::vector<std::pair<tagGUIDSIGN, std::uint32_t>> const& frames,
                                     tagGUIDSIGN const& signature = kRSDataSignature) {
    for (auto const& [guid, u32Size] : frames)
        AppendFrame(file, guid, u32Size, std::vector<std::uint8_t>(std::min<std::uint32_t>(u32Size, 64), 0x5A),
                    signature);
    return file;
}

TEST(RSDataHostile, DamagedFilesGiveTheirCodes) {
    std::vector<std::uint8_t> const valid = HeaderImage(1);
    std::vector<std::uint8_t> wrongSignature = valid;
    wrongSignature[0] ^= 0xFF;
    std::vector<std::uint8_t> truncatedFrame = valid;
    AppendFrame(truncatedFrame, Guid(1), 4);
    truncatedFrame.resize(132 + 20);

    struct Case {
        char const* pszName;
        std::vector<std::uint8_t> bytes;
        Outcome expected;
    };
    Case const cases[] = {
        {"empty", {}, {false, false, 0, 0, kRSErrorFrameNotFound, {}}},
        {"truncated header",
         std::vector<std::uint8_t>(valid.begin(), valid.begin() + 100),
         {false, false, 0, 0, kRSErrorFrameNotFound, {}}},
        {"wrong signature", wrongSignature, {false, false, 0, 0, kRSErrorFrameNotFound, {}}},
        {"description length 0xFFFFFFFF",
         HeaderImage(1, 0xFFFFFFFF),
         {true, true, 0, kRSErrorBadHeader, kRSErrorFrameNotFound, {}}},
        {"description length 101", HeaderImage(1, 101), {true, true, 0, kRSErrorBadHeader, kRSErrorFrameNotFound, {}}},
        {"status 5", HeaderImage(5), {false, true, kRSErrorBadHeader, 0, kRSErrorFrameNotFound, {}}},
        {"truncated frame header", truncatedFrame, {true, true, 0, 0, kRSErrorFrameNotFound, {}}},
        {"frame payload cut short", WithFrames(valid, {{Guid(1), 1000}}), {true, true, 0, 0, kRSErrorShortRead, 1000}},
        {"earlier frame sized past the end",
         WithFrames(valid, {{Guid(2), 0xFFFFFF00}, {Guid(1), 4}}),
         {true, true, 0, 0, kRSErrorFrameNotFound, {}}},
        {"largest size loops back under 32 bits",
         WithFrames(valid, {{Guid(2), 0xFFFFFFDC}, {Guid(1), 4}}),
         {true, true, 0, 0, kRSErrorFrameNotFound, {}}},
        {"frame with a wrong signature is skipped",
         WithFrames(valid, {{Guid(1), 8}}, Guid(0x77)) + WithFrames({}, {{Guid(1), 4}}),
         {true, true, 0, 0, 0, 4}},
    };
    testsupport::TempDir dir;
    for (Case const& c : cases) {
        std::string const path = dir.File("hostile.rsd");
        WriteAll(path, c.bytes);
        EXPECT_EQ(Probe(path), c.expected) << c.pszName;
    }
}

TEST(RSDataHostile, RandomAndMutatedFilesNeverCrash) {
    testsupport::TempDir dir;
    std::string const path = dir.File("random.rsd");
    std::mt19937 random(20240611);
    std::vector<std::uint8_t> archive = HeaderImage(2);
    for (std::uint8_t u8 = 0; u8 < 4; ++u8) AppendFrame(archive, Guid(u8), 40, std::vector<std::uint8_t>(40, u8));
    for (int iRound = 0; iRound < 300; ++iRound) {
        std::vector<std::uint8_t> bytes;
        if (iRound % 2 == 0) {
            bytes.resize(random() % 1024);
            for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
        } else {
            bytes = archive;
            for (int iFlip = 0; iFlip < 4; ++iFlip)
                bytes[random() % bytes.size()] ^= static_cast<std::uint8_t>(random());
        }
        WriteAll(path, bytes);
        Outcome const outcome = Probe(path);
        EXPECT_TRUE(outcome.u32FrameCode == 0 || outcome.u32FrameCode == kRSErrorFrameNotFound ||
                    outcome.u32FrameCode == kRSErrorShortRead)
            << iRound << " " << outcome;
    }
}

// Sparse files let the 4 GiB limit be reached without writing 4 GiB.
class RSDataAt4GiB : public ::testing::Test {
protected:
    void SetUp() override { m_path = m_dir.File("large.rsd"); }

    // Writes `bytes` at `u64Offset` and makes the file `u64Size` long; false when the file
    // system cannot hold such a file.
    bool Shape(std::uint64_t u64Size, std::uint64_t u64Offset, std::vector<std::uint8_t> const& bytes) {
        int const iFd = open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (iFd < 0) return false;
        bool bOk = ftruncate(iFd, static_cast<off_t>(u64Size)) == 0;
        if (bOk && !bytes.empty())
            bOk = pwrite(iFd, bytes.data(), bytes.size(), static_cast<off_t>(u64Offset)) ==
                  static_cast<ssize_t>(bytes.size());
        close(iFd);
        return bOk;
    }
    std::vector<std::uint8_t> ReadAt(std::uint64_t u64Offset, std::size_t size) const {
        std::vector<std::uint8_t> bytes(size);
        int const iFd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        ssize_t const sRead = pread(iFd, bytes.data(), size, static_cast<off_t>(u64Offset));
        close(iFd);
        bytes.resize(sRead < 0 ? 0 : static_cast<std::size_t>(sRead));
        return bytes;
    }
    std::uint64_t FileSize() const {
        struct stat info {};
        return stat(m_path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    }

    testsupport::TempDir m_dir;
    std::string m_path;
};

TEST_F(RSDataAt4GiB, FrameHeaderThatWouldCross4GiBIsRefused) {
    if (!Shape(k4GiB - 10, 0, HeaderImage(1))) GTEST_SKIP() << "no sparse 4 GiB files in " << m_dir.Path();
    auto writer = CreateRSData(RS_MODE_WRITE);
    ASSERT_TRUE(writer->StartRS(m_path.c_str(), 0));
    EXPECT_EQ(ThrownCode([&] { writer->OpenFrame(Guid(1)); }), kRSErrorWriteFailed);
    EXPECT_EQ(ThrownCode([&] { writer->GetFrameSize(); }), kRSErrorNoFrame);
    EXPECT_TRUE(writer->EndRS());
    EXPECT_EQ(FileSize(), k4GiB - 10);
}

TEST_F(RSDataAt4GiB, PayloadMayEndAt4GiBButNotPass) {
    std::uint64_t const u64FrameAt = k4GiB - 100;
    if (!Shape(u64FrameAt, 0, HeaderImage(1))) GTEST_SKIP() << "no sparse 4 GiB files in " << m_dir.Path();
    auto writer = CreateRSData(RS_MODE_WRITE);
    ASSERT_TRUE(writer->StartRS(m_path.c_str(), 0));
    ASSERT_TRUE(writer->OpenFrame(Guid(1)));
    std::vector<std::uint8_t> const payload(64, 0xAB);
    ASSERT_TRUE(writer->WriteCurFrame(payload.data(), 63));
    EXPECT_EQ(ThrownCode([&] { writer->WriteCurFrame(payload.data(), 2); }), kRSErrorWriteFailed);
    ASSERT_TRUE(writer->WriteCurFrame(payload.data(), 1));  // the last byte below 4 GiB
    EXPECT_EQ(ThrownCode([&] { writer->WriteCurFrame(payload.data(), 1); }), kRSErrorWriteFailed);
    ASSERT_TRUE(writer->CloseFrame());
    ASSERT_TRUE(writer->EndRS());

    EXPECT_EQ(FileSize(), k4GiB);
    std::vector<std::uint8_t> const frameHeader = ReadAt(u64FrameAt, 36);
    ASSERT_EQ(frameHeader.size(), 36u);
    EXPECT_EQ(std::vector<std::uint8_t>(frameHeader.begin() + 32, frameHeader.end()),
              (std::vector<std::uint8_t>{64, 0, 0, 0}));
    EXPECT_EQ(ReadAt(u64FrameAt + 36, 64), payload);
}

// Under 32-bit positions a size of 2^32 - 36 leads back to the same frame forever; past
// 4 GiB the sizes no longer describe the file, so a frame found there would be a guess.
TEST_F(RSDataAt4GiB, SearchStopsAt4GiBInsteadOfWrapping) {
    std::vector<std::uint8_t> const start = WithFrames(HeaderImage(1), {{Guid(2), 0xFFFFFFDC}});
    std::vector<std::uint8_t> const beyond = WithFrames({}, {{Guid(1), 4}});
    if (!Shape(k4GiB + 132 + 36 + 4, 0, start) || !Shape(k4GiB + 132 + 36 + 4, k4GiB + 132, beyond))
        GTEST_SKIP() << "no sparse files past 4 GiB in " << m_dir.Path();
    auto reader = CreateRSData(RS_MODE_READ);
    ASSERT_TRUE(reader->StartRS(m_path.c_str(), 0));
    EXPECT_EQ(ThrownCode([&] { reader->OpenFrame(Guid(1)); }), kRSErrorFrameNotFound);
    std::uint8_t byte = 0;
    EXPECT_EQ(ThrownCode([&] { reader->ReadCurFrame(&byte, 1); }), kRSErrorNoFrame);
}

}  // namespace
