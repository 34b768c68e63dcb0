#include "engine/hfsplus/ondisk/HfsPlusRecords.h"

#include <algorithm>
#include <string_view>

#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"

namespace hfsplus {

namespace {

constexpr std::size_t kCatalogKeyMinLength = 6;  // parentID and name length
constexpr std::size_t kCatalogNameOffset = 8;
constexpr std::size_t kAttrKeyMinLength = 12;
constexpr std::size_t kAttrNameOffset = 14;
constexpr std::size_t kAttrInlineHeader = 16;

/// `count` UTF-16BE units at `offset`, "/" kept as ":"; nullopt when they do not fit or
/// are too many for a name.
std::optional<std::vector<std::uint16_t>> ReadName(engine::ByteView bytes, std::size_t offset, std::size_t count) {
    if (count > kMaxNameUnits || !bytes.Has(offset, 2 * count)) return std::nullopt;
    std::vector<std::uint16_t> name(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint16_t const unit = bytes.Be16(offset + 2 * i);
        name[i] = unit == kSlash ? kColon : unit;
    }
    return name;
}

}  // namespace

std::optional<std::size_t> RealKeyLength(engine::ByteView record) {
    if (!record.Has(0, 2)) return std::nullopt;
    std::size_t const length = std::size_t{record.Be16(0)} + 2;
    if (!record.Has(0, length)) return std::nullopt;
    return length;
}

engine::ByteView RecordData(engine::ByteView record) {
    std::optional<std::size_t> const keyLength = RealKeyLength(record);
    return keyLength ? record.From(*keyLength) : engine::ByteView();
}

std::optional<std::uint32_t> ChildPointer(engine::ByteView record) {
    engine::ByteView const data = RecordData(record);
    if (!data.Has(0, 4)) return std::nullopt;
    return data.Be32(0);
}

engine::ByteView KeyBytes(engine::ByteView record, std::size_t minLength) {
    std::optional<std::size_t> const keyLength = RealKeyLength(record);
    if (!keyLength || *keyLength < minLength) return {};
    return record.Sub(0, *keyLength);
}

namespace {

/// The key of a catalog record when it holds a parent id and a name that fits; else empty.
engine::ByteView CatalogKeyBytes(engine::ByteView record) {
    engine::ByteView const key = KeyBytes(record, 2 + kCatalogKeyMinLength);
    if (key.Empty()) return {};
    std::size_t const count = key.Be16(6);
    if (count > kMaxNameUnits || !key.Has(kCatalogNameOffset, 2 * count)) return {};
    return key;
}

}  // namespace

std::optional<CatalogKey> ReadCatalogKey(engine::ByteView record) {
    engine::ByteView const key = CatalogKeyBytes(record);
    if (key.Empty()) return std::nullopt;
    CatalogKey result;
    result.u32ParentID = key.Be32(2);
    std::optional<std::vector<std::uint16_t>> name = ReadName(key, kCatalogNameOffset, key.Be16(6));
    if (!name) return std::nullopt;
    result.name = std::move(*name);
    return result;
}

std::optional<std::uint32_t> ReadCatalogKeyParent(engine::ByteView record) {
    engine::ByteView const key = CatalogKeyBytes(record);
    if (key.Empty()) return std::nullopt;
    return key.Be32(2);
}

bool IsValidCatalogThread(engine::ByteView data) {
    if (!data.Has(0, kThreadRecordMinSize)) return false;
    std::uint16_t const type = data.Be16(0);
    if (type != kRecordFolderThread && type != kRecordFileThread) return false;
    return kThreadRecordMinSize + 2 * std::size_t{data.Be16(8)} == data.Size();
}

bool IsHardLink(CatalogRecord const& record) {
    return record.u16Type == kRecordFile && record.u32FileType == kFileTypeHardLink &&
           record.u32Creator == kCreatorHfsPlus;
}

bool IsJournalFile(CatalogKey const& key, CatalogRecord const& record) {
    if (record.u16Type != kRecordFile || key.u32ParentID != kRootFolderID) return false;
    auto const named = [&key](std::string_view name) {
        return std::equal(key.name.begin(), key.name.end(), name.begin(), name.end());
    };
    return named(".journal") || named(".journal_info_block");
}

std::optional<CatalogRecord> ReadCatalogRecord(engine::ByteView data) {
    if (!data.Has(0, 2)) return std::nullopt;
    CatalogRecord record;
    record.u16Type = data.Be16(0);
    switch (record.u16Type) {
        case kRecordFolder:
        case kRecordFile: {
            std::size_t const size = record.u16Type == kRecordFolder ? kFolderRecordSize : kFileRecordSize;
            if (!data.Has(0, size)) return std::nullopt;
            record.u32ID = data.Be32(8);
            record.u32CreateDate = data.Be32(12);
            record.u32ModifyDate = data.Be32(16);
            record.u32AccessDate = data.Be32(24);
            if (record.u16Type == kRecordFile) {
                record.u8OwnerFlags = data.U8(41);
                record.u32Special = data.Be32(44);
                record.u32FileType = data.Be32(48);
                record.u32Creator = data.Be32(52);
                record.dataFork = ReadForkData(data.Sub(88, kForkDataSize));
                record.resourceFork = ReadForkData(data.Sub(168, kForkDataSize));
            }
            return record;
        }
        case kRecordFolderThread:
        case kRecordFileThread: {
            if (!data.Has(0, kThreadRecordMinSize)) return std::nullopt;
            record.u32ID = data.Be32(4);
            std::optional<std::vector<std::uint16_t>> name = ReadName(data, kThreadRecordMinSize, data.Be16(8));
            if (!name) return std::nullopt;
            record.threadName = std::move(*name);
            return record;
        }
        default:
            return std::nullopt;
    }
}

std::optional<ExtentKey> ReadExtentKey(engine::ByteView record) {
    engine::ByteView const key = KeyBytes(record, kExtentKeySize);
    if (key.Empty()) return std::nullopt;
    return ExtentKey{key.U8(2), key.Be32(4), key.Be32(8)};
}

std::optional<engine::ByteView> ReadAttrInlineData(engine::ByteView data) {
    if (!data.Has(0, kAttrInlineHeader) || data.Be32(0) != kAttrInlineData) return std::nullopt;
    std::uint32_t const size = data.Be32(12);
    if (!data.Has(kAttrInlineHeader, size)) return std::nullopt;
    return data.Sub(kAttrInlineHeader, size);
}

std::optional<AttrKey> ReadAttrKey(engine::ByteView record) {
    engine::ByteView const key = KeyBytes(record, 2 + kAttrKeyMinLength);
    if (key.Empty()) return std::nullopt;
    AttrKey result;
    result.u32FileID = key.Be32(4);
    result.u32StartBlock = key.Be32(8);
    std::optional<std::vector<std::uint16_t>> name = ReadName(key, kAttrNameOffset, key.Be16(12));
    if (!name) return std::nullopt;
    result.name = std::move(*name);
    return result;
}

std::uint32_t TestNodeBelongToFile(CHFSPlusBTNode const& node) {
    std::uint32_t u32Guess = 0;
    for (std::uint16_t i = 0; i < node.GetRecordCount(); ++i) {
        engine::ByteView const record = node.GetRecord(i);
        if (!RealKeyLength(record)) return u32Guess;
        engine::ByteView const data = RecordData(record);
        std::uint16_t const type = data.Has(0, 2) ? data.Be16(0) : 0;
        if (IsValidCatalogThread(data) || (type == kRecordFolder && data.Size() == kFolderRecordSize) ||
            (type == kRecordFile && data.Size() == kFileRecordSize))
            return kCatalogFileID;
        if ((type == kAttrForkData && data.Size() == kForkDataSize + 8) ||
            (type == kAttrExtents && data.Size() == kExtentRecordSize + 8))
            u32Guess = kAttributesFileID;
        else if (data.Size() == kExtentRecordSize)
            u32Guess = kExtentsFileID;
    }
    return u32Guess;
}

}  // namespace hfsplus
