#include "engine/fat/FATTable.h"

#include <algorithm>

#include "engine/ByteView.h"
#include "engine/CatchExeception.h"
#include "engine/IStorageDevice.h"
#include "engine/fat/ondisk/FATTableCheck.h"

namespace {

/// Sectors read per device call while loading a copy.
constexpr std::uint32_t kLoadWindowBytes = 1u << 20;

/// The largest cluster, in sectors: formatters align the copies to it (mkfs.fat gives a FAT12
/// volume of 64-sector clusters 64-sector copies, though 12 sectors hold every entry).
constexpr std::uint64_t kMaxSectorsPerCluster = 128;

/// The size bounds of a copy in the device's sectors; a copy outside them is not this type's.
/// At most the entries of the type's largest volume, rounded up to the largest cluster.
bool SizeFits(FileSystemType eType, std::uint32_t u32Sectors, std::uint32_t u32SectorSize) {
    std::uint32_t const k = u32SectorSize / 512;
    if (k == 0 || u32Sectors == 0) return false;
    if (eType == FILE_SYSTEM_FAT32) return u32Sectors >= 256 / k;  // the load is capped by the volume's cluster count
    if (eType == FILE_SYSTEM_FAT16 && u32Sectors < 12 / k) return false;
    std::uint64_t const u64MostBytes = ((fat::MaxClusterCount(eType) + 2) * fat::EntryBits(eType) + 7) / 8;
    std::uint64_t const u64Needed = (u64MostBytes + u32SectorSize - 1) / u32SectorSize;
    return u32Sectors <= (u64Needed + kMaxSectorsPerCluster - 1) / kMaxSectorsPerCluster * kMaxSectorsPerCluster;
}

}  // namespace

CFATTable::CFATTable(IStorageDevice* pDevice, FileSystemType eType, long long s64StartSector, std::uint32_t u32Sectors,
                     std::uint32_t u32MaxEntries, int iMedia)
    : m_eType(eType) {
    if (pDevice && Load(pDevice, s64StartSector, u32Sectors, u32MaxEntries)) Check(iMedia);
    if (m_eState == State::kEmpty) m_entries.clear();
}

CFATTable::CFATTable(FileSystemType eType, std::vector<std::uint32_t> entries)
    : m_eType(eType), m_entries(std::move(entries)) {
    Check(fat::kAnyMedia);
    if (m_eState == State::kEmpty) m_entries.clear();
}

void CFATTable::Check(int iMedia) {
    if (m_entries.size() > 0x0FFFFFFF || !fat::HasSoundHeader(m_entries, m_eType, iMedia)) return;
    m_eState = fat::IsValidFATEntries(m_entries, m_eType, iMedia) ? State::kValid : State::kLinksDamaged;
    for (std::uint32_t c = 2; c < m_entries.size(); ++c) {
        if (m_entries[c] != 0) continue;
        if (!m_free.empty() && m_free.back().u32First + m_free.back().u32Count == c)
            ++m_free.back().u32Count;
        else
            m_free.push_back({c, 1});
    }
}

void CFATTable::GuardChains() {
    if (m_eState != State::kLinksDamaged) return;
    fat::CutChainLoops(m_entries, m_eType);
    m_eState = State::kGuarded;
}

bool CFATTable::Load(IStorageDevice* pDevice, long long s64StartSector, std::uint32_t u32Sectors,
                     std::uint32_t u32MaxEntries) {
    int const iSectorSize = pDevice->GetSectorSize();
    std::uint32_t const u32Bits = fat::EntryBits(m_eType);
    if (iSectorSize < 512 || u32Bits == 0 || s64StartSector < 0) return false;
    auto const u32SectorSize = static_cast<std::uint32_t>(iSectorSize);
    if (!SizeFits(m_eType, u32Sectors, u32SectorSize)) return false;
    std::uint64_t const u64CopyEntries = fat::EntriesIn(std::uint64_t{u32Sectors} * u32SectorSize, m_eType);
    std::uint64_t const u64Entries = std::min<std::uint64_t>(u64CopyEntries, u32MaxEntries);
    if (u64Entries < 2) return false;
    std::uint64_t const u64Bytes = (u64Entries * u32Bits + 7) / 8;
    std::uint64_t const u64SectorsNeeded = (u64Bytes + u32SectorSize - 1) / u32SectorSize;
    // Every window must start on an entry: three sectors always hold a whole number of 12-bit
    // entries, so FAT12 windows are a multiple of three sectors.
    std::uint32_t const u32Align = u32Bits == 12 ? 3 : 1;
    std::uint32_t const u32WindowSectors =
        std::max<std::uint32_t>(u32Align, kLoadWindowBytes / u32SectorSize / u32Align * u32Align);

    m_entries.resize(static_cast<std::size_t>(u64Entries));
    std::vector<std::uint8_t> window(std::size_t{u32WindowSectors} * u32SectorSize);
    std::uint64_t u64Entry = 0;
    for (std::uint64_t u64Sector = 0; u64Sector < u64SectorsNeeded; u64Sector += u32WindowSectors) {
        std::uint64_t const u64Count = std::min<std::uint64_t>(u32WindowSectors, u64SectorsNeeded - u64Sector);
        if (!pDevice->ReadSector(window.data(), s64StartSector + static_cast<long long>(u64Sector),
                                 static_cast<long long>(u64Count)))
            return false;
        engine::ByteView const view(window.data(), static_cast<std::size_t>(u64Count) * u32SectorSize);
        std::uint64_t const u64InWindow =
            std::min<std::uint64_t>(fat::EntriesIn(view.Size(), m_eType), u64Entries - u64Entry);
        for (std::uint64_t i = 0; i < u64InWindow; ++i) m_entries[u64Entry++] = fat::ReadEntry(view, m_eType, i);
    }
    return true;
}

