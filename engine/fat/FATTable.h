#pragma once
// The file allocation table of a FAT12, FAT16 or FAT32 volume, held in memory so that following
// a chain is an array read. One implementation serves every type: the entry width and the marks
// are data. A volume keeps one or two copies; CDoubleFATTable answers from the first that passes
// its checks or, when none does, from the first with a sound header whose loops were cut.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/Types.h"
#include "engine/fat/ondisk/FATTableCheck.h"

class IStorageDevice;

class IFATTable {
public:
    /// Values at and above this end a chain (FAT12 and FAT16 marks are widened to it).
    static constexpr std::uint32_t kEndOfChain = 0x0FFFFFF8;
    static constexpr std::uint32_t kBadCluster = 0x0FFFFFF7;

    /// `u32Count` free clusters in a row from `u32First`; a count of 0 when there are none.
    struct FreeClusters {
        std::uint32_t u32First = 0;
        std::uint32_t u32Count = 0;
    };

    virtual ~IFATTable() = default;
    /// The link stored for `u32Cluster`; 0 (free) for clusters outside the table.
    virtual std::uint32_t GetNextCluster(std::uint32_t u32Cluster) const = 0;
    /// The first free clusters at or after `u32From`, up to the next allocated one or the end of
    /// the table; where the cleared chain of a deleted file may go on.
    virtual FreeClusters NextFreeClusters(std::uint32_t u32From) const = 0;
    /// Whether the table answers at all: without one every link reads 0, free or not.
    virtual bool AnswersLinks() const = 0;
};

class IRealFATTable : public IFATTable {
public:
    /// The table was read and passed the header, link and chain checks.
    virtual bool IsValidFATTable() const = 0;
};

/// One copy of the table. It answers links when it passed its checks, or once GuardChains has
/// made a copy with a sound header but damaged links safe to walk; otherwise every link is 0.
class CFATTable final : public IRealFATTable {
public:
    /// Reads the copy of `u32Sectors` sectors at `s64StartSector`, at most the entries that
    /// `u32MaxEntries` (the volume's clusters + 2) needs, and checks it against the boot
    /// sector's media byte. A copy outside the type's size bounds, one that cannot be read or
    /// one whose header is not sound is left empty.
    CFATTable(IStorageDevice* pDevice, FileSystemType eType, long long s64StartSector, std::uint32_t u32Sectors,
              std::uint32_t u32MaxEntries, int iMedia = fat::kAnyMedia);
    /// A table over entries already in memory (tests and fuzzers).
    CFATTable(FileSystemType eType, std::vector<std::uint32_t> entries);

    std::uint32_t GetNextCluster(std::uint32_t u32Cluster) const override;
    FreeClusters NextFreeClusters(std::uint32_t u32From) const override;
    bool AnswersLinks() const override { return Answers(); }
    bool IsValidFATTable() const override { return m_eState == State::kValid; }
    /// The copy was read and its header is sound, whatever its links say.
    bool HasSoundHeader() const { return m_eState != State::kEmpty; }
    /// Lets a copy whose links failed the checks answer, with its loops cut (fat::CutChainLoops)
    /// so that every walk along it ends. Nothing for a valid or an empty copy.
    void GuardChains();
    std::uint32_t GetEntryCount() const { return static_cast<std::uint32_t>(m_entries.size()); }

private:
    enum class State { kEmpty, kLinksDamaged, kGuarded, kValid };

    bool Load(IStorageDevice* pDevice, long long s64StartSector, std::uint32_t u32Sectors, std::uint32_t u32MaxEntries);
    void Check(int iMedia);
    bool Answers() const { return m_eState == State::kValid || m_eState == State::kGuarded; }

    FileSystemType m_eType;
    std::vector<std::uint32_t> m_entries;  // host order, unpacked, FAT32 masked to 28 bits
    std::vector<FreeClusters> m_free;      // every stretch of free entries, in cluster order
    State m_eState = State::kEmpty;
};

/// The copy the factory chose (kept in the first slot when it is the first copy); answers 0
/// when neither slot holds one.
class CDoubleFATTable final : public IFATTable {
public:
    CDoubleFATTable(std::unique_ptr<IRealFATTable> pPrimary, std::unique_ptr<IRealFATTable> pBackup)
        : m_pPrimary(std::move(pPrimary)), m_pBackup(std::move(pBackup)) {}
    std::uint32_t GetNextCluster(std::uint32_t u32Cluster) const override;
    FreeClusters NextFreeClusters(std::uint32_t u32From) const override;
    bool AnswersLinks() const override { return Active() != nullptr && Active()->AnswersLinks(); }
    bool HasTable() const { return Active() != nullptr; }

private:
    IRealFATTable const* Active() const { return m_pPrimary ? m_pPrimary.get() : m_pBackup.get(); }

    std::unique_ptr<IRealFATTable> m_pPrimary;
    std::unique_ptr<IRealFATTable> m_pBackup;
};

namespace IFATTableFactory {
/// A copy that passed its checks, or null.
std::unique_ptr<IRealFATTable> CreateRealFATTable(IStorageDevice* pDevice, FileSystemType eType, long long s64Start,
                                                  std::uint32_t u32Sectors, std::uint32_t u32MaxEntries);
/// The first copy at `s64FatStart` when wanted (or when the second is not), the second at
/// `s64FatStart + u32SectorsPerFat` when wanted and the first fails its checks. When no copy
/// passes, one damaged chain must not cost the whole volume: the first copy read whose header
/// is sound is used with its loops cut. Never null; logs when a damaged or no copy is used.
std::unique_ptr<CDoubleFATTable> CreateFATTable(IStorageDevice* pDevice, long long s64FatStart, FileSystemType eType,
                                                std::uint32_t u32SectorsPerFat, bool bFirst, bool bSecond,
                                                std::uint32_t u32MaxEntries, int iMedia = fat::kAnyMedia);
}  // namespace IFATTableFactory
