// Compound documents (Microsoft's Compound File Binary format): a 512-byte header, then sectors
// chained by a sector allocation table (FAT). Sector N starts at (N + 1) x the sector size.
// Layout from [MS-CFB], little-endian:
//   0 8 D0 CF 11 E0 A1 B1 1A E1;  0x1E 2 sector shift (9: 512 bytes, 12: 4096);  0x30 4 first
//   directory sector;  0x44 4 first DIFAT sector;  0x4C 109 x 4 the first FAT sector numbers
//   DIFAT sector: further FAT sector numbers, its last entry the next DIFAT sector
//   FAT sector: one 4-byte entry per sector (next sector, or a marker; FFFFFFFF: free)
//   directory entry, 128 bytes: 0 64 name (UTF-16LE, 0-terminated);  0x50 16 class identifier
// The document ends with the last sector its FAT uses: the last FAT sector's last used entry, or,
// when its last FAT sectors are all free (reserved ahead by some writers), an earlier one's. Its kind (word processor, spreadsheet,
// ...) follows from its stream names, most at fixed places of the directory.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"
#include "engine/carve/analysers/OleKind.h"

namespace {

constexpr std::string_view kSignature{"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8};
constexpr std::uint32_t kHeaderBytes = 512;
constexpr std::size_t kSectorShiftOffset = 0x1E;
constexpr std::size_t kFirstDirectoryOffset = 0x30;
constexpr std::size_t kFirstDifatOffset = 0x44;
constexpr std::size_t kHeaderFatOffset = 0x4C;
constexpr std::size_t kHeaderFatEntries = 109;
constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kLastRegularSector = 0xFFFFFFFA;
/// A DIFAT chain longer than this (a billion FAT entries) is damaged.
constexpr std::uint32_t kMaxDifatSectors = 8192;
constexpr std::uint32_t kMaxDirectorySectors = 16;
/// The FAT sectors kept to follow the directory: they map the first 8 million sectors at least.
constexpr std::size_t kMaxKeptFatSectors = 65536;
constexpr std::uint32_t kDirectoryEntryBytes = 128;
constexpr std::size_t kNameUnits = 32;
constexpr std::size_t kClassIdOffset = 0x50;
constexpr std::size_t kClassIdBytes = 16;
/// Without a readable directory, a document longer than this is not trusted.
constexpr std::uint64_t kMaxUntypedSize = 0xA00000;
constexpr std::uint64_t kVisioExtraBytes = 1024;

/// The sector size of a document: 512 or 4096 bytes; none for another shift.
std::optional<std::uint32_t> SectorSizeOf(engine::ByteView header) {
    std::uint16_t const u16Shift = header.Le16(kSectorShiftOffset);
    if (u16Shift == 9 || u16Shift == 12) return std::uint32_t{1} << u16Shift;
    return std::nullopt;
}

class OleDocument {
public:
    OleDocument(RawFileBuffer& reader, std::uint32_t u32SectorSize)
        : m_reader(reader), m_u32SectorSize(u32SectorSize) {}

    /// Counts the FAT sectors listed by the header and the DIFAT chain; false when there is none.
    bool ReadFatList(engine::ByteView header) {
        for (std::size_t i = 0; i < kHeaderFatEntries; ++i) {
            m_headerFat[i] = header.Le32(kHeaderFatOffset + 4 * i);
            AddFatSector(m_headerFat[i]);
        }
        std::uint32_t const u32PerDifat = EntriesPerSector() - 1;
        std::uint32_t u32Difat = header.Le32(kFirstDifatOffset);
        // Each step climbs to a higher sector and the chain is capped: it ends.
        for (std::uint32_t u32Step = 0; u32Step < kMaxDifatSectors && u32Difat < kLastRegularSector; ++u32Step) {
            engine::ByteView const sector = ReadSector(u32Difat);
            if (sector.Empty()) break;
            m_difatSectors.push_back(u32Difat);
            for (std::uint32_t i = 0; i < u32PerDifat; ++i) AddFatSector(sector.Le32(4 * i));
            std::uint32_t const u32Next = sector.Le32(4 * u32PerDifat);
            if (u32Next <= u32Difat) break;
            u32Difat = u32Next;
        }
        return m_u64FatSectors != 0;
    }

    /// The header and every sector up to the last one the FAT marks in use, its FAT sectors
    /// looked at from the last backwards (each read once); none when one of them cannot be read
    /// or none marks a sector in use (no document).
    std::optional<std::uint64_t> Size() {
        std::uint64_t u64Index = m_u64FatSectors;  // of the FAT sector looked at next, plus one
        std::vector<std::uint32_t> listed;
        // The DIFAT sectors from the last, then the header's list: each is copied out, as
        // reading a FAT sector replaces the window it lies in.
        for (std::size_t d = m_difatSectors.size() + 1; d-- > 0 && u64Index > 0;) {
            listed.clear();
            if (d == 0) {
                listed.assign(m_headerFat.begin(), m_headerFat.end());
            } else {
                engine::ByteView const difat = ReadSector(m_difatSectors[d - 1]);
                if (difat.Empty()) return std::nullopt;
                for (std::uint32_t i = 0; i + 1 < EntriesPerSector(); ++i) listed.push_back(difat.Le32(4 * i));
            }
            for (std::size_t i = listed.size(); i-- > 0 && u64Index > 0;) {
                if (listed[i] >= kLastRegularSector) continue;
                --u64Index;
                auto const used = UsedEntries(listed[i]);
                if (!used) return std::nullopt;
                if (*used != 0)
                    return m_u32SectorSize +
                           (u64Index * EntriesPerSector() + *used) * m_u32SectorSize;  // below 2^23 x 2^10 x 2^12
            }
        }
        return std::nullopt;
    }

    /// The directory's entries, up to 16 sectors of its chain; empty when the first cannot be read.
    std::vector<OleEntry> Directory(std::uint32_t u32First) {
        std::vector<OleEntry> entries;
        std::uint32_t u32Sector = u32First;
        for (std::uint32_t u32Step = 0; u32Step < kMaxDirectorySectors && u32Sector < kLastRegularSector; ++u32Step) {
            engine::ByteView const sector = ReadSector(u32Sector);
            if (sector.Empty()) break;
            for (std::uint32_t u32At = 0; u32At + kDirectoryEntryBytes <= m_u32SectorSize;
                 u32At += kDirectoryEntryBytes)
                entries.push_back(Entry(sector.Sub(u32At, kDirectoryEntryBytes)));
            auto const next = FatEntry(u32Sector);
            if (!next) break;
            u32Sector = *next;
        }
        return entries;
    }

private:
    std::uint32_t EntriesPerSector() const { return m_u32SectorSize / 4; }

    void AddFatSector(std::uint32_t u32Sector) {
        if (u32Sector >= kLastRegularSector) return;
        ++m_u64FatSectors;
        if (m_fatSectors.size() < kMaxKeptFatSectors) m_fatSectors.push_back(u32Sector);
    }

    /// Up to the last entry in use of a FAT sector: 0 when it is all free; none when unreadable.
    std::optional<std::uint64_t> UsedEntries(std::uint32_t u32FatSector) {
        engine::ByteView const fat = ReadSector(u32FatSector);
        if (fat.Empty()) return std::nullopt;
        for (std::uint32_t i = EntriesPerSector(); i-- > 0;)
            if (fat.Le32(4 * i) != kFree) return i + 1;
        return 0;
    }

    engine::ByteView ReadSector(std::uint32_t u32Sector) {
        return m_reader.Read((std::uint64_t{u32Sector} + 1) * m_u32SectorSize, m_u32SectorSize);
    }

    /// The FAT's entry for a sector: the next sector of its chain.
    std::optional<std::uint32_t> FatEntry(std::uint32_t u32Sector) {
        std::uint32_t const u32Index = u32Sector / EntriesPerSector();
        if (u32Index >= m_fatSectors.size()) return std::nullopt;
        engine::ByteView const fat = ReadSector(m_fatSectors[u32Index]);
        if (fat.Empty()) return std::nullopt;
        return fat.Le32(4 * (u32Sector % EntriesPerSector()));
    }

    static OleEntry Entry(engine::ByteView entry) {
        OleEntry result;
        for (std::size_t i = 0; i < kNameUnits; ++i) {
            std::uint16_t const u16Unit = entry.Le16(2 * i);
            if (u16Unit == 0) break;
            result.name.push_back(u16Unit < 0x80 ? static_cast<char>(u16Unit) : '\x7F');
        }
        for (std::size_t i = 0; i < kClassIdBytes; ++i)
            result.bClassId = result.bClassId || entry.U8(kClassIdOffset + i) != 0;
        return result;
    }

    RawFileBuffer& m_reader;
    std::uint32_t m_u32SectorSize;
    std::uint64_t m_u64FatSectors = 0;
    std::array<std::uint32_t, kHeaderFatEntries> m_headerFat{};
    std::vector<std::uint32_t> m_difatSectors;  // in chain order, at most kMaxDifatSectors
    std::vector<std::uint32_t> m_fatSectors;    // the first ones, to follow the directory's chain
};

std::optional<KeyedFile> OleDescribe(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, kHeaderBytes);
    if (!header.Equals(0, kSignature)) return std::nullopt;
    auto const sectorSize = SectorSizeOf(header);
    if (!sectorSize) return std::nullopt;
    std::uint32_t const u32FirstDirectory = header.Le32(kFirstDirectoryOffset);

    OleDocument document(reader, *sectorSize);
    if (!document.ReadFatList(header)) return std::nullopt;  // a document without a FAT is none
    auto const size = document.Size();
    if (!size) return std::nullopt;
    std::vector<OleEntry> const entries = document.Directory(u32FirstDirectory);
    if (entries.empty() && *size > kMaxUntypedSize) return std::nullopt;
    RAW_FILE_TYPE const eType = OleKind(entries);
    return KeyedFile{eType == RAW_FILE_TYPE_VSD ? *size + kVisioExtraBytes : *size, eType, {}};
}

constexpr std::string_view kKeys[] = {kSignature};
constexpr KeyedFormat kOle = {RAW_FILE_TYPE_OLE, kKeys, nullptr, nullptr, &OleDescribe};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileOLEAnalyser() { return CreateKeyedAnalyser(kOle); }
