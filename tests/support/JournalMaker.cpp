#include "support/JournalMaker.h"

#include <algorithm>

#include "engine/ByteView.h"
#include "engine/ByteWriter.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"
#include "engine/hfsplus/ondisk/HfsPlusRecords.h"
#include "support/HfsPlusScan.h"

namespace hfsplustest {

namespace {

using namespace hfsplus;

constexpr std::size_t kDescriptor = kNodeDescriptorSize;
constexpr std::size_t kJournalInfoBlock = 899;
constexpr std::size_t kJournalFirstBlock = 900;
constexpr std::size_t kJournalSize = 16 * kMacBlockSize;
constexpr std::uint32_t kHeaderSize = 512;
constexpr std::uint32_t kListSize = 4096;
constexpr std::size_t kAttributesOffset = 4;  // in the volume header
constexpr std::size_t kJournalInfoOffset = 12;
constexpr std::uint32_t kJournaled = 0x2000;

std::optional<CatalogKey> KeyOf(Bytes const& record) {
    return ReadCatalogKey(engine::ByteView(record.data(), record.size()));
}
engine::ByteView DataOf(Bytes const& record) { return RecordData(engine::ByteView(record.data(), record.size())); }
std::size_t KeyLength(Bytes const& record) { return *RealKeyLength(engine::ByteView(record.data(), record.size())); }

Bytes CatalogKeyBytes(std::uint32_t u32Parent, std::u16string const& name) {
    Bytes key(8 + 2 * name.size());
    engine::ByteWriter(key).Be16(0, static_cast<std::uint16_t>(6 + 2 * name.size()));
    engine::ByteWriter(key).Be32(2, u32Parent);
    engine::ByteWriter(key).Be16(6, static_cast<std::uint16_t>(name.size()));
    for (std::size_t i = 0; i < name.size(); ++i) engine::ByteWriter(key).Be16(8 + 2 * i, name[i]);
    return key;
}

bool IsThreadOf(Bytes const& record, std::uint32_t u32ID) {
    std::optional<CatalogKey> const key = KeyOf(record);
    return key && key->name.empty() && key->u32ParentID == u32ID;
}

bool IsItem(Bytes const& record, std::uint32_t u32ID) {
    engine::ByteView const data = DataOf(record);
    return data.Has(0, 12) && (data.Be16(0) == kRecordFile || data.Be16(0) == kRecordFolder) && data.Be32(8) == u32ID;
}

}  // namespace

LeafRecords ReadLeafRecords(Bytes const& image, std::size_t at, std::size_t nodeSize) {
    CHFSPlusBTNode const node(
        Bytes(image.begin() + static_cast<long>(at), image.begin() + static_cast<long>(at + nodeSize)));
    LeafRecords records;
    for (std::uint16_t i = 0; i < node.GetRecordCount(); ++i) {
        engine::ByteView const record = node.GetRecord(i);
        records.emplace_back(record.Data(), record.Data() + record.Size());
    }
    return records;
}

bool WriteLeafRecords(Bytes& image, std::size_t treeAt, std::uint32_t u32Node, std::size_t nodeSize,
                      LeafRecords records, bool bCatalog) {
    constexpr std::size_t kLeafRecords = kDescriptor + 6;  // in the header node
    constexpr std::size_t kFileCount = kVolumeHeaderOffset + 32;
    constexpr std::size_t kFolderCount = kVolumeHeaderOffset + 36;
    std::size_t const at = treeAt + u32Node * nodeSize;
    LeafRecords const old = ReadLeafRecords(image, at, nodeSize);
    engine::ByteView const bytes(image.data(), image.size());
    engine::ByteWriter(image).Be32(treeAt + kLeafRecords, static_cast<std::uint32_t>(bytes.Be32(treeAt + kLeafRecords) +
                                                                                     records.size() - old.size()));
    if (bCatalog) {
        auto const count = [](LeafRecords const& list, std::uint16_t u16Type) {
            return static_cast<std::uint32_t>(std::count_if(list.begin(), list.end(), [u16Type](Bytes const& record) {
                engine::ByteView const data = DataOf(record);
                return data.Has(0, 2) && data.Be16(0) == u16Type;
            }));
        };
        engine::ByteWriter(image).Be32(kFileCount,
                                       bytes.Be32(kFileCount) + count(records, kRecordFile) - count(old, kRecordFile));
        engine::ByteWriter(image).Be32(
            kFolderCount, bytes.Be32(kFolderCount) + count(records, kRecordFolder) - count(old, kRecordFolder));
        std::sort(records.begin(), records.end(), [](Bytes const& a, Bytes const& b) {
            return CompareCatalogKeys(*KeyOf(a), *KeyOf(b), kCompareCaseFolding) < 0;
        });
    }
    Bytes node(nodeSize, 0);
    node[8] = 0xFF;  // leaf, height 1
    node[9] = 1;
    engine::ByteWriter(node).Be16(10, static_cast<std::uint16_t>(records.size()));
    std::size_t offset = kDescriptor;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (offset + records[i].size() + 2 * (i + 2) > nodeSize) return false;
        engine::ByteWriter(node).Be16(nodeSize - 2 * (i + 1), static_cast<std::uint16_t>(offset));
        std::copy(records[i].begin(), records[i].end(), node.begin() + static_cast<long>(offset));
        offset += records[i].size();
    }
    engine::ByteWriter(node).Be16(nodeSize - 2 * (records.size() + 1), static_cast<std::uint16_t>(offset));
    std::copy(node.begin(), node.end(), image.begin() + static_cast<long>(at));
    return true;
}

