#include "engine/exfat/complete/FDTPreAnalyze.h"

#include <algorithm>
#include <iterator>

#include "engine/CatchExeception.h"

using exfat::kEntrySize;

namespace {

constexpr std::uint32_t kLargestClusterShift = 25;
/// No exFAT volume is longer: 2^32 clusters of 32 MiB, in 512-byte sectors.
constexpr std::uint64_t kMaxVolumeSectors = std::uint64_t{1} << (32 + kLargestClusterShift - 9);
constexpr std::uint8_t kSecondBitmapFlag = 1;  // a TexFAT volume's second bitmap

bool IsSecondaryType(std::uint8_t u8Type) { return (u8Type & exfat::kTypeSecondaryBit) != 0; }
bool IsBenignType(std::uint8_t u8Type) { return (u8Type & exfat::kTypeBenignBit) != 0; }

/// A secondary entry as a member of a set: stream and name entries by their rules, benign ones
/// (vendor extensions) as they are; any other critical secondary type is unknown.
/// Whether an entry can open the rest of a set split off elsewhere: its stream or a name entry.
bool IsSetContinuation(engine::ByteView entry) {
    std::uint8_t const u8Type = exfat::LiveType(entry.U8(0));
    return (u8Type == exfat::kTypeStream && exfat::ParseStreamEntry(entry)) ||
           (u8Type == exfat::kTypeName && exfat::ParseNameEntry(entry));
}

/// Whether an entry of this type may open a run: benign entries (GUID, padding, vendor data)
/// stand inside folders, never first in a sector of their own, while half of all random bytes
/// would pass for them.
bool MayOpenRun(std::uint8_t u8Type) {
    std::uint8_t const u8Live = exfat::LiveType(u8Type);
    return u8Live == exfat::kTypeFile || u8Live == exfat::kTypeStream || u8Live == exfat::kTypeName ||
           u8Live == exfat::kTypeLabel || u8Type == exfat::kTypeBitmap || u8Type == exfat::kTypeUpcase;
}

bool SecondaryPasses(engine::ByteView entry) {
    std::uint8_t const u8Type = exfat::LiveType(entry.U8(0));
    if (u8Type == exfat::kTypeStream) return exfat::ParseStreamEntry(entry).has_value();
    if (u8Type == exfat::kTypeName) return exfat::ParseNameEntry(entry).has_value();
    return IsBenignType(u8Type);
}

}  // namespace

void CFDTPreAnaylze::PrepareAnayze(std::uint32_t u32SectorShift, std::uint64_t u64TotalSectors) {
    FinisAnayze();
    m_u32SectorShift = u32SectorShift;
    m_u64TotalSectors = u64TotalSectors;
    m_limits = {u32SectorShift, kLargestClusterShift, u64TotalSectors};
}

void CFDTPreAnaylze::AdmitVolumeEnd(std::uint64_t u64End) {
    m_limits.u64Limit = std::max(m_limits.u64Limit, std::min(u64End, kMaxVolumeSectors));
}

void CFDTPreAnaylze::FinisAnayze() {
    m_pSet = std::make_unique<CFileSet>();
    m_staging.Clear();
    m_heads.clear();
    m_tails.clear();
    m_links.clear();
    m_backLinks.clear();
}

