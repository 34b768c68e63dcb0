#pragma once
// Memory for the nodes of a loaded results file and their names. A load makes a million of
// them on one thread; a malloc each, with the page faults and the growth of a thread's heap
// behind them, cost more than reading them. Pieces are carved in order from blocks of 2 MiB
// (backed by a huge page where the system allows it), each thread carving a block of its own;
// a block goes back to the system once every piece of it is freed and no thread carves it.
// Pieces may be freed on any thread.
#include <cstddef>

namespace uimodel::resultsfile {

class NodeArena {
public:
    /// The largest piece: a node with a name of 65,535 bytes fits many times over.
    /// A block's size and alignment: a piece finds its block by masking its address.
    static constexpr std::size_t kBlockSize = std::size_t{2} << 20;
    static constexpr std::size_t kMaxPiece = std::size_t{256} << 10;
    /// What a node or a name needs: nothing in them is aligned more.
    static constexpr std::size_t kAlignment = 8;

    /// `bytes` (1 to kMaxPiece) aligned to kAlignment, from the calling thread's block. Throws
    /// std::bad_alloc when no block can be had or `bytes` is out of range.
    static void* Allocate(std::size_t bytes);
    /// Gives back a piece Allocate answered for `bytes`; nothing for null.
    static void Free(void* pPiece, std::size_t bytes) noexcept;
};

}  // namespace uimodel::resultsfile