std::uint32_t CatalogID(LeafRecords const& records, std::u16string const& name) {
    for (Bytes const& record : records) {
        std::optional<CatalogKey> const key = KeyOf(record);
        engine::ByteView const data = DataOf(record);
        if (key && std::u16string(key->name.begin(), key->name.end()) == name && data.Has(0, 12) &&
            (data.Be16(0) == kRecordFile || data.Be16(0) == kRecordFolder))
            return data.Be32(8);
    }
    return 0;
}

void DropCatalogItems(LeafRecords& records, std::set<std::uint32_t> const& ids) {
    // Their parent folders count fewer items (valence; folder count when flag 0x10 is set).
    constexpr std::size_t kValence = 4;
    constexpr std::size_t kFolderCount = 84;
    constexpr std::uint16_t kHasFolderCount = 0x10;
    for (std::uint32_t const u32ID : ids) {
        for (Bytes const& record : records) {
            if (!IsItem(record, u32ID)) continue;
            bool const bFolder = DataOf(record).Be16(0) == kRecordFolder;
            for (Bytes& parent : records) {
                if (!IsItem(parent, KeyOf(record)->u32ParentID) || DataOf(parent).Be16(0) != kRecordFolder) continue;
                std::size_t const data = KeyLength(parent);
                engine::ByteWriter(parent).Be32(data + kValence, DataOf(parent).Be32(kValence) - 1);
                if (bFolder && (DataOf(parent).Be16(2) & kHasFolderCount) != 0)
                    engine::ByteWriter(parent).Be32(data + kFolderCount, DataOf(parent).Be32(kFolderCount) - 1);
            }
        }
    }
    std::erase_if(records, [&ids](Bytes const& record) {
        return std::any_of(ids.begin(), ids.end(), [&record](std::uint32_t u32ID) {
            return IsItem(record, u32ID) || IsThreadOf(record, u32ID);
        });
    });
}

void DropAttributes(LeafRecords& records, std::uint32_t u32FileID) {
    std::erase_if(records, [u32FileID](Bytes const& record) {
        std::optional<AttrKey> const key = ReadAttrKey(engine::ByteView(record.data(), record.size()));
        return key && key->u32FileID == u32FileID;
    });
}

