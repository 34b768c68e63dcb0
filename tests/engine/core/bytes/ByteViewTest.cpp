#include "engine/ByteView.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>

#include "engine/ByteWriter.h"
#include "engine/core/bytes/CheckedMath.h"

namespace {

using engine::ByteView;
using engine::ByteWriter;

constexpr std::array<std::uint8_t, 8> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};

TEST(ByteView, ReadsBothByteOrders) {
    ByteView view(kBytes);
    EXPECT_EQ(view.Le16(0), 0x0201);
    EXPECT_EQ(view.Be16(0), 0x0102);
    EXPECT_EQ(view.Le32(4), 0x08070605u);
    EXPECT_EQ(view.Be32(4), 0x05060708u);
    EXPECT_EQ(view.Le64(0), 0x0807060504030201ull);
    EXPECT_EQ(view.Be64(0), 0x0102030405060708ull);
    EXPECT_EQ(view.U16(0, engine::ByteOrder::Little), view.Le16(0));
    EXPECT_EQ(view.U32(4, engine::ByteOrder::Big), view.Be32(4));
    EXPECT_EQ(view.U64(0, engine::ByteOrder::Big), view.Be64(0));
    EXPECT_EQ(view.U32(6, engine::ByteOrder::Little), 0u);  // past the end
}

TEST(ByteView, ReadsOutsideTheWindowYieldZero) {
    ByteView view(kBytes);
    EXPECT_EQ(view.Le32(5), 0u);  // straddles the end
    EXPECT_EQ(view.Le64(1), 0u);
    EXPECT_EQ(view.U8(8), 0u);
    EXPECT_EQ(view.Le16(std::numeric_limits<std::size_t>::max()), 0u);
}

TEST(ByteView, HasIsOverflowSafe) {
    ByteView view(kBytes);
    EXPECT_TRUE(view.Has(0, 8));
    EXPECT_TRUE(view.Has(8, 0));
    EXPECT_FALSE(view.Has(9, 0));
    EXPECT_FALSE(view.Has(1, std::numeric_limits<std::size_t>::max()));
    EXPECT_FALSE(view.Has(std::numeric_limits<std::size_t>::max(), 2));
}

TEST(ByteView, SubWindowsStayInside) {
    ByteView view(kBytes);
    ByteView sub = view.Sub(2, 4);
    ASSERT_EQ(sub.Size(), 4u);
    EXPECT_EQ(sub.Le32(0), 0x06050403u);
    EXPECT_EQ(sub.U8(4), 0u);  // byte 6 of the parent is outside the sub-window
    EXPECT_TRUE(view.Sub(6, 4).Empty());
    EXPECT_TRUE(view.From(9).Empty());
    EXPECT_EQ(view.From(8).Size(), 0u);
}

TEST(ByteView, EqualsComparesOnlyWhatFits) {
    std::array<std::uint8_t, 8> text = {'N', 'T', 'F', 'S', ' ', ' ', ' ', ' '};
    ByteView view(text);
    EXPECT_TRUE(view.Equals(0, "NTFS    "));
    EXPECT_FALSE(view.Equals(1, "NTFS    "));
    EXPECT_FALSE(view.Equals(0, "NTFX"));
}

TEST(ByteWriter, WritesFieldsAndRefusesOverruns) {
    std::array<std::uint8_t, 8> out{};
    ByteWriter writer(out);
    writer.Le32(0, 0x04030201u);
    writer.Be16(4, 0x0506);
    EXPECT_TRUE(writer.Ok());
    EXPECT_EQ(ByteView(out).Le64(0), 0x0000060504030201ull);
    writer.Le32(6, 0xFFFFFFFFu);
    EXPECT_FALSE(writer.Ok());
    EXPECT_EQ(out[6], 0u);  // nothing of the refused write landed
    EXPECT_EQ(out[7], 0u);
}

TEST(CheckedMath, DetectsOverflow) {
    constexpr long long kMax = std::numeric_limits<long long>::max();
    EXPECT_FALSE(engine::CheckedAdd<long long>(kMax, 1).has_value());
    EXPECT_EQ(engine::CheckedAdd<long long>(kMax - 1, 1), kMax);
    EXPECT_FALSE(engine::CheckedMul<long long>(kMax / 2 + 1, 2).has_value());
    EXPECT_FALSE(engine::CheckedMul<std::uint32_t>(0x10000u, 0x10000u).has_value());
    EXPECT_TRUE(engine::IsPowerOfTwoBetween(4096, 512, 4096));
    EXPECT_FALSE(engine::IsPowerOfTwoBetween(1000, 512, 4096));
    EXPECT_FALSE(engine::IsPowerOfTwoBetween(0, 0, 4096));
}

}  // namespace
