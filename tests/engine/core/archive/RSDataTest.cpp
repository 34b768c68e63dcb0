// Behaviour of the results-file container: headers, frames, modes and pending errors, on real
// files in a temporary folder.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ArchiveTestFiles.h"
#include "engine/IRSData.h"
#include "support/TempDir.h"

namespace {

using archivetest::Guid;
using archivetest::ReadAll;
using archivetest::ThrownCode;
using archivetest::WriteAll;

struct Frame {
    tagGUIDSIGN guid;
    std::vector<std::uint8_t> payload;
};

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t u8Seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(u8Seed + i * 7 + (i >> 9));
    return bytes;
}

// Writes a header with `u32Status` and the frames, each payload in chunks of `chunk` bytes.
void WriteArchive(std::string const& path, std::vector<Frame> const& frames, std::size_t chunk = 1000,
                  std::uint32_t u32Status = 1) {
    auto writer = CreateRSData(RS_MODE_WRITE);
    ASSERT_TRUE(writer->StartRS(path.c_str(), 1));
    FILEHEADER header;
    header.u32Status = u32Status;
    ASSERT_TRUE(writer->WriteFileHeader(header));
    for (Frame const& frame : frames) {
        ASSERT_TRUE(writer->OpenFrame(frame.guid));
        for (std::size_t done = 0; done < frame.payload.size(); done += chunk) {
            auto const u32Count = static_cast<unsigned>(std::min(chunk, frame.payload.size() - done));
            ASSERT_TRUE(writer->WriteCurFrame(frame.payload.data() + done, u32Count));
        }
        ASSERT_TRUE(writer->CloseFrame());
    }
    ASSERT_TRUE(writer->EndRS());
}

std::unique_ptr<IRSData> OpenForReading(std::string const& path) {
    auto reader = CreateRSData(RS_MODE_READ);
    EXPECT_TRUE(reader->StartRS(path.c_str(), 0));
    return reader;
}

std::vector<std::uint8_t> ReadFrame(IRSData& reader, tagGUIDSIGN const& guid) {
    EXPECT_TRUE(reader.OpenFrame(guid));
    std::vector<std::uint8_t> payload(reader.GetFrameSize());
    // Odd chunk sizes so reads straddle the writer's buffer boundaries.
    for (std::size_t done = 0; done < payload.size(); done += 4099) {
        auto const u32Count = static_cast<unsigned>(std::min<std::size_t>(4099, payload.size() - done));
        EXPECT_TRUE(reader.ReadCurFrame(payload.data() + done, u32Count));
    }
    EXPECT_TRUE(reader.CloseFrame());
    return payload;
}

TEST(RSData, FramesRoundTripInAnyOrder) {
    testsupport::TempDir dir;
    std::string const path = dir.File("frames.rsd");
    std::vector<Frame> const frames = {
        {Guid(0x10), Pattern(12, 1)},
        {Guid(0x20), {}},
        {Guid(0x30), Pattern(700 * 1024, 2)},  // more than the write buffer holds
        {Guid(0x40), Pattern(3 * 1024 * 1024 + 5, 3)},
    };
    WriteArchive(path, frames, 1000);
    // One write larger than the buffer goes straight through; check it lands in order too.
    std::string const bigPath = dir.File("big-writes.rsd");
    WriteArchive(bigPath, frames, 600 * 1024);

    for (std::string const& file : {path, bigPath}) {
        auto reader = OpenForReading(file);
        EXPECT_TRUE(reader->CheckFile());
        for (std::size_t i : {3u, 0u, 2u, 1u}) EXPECT_EQ(ReadFrame(*reader, frames[i].guid), frames[i].payload) << i;
    }
}

