#pragma once
// A fixed table of 2048 strings (extensions) to categories, found by one hash for the slot and
// told apart by two more, so the strings themselves are never stored. Case-insensitive for
// ASCII letters. Filled once, then read only.
#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/IRecoveryFilter.h"

class CKeHashTable {
public:
    static constexpr int kSlotCount = 2048;
    static constexpr std::uint32_t kHashTypeCount = 5;  // rows of the mixing table; 0-2 are used
    static constexpr std::uint32_t kEmptyHash = 0x7FED7FED;

    /// Builds the mixing table; every slot starts unused.
    CKeHashTable();

    /// 1 when the text took a free slot; 0 for a null text or a full table. A text already in
    /// the table is not looked for: it gets another slot, and lookups find the first.
    int InsertNode(char const* pszText, FILE_TYPE_ID const& eValue);
    /// 1 with the value of the text's slot; 0, leaving `eValue` alone, when it is absent.
    int FindNode(char const* pszText, FILE_TYPE_ID& eValue) const;
    /// The slot holding the text, or -1. `iTableSize` must be kSlotCount; anything else fails.
    int GetHashTablePos(char const* pszText, int iTableSize) const;
    /// The text's hash of one type (0 places, 1 and 2 check); kEmptyHash for an empty text,
    /// 0 for a null text or a type past the table.
    std::uint32_t GetHashCode(char const* pszText, unsigned int u32HashType) const;

    /// One entry of the mixing table (type x 256 + byte); 0 past its end.
    std::uint32_t GetCryptEntry(std::size_t index) const;

private:
    struct Slot {
        std::uint32_t u32Value = 0;
        std::uint32_t u32Used = 0;
        std::uint32_t u32CheckA = 0;
        std::uint32_t u32CheckB = 0;
    };

    static int StartPosition(std::uint32_t u32Hash) { return static_cast<int>(u32Hash & (kSlotCount - 1)); }

    std::array<Slot, kSlotCount> m_slots{};
    std::array<std::uint32_t, kHashTypeCount * 256> m_cryptTable{};
};
