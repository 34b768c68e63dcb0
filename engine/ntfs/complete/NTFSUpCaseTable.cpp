#include "engine/ntfs/complete/NTFSUpCaseTable.h"

#include <cstring>

namespace {

/// Units `first`, `first + step`, ... (`count` of them) map to themselves plus `delta`.
struct CaseRun {
    std::uint16_t first;
    std::uint16_t count;
    std::uint16_t step;
    std::int32_t delta;
};

constexpr CaseRun kRuns[] = {
    {0x0061, 26, 1, -32}, {0x00B5, 1, 1, 743},   {0x00E0, 23, 1, -32}, {0x00F8, 7, 1, -32},  {0x00FF, 1, 1, 121},
    {0x0101, 24, 2, -1},  {0x0131, 1, 1, -232},  {0x0133, 3, 2, -1},   {0x013A, 8, 2, -1},   {0x014B, 23, 2, -1},
    {0x017A, 3, 2, -1},   {0x017F, 1, 1, -300},  {0x0183, 2, 2, -1},   {0x0188, 1, 1, -1},   {0x018C, 1, 1, -1},
    {0x0192, 1, 1, -1},   {0x0195, 1, 1, 97},    {0x0199, 1, 1, -1},   {0x019E, 1, 1, 130},  {0x01A1, 3, 2, -1},
    {0x01A8, 1, 1, -1},   {0x01AD, 1, 1, -1},    {0x01B0, 1, 1, -1},   {0x01B4, 2, 2, -1},   {0x01B9, 1, 1, -1},
    {0x01BD, 1, 1, -1},   {0x01BF, 1, 1, 56},    {0x01C6, 1, 1, -2},   {0x01C9, 1, 1, -2},   {0x01CC, 1, 1, -2},
    {0x01CE, 8, 2, -1},   {0x01DD, 1, 1, -79},   {0x01DF, 9, 2, -1},   {0x01F3, 1, 1, -2},   {0x01F5, 1, 1, -1},
    {0x01F9, 20, 2, -1},  {0x0223, 9, 2, -1},    {0x0253, 1, 1, -210}, {0x0254, 1, 1, -206}, {0x0256, 2, 1, -205},
    {0x0259, 1, 1, -202}, {0x025B, 1, 1, -203},  {0x0260, 1, 1, -205}, {0x0263, 1, 1, -207}, {0x0268, 1, 1, -209},
    {0x0269, 1, 1, -211}, {0x026F, 1, 1, -211},  {0x0272, 1, 1, -213}, {0x0275, 1, 1, -214}, {0x0280, 1, 1, -218},
    {0x0283, 1, 1, -218}, {0x0288, 1, 1, -218},  {0x028A, 2, 1, -217}, {0x0292, 1, 1, -219}, {0x0345, 1, 1, 84},
    {0x03AC, 1, 1, -38},  {0x03AD, 3, 1, -37},   {0x03B1, 17, 1, -32}, {0x03C2, 1, 1, -31},  {0x03C3, 9, 1, -32},
    {0x03CC, 1, 1, -64},  {0x03CD, 2, 1, -63},   {0x03D0, 1, 1, -62},  {0x03D1, 1, 1, -57},  {0x03D5, 1, 1, -47},
    {0x03D6, 1, 1, -54},  {0x03D9, 12, 2, -1},   {0x03F0, 1, 1, -86},  {0x03F1, 1, 1, -80},  {0x03F5, 1, 1, -96},
    {0x0430, 32, 1, -32}, {0x0450, 16, 1, -80},  {0x0461, 17, 2, -1},  {0x048B, 27, 2, -1},  {0x04C2, 7, 2, -1},
    {0x04D1, 19, 2, -1},  {0x04F9, 1, 1, -1},    {0x0501, 8, 2, -1},   {0x0561, 38, 1, -48}, {0x1E01, 75, 2, -1},
    {0x1E9B, 1, 1, -59},  {0x1EA1, 45, 2, -1},   {0x1F00, 8, 1, 8},    {0x1F10, 6, 1, 8},    {0x1F20, 8, 1, 8},
    {0x1F30, 8, 1, 8},    {0x1F40, 6, 1, 8},     {0x1F51, 4, 2, 8},    {0x1F60, 8, 1, 8},    {0x1F70, 2, 1, 74},
    {0x1F72, 4, 1, 86},   {0x1F76, 2, 1, 100},   {0x1F78, 2, 1, 128},  {0x1F7A, 2, 1, 112},  {0x1F7C, 2, 1, 126},
    {0x1FB0, 2, 1, 8},    {0x1FBE, 1, 1, -7205}, {0x1FD0, 2, 1, 8},    {0x1FE0, 2, 1, 8},    {0x1FE5, 1, 1, 7},
    {0x2170, 16, 1, -16}, {0x24D0, 26, 1, -26},  {0xFF41, 26, 1, -32},
};

std::array<std::uint16_t, CNTFSUpCaseTable::kUnits> MakeTable() {
    std::array<std::uint16_t, CNTFSUpCaseTable::kUnits> table{};
    for (std::size_t unit = 0; unit < table.size(); ++unit) table[unit] = static_cast<std::uint16_t>(unit);
    for (CaseRun const& run : kRuns)
        for (std::uint32_t k = 0; k < run.count; ++k) {
            std::uint32_t const unit = run.first + k * run.step;
            table[unit] = static_cast<std::uint16_t>(static_cast<std::int32_t>(unit) + run.delta);
        }
    return table;
}

/// The table as it lies on disk: little-endian values.
std::array<std::uint8_t, CNTFSUpCaseTable::kUnits * 2> MakeBytes() {
    std::array<std::uint8_t, CNTFSUpCaseTable::kUnits * 2> bytes{};
    std::array<std::uint16_t, CNTFSUpCaseTable::kUnits> const& table = CNTFSUpCaseTable::Table();
    for (std::size_t unit = 0; unit < table.size(); ++unit) {
        bytes[2 * unit] = static_cast<std::uint8_t>(table[unit]);
        bytes[2 * unit + 1] = static_cast<std::uint8_t>(table[unit] >> 8);
    }
    return bytes;
}

}  // namespace

std::array<std::uint16_t, CNTFSUpCaseTable::kUnits> const& CNTFSUpCaseTable::Table() {
    static std::array<std::uint16_t, kUnits> const table = MakeTable();
    return table;
}

bool CNTFSUpCaseTable::MatchesBlock(engine::ByteView block) {
    static std::array<std::uint8_t, kUnits* 2> const bytes = MakeBytes();
    if (!block.Has(0, kBlock)) return false;
    std::size_t const number = block.U8(1);
    return std::memcmp(block.Data(), bytes.data() + number * kBlock, kBlock) == 0;
}
