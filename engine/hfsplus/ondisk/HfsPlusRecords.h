#pragma once
// Keys and records of the three HFS+ B-trees, read from one record of a node (big-endian).
// Every key starts with its u16 keyLength, which excludes itself; the record's data (or, in an
// index node, the u32 child node number) starts at keyLength + 2.
//
// Catalog key: 0 keyLength, 2 parentID (4), 6 nodeName length (2), 8 up to 255 UTF-16BE units.
// Catalog records (u16 recordType first):
//   1 folder (88 bytes): 8 folderID, 12 createDate, 16 contentModDate, 24 accessDate
//   2 file (248 bytes):  8 fileID, 12 createDate, 16 contentModDate, 24 accessDate,
//                        41 ownerFlags (0x20 compressed), 44 special (a hard link's
//                        iNode number), 48 userInfo.fileType,
//                        52 userInfo.fileCreator, 88 data fork, 168 resource fork
//   3, 4 folder / file thread: 4 parentID, 8 nodeName length, 10 units
// Extent key (12 bytes): 0 keyLength (10), 2 forkType, 3 pad, 4 fileID, 8 startBlock; the
// record is eight extent descriptors.
// Attribute key: 0 keyLength, 2 pad, 4 fileID, 8 startBlock, 12 name length, 14 units.
// Attribute records (u32 recordType first): 0x10 inline data (12 attrSize, 16 data),
// 0x20 fork data (8 fork), 0x30 extents (8 eight descriptors).
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/ByteView.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

namespace hfsplus {

constexpr std::size_t kMaxNameUnits = 255;
constexpr std::uint16_t kRecordFolder = 1;
constexpr std::uint16_t kRecordFile = 2;
constexpr std::uint16_t kRecordFolderThread = 3;
constexpr std::uint16_t kRecordFileThread = 4;
constexpr std::size_t kFolderRecordSize = 88;
constexpr std::size_t kFileRecordSize = 248;
constexpr std::size_t kThreadRecordMinSize = 10;
constexpr std::uint8_t kOwnerFlagCompressed = 0x20;
constexpr std::uint32_t kFileTypeFolderLink = 0x66647270;  // "fdrp": a directory hard link
constexpr std::uint32_t kFileTypeSymlink = 0x736C6E6B;     // "slnk"
constexpr std::uint32_t kFileTypeHardLink = 0x686C6E6B;    // "hlnk", with creator "hfs+"
constexpr std::uint32_t kCreatorHfsPlus = 0x6866732B;      // "hfs+"
constexpr std::size_t kExtentKeySize = 12;
constexpr std::uint32_t kAttrInlineData = 0x10;
constexpr std::uint32_t kAttrForkData = 0x20;
constexpr std::uint32_t kAttrExtents = 0x30;
constexpr std::uint16_t kSlash = 0x2F;
constexpr std::uint16_t kColon = 0x3A;

struct CatalogKey {
    std::uint32_t u32ParentID = 0;
    /// Host-order units; a "/" on disk is kept as ":", the way the name is shown.
    std::vector<std::uint16_t> name;
};

struct CatalogRecord {
    std::uint16_t u16Type = 0;
    std::uint32_t u32ID = 0;  // folderID or fileID; for threads, the parent id
    std::uint32_t u32CreateDate = 0;
    std::uint32_t u32ModifyDate = 0;
    std::uint32_t u32AccessDate = 0;
    std::uint8_t u8OwnerFlags = 0;
    std::uint32_t u32Special = 0;
    std::uint32_t u32FileType = 0;
    std::uint32_t u32Creator = 0;
    HFSPlusForkData dataFork;
    HFSPlusForkData resourceFork;
    std::vector<std::uint16_t> threadName;  // threads only
};

struct ExtentKey {
    std::uint8_t u8ForkType = 0;
    std::uint32_t u32FileID = 0;
    std::uint32_t u32StartBlock = 0;
};

struct AttrKey {
    std::uint32_t u32FileID = 0;
    std::uint32_t u32StartBlock = 0;
    std::vector<std::uint16_t> name;
};

/// The key's length with its length field: where the record's data starts. Nullopt when the
/// field or the key does not fit the record.
std::optional<std::size_t> RealKeyLength(engine::ByteView record);
/// The key of a record, at least `minLength` bytes with its length field; empty when it is
/// shorter or does not fit the record.
engine::ByteView KeyBytes(engine::ByteView record, std::size_t minLength);
/// The record's data after its key; empty when the key does not fit.
engine::ByteView RecordData(engine::ByteView record);
/// The child node number after the key of an index record; nullopt when it does not fit.
std::optional<std::uint32_t> ChildPointer(engine::ByteView record);

/// The catalog key of a record; nullopt when it is short, or its name is longer than 255
/// units or than the key.
std::optional<CatalogKey> ReadCatalogKey(engine::ByteView record);
/// The parent id of the catalog key ReadCatalogKey reads, without copying its name.
std::optional<std::uint32_t> ReadCatalogKeyParent(engine::ByteView record);
/// A catalog leaf record's data; nullopt for an unknown type or one shorter than its layout.
std::optional<CatalogRecord> ReadCatalogRecord(engine::ByteView data);
/// Whether a file record is a hard link, its content in the file "iNode<special>" of the
/// private-data folder.
bool IsHardLink(CatalogRecord const& record);
/// Whether a file record is the journal or its info block (".journal", ".journal_info_block" in
/// the root folder): the file system's own, not the user's.
bool IsJournalFile(CatalogKey const& key, CatalogRecord const& record);
/// Whether data is a thread record whose name fills it exactly.
bool IsValidCatalogThread(engine::ByteView data);

std::optional<ExtentKey> ReadExtentKey(engine::ByteView record);
/// The inline data of an attribute record of type 0x10; nullopt for other types or when the
/// data runs past the record.
std::optional<engine::ByteView> ReadAttrInlineData(engine::ByteView data);
std::optional<AttrKey> ReadAttrKey(engine::ByteView record);

/// Key orders; each answers below, equal or above zero for a below, equal or above b.
/// Catalog: parent id, then the name, case folded when `u8CompareType` is 0xCF, else binary;
/// ":" compares as "/".
int CompareCatalogKeys(CatalogKey const& a, CatalogKey const& b, std::uint8_t u8CompareType);
/// Extents: file id, fork type, start block.
int CompareExtentKeys(ExtentKey const& a, ExtentKey const& b);
/// Attributes: file id, then the name binary, then start block.
int CompareAttrKeys(AttrKey const& a, AttrKey const& b);

}  // namespace hfsplus