TEST(RSData, StatusBoundsDecideCheckFileAndGetStatus) {
    struct Case {
        std::uint32_t u32Status;
        bool bCheckFile;
        int iStatus;              // what GetStatus answers when it does not throw
        std::uint32_t u32Thrown;  // what GetStatus throws
    };
    Case const cases[] = {
        {0, false, 0, 0},
        {1, true, 1, 0},
        {4, true, 4, 0},
        {5, false, 0, kRSErrorBadHeader},
        {0xFFFFFFFF, false, 0, kRSErrorBadHeader},
    };
    testsupport::TempDir dir;
    for (Case const& c : cases) {
        std::string const path = dir.File("status" + std::to_string(c.u32Status) + ".rsd");
        WriteArchive(path, {}, 1, c.u32Status);
        auto reader = OpenForReading(path);
        EXPECT_EQ(reader->CheckFile(), c.bCheckFile) << c.u32Status;
        FILEHEADER header;
        EXPECT_TRUE(reader->ReadFileHeader(header)) << c.u32Status;
        int iStatus = -1;
        EXPECT_EQ(ThrownCode([&] { iStatus = reader->GetStatus(); }), c.u32Thrown) << c.u32Status;
        if (c.u32Thrown == 0) {
            EXPECT_EQ(iStatus, c.iStatus) << c.u32Status;
        }
    }
}

TEST(RSData, WrongCheckValuePassesCheckFileButNotReadFileHeader) {
    testsupport::TempDir dir;
    std::string const path = dir.File("crc.rsd");
    WriteArchive(path, {});
    std::vector<std::uint8_t> bytes = ReadAll(path);
    bytes[20] ^= 0x01;
    WriteAll(path, bytes);

    auto reader = OpenForReading(path);
    EXPECT_TRUE(reader->CheckFile());
    FILEHEADER header;
    EXPECT_FALSE(reader->ReadFileHeader(header));
    EXPECT_EQ(reader->GetStatus(), 0);  // no header, nothing pending: 0, no throw
}

TEST(RSData, LongDescriptionIsCutTo100BytesAndSmallBuffersGetATerminatedPrefix) {
    testsupport::TempDir dir;
    std::string const path = dir.File("description.rsd");
    std::string description(150, ' ');
    for (std::size_t i = 0; i < description.size(); ++i) description[i] = static_cast<char>('A' + i % 26);
    {
        auto writer = CreateRSData(RS_MODE_WRITE);
        ASSERT_TRUE(writer->StartRS(path.c_str(), 1));
        EXPECT_FALSE(writer->SetFileDescription("no header yet"));
        EXPECT_TRUE(ReadAll(path).empty());
        ASSERT_TRUE(writer->SetStatus(FILE_STATUS_FIRST_VALID));  // a fresh header
        ASSERT_TRUE(writer->SetFileDescription(description.c_str()));
    }
    EXPECT_EQ(ReadAll(path).at(28), 100);

    auto reader = OpenForReading(path);
    char big[200];
    ASSERT_TRUE(reader->GetFileDescription(big, sizeof big));
    EXPECT_EQ(std::string(big), description.substr(0, 100));
    char small[10];
    std::memset(small, 'x', sizeof small);
    ASSERT_TRUE(reader->GetFileDescription(small, sizeof small));
    EXPECT_EQ(std::string(small, 10), description.substr(0, 9) + '\0');
    EXPECT_FALSE(reader->GetFileDescription(small, 0));
    EXPECT_FALSE(reader->GetFileDescription(nullptr, 10));
}

TEST(RSData, SetStatusKeepsTheDescription) {
    testsupport::TempDir dir;
    std::string const path = dir.File("keep.rsd");
    {
        auto writer = CreateRSData(RS_MODE_WRITE);
        ASSERT_TRUE(writer->StartRS(path.c_str(), 1));
        ASSERT_TRUE(writer->SetStatus(FILE_STATUS_FIRST_VALID));
        ASSERT_TRUE(writer->SetFileDescription("disk 2"));
        ASSERT_TRUE(writer->SetStatus(FILE_STATUS_LAST_VALID));
    }
    auto reader = OpenForReading(path);
    EXPECT_EQ(reader->GetStatus(), 4);
    char text[16];
    ASSERT_TRUE(reader->GetFileDescription(text, sizeof text));
    EXPECT_STREQ(text, "disk 2");
}

TEST(RSData, MissingFrameThrowsNotFoundAndTheArchiveStaysUsable) {
    testsupport::TempDir dir;
    std::string const path = dir.File("missing.rsd");
    WriteArchive(path, {{Guid(1), Pattern(10, 1)}});
    auto reader = OpenForReading(path);
    EXPECT_EQ(ThrownCode([&] { reader->OpenFrame(Guid(2)); }), kRSErrorFrameNotFound);
    EXPECT_EQ(ThrownCode([&] { reader->GetFrameSize(); }), kRSErrorNoFrame);
    EXPECT_EQ(ReadFrame(*reader, Guid(1)), Pattern(10, 1));
}

