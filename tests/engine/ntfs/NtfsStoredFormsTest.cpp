// The NTFS records the deep search keeps in results files: written through a real archive,
// compared with their layout written out by hand, read back, and refused when hostile.
#include <gtest/gtest.h>

#include "engine/IRSData.h"
#include "engine/ntfs/complete/NTFSFileRecordInfo.h"
#include "engine/ntfs/complete/NTFSMetaFileInfo.h"
#include "engine/ntfs/complete/NTFSSearchedPartitionInfo.h"
#include "support/ByteFields.h"
#include "support/TempDir.h"

namespace {

constexpr tagGUIDSIGN kFrame{{0x4E, 0x54, 0x46, 0x53}};

void Le(std::vector<std::uint8_t>& out, std::uint64_t value, int width) {
    engine::ByteWriter field = testsupport::Grow(out, static_cast<std::size_t>(width));
    testsupport::LeOfWidth(field, 0, value, width);
}

class NtfsStoredForms : public ::testing::Test {
protected:
    /// The frame's payload after `save` wrote it.
    std::vector<std::uint8_t> Written(std::function<void(IRSData&)> const& save) {
        auto writer = CreateRSData(RS_MODE_WRITE);
        EXPECT_TRUE(writer->StartRS(m_path.c_str(), 1));
        EXPECT_TRUE(writer->WriteFileHeader(FILEHEADER{}));
        EXPECT_TRUE(writer->OpenFrame(kFrame));
        save(*writer);
        EXPECT_TRUE(writer->CloseFrame());
        EXPECT_TRUE(writer->EndRS());
        auto reader = Reader();
        std::vector<std::uint8_t> payload(reader->GetFrameSize());
        reader->ReadCurFrame(payload.data(), static_cast<unsigned>(payload.size()));
        return payload;
    }
    std::unique_ptr<IRSData> Reader() {
        auto reader = CreateRSData(RS_MODE_READ);
        EXPECT_TRUE(reader->StartRS(m_path.c_str(), 0));
        EXPECT_TRUE(reader->OpenFrame(kFrame));
        return reader;
    }

    testsupport::TempDir m_temp;
    std::string m_path = m_temp.File("results.rs");
};

TEST_F(NtfsStoredForms, RunListRoundTripsInItsHandWrittenForm) {
    CNTFSDataRunList runs;
    runs.Add({0x123456789A, 0, 16});
    runs.Add({-1, 16, 4});
    std::vector<std::uint8_t> expected;
    Le(expected, 2, 8);
    for (std::uint64_t const value : {0x123456789Aull, 16ull, 0ull, ~0ull, 4ull, 16ull}) Le(expected, value, 8);
    EXPECT_EQ(Written([&](IRSData& archive) { runs.Save(archive); }), expected);
    CNTFSDataRunList restored;
    restored.Restore(*Reader());
    EXPECT_TRUE(restored.IsEqual(runs));
}

TEST_F(NtfsStoredForms, RunCountTheFrameCannotHoldIsRefused) {
    Written([](IRSData& archive) {
        std::vector<std::uint8_t> hostile;
        Le(hostile, 0x7FFFFFFFFFFFFFFFull, 8);
        Le(hostile, 1, 8);
        archive.WriteCurFrame(hostile.data(), static_cast<unsigned>(hostile.size()));
    });
    CNTFSDataRunList restored;
    EXPECT_THROW(restored.Restore(*Reader()), IRSException);
    EXPECT_TRUE(restored.IsEmpty());
}

TEST_F(NtfsStoredForms, PartitionCandidateDefaultsAnd96Bytes) {
    CSearchedNTFSPartitionInfo candidate;
    EXPECT_EQ(candidate.GetType(), 0u);
    EXPECT_EQ(candidate.GetSectorsperFileRecord(), 2u);
    EXPECT_EQ(candidate.GetPartitionBuildFromFlags(), 0u);
    std::vector<std::uint8_t> expected;
    Le(expected, 0, 8);
    for (std::uint32_t const value : {2u, 0u, 0u, 0u}) Le(expected, value, 4);
    for (int i = 0; i < 9; ++i) Le(expected, ~0ull, 8);
    EXPECT_EQ(Written([&](IRSData& archive) { candidate.Save(archive); }), expected);

    candidate.SetSerialNumber(0x1122334455667788);
    candidate.AddPartitionBuildFromFlag(0x5);
    candidate.m_s64UpCaseRecordSector = 777;
    auto const written = Written([&](IRSData& archive) { candidate.Save(archive); });
    ASSERT_EQ(written.size(), CSearchedNTFSPartitionInfo::kStoredSize);
    CSearchedNTFSPartitionInfo restored;
    restored.Restore(*Reader());
    EXPECT_EQ(restored.GetSerialNumber(), 0x1122334455667788u);
    EXPECT_EQ(restored.GetPartitionBuildFromFlags(), 0x5u);
    EXPECT_EQ(restored.m_s64UpCaseRecordSector, 777);
    EXPECT_EQ(restored.m_s64ClusterCount, -1);
}

TEST_F(NtfsStoredForms, RecordRunsMergeOnlyAtTheNextRecord) {
    CCommonFileRecordPositionInfo run(1000);
    EXPECT_FALSE(run.Merge(1003));
    EXPECT_TRUE(run.Merge(1002));
    EXPECT_FALSE(run.Merge(1008));
    EXPECT_TRUE(run.Merge(1004));
    EXPECT_EQ(run.GetFileRecordCount(), 3);
    auto const written = Written([&](IRSData& archive) { run.Save(archive); });
    std::vector<std::uint8_t> expected;
    Le(expected, 1000, 8);
    Le(expected, 3, 8);
    EXPECT_EQ(written, expected);
}

}  // namespace