void MoveCatalogItem(LeafRecords& records, std::uint32_t u32ID, std::uint32_t u32Parent, std::u16string const& name) {
    for (Bytes& record : records) {
        if (IsItem(record, u32ID)) {
            Bytes moved = CatalogKeyBytes(u32Parent, name);
            moved.insert(moved.end(), record.begin() + static_cast<long>(KeyLength(record)), record.end());
            record = moved;
        } else if (IsThreadOf(record, u32ID)) {
            std::size_t const data = KeyLength(record);
            record.resize(data + 10 + 2 * name.size());
            engine::ByteWriter(record).Be32(data + 4, u32Parent);
            engine::ByteWriter(record).Be16(data + 8, static_cast<std::uint16_t>(name.size()));
            for (std::size_t i = 0; i < name.size(); ++i) engine::ByteWriter(record).Be16(data + 10 + 2 * i, name[i]);
        }
    }
}

void AddFolder(LeafRecords& records, std::uint32_t u32Like, std::uint32_t u32NewID, std::uint32_t u32Parent,
               std::u16string const& name) {
    for (Bytes const& record : records) {
        if (!IsItem(record, u32Like)) continue;
        Bytes folder = CatalogKeyBytes(u32Parent, name);
        std::size_t const data = folder.size();
        folder.insert(folder.end(), record.begin() + static_cast<long>(KeyLength(record)), record.end());
        engine::ByteWriter(folder).Be32(data + 8, u32NewID);
        records.push_back(folder);
        return;
    }
}

void MakeHardLink(LeafRecords& records, std::uint32_t u32ID, std::uint32_t u32LinkID, std::uint32_t u32PrivateData) {
    constexpr std::size_t kSpecial = 44;
    constexpr std::size_t kFileType = 48;
    constexpr std::size_t kDataFork = 88;
    Bytes link;
    for (Bytes const& record : records) {
        if (!IsItem(record, u32ID)) continue;
        link = record;
        std::size_t const data = KeyLength(link);
        engine::ByteWriter(link).Be32(data + 8, u32LinkID);
        engine::ByteWriter(link).Be32(data + kSpecial, u32ID);
        engine::ByteWriter(link).Be32(data + kFileType, kFileTypeHardLink);
        engine::ByteWriter(link).Be32(data + kFileType + 4, kCreatorHfsPlus);
        std::fill(link.begin() + static_cast<long>(data + kDataFork), link.end(), 0);
    }
    std::string const name = "iNode" + std::to_string(u32ID);
    MoveCatalogItem(records, u32ID, u32PrivateData, std::u16string(name.begin(), name.end()));
    records.push_back(link);
}

void ReplaceCatalogFile(LeafRecords& records, std::uint32_t u32ID, std::uint32_t u32NewID, std::uint32_t u32ForkOf) {
    constexpr std::size_t kDataFork = 88;
    Bytes fork;
    for (Bytes const& record : records)
        if (IsItem(record, u32ForkOf))
            fork.assign(record.begin() + static_cast<long>(KeyLength(record) + kDataFork),
                        record.begin() + static_cast<long>(KeyLength(record) + kDataFork + kForkDataSize));
    for (Bytes& record : records) {
        if (IsItem(record, u32ID)) {
            engine::ByteWriter(record).Be32(KeyLength(record) + 8, u32NewID);
            std::copy(fork.begin(), fork.end(), record.begin() + static_cast<long>(KeyLength(record) + kDataFork));
        } else if (IsThreadOf(record, u32ID)) {
            engine::ByteWriter(record).Be32(2, u32NewID);
        }
    }
}