bool CFDTPreAnaylze::Analyze(std::uint64_t u64Sector, engine::ByteView sector) {
    std::size_t const entries = sector.Size() / kEntrySize;
    if (entries == 0 || (!m_pSet->HasSectors() && !m_staging.IsOpen() && !MayOpenRun(sector.U8(0)))) return true;
    std::size_t passed = 0;
    std::size_t i = 0;
    bool bLabelSeen = false;
    bool bBitmapSeen = false;
    bool bUpcaseSeen = false;
    bool bEnded = false;
    // The set open as this sector begins may go on in the folder's next cluster elsewhere, and
    // this sector be another file's bytes that pass for its entries: if the set fails here, it is
    // taken back to where it stood and kept as a pending head for that cluster, and the sector is
    // read again as one that no set runs into (it may begin another set's rest).
    std::size_t crossedFrom = m_staging.IsOpen() ? m_staging.gathered : 0;
    std::size_t const crossedNeeded = m_staging.needed;
    std::uint64_t const u64CrossedLast = m_staging.u64LastSector;
    auto const stashCrossed = [&] {
        if (crossedFrom == 0) return false;
        m_staging.needed = crossedNeeded;
        m_staging.gathered = crossedFrom;
        m_staging.u64LastSector = u64CrossedLast;
        StashOpenSet();
        return true;
    };
    if (!m_staging.IsOpen() && IsSecondaryType(sector.U8(0)) && IsSetContinuation(sector.Sub(0, kEntrySize))) {
        if (!m_pSet->HasSectors()) m_pSet->SetAbridged();
        i = JoinLeadingEntries(u64Sector, sector);
        passed = i;
    }
    for (; i < entries; ++i) {
        engine::ByteView const entry = sector.Sub(i * kEntrySize, kEntrySize);
        std::uint8_t const u8Type = entry.U8(0);
        if (m_staging.IsOpen()) {
            if (IsSecondaryType(u8Type) && (u8Type & exfat::kInUseBit) == (m_staging.bytes[0] & exfat::kInUseBit)) {
                if (!SecondaryPasses(entry)) {
                    if (stashCrossed()) return Analyze(u64Sector, sector);
                    bEnded = true;
                    break;
                }
                std::copy_n(entry.Data(), kEntrySize,
                            m_staging.bytes.begin() + static_cast<std::ptrdiff_t>(m_staging.gathered * kEntrySize));
                m_staging.u64LastSector = u64Sector;
                ++passed;
                if (++m_staging.gathered == m_staging.needed) {
                    if (!FinishStaging(crossedFrom == 0) && stashCrossed()) return Analyze(u64Sector, sector);
                    crossedFrom = 0;
                }
                continue;
            }
            if (i == 0) {
                StashOpenSet();  // the set goes on in some other cluster
            } else if (stashCrossed()) {
                return Analyze(u64Sector, sector);
            } else {
                m_staging.Clear();  // cut short by another entry: damaged
            }
            crossedFrom = 0;
        }
        if (exfat::LiveType(u8Type) == exfat::kTypeFile) {
            if (!exfat::ParseFileEntry(entry)) {
                bEnded = true;
                break;
            }
            m_staging.needed = exfat::SetEntryCount(entry);
            m_staging.gathered = 1;
            m_staging.u64Sector = m_staging.u64LastSector = u64Sector;
            std::copy_n(entry.Data(), kEntrySize, m_staging.bytes.begin());
            ++passed;
            continue;
        }
        if (!PassesAlone(entry, u64Sector, passed > 0 || m_pSet->HasSectors(), bLabelSeen, bBitmapSeen, bUpcaseSeen)) {
            bEnded = true;
            break;
        }
        ++passed;
    }
    if (passed > 0) m_pSet->RecordSector(u64Sector);
    // A run is cut after a whole cluster of the largest size its entries allow: the next
    // cluster may belong to another folder.
    bool const bWholeCluster = m_pSet->HasSectors() && (std::uint64_t{m_pSet->GetSectorCounts()} << m_u32SectorShift) >=
                                                           m_pSet->GetMaxClusterBytes();
    return bEnded || bWholeCluster;
}

bool CFDTPreAnaylze::PassesAlone(engine::ByteView entry, std::uint64_t u64Sector, bool bInRun, bool& bLabelSeen,
                                 bool& bBitmapSeen, bool& bUpcaseSeen) {
    std::uint8_t const u8Type = entry.U8(0);
    if (IsSecondaryType(u8Type)) return SecondaryPasses(entry);  // a leftover of a deleted set
    if (exfat::LiveType(u8Type) == exfat::kTypeLabel) {
        if (!exfat::IsValidLabelEntry(entry)) return false;
        if (u8Type != exfat::kTypeLabel) return true;
        if (bLabelSeen) return false;
        bLabelSeen = true;
        m_pSet->SetVolumeLabel();
        return true;
    }
    if (u8Type == exfat::kTypeBitmap || u8Type == exfat::kTypeUpcase) {
        auto const table = exfat::ParseVolumeTableEntry(entry, u8Type);
        bool const bSound = table && IsVolumeTableInDevice(*table);
        bool& bSeen = u8Type == exfat::kTypeBitmap ? bBitmapSeen : bUpcaseSeen;
        // A damaged table entry inside a run of entries costs that entry alone: the folder is
        // still a root, its table is not believed. One that would open a run opens none.
        if (!bSound && (!bInRun || bSeen)) return false;
        if (bSeen) return u8Type == exfat::kTypeBitmap && (entry.U8(1) & kSecondBitmapFlag) != 0;
        bSeen = true;
        exfat::VolumeTableEntry const used = bSound ? *table : exfat::VolumeTableEntry{};
        if (!bSound)
            CatchExeception::WriteLog(
                "exFAT: the %s entry in sector %llu is damaged and skipped; its table is not used\n",
                u8Type == exfat::kTypeBitmap ? "bitmap" : "up-case", static_cast<unsigned long long>(u64Sector));
        if (u8Type == exfat::kTypeBitmap)
            m_pSet->SetBitmapInfo(used.u32FirstCluster, used.u64Length);
        else
            m_pSet->SetUpcaseTableInfo(used.u32FirstCluster, used.u64Length);
        return true;
    }
    // Volume GUID, TexFAT padding and other benign primaries stand outside file sets.
    return u8Type != exfat::kTypeEndOfFolder && IsBenignType(u8Type);
}

bool CFDTPreAnaylze::IsVolumeTableInDevice(exfat::VolumeTableEntry const& table) const {
    return (table.u64Length >> m_u32SectorShift) < m_u64TotalSectors;
}

