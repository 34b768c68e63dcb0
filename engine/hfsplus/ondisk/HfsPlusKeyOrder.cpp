// The orders of the B-tree keys. Case-folded catalog names follow the rule of Apple's HFS Plus
// note: each unit is folded by the note's own table (generated from its data; it folds only the
// scripts it lists, so a later Unicode's lower case would reorder real catalogs), units that fold
// to 0 (the ignorable formatting characters) are skipped, and a real 0 unit sorts after every
// other as 0xFFFF.
#include <algorithm>
#include <iterator>

#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"
#include "engine/hfsplus/ondisk/HfsPlusRecords.h"

namespace hfsplus {

namespace {

template <class T>
int Order(T a, T b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

#include "engine/hfsplus/ondisk/HfsPlusCaseFolding.inc"

/// The unit's fold by the note's table; ignorables fold to 0.
std::uint16_t FoldUnit(std::uint16_t u) {
    if (u >= 'a' && u <= 'z') return u;  // most names are mostly ASCII
    if (u >= 'A' && u <= 'Z') return static_cast<std::uint16_t>(u + 0x20);
    auto const* const pEnd = std::end(kCaseFolding);
    auto const* const pFound =
        std::lower_bound(std::begin(kCaseFolding), pEnd, u,
                         [](std::uint16_t const(&pair)[2], std::uint16_t unit) { return pair[0] < unit; });
    return pFound != pEnd && (*pFound)[0] == u ? (*pFound)[1] : u;
}

std::uint16_t SlashForColon(std::uint16_t u) { return u == kColon ? kSlash : u; }

int CompareFolded(std::vector<std::uint16_t> const& a, std::vector<std::uint16_t> const& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    for (;;) {
        std::uint16_t ca = 0;
        std::uint16_t cb = 0;
        while (ca == 0 && i < a.size()) ca = FoldUnit(SlashForColon(a[i++]));
        while (cb == 0 && j < b.size()) cb = FoldUnit(SlashForColon(b[j++]));
        if (ca != cb) return Order(ca, cb);  // a name that ran out (0) sorts first
        if (ca == 0) return 0;
    }
}

int CompareBinary(std::vector<std::uint16_t> const& a, std::vector<std::uint16_t> const& b, bool bSlashForColon) {
    std::size_t const common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        std::uint16_t const ca = bSlashForColon ? SlashForColon(a[i]) : a[i];
        std::uint16_t const cb = bSlashForColon ? SlashForColon(b[i]) : b[i];
        if (ca != cb) return Order(ca, cb);
    }
    return Order(a.size(), b.size());
}

}  // namespace

int CompareCatalogKeys(CatalogKey const& a, CatalogKey const& b, std::uint8_t u8CompareType) {
    if (int const parent = Order(a.u32ParentID, b.u32ParentID)) return parent;
    return u8CompareType == kCompareCaseFolding ? CompareFolded(a.name, b.name) : CompareBinary(a.name, b.name, true);
}

int CompareExtentKeys(ExtentKey const& a, ExtentKey const& b) {
    if (int const file = Order(a.u32FileID, b.u32FileID)) return file;
    if (int const fork = Order(a.u8ForkType, b.u8ForkType)) return fork;
    return Order(a.u32StartBlock, b.u32StartBlock);
}

int CompareAttrKeys(AttrKey const& a, AttrKey const& b) {
    if (int const file = Order(a.u32FileID, b.u32FileID)) return file;
    if (int const name = CompareBinary(a.name, b.name, false)) return name;
    return Order(a.u32StartBlock, b.u32StartBlock);
}

}  // namespace hfsplus
