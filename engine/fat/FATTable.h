#pragma once
// The file allocation table of a FAT16 or FAT32 volume, held in memory so that following a
// chain is an array read. One implementation serves both types: the entry width and the marks
// are data. A volume keeps two copies; CDoubleFATTable answers from the first usable one.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/Types.h"

class IStorageDevice;

class IFATTable {
public:
    /// Values at and above this end a chain (FAT16 marks are widened to it).
    static constexpr std::uint32_t kEndOfChain = 0x0FFFFFF8;
    static constexpr std::uint32_t kBadCluster = 0x0FFFFFF7;

    virtual ~IFATTable() = default;
    /// The link stored for `u32Cluster`; 0 (free) for clusters outside the table.
    virtual std::uint32_t GetNextCluster(std::uint32_t u32Cluster) const = 0;
};

class IRealFATTable : public IFATTable {
public:
    /// The table was read and passed the header, link and chain checks.
    virtual bool IsValidFATTable() const = 0;
};

/// One copy of the table.
class CFATTable final : public IRealFATTable {
public:
    /// Reads the copy of `u32Sectors` sectors at `s64StartSector`, at most the entries that
    /// `u32MaxEntries` (clusters + 2) needs, and checks it. A copy outside the type's size
    /// bounds, or one that cannot be read, is left empty and invalid.
    CFATTable(IStorageDevice* pDevice, FileSystemType eType, long long s64StartSector, std::uint32_t u32Sectors,
              std::uint32_t u32MaxEntries);
    /// A table over entries already in memory (tests and fuzzers).
    CFATTable(FileSystemType eType, std::vector<std::uint32_t> entries);

    std::uint32_t GetNextCluster(std::uint32_t u32Cluster) const override;
    bool IsValidFATTable() const override { return m_bValid; }
    std::uint32_t GetEntryCount() const { return static_cast<std::uint32_t>(m_entries.size()); }

private:
    bool Load(IStorageDevice* pDevice, long long s64StartSector, std::uint32_t u32Sectors, std::uint32_t u32MaxEntries);

    FileSystemType m_eType;
    std::vector<std::uint32_t> m_entries;  // host order, FAT32 masked to 28 bits
    bool m_bValid = false;
};

/// The first copy, or the second when the first is unusable; answers 0 when neither is.
class CDoubleFATTable final : public IFATTable {
public:
    CDoubleFATTable(std::unique_ptr<IRealFATTable> pPrimary, std::unique_ptr<IRealFATTable> pBackup)
        : m_pPrimary(std::move(pPrimary)), m_pBackup(std::move(pBackup)) {}
    std::uint32_t GetNextCluster(std::uint32_t u32Cluster) const override;
    bool HasTable() const { return m_pPrimary || m_pBackup; }

private:
    std::unique_ptr<IRealFATTable> m_pPrimary;
    std::unique_ptr<IRealFATTable> m_pBackup;
};

namespace IFATTableFactory {
/// A copy that passed its checks, or null.
std::unique_ptr<IRealFATTable> CreateRealFATTable(IStorageDevice* pDevice, FileSystemType eType, long long s64Start,
                                                  std::uint32_t u32Sectors, std::uint32_t u32MaxEntries);
/// The first copy at `s64FatStart` when wanted (or when the second is not), the second at
/// `s64FatStart + u32SectorsPerFat` when wanted and the first is unusable. Never null; logs
/// when no copy can be used.
std::unique_ptr<CDoubleFATTable> CreateFATTable(IStorageDevice* pDevice, long long s64FatStart, FileSystemType eType,
                                                std::uint32_t u32SectorsPerFat, bool bFirst, bool bSecond,
                                                std::uint32_t u32MaxEntries);
}  // namespace IFATTableFactory
