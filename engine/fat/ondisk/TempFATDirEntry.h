#pragma once
// One 32-byte FAT folder entry, and the pieces of long names.
//
// | offset | size | field (little-endian)                                         |
// |      0 |    8 | name, blank-padded; 0x00 never used, 0xE5 erased               |
// |      8 |    3 | extension, blank-padded                                        |
// |     11 |    1 | attribute: 0x0F long-name piece, 0x10 folder, 0x08 label, 0x40 reserved |
// |     12 |    1 | case flags: 0x08 name in lower case, 0x10 extension in lower case |
// |     14 |    2 | creation time (bits 0-4 two-second count, 5-10 minute, 11-15 hour) |
// |     16 |    2 | creation date (bits 0-4 day, 5-8 month, 9-15 years since 1980) |
// |     18 |    2 | last access date                                               |
// |     20 |    2 | first cluster, high 16 bits (FAT32)                            |
// |     22 |    2 | modification time                                              |
// |     24 |    2 | modification date                                              |
// |     26 |    2 | first cluster, low 16 bits                                     |
// |     28 |    4 | size in bytes                                                  |
// A long-name piece carries 13 UTF-16LE units at offsets 1-10, 14-25 and 28-31; the pieces
// stand before their 8.3 entry, the name's last piece first (Microsoft's FAT overview).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ByteView.h"

class CTempFATDirEntry {
public:
    static constexpr std::size_t kSize = 32;
    static constexpr std::uint8_t kAttrLongName = 0x0F;
    static constexpr std::uint8_t kAttrLabel = 0x08;
    static constexpr std::uint8_t kAttrDirectory = 0x10;
    static constexpr std::uint8_t kAttrReserved = 0x40;
    static constexpr std::uint8_t kErased = 0xE5;
    static constexpr std::size_t kUnitsPerLongNamePiece = 13;

    /// A view of the first 32 bytes; a shorter view reads as 32 zero bytes.
    explicit CTempFATDirEntry(engine::ByteView bytes);

    /// Whether the entry may stand in a folder; with `bCheckCluster` the size and first cluster
    /// must agree too (a file has both or neither, a folder has no size with a high word).
    bool IsValidFATDirEntry(bool bCheckCluster) const;
    bool IsErased() const { return Byte(0) == kErased; }
    bool IsNeverUsed() const { return Byte(0) == 0; }
    bool IsDirectory() const { return (Attribute() & kAttrDirectory) != 0; }
    bool IsLongFileNameEntry() const { return Attribute() == kAttrLongName; }
    bool IsVolumeLabel() const { return (Attribute() & kAttrLabel) != 0; }
    bool IsBlank() const;
    /// "." or ".." (blank-padded, blank extension) on a folder entry.
    bool IsCurDirFileName() const { return IsDotName(1); }
    bool IsParentDirFileName() const { return IsDotName(2); }

    std::uint8_t Attribute() const { return Byte(11); }
    std::uint32_t GetFirstClusterNO() const { return std::uint32_t{Le16(20)} << 16 | Le16(26); }
    std::uint16_t GetFirstClusterHigh() const { return Le16(20); }
    std::uint32_t GetFileSize() const;
    std::uint16_t CreationTime() const { return Le16(14); }
    std::uint16_t CreationDate() const { return Le16(16); }
    std::uint16_t LastAccessDate() const { return Le16(18); }
    std::uint16_t ModificationTime() const { return Le16(22); }
    std::uint16_t ModificationDate() const { return Le16(24); }

    /// The 8.3 name: trailing blanks cut, an erased first byte shown as '#', bytes of 0x80 and
    /// above (code-page characters) and '/' as '_'; "NAME.EXT" for a file, "NAMEEXT" for a label.
    std::string GetShortName(bool bAsLabel) const;
    /// Appends this long-name piece's 13 units, in order, to `units`.
    void AppendLongNameUnits(std::vector<std::uint16_t>& units) const;

    /// The 11 name bytes are acceptable in an 8.3 entry.
    static bool IsValidFileName(engine::ByteView name);
    /// A non-empty long name without any of ? * | \ / : " < > and not "." or "..".
    static bool IsValidLongFileName(std::string const& name);

private:
    std::uint8_t Byte(std::size_t offset) const { return m_bytes[offset]; }
    std::uint16_t Le16(std::size_t offset) const { return engine::ByteView(m_bytes, kSize).Le16(offset); }
    bool IsDotName(int iDots) const;

    std::uint8_t m_bytes[kSize] = {};
};
