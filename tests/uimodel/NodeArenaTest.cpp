// The node arena a load's nodes and names live in: pieces that never overlap, blocks that go back
// to the system only once every piece of them is freed, whichever thread frees it, and nodes
// that keep their values in it.
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <thread>
#include <vector>

#include "engine/ReleasePtr.h"
#include "uimodel/resultsfile/NodeArena.h"
#include "uimodel/resultsfile/RestoreFileNode.h"

namespace {

using uimodel::resultsfile::NodeArena;

struct Piece {
    std::uint8_t* pBytes;
    std::size_t size;
};

std::uintptr_t BlockOf(void const* pPiece) {
    return reinterpret_cast<std::uintptr_t>(pPiece) & ~(std::uintptr_t{NodeArena::kBlockSize} - 1);
}

/// Whether the block's memory is still mapped: msync answers ENOMEM for an unmapped range.
bool IsMapped(std::uintptr_t block) {
    return ::msync(reinterpret_cast<void*>(block), NodeArena::kBlockSize, MS_ASYNC) == 0 || errno != ENOMEM;
}

TEST(NodeArena, PiecesKeepTheirBytesAndBlocksGoWhenTheirLastPieceIsFreed) {
    // Carved on a thread that ends before anything is freed, as a load's job thread does.
    std::vector<Piece> pieces;
    std::thread([&pieces] {
        std::size_t total = 0;
        for (std::size_t i = 0; total < 3 * NodeArena::kBlockSize; ++i) {
            std::size_t const size = 1 + (i * 37) % 300 + (i % 1000 == 0 ? NodeArena::kMaxPiece - 301 : 0);
            auto* pBytes = static_cast<std::uint8_t*>(NodeArena::Allocate(size));
            std::memset(pBytes, static_cast<int>(i & 0xFF), size);
            pieces.push_back({pBytes, size});
            total += size;
        }
    }).join();

    std::set<std::uintptr_t> blocks;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(pieces[i].pBytes) % NodeArena::kAlignment, 0u);
        for (std::size_t k = 0; k < pieces[i].size; ++k) ASSERT_EQ(pieces[i].pBytes[k], i & 0xFF) << "piece " << i;
        blocks.insert(BlockOf(pieces[i].pBytes));
    }
    ASSERT_GE(blocks.size(), 3u);

    // Every piece but the first block's first is freed, on two threads.
    std::uintptr_t const firstBlock = BlockOf(pieces.front().pBytes);
    std::thread([&pieces] {
        for (std::size_t i = 1; i < pieces.size(); i += 2) NodeArena::Free(pieces[i].pBytes, pieces[i].size);
    }).join();
    for (std::size_t i = 2; i < pieces.size(); i += 2) NodeArena::Free(pieces[i].pBytes, pieces[i].size);
    for (std::uintptr_t const block : blocks) EXPECT_EQ(IsMapped(block), block == firstBlock);

    NodeArena::Free(pieces.front().pBytes, pieces.front().size);
    EXPECT_FALSE(IsMapped(firstBlock));
}

TEST(NodeArena, RefusesPiecesItCannotHold) {
    EXPECT_THROW(NodeArena::Allocate(0), std::bad_alloc);
    EXPECT_THROW(NodeArena::Allocate(NodeArena::kMaxPiece + 1), std::bad_alloc);
    NodeArena::Free(nullptr, 0);
}

TEST(NodeArena, LoadedNodesKeepTheirValuesAndCopies) {
    uimodel::resultsfile::StoredFileRecord record;
    record.s64NodeID = 40;
    record.s64ParentID = 2;
    record.name = std::string(NodeArena::kMaxPiece / 8, 'n') + ".jpg";  // 64 of them fill more than a block
    record.u64Size = 12345;
    record.u32Folder = 0;
    record.u32Deleted = 1;
    record.u16Attribute = 0x21;
    record.u64Created = 130'000'000'000'000'000ULL;
    record.runs = {{800, 8}, {900, 4}};
    std::vector<std::unique_ptr<uimodel::RestoreFileNode>> nodes;
    for (int i = 0; i < 64; ++i) nodes.push_back(std::make_unique<uimodel::RestoreFileNode>(record));
    nodes.front()->SetInitializedSize(4096);
    ReleasePtr<IFileNode> pCopy(nodes.front()->Clone());
    nodes.clear();  // the copy holds a name of its own

    EXPECT_EQ(pCopy->GetFileName(), record.name);
    EXPECT_EQ(pCopy->GetFileSize(), 12345);
    EXPECT_EQ(pCopy->IsDirectory(), 0);
    EXPECT_EQ(pCopy->IsDeleted(), 1);
    EXPECT_EQ(pCopy->GetAttribute(), 0x21u);
    EXPECT_EQ(pCopy->GetCurrentNodeID(), 40);
    auto* pFileNode = dynamic_cast<CFileNode*>(pCopy.get());
    ASSERT_NE(pFileNode, nullptr);
    EXPECT_EQ(pFileNode->GetInitializedSize(), std::optional<long long>(4096));
    IDataRunList* pRuns = pFileNode->GetDataRunList();
    ASSERT_NE(pRuns, nullptr);
    DataRun const* pRun = pRuns->GetFirst();
    ASSERT_NE(pRun, nullptr);
    EXPECT_EQ(pRun->s64Start, 800);
    EXPECT_EQ(pRun->s64Length, 8);
    pRun = pRuns->GetNext();
    ASSERT_NE(pRun, nullptr);
    EXPECT_EQ(pRun->s64Start, 900);
    EXPECT_EQ(pRuns->GetNext(), nullptr);
}

}  // namespace
