#include "engine/fat/FATFolderSectors.h"

#include <algorithm>

bool CFATFolderSectors::Add(FATFolderSector const& record) {
    if (m_records.size() >= kMaxRecords) return false;
    if (!m_records.empty() && m_records.back().s64Sector >= record.s64Sector) return true;
    m_records.push_back(record);
    return true;
}

std::span<FATFolderSector const> CFATFolderSectors::Range(std::int64_t s64First, std::int64_t s64Last) const {
    if (s64First > s64Last) return {};
    auto const bySector = [](FATFolderSector const& record, std::int64_t s64Sector) {
        return record.s64Sector < s64Sector;
    };
    auto const first = std::lower_bound(m_records.begin(), m_records.end(), s64First, bySector);
    auto const last = std::upper_bound(
        first, m_records.end(), s64Last,
        [](std::int64_t s64Sector, FATFolderSector const& record) { return s64Sector < record.s64Sector; });
    return {first, last};
}

FATFolderSector const* CFATFolderSectors::Find(std::int64_t s64Sector) const {
    std::span<FATFolderSector const> const one = Range(s64Sector, s64Sector);
    return one.empty() ? nullptr : &one.front();
}