TEST(RSData, DuplicateGuidFindsTheFirstFrame) {
    testsupport::TempDir dir;
    std::string const path = dir.File("duplicate.rsd");
    WriteArchive(path, {{Guid(7), Pattern(5, 1)}, {Guid(7), Pattern(9, 2)}});
    auto reader = OpenForReading(path);
    EXPECT_EQ(ReadFrame(*reader, Guid(7)), Pattern(5, 1));
}

TEST(RSData, ReadPastFrameEndThrowsShortReadAndNeverReachesTheNextFrame) {
    testsupport::TempDir dir;
    std::string const path = dir.File("past.rsd");
    WriteArchive(path, {{Guid(1), Pattern(10, 1)}, {Guid(2), Pattern(64, 0x80)}});
    auto reader = OpenForReading(path);
    ASSERT_TRUE(reader->OpenFrame(Guid(1)));
    std::uint8_t buffer[8];
    ASSERT_TRUE(reader->ReadCurFrame(buffer, 8));
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(ThrownCode([&] { reader->ReadCurFrame(buffer, 5); }), kRSErrorShortRead);
    std::uint8_t const expected[5] = {Pattern(10, 1)[8], Pattern(10, 1)[9], 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(buffer, expected, 5));
    // The read count stands at the size: further reads give nothing, not the next frame's bytes.
    for (int i = 0; i < 3; ++i) {
        buffer[0] = 0xEE;
        EXPECT_EQ(ThrownCode([&] { reader->ReadCurFrame(buffer, 1); }), kRSErrorShortRead);
        EXPECT_EQ(buffer[0], 0);
    }
    EXPECT_EQ(reader->GetFrameSize(), 10u);
}

TEST(RSData, OperationsOfTheOtherModeThrowWrongMode) {
    testsupport::TempDir dir;
    std::string const path = dir.File("modes.rsd");
    WriteArchive(path, {{Guid(1), Pattern(4, 1)}});
    std::uint8_t buffer[4] = {};
    char text[8];

    auto reader = OpenForReading(path);
    ASSERT_TRUE(reader->OpenFrame(Guid(1)));
    EXPECT_FALSE(reader->WriteFileHeader(FILEHEADER{}));
    EXPECT_EQ(ThrownCode([&] { reader->WriteCurFrame(buffer, 4); }), kRSErrorWrongMode);
    EXPECT_EQ(ThrownCode([&] { reader->SetStatus(FILE_STATUS_FIRST_VALID); }), kRSErrorWrongMode);
    EXPECT_EQ(ThrownCode([&] { reader->SetFileDescription("x"); }), kRSErrorWrongMode);
    EXPECT_EQ(ReadAll(path).size(), 132u + 36u + 4u);

    auto writer = CreateRSData(RS_MODE_WRITE);
    ASSERT_TRUE(writer->StartRS(path.c_str(), 0));
    ASSERT_TRUE(writer->OpenFrame(Guid(2)));
    EXPECT_EQ(ThrownCode([&] { writer->GetStatus(); }), kRSErrorWrongMode);
    EXPECT_EQ(ThrownCode([&] { writer->GetFileDescription(text, sizeof text); }), kRSErrorWrongMode);
    EXPECT_EQ(ThrownCode([&] { writer->ReadCurFrame(buffer, 4); }), kRSErrorWrongMode);
}

TEST(RSData, FrameOperationsWithoutAFrameThrowNoFrame) {
    testsupport::TempDir dir;
    std::string const path = dir.File("noframe.rsd");
    std::uint8_t buffer[4] = {};
    auto writer = CreateRSData(RS_MODE_WRITE);
    ASSERT_TRUE(writer->StartRS(path.c_str(), 1));
    EXPECT_EQ(ThrownCode([&] { writer->WriteCurFrame(buffer, 4); }), kRSErrorNoFrame);
    EXPECT_EQ(ThrownCode([&] { writer->GetFrameSize(); }), kRSErrorNoFrame);
    EXPECT_TRUE(writer->CloseFrame());
    ASSERT_TRUE(writer->EndRS());

    auto reader = OpenForReading(path);
    EXPECT_EQ(ThrownCode([&] { reader->ReadCurFrame(buffer, 4); }), kRSErrorNoFrame);
}

