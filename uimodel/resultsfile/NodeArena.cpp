#include "uimodel/resultsfile/NodeArena.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define QUORIN_ARENA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORIN_ARENA_ASAN 1
#endif
#endif
#ifdef QUORIN_ARENA_ASAN
#include <sanitizer/asan_interface.h>
#include <sanitizer/lsan_interface.h>
#endif

namespace uimodel::resultsfile {

namespace {

// Under AddressSanitizer the arena says what it holds: pieces not carved or freed are poisoned,
// and a block is a root region of the leak check, as the heap objects a live node points to
// (a long run list, a root's volume name) are reachable only through it.
#ifdef QUORIN_ARENA_ASAN
void Poison(void* pBytes, std::size_t size) { ASAN_POISON_MEMORY_REGION(pBytes, size); }
void Unpoison(void* pBytes, std::size_t size) { ASAN_UNPOISON_MEMORY_REGION(pBytes, size); }
void Watch(void* pBlock, std::size_t size) { __lsan_register_root_region(pBlock, size); }
void Unwatch(void* pBlock, std::size_t size) { __lsan_unregister_root_region(pBlock, size); }
#else
void Poison(void*, std::size_t) {}
void Unpoison(void*, std::size_t) {}
void Watch(void*, std::size_t) {}
void Unwatch(void*, std::size_t) {}
#endif

constexpr std::size_t kBlockSize = NodeArena::kBlockSize;

/// The start of every block. `live` counts the pieces not yet freed, plus kCarving while a
/// thread carves the block: the carving thread counts its pieces on its own and settles them
/// when it leaves, so a piece costs one atomic step (its free), not two.
struct alignas(64) BlockHead {
    std::atomic<std::int64_t> live;
};
constexpr std::int64_t kCarving = std::int64_t{1} << 40;  // more pieces than any block holds
constexpr std::size_t kFirstPiece = sizeof(BlockHead);
static_assert(kFirstPiece % NodeArena::kAlignment == 0 && NodeArena::kMaxPiece <= kBlockSize - kFirstPiece);

void Unmap(BlockHead* pBlock) {
    pBlock->~BlockHead();
    Unpoison(pBlock, kBlockSize);
    Unwatch(pBlock, kBlockSize);
    ::munmap(pBlock, kBlockSize);
}

/// Takes `count` from the block's count; the block goes when nothing is left.
void Settle(BlockHead* pBlock, std::int64_t count) {
    if (pBlock->live.fetch_sub(count, std::memory_order_acq_rel) == count) Unmap(pBlock);
}

BlockHead* MapBlock() {
    // Twice the size, so that an aligned block lies inside; the rest goes back at once.
    void* const pMapped = ::mmap(nullptr, 2 * kBlockSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pMapped == MAP_FAILED) throw std::bad_alloc();
    auto const start = reinterpret_cast<std::uintptr_t>(pMapped);
    std::uintptr_t const aligned = (start + kBlockSize - 1) & ~(std::uintptr_t{kBlockSize} - 1);
    if (aligned > start) ::munmap(pMapped, aligned - start);
    if (std::uintptr_t const tail = start + 2 * kBlockSize - (aligned + kBlockSize); tail != 0)
        ::munmap(reinterpret_cast<void*>(aligned + kBlockSize), tail);
#ifdef MADV_HUGEPAGE
    // Advice only: small pages work too, with a fault every 4 KiB.
    (void)::madvise(reinterpret_cast<void*>(aligned), kBlockSize, MADV_HUGEPAGE);
#endif
    auto* pBlock = new (reinterpret_cast<void*>(aligned)) BlockHead{kCarving};
    Watch(pBlock, kBlockSize);
    Poison(reinterpret_cast<std::uint8_t*>(pBlock) + kFirstPiece, kBlockSize - kFirstPiece);
    return pBlock;
}

/// The block a thread carves from, and what it has carved of it.
struct Carver {
    BlockHead* pBlock = nullptr;
    std::size_t used = 0;
    std::int64_t s64Carved = 0;

    ~Carver() { Leave(); }
    void Leave() {
        if (!pBlock) return;
        Settle(pBlock, kCarving - s64Carved);
        pBlock = nullptr;
    }
};

thread_local Carver t_carver;

}  // namespace

void* NodeArena::Allocate(std::size_t bytes) {
    if (bytes == 0 || bytes > kMaxPiece) throw std::bad_alloc();
    bytes = (bytes + NodeArena::kAlignment - 1) & ~(NodeArena::kAlignment - 1);
    Carver& carver = t_carver;
    if (!carver.pBlock || carver.used + bytes > kBlockSize) {
        BlockHead* const pBlock = MapBlock();
        carver.Leave();
        carver.pBlock = pBlock;
        carver.used = kFirstPiece;
        carver.s64Carved = 0;
    }
    void* const pPiece = reinterpret_cast<std::uint8_t*>(carver.pBlock) + carver.used;
    Unpoison(pPiece, bytes);
    carver.used += bytes;
    ++carver.s64Carved;
    return pPiece;
}

void NodeArena::Free(void* pPiece, std::size_t bytes) noexcept {
    if (!pPiece) return;
    Poison(pPiece, bytes);
    auto const address = reinterpret_cast<std::uintptr_t>(pPiece);
    Settle(reinterpret_cast<BlockHead*>(address & ~(std::uintptr_t{kBlockSize} - 1)), 1);
}

}  // namespace uimodel::resultsfile