bool AddJournal(Bytes& image, std::vector<JournalBlock> const& blocks, Placement placement) {
    std::size_t const journalAt = kJournalFirstBlock * kMacBlockSize;
    if (image.size() < journalAt + kJournalSize) return false;
    for (std::size_t block = kJournalInfoBlock; block < kJournalFirstBlock + kJournalSize / kMacBlockSize; ++block) {
        std::uint8_t& bits = image[kMacBlockSize + block / 8];  // the allocation file's block 1
        std::uint8_t const bit = static_cast<std::uint8_t>(0x80 >> (block % 8));
        if ((bits & bit) != 0) return false;
        bits |= bit;
    }
    std::size_t const volumeHeader = kVolumeHeaderOffset;
    engine::ByteWriter(image).Be32(
        volumeHeader + kAttributesOffset,
        engine::ByteView(image.data() + volumeHeader, 8).Be32(kAttributesOffset) | kJournaled);
    engine::ByteWriter(image).Be32(volumeHeader + kJournalInfoOffset, kJournalInfoBlock);
    std::size_t const info = kJournalInfoBlock * kMacBlockSize;
    std::fill(image.begin() + static_cast<long>(info), image.begin() + static_cast<long>(info + kMacBlockSize), 0);
    engine::ByteWriter(image).Be32(info, 1);  // the journal lies in this file system
    engine::ByteWriter(image).Be32(info + 40, static_cast<std::uint32_t>(journalAt));     // offset: low half of 36
    engine::ByteWriter(image).Be32(info + 48, static_cast<std::uint32_t>(kJournalSize));  // size: low half of 44

    // The transaction: a block list header, then the blocks in entry order.
    Bytes transaction(kListSize, 0);
    std::vector<std::pair<std::uint64_t, std::uint32_t>> entries;
    if (placement == Placement::HostileBlockSize) entries.emplace_back(0, 0x7FFFFFFF);
    for (JournalBlock const& block : blocks)
        entries.emplace_back(block.volumeOffset / kHeaderSize, static_cast<std::uint32_t>(block.bytes.size()));
    engine::ByteWriter(transaction).Le16(0, kListSize / 16 - 1);
    engine::ByteWriter(transaction).Le16(2, static_cast<std::uint16_t>(entries.size() + 1));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        engine::ByteWriter(transaction).Le64(16 * (i + 1), entries[i].first);
        engine::ByteWriter(transaction).Le32(16 * (i + 1) + 8, entries[i].second);
    }
    for (JournalBlock const& block : blocks)
        transaction.insert(transaction.end(), block.bytes.begin(), block.bytes.end());
    engine::ByteWriter(transaction).Le32(4, static_cast<std::uint32_t>(transaction.size()));

    std::size_t const ring = kJournalSize - kHeaderSize;
    if (transaction.size() >= ring) return false;
    std::size_t const start = placement == Placement::CrossesRingEnd ? kJournalSize - 2048 : kHeaderSize;
    std::size_t const end = kHeaderSize + (start - kHeaderSize + transaction.size()) % ring;
    std::fill(image.begin() + static_cast<long>(journalAt), image.begin() + static_cast<long>(journalAt + kJournalSize),
              0);
    for (std::size_t i = 0; i < transaction.size(); ++i)
        image[journalAt + kHeaderSize + (start - kHeaderSize + i) % ring] = transaction[i];
    std::size_t const headerEnd = placement == Placement::HostileEnd ? start + 7 : end;
    engine::ByteWriter(image).Le32(journalAt, 0x4A4E4C78);
    engine::ByteWriter(image).Le32(journalAt + 4, 0x12345678);
    engine::ByteWriter(image).Le64(journalAt + 8, placement == Placement::EndEqualsStart ? headerEnd : start);
    engine::ByteWriter(image).Le64(journalAt + 16, headerEnd);
    engine::ByteWriter(image).Le64(journalAt + 24, kJournalSize);
    engine::ByteWriter(image).Le32(journalAt + 32, kListSize);
    engine::ByteWriter(image).Le32(journalAt + 40, kHeaderSize);
    return true;
}

}  // namespace hfsplustest