std::uint32_t CFATTable::GetNextCluster(std::uint32_t u32Cluster) const {
    if (!Answers() || u32Cluster >= m_entries.size()) return 0;
    std::uint32_t const u32Value = m_entries[u32Cluster];
    if (m_eType != FILE_SYSTEM_FAT32) {
        std::uint32_t const u32Bad = fat::BadClusterMark(m_eType);
        if (u32Value == u32Bad) return kBadCluster;
        if (u32Value > u32Bad) return kEndOfChain;
    }
    return u32Value;
}

IFATTable::FreeClusters CFATTable::NextFreeClusters(std::uint32_t u32From) const {
    if (!Answers()) return {};
    // The last stretch starting at or before u32From may still hold it; else the one after.
    auto it =
        std::upper_bound(m_free.begin(), m_free.end(), u32From,
                         [](std::uint32_t u32Cluster, FreeClusters const& run) { return u32Cluster < run.u32First; });
    if (it != m_free.begin()) {
        FreeClusters const& before = *std::prev(it);
        if (u32From - before.u32First < before.u32Count)
            return {u32From, before.u32Count - (u32From - before.u32First)};
    }
    return it != m_free.end() ? *it : FreeClusters{};
}

std::uint32_t CDoubleFATTable::GetNextCluster(std::uint32_t u32Cluster) const {
    IRealFATTable const* pTable = Active();
    return pTable ? pTable->GetNextCluster(u32Cluster) : 0;
}

IFATTable::FreeClusters CDoubleFATTable::NextFreeClusters(std::uint32_t u32From) const {
    IRealFATTable const* pTable = Active();
    return pTable ? pTable->NextFreeClusters(u32From) : FreeClusters{};
}

namespace IFATTableFactory {

std::unique_ptr<IRealFATTable> CreateRealFATTable(IStorageDevice* pDevice, FileSystemType eType, long long s64Start,
                                                  std::uint32_t u32Sectors, std::uint32_t u32MaxEntries) {
    if (!fat::IsFatType(eType)) return nullptr;
    auto pTable = std::make_unique<CFATTable>(pDevice, eType, s64Start, u32Sectors, u32MaxEntries);
    if (!pTable->IsValidFATTable()) return nullptr;
    return pTable;
}

std::unique_ptr<CDoubleFATTable> CreateFATTable(IStorageDevice* pDevice, long long s64FatStart, FileSystemType eType,
                                                std::uint32_t u32SectorsPerFat, bool bFirst, bool bSecond,
                                                std::uint32_t u32MaxEntries, int iMedia) {
    std::unique_ptr<CFATTable> copies[2];
    auto chosen = [&copies](int i) {
        return i == 0 ? std::make_unique<CDoubleFATTable>(std::move(copies[0]), nullptr)
                      : std::make_unique<CDoubleFATTable>(nullptr, std::move(copies[1]));
    };
    if (fat::IsFatType(eType)) {
        if (bFirst || !bSecond)
            copies[0] =
                std::make_unique<CFATTable>(pDevice, eType, s64FatStart, u32SectorsPerFat, u32MaxEntries, iMedia);
        if (copies[0] && copies[0]->IsValidFATTable()) return chosen(0);
        if (bSecond)
            copies[1] = std::make_unique<CFATTable>(pDevice, eType, s64FatStart + u32SectorsPerFat, u32SectorsPerFat,
                                                    u32MaxEntries, iMedia);
        if (copies[1] && copies[1]->IsValidFATTable()) return chosen(1);
        for (int i = 0; i < 2; ++i) {
            if (!copies[i] || !copies[i]->HasSoundHeader()) continue;
            CatchExeception::WriteLog(
                "FAT: no copy of the allocation table passes its link checks; copy %d is read with its loops cut\n",
                i + 1);
            copies[i]->GuardChains();
            return chosen(i);
        }
    }
    CatchExeception::WriteLog("FAT: no usable copy of the allocation table at sector %lld (%u sectors)\n", s64FatStart,
                              u32SectorsPerFat);
    return std::make_unique<CDoubleFATTable>(nullptr, nullptr);
}

}  // namespace IFATTableFactory