bool CFDTPreAnaylze::FinishStaging(bool bLogFailure) {
    char const* pszFailure = nullptr;
    auto const set = exfat::ParseEntrySet(engine::ByteView(m_staging.bytes.data(), m_staging.needed * kEntrySize),
                                          m_limits, &pszFailure);
    if (set)
        m_pSet->AddEntrySet(MakeFileBaseInfo(*set, m_staging.u64Sector));
    else if (pszFailure && bLogFailure)
        CatchExeception::WriteLog("exFAT: the entry set at sector %llu is skipped: %s\n",
                                  static_cast<unsigned long long>(m_staging.u64Sector), pszFailure);
    m_staging.Clear();
    return set.has_value();
}

std::unique_ptr<CFileSet> CFDTPreAnaylze::GetFileSet() {
    if (m_staging.IsOpen()) StashOpenSet();
    // Only a run holding entry sets or the root's tables is worth handing out.
    if (!m_pSet->HasSectors() || (!m_pSet->HasFile() && !m_pSet->IsRoot())) {
        m_pSet->Reset();
        return nullptr;
    }
    m_pSet->CalculateClusterSize();
    std::unique_ptr<CFileSet> pTaken = std::move(m_pSet);
    m_pSet = std::make_unique<CFileSet>();
    return pTaken;
}

void CFDTPreAnaylze::StashOpenSet() {
    std::uint64_t const u64RunFirst = m_pSet->HasSectors() ? m_pSet->GetFirstSector() : m_staging.u64Sector;
    Head head{std::vector<std::uint8_t>(
                  m_staging.bytes.begin(),
                  m_staging.bytes.begin() + static_cast<std::ptrdiff_t>(m_staging.gathered * kEntrySize)),
              m_staging.needed, m_staging.u64Sector, u64RunFirst};
    std::uint64_t const u64Cut = m_staging.u64LastSector + 1;
    m_staging.Clear();
    m_pSet->SetNotEnd();
    std::size_t tries = 0;
    for (auto it = m_tails.rbegin(); it != m_tails.rend() && tries < kMaxJoinTries; ++it, ++tries) {
        if (it->first == u64Cut) continue;
        if (!Join(head.bytes, head.needed, head.u64Sector, engine::ByteView(it->second.data(), it->second.size())))
            continue;
        Link(u64RunFirst, it->first);
        m_tails.erase(std::next(it).base());
        return;
    }
    m_heads[u64Cut] = std::move(head);
    Cap(m_heads);
}

std::size_t CFDTPreAnaylze::JoinLeadingEntries(std::uint64_t u64Sector, engine::ByteView sector) {
    std::size_t tries = 0;
    for (auto it = m_heads.rbegin(); it != m_heads.rend() && tries < kMaxJoinTries; ++it, ++tries) {
        Head const& head = it->second;
        if (!Join(head.bytes, head.needed, head.u64Sector, sector)) continue;
        std::size_t const consumed = head.needed - head.bytes.size() / kEntrySize;
        Link(head.u64RunFirst, u64Sector);
        m_heads.erase(std::next(it).base());
        return consumed;
    }
    std::size_t const kept = std::min(kTailBytes, sector.Size());
    m_tails[u64Sector] = std::vector<std::uint8_t>(sector.Data(), sector.Data() + kept);
    Cap(m_tails);
    return 0;
}

bool CFDTPreAnaylze::Join(std::vector<std::uint8_t> const& head, std::size_t needed, std::uint64_t u64Sector,
                          engine::ByteView tail) {
    std::size_t const have = head.size() / kEntrySize;
    if (have == 0 || have >= needed || needed > exfat::kMaxSetEntries) return false;
    std::size_t const missingBytes = (needed - have) * kEntrySize;
    if (!tail.Has(0, missingBytes)) return false;
    std::array<std::uint8_t, exfat::kMaxSetEntries * kEntrySize> joined{};
    std::copy(head.begin(), head.end(), joined.begin());
    std::copy_n(tail.Data(), missingBytes, joined.begin() + static_cast<std::ptrdiff_t>(head.size()));
    auto const set = exfat::ParseEntrySet(engine::ByteView(joined.data(), needed * kEntrySize), m_limits);
    if (!set) return false;
    m_pSet->AddEntrySet(MakeFileBaseInfo(*set, u64Sector));
    return true;
}

void CFDTPreAnaylze::Link(std::uint64_t u64From, std::uint64_t u64To) {
    m_links[u64From] = u64To;
    m_backLinks[u64To] = u64From;
    Cap(m_links);
    Cap(m_backLinks);
}

template <class Map>
void CFDTPreAnaylze::Cap(Map& map) {
    // Keys are first sectors, met in ascending order: the smallest is the oldest.
    while (map.size() > kMaxPending) map.erase(map.begin());
}

std::optional<std::uint64_t> CFDTPreAnaylze::GetNext(std::uint64_t u64First) const {
    auto const it = m_links.find(u64First);
    return it == m_links.end() ? std::nullopt : std::optional<std::uint64_t>(it->second);
}

std::optional<std::uint64_t> CFDTPreAnaylze::GetLast(std::uint64_t u64First) const {
    auto const it = m_backLinks.find(u64First);
    return it == m_backLinks.end() ? std::nullopt : std::optional<std::uint64_t>(it->second);
}
