#include "engine/exfat/EFDTAnalyze.h"

#include <algorithm>

#include "engine/CatchExeception.h"

using exfat::kEntrySize;

void CEFDTAnalyze::PrepareAnayze(std::uint32_t u32LengthShift, std::uint32_t u32ClusterShift, std::uint64_t u64Limit) {
    m_limits = {u32LengthShift, u32ClusterShift, u64Limit};
    Reset();
    m_files.clear();
}

void CEFDTAnalyze::Reset() {
    m_setEntries = 0;
    m_setGathered = 0;
}

bool CEFDTAnalyze::Analyze(engine::ByteView buffer, std::uint64_t u64Sector) {
    std::uint32_t const u32Shift = m_limits.u32LengthShift < 32 ? m_limits.u32LengthShift : 31;
    for (std::size_t offset = 0; buffer.Has(offset, kEntrySize); offset += kEntrySize) {
        engine::ByteView const entry = buffer.Sub(offset, kEntrySize);
        std::uint8_t const u8Type = entry.U8(0);
        if (u8Type == exfat::kTypeEndOfFolder) {
            Reset();
            return false;
        }
        if (ContinuesSet(u8Type)) {
            std::copy_n(entry.Data(), kEntrySize,
                        m_set.begin() + static_cast<std::ptrdiff_t>(m_setGathered * kEntrySize));
            if (++m_setGathered == m_setEntries) FinishSet();
            continue;
        }
        Reset();  // a set cut short by this entry is damaged
        if (exfat::LiveType(u8Type) == exfat::kTypeFile) StartSet(entry, u64Sector + (offset >> u32Shift));
    }
    return true;
}

bool CEFDTAnalyze::ContinuesSet(std::uint8_t u8Type) const {
    return m_setEntries != 0 && (u8Type & exfat::kTypeSecondaryBit) != 0 &&
           (u8Type & exfat::kInUseBit) == (m_set[0] & exfat::kInUseBit);
}

void CEFDTAnalyze::StartSet(engine::ByteView entry, std::uint64_t u64Sector) {
    m_setEntries = exfat::SetEntryCount(entry);
    if (m_setEntries == 0) return;
    std::copy_n(entry.Data(), kEntrySize, m_set.begin());
    m_setGathered = 1;
    m_u64SetSector = u64Sector;
}

void CEFDTAnalyze::FinishSet() {
    char const* pszFailure = nullptr;
    auto const set =
        exfat::ParseEntrySet(engine::ByteView(m_set.data(), m_setEntries * kEntrySize), m_limits, &pszFailure);
    Reset();
    if (set)
        m_files.push_back(MakeFileBaseInfo(*set, m_u64SetSector));
    else if (pszFailure)
        CatchExeception::WriteLog("exFAT: the entry set at sector %llu is skipped: %s\n",
                                  static_cast<unsigned long long>(m_u64SetSector), pszFailure);
}
