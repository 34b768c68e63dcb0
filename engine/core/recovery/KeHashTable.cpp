#include "engine/core/recovery/KeHashTable.h"

#include "engine/core/util/EngineAssert.h"

namespace {

// The generator behind the mixing table: a linear congruence that fills each 32-bit entry
// from two consecutive 16-bit draws.
constexpr std::uint32_t kSeedStart = 0x00100001;
constexpr std::uint32_t kSeedModulus = 0x2AAAAB;
constexpr std::uint32_t kHashStartB = 0xEEEEEEEE;

std::uint32_t NextSeed(std::uint32_t u32Seed) { return (u32Seed * 125 + 3) % kSeedModulus; }

// Letters are folded to upper case, ASCII only: a byte of a multi-byte UTF-8 character keeps
// its value and stays inside the 256 entries of its row.
std::uint32_t FoldCase(unsigned char u8Byte) {
    return (u8Byte >= 'a' && u8Byte <= 'z') ? static_cast<std::uint32_t>(u8Byte - 'a' + 'A') : u8Byte;
}

}  // namespace

CKeHashTable::CKeHashTable() {
    std::uint32_t u32Seed = kSeedStart;
    for (std::uint32_t c = 0; c < 256; ++c) {
        for (std::uint32_t r = 0; r < kHashTypeCount; ++r) {
            u32Seed = NextSeed(u32Seed);
            std::uint32_t const u32High = u32Seed & 0xFFFF;
            u32Seed = NextSeed(u32Seed);
            std::uint32_t const u32Low = u32Seed & 0xFFFF;
            m_cryptTable[r * 256 + c] = (u32High << 16) | u32Low;
        }
    }
}

std::uint32_t CKeHashTable::GetHashCode(char const* pszText, unsigned int u32HashType) const {
    if (!ENGINE_PRECONDITION(pszText != nullptr) || !ENGINE_PRECONDITION(u32HashType < kHashTypeCount)) return 0;
    std::uint32_t a = kEmptyHash;
    std::uint32_t b = kHashStartB;
    for (auto const* p = reinterpret_cast<unsigned char const*>(pszText); *p; ++p) {
        std::uint32_t const ch = FoldCase(*p);
        a = m_cryptTable[u32HashType * 256 + ch] ^ (a + b);
        b = b * 97 + ch + a;
    }
    return a;
}

int CKeHashTable::InsertNode(char const* pszText, FILE_TYPE_ID const& eValue) {
    if (!ENGINE_PRECONDITION(pszText != nullptr)) return 0;
    int const iStart = StartPosition(GetHashCode(pszText, 0));
    int iPos = iStart;
    do {
        Slot& slot = m_slots[iPos];
        if (!slot.u32Used) {
            slot.u32Value = eValue;
            slot.u32Used = 1;
            slot.u32CheckA = GetHashCode(pszText, 1);
            slot.u32CheckB = GetHashCode(pszText, 2);
            return 1;
        }
        iPos = (iPos + 1) % kSlotCount;
    } while (iPos != iStart);
    return 0;
}

int CKeHashTable::GetHashTablePos(char const* pszText, int iTableSize) const {
    if (!ENGINE_PRECONDITION(pszText != nullptr) || !ENGINE_PRECONDITION(iTableSize == kSlotCount)) return -1;
    std::uint32_t const u32CheckA = GetHashCode(pszText, 1);
    std::uint32_t const u32CheckB = GetHashCode(pszText, 2);
    int const iStart = StartPosition(GetHashCode(pszText, 0));
    int iPos = iStart;
    // No slot is ever freed and insertion takes the first unused slot from the start, so the
    // first unused slot ends the search with the same answer as a walk round the whole table,
    // which every unknown extension would otherwise pay.
    do {
        Slot const& slot = m_slots[iPos];
        if (!slot.u32Used) return -1;
        if (slot.u32CheckA == u32CheckA && slot.u32CheckB == u32CheckB) return iPos;
        iPos = (iPos + 1) % kSlotCount;
    } while (iPos != iStart);
    return -1;
}

int CKeHashTable::FindNode(char const* pszText, FILE_TYPE_ID& eValue) const {
    if (!pszText) return 0;
    int const iPos = GetHashTablePos(pszText, kSlotCount);
    if (iPos < 0) return 0;
    eValue = static_cast<FILE_TYPE_ID>(m_slots[iPos].u32Value);
    return 1;
}

std::uint32_t CKeHashTable::GetCryptEntry(std::size_t index) const {
    return index < m_cryptTable.size() ? m_cryptTable[index] : 0;
}
