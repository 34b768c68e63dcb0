// The builder's flat node index through growth and removals: the freed nodes of a scan's end
// leave probe chains that wrap around the table, and every node left must still be found.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "engine/core/tree/NodeSlotIndex.h"

namespace {

TEST(NodeSlotIndexTest, FindsEveryNodeLeftAfterGrowthAndRemovals) {
    // Addresses 16 bytes apart, as nodes allocated in a row lie; never dereferenced.
    std::vector<unsigned char> arena(16 * 5000);
    auto const node = [&](std::size_t i) { return reinterpret_cast<CFileNode const*>(arena.data() + 16 * i); };
    CNodeSlotIndex index;
    for (std::size_t i = 0; i < 5000; ++i) index.Set(node(i), i);
    for (std::size_t i = 0; i < 5000; i += 3) index.Erase(node(i));
    index.Erase(node(0));  // twice: nothing happens
    for (std::size_t i = 1; i < 5000; i += 3) index.Set(node(i), i + 100000);  // moves, not adds

    EXPECT_EQ(index.Size(), 5000u - 1667u);
    for (std::size_t i = 0; i < 5000; ++i) {
        std::size_t const* pSlot = index.Find(node(i));
        if (i % 3 == 0) {
            EXPECT_EQ(pSlot, nullptr) << i;
            EXPECT_FALSE(index.Contains(node(i))) << i;
        } else {
            ASSERT_NE(pSlot, nullptr) << i;
            EXPECT_EQ(*pSlot, i % 3 == 1 ? i + 100000 : i) << i;
        }
    }
    EXPECT_EQ(index.Find(nullptr), nullptr);
}

}  // namespace