TEST(RSData, KeepModeAppendsFramesAndEndRSFinishesAnOpenFrame) {
    testsupport::TempDir dir;
    std::string const path = dir.File("append.rsd");
    WriteArchive(path, {{Guid(1), Pattern(30, 1)}});
    {
        auto writer = CreateRSData(RS_MODE_WRITE);
        ASSERT_TRUE(writer->StartRS(path.c_str(), 0));
        ASSERT_TRUE(writer->OpenFrame(Guid(2)));
        ASSERT_TRUE(writer->WriteCurFrame(Pattern(50, 2).data(), 50));
        ASSERT_TRUE(writer->EndRS());  // no CloseFrame: the buffered bytes and size still land
    }
    auto reader = OpenForReading(path);
    EXPECT_EQ(ReadFrame(*reader, Guid(1)), Pattern(30, 1));
    EXPECT_EQ(ReadFrame(*reader, Guid(2)), Pattern(50, 2));
}

TEST(RSData, StartRSRefusesMissingFilesAndEmptyPaths) {
    testsupport::TempDir dir;
    auto reader = CreateRSData(RS_MODE_READ);
    EXPECT_FALSE(reader->StartRS(dir.File("absent.rsd").c_str(), 0));
    EXPECT_FALSE(reader->CheckFile());
    auto writer = CreateRSData(RS_MODE_WRITE);
    EXPECT_FALSE(writer->StartRS("", 1));
    EXPECT_FALSE(writer->StartRS(nullptr, 1));
}

// A failed flush leaves its code pending; until something throws it, WriteCurFrame refuses.
TEST(RSData, PendingErrorMakesWriteCurFrameWriteNothing) {
    testsupport::TempDir dir;
    std::string const path = dir.File("pending.rsd");
    int const iAnswer = archivetest::RunInChild([&] {
        auto writer = CreateRSData(RS_MODE_WRITE);
        if (!writer->StartRS(path.c_str(), 1) || !writer->SetStatus(FILE_STATUS_FIRST_VALID)) return 1;
        if (!writer->OpenFrame(Guid(1)) || !writer->WriteCurFrame("abcd", 4)) return 2;
        // Let the file grow no further, with an error instead of the signal.
        signal(SIGXFSZ, SIG_IGN);
        rlimit const limit{132 + 36, 132 + 36};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
        if (writer->FlushBuffer()) return 4;
        if (writer->WriteCurFrame("efgh", 4)) return 5;
        if (ThrownCode([&] { writer->GetFrameSize(); }) != kRSErrorWriteFailed) return 6;
        if (writer->GetFrameSize() != 4) return 7;  // the refused bytes were not counted
        return 0;
    });
    EXPECT_EQ(iAnswer, 0);
}

TEST(RSData, WorksOnDescriptorZeroWhenStandardInputIsClosed) {
    testsupport::TempDir dir;
    std::string const path = dir.File("fd0.rsd");
    int const iAnswer = archivetest::RunInChild([&] {
        close(0);
        auto writer = CreateRSData(RS_MODE_WRITE);
        if (!writer->StartRS(path.c_str(), 1)) return 1;
        if (fcntl(0, F_GETFD) == -1) return 2;  // the archive must really hold descriptor 0
        if (!writer->SetStatus(FILE_STATUS_FIRST_VALID) || !writer->OpenFrame(Guid(3))) return 3;
        if (!writer->WriteCurFrame("payload", 7) || !writer->CloseFrame() || !writer->EndRS()) return 4;
        if (fcntl(0, F_GETFD) != -1) return 5;  // EndRS closed it

        auto reader = CreateRSData(RS_MODE_READ);
        if (!reader->StartRS(path.c_str(), 0) || reader->GetStatus() != 1) return 6;
        char payload[8] = {};
        if (!reader->OpenFrame(Guid(3)) || reader->GetFrameSize() != 7 || !reader->ReadCurFrame(payload, 7)) return 7;
        return std::string(payload) == "payload" ? 0 : 8;
    });
    EXPECT_EQ(iAnswer, 0);
}

}  // namespace
