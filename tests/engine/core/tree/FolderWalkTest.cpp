// The shared folder walk's own rules that the FAT and exFAT image tests do not reach: the bound
// on folders taken, and live folders taken before deleted ones whatever order they came in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/tree/FolderWalk.h"

namespace {

TEST(FolderWalkTest, TakesLiveFoldersFirstAndStopsAtItsBound) {
    long long s64NextId = 100;
    CFolderWalk<std::string> walk(4, [&] { return s64NextId++; });
    walk.AddDeleted("deleted 1");
    walk.AddLive("live 1");
    walk.AddDeleted("deleted 2");
    walk.AddLive("live 2");
    walk.AddLive("live 3");
    std::vector<std::string> taken;
    while (auto folder = walk.TakeNext()) taken.push_back(*folder);
    // Five were pending, the bound lets four through: a hostile volume's walk ends.
    EXPECT_EQ(taken, (std::vector<std::string>{"live 1", "live 2", "live 3", "deleted 1"}));
    EXPECT_EQ(walk.Pending(), 1u);

    // A location is read once; a deleted folder starting at one read takes a fresh id.
    EXPECT_TRUE(walk.MarkRead(7));
    EXPECT_FALSE(walk.MarkRead(7));
    EXPECT_EQ(walk.OwnIdFor(8), std::nullopt);
    EXPECT_EQ(walk.OwnIdFor(7), 100);
    EXPECT_EQ(walk.OwnIdFor(7), 101);
}

}  // namespace
