#include "engine/exfat/ondisk/ExFatBootSector.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/ExFatBytes.h"

namespace {

CExFatDBR Parse(std::vector<std::uint8_t> const& bytes) {
    return CExFatDBR(engine::ByteView(bytes.data(), bytes.size()));
}

TEST(ExFatBootSectorTest, AWellFormedSectorIsValidWithItsGeometry) {
    CExFatDBR const boot = Parse(exfattest::BootSector(64, 3));
    EXPECT_TRUE(boot.IsValid(512));
    EXPECT_EQ(boot.GetBytePerSector(), 512u);
    EXPECT_EQ(boot.GetSectorsperCluster(), 8u);
    EXPECT_EQ(boot.GetDataRegionStartSector(), 256u);
    EXPECT_EQ(boot.GetTotalCluster(), 64u);
    EXPECT_EQ(boot.GetFileSystemType(), 7u);
}

struct Damage {
    char const* label;
    std::function<void(std::vector<std::uint8_t>&)> apply;
};

class ExFatBootSectorRefusalTest : public testing::TestWithParam<Damage> {};

TEST_P(ExFatBootSectorRefusalTest, IsRefused) {
    std::vector<std::uint8_t> bytes = exfattest::BootSector();
    GetParam().apply(bytes);
    EXPECT_FALSE(Parse(bytes).IsValid(512));
}

INSTANTIATE_TEST_SUITE_P(Damages, ExFatBootSectorRefusalTest,
                         testing::Values(Damage{"byte64NonZero", [](auto& b) { b[63] = 1; }},
                                         Damage{"clustersOf64MiB", [](auto& b) { b[109] = 17; }},
                                         Damage{"noSignature", [](auto& b) { b[510] = 0; }},
                                         Damage{"wrongName", [](auto& b) { b[3] = 'F'; }},
                                         Damage{"threeFats", [](auto& b) { b[110] = 3; }},
                                         Damage{"rootBelow2", [](auto& b) { b[96] = 1; }},
                                         Damage{"fatRunsIntoHeap", [](auto& b) { b[84] = 200; }},
                                         Damage{"clustersPastVolume", [](auto& b) { b[93] = 1; }},
                                         Damage{"sectorShift13", [](auto& b) { b[108] = 13; }},
                                         Damage{"shortSector", [](auto& b) { b.resize(511); }}),
                         [](testing::TestParamInfo<Damage> const& param) { return param.param.label; });

// The zero area is bytes 11 to 63, the sixty-fourth byte being its last. Offset 64 starts the
// partition offset, which formatters may fill in; a volume with one set is still exFAT.
TEST(ExFatBootSectorTest, APartitionOffsetPastTheZeroAreaIsAccepted) {
    std::vector<std::uint8_t> bytes = exfattest::BootSector();
    bytes[64] = 0x00;
    bytes[65] = 0x08;
    EXPECT_TRUE(Parse(bytes).IsValid(512));
}

TEST(ExFatBootSectorTest, TheSectorShiftMustMatchTheDevice) {
    std::vector<std::uint8_t> bytes = exfattest::BootSector();
    EXPECT_FALSE(Parse(bytes).IsValid(4096));
    bytes[108] = 12;
    bytes.resize(4096, 0);
    bytes[510] = 0x55;
    bytes[511] = 0xAA;
    EXPECT_TRUE(Parse(bytes).IsValid(4096));
    EXPECT_FALSE(Parse(bytes).IsValid(512));
}

}  // namespace
