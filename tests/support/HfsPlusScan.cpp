#include "support/HfsPlusScan.h"

#include "support/DecmpfsMaker.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "engine/ByteWriter.h"
#include "engine/FileNode.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDeviceData.h"
#include "engine/ReleasePtr.h"
#include "engine/core/copyout/FileReader.h"
#include "engine/hfsplus/HfsPlusVolumeAnalyze.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"
#include "engine/hfsplus/ondisk/HfsPlusRecords.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace hfsplustest {

std::string MacImagePath() { return std::string(HFSPLUS_FIXTURES) + "/hfsplus/hfsplus.raw"; }

std::vector<std::uint8_t> LoadMacImage() {
    std::ifstream in(MacImagePath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::map<std::string, std::string> SevenZipFiles(std::string const& image, std::string const& type,
                                                 std::string const& dir) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> files;
    if (testsupport::RunCommand("7zz x -snl -y " + type + " -o'" + dir + "' '" + image + "' >/dev/null") != 0)
        return files;
    fs::path root;
    for (auto const& entry : fs::directory_iterator(dir)) root = entry.path();  // the volume's root folder
    if (root.empty()) return files;
    for (auto const& entry : fs::recursive_directory_iterator(root)) {
        std::string const path = "/" + entry.path().lexically_relative(root).string();
        std::size_t const colon = path.rfind(':');
        if (colon != std::string::npos && path.substr(colon) != ":rsrc") continue;
        if (entry.is_symlink()) {
            std::string const target = fs::read_symlink(entry.path()).string();
            files[path] = testsupport::Sha256Hex({reinterpret_cast<std::uint8_t const*>(target.data()), target.size()});
        } else if (entry.is_regular_file()) {
            files[path] = testsupport::Sha256OfFile(entry.path().string());
        }
    }
    return files;
}

void WriteImage(std::string const& path, std::vector<std::uint8_t> const& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::optional<PartitionEntry> FindHfsPartition(IStorageDevice& disk) {
    // The tables are read from a described disk, as the disk listing hands them over.
    if (disk.GetPrivateData() == nullptr) disk.SetPrivateData(CreateDiskDeviceData(new CCollectDiskDeviceInfoStruct));
    std::unique_ptr<IPartitionTableAnalyze> pTables(CreatePartitionTableAnalyze());
    std::vector<PartitionEntry> entries;
    (void)pTables->AnalyzePartitionTable(&disk, entries);
    for (PartitionEntry const& entry : entries) {
        std::unique_ptr<IVolumeAnalyze> pAnalyser(CreateHFSPlusVolumeAnalyze(&disk, entry.u64StartSector));
        if (pAnalyser && pAnalyser->GetFileSystemType() == FILE_SYSTEM_HFSPLUS) return entry;
    }
    return std::nullopt;
}

namespace {

constexpr std::size_t kDataForkOffset = 88;  // in a catalog file record
constexpr std::size_t kResourceForkOffset = 168;
constexpr std::size_t kOwnerFlagsOffset = 41;

/// Image offset of the catalog file record named `name` in the fixture's one catalog leaf; 0
/// when there is none.
std::size_t FileRecordOffset(std::vector<std::uint8_t> const& image, std::u16string const& name,
                             std::uint32_t& u32FileID) {
    using namespace hfsplus;
    if (image.size() < kMacCatalogStart + 2 * kMacCatalogNodeSize) return 0;
    CHFSPlusBTNode const leaf(
        std::vector<std::uint8_t>(image.begin() + static_cast<long>(kMacCatalogStart + kMacCatalogNodeSize),
                                  image.begin() + static_cast<long>(kMacCatalogStart + 2 * kMacCatalogNodeSize)));
    for (std::uint16_t i = 0; i < leaf.GetRecordCount(); ++i) {
        std::optional<CatalogKey> const key = ReadCatalogKey(leaf.GetRecord(i));
        std::optional<CatalogRecord> const record = ReadCatalogRecord(RecordData(leaf.GetRecord(i)));
        if (!key || !record || record->u16Type != kRecordFile ||
            std::u16string(key->name.begin(), key->name.end()) != name)
            continue;
        u32FileID = record->u32ID;
        return kMacCatalogStart + kMacCatalogNodeSize +
               static_cast<std::size_t>(RecordData(leaf.GetRecord(i)).Data() - leaf.Bytes().Data());
    }
    return 0;
}

}  // namespace

namespace {

/// Writes `content` as fork `u8ForkType` of the file `name`, in ten extents of equal length
/// taken from free blocks from 300 on (one block apart, used from the last down): eight in the
/// catalog record and two in a new leaf of the extents overflow tree keyed with the fork type,
/// as TN1150 lays them out; the blocks are marked in use.
bool FragmentFork(std::vector<std::uint8_t>& image, std::u16string const& name, std::uint8_t u8ForkType,
                  std::vector<std::uint8_t> const& content) {
    using namespace hfsplus;
    constexpr std::size_t kBitmapBlock = 1;
    constexpr std::size_t kExtentsHeaderNode = 2 * kMacBlockSize;  // the extents file's node 0
    constexpr std::size_t kExtentsLeaf = 3 * kMacBlockSize;        // its node 1, free so far
    constexpr std::uint32_t kExtents = 10;
    if (image.size() < kMacCatalogStart + 2 * kMacCatalogNodeSize) return false;
    std::uint32_t const u32Length =
        static_cast<std::uint32_t>((content.size() + kExtents * kMacBlockSize - 1) / (kExtents * kMacBlockSize));
    std::uint32_t const u32ImageBlocks = static_cast<std::uint32_t>(image.size() / kMacBlockSize);

    auto const bitOf = [&image](std::uint32_t block) -> std::pair<std::uint8_t&, std::uint8_t> {
        return {image[kBitmapBlock * kMacBlockSize + block / 8], static_cast<std::uint8_t>(0x80 >> (block % 8))};
    };
    std::vector<std::uint32_t> starts;
    for (std::uint32_t block = 300; starts.size() < kExtents && block + u32Length <= u32ImageBlocks;
         block += u32Length + 1) {
        bool bFree = true;
        for (std::uint32_t b = block; b < block + u32Length; ++b)
            bFree = bFree && (bitOf(b).first & bitOf(b).second) == 0;
        if (!bFree) continue;
        for (std::uint32_t b = block; b < block + u32Length; ++b) bitOf(b).first |= bitOf(b).second;
        starts.insert(starts.begin(), block);
    }
    std::size_t const extentBytes = std::size_t{u32Length} * kMacBlockSize;
    // The fork must reach into the overflow extents, or the row tests nothing.
    if (starts.size() != kExtents || content.size() <= kExtentsPerRecord * extentBytes) return false;
    for (std::uint32_t i = 0; i < kExtents; ++i) {
        auto const at = image.begin() + static_cast<long>(starts[i] * kMacBlockSize);
        std::fill(at, at + static_cast<long>(extentBytes), 0);
        if (i * extentBytes < content.size())
            std::copy_n(content.begin() + static_cast<long>(i * extentBytes),
                        std::min(extentBytes, content.size() - i * extentBytes), at);
    }

    // The catalog record: the fork's size, blocks and first eight extents.
    std::uint32_t u32FileID = 0;
    std::size_t const recordAt = FileRecordOffset(image, name, u32FileID);
    if (recordAt == 0) return false;
    std::size_t const fork = recordAt + (u8ForkType == kForkTypeResource ? kResourceForkOffset : kDataForkOffset);
    std::fill(image.begin() + static_cast<long>(fork), image.begin() + static_cast<long>(fork + kForkDataSize), 0);
    engine::ByteWriter(image).Be32(fork, static_cast<std::uint32_t>(std::uint64_t{content.size()} >> 32));
    engine::ByteWriter(image).Be32(fork + 4, static_cast<std::uint32_t>(content.size()));
    engine::ByteWriter(image).Be32(fork + 12, kExtents * u32Length);
    for (std::uint32_t i = 0; i < kExtentsPerRecord; ++i) {
        engine::ByteWriter(image).Be32(fork + 16 + 8 * i, starts[i]);
        engine::ByteWriter(image).Be32(fork + 20 + 8 * i, u32Length);
    }

    // The extents tree: a leaf at node 1 with the record for the fork's ninth extent, and the
    // header record (offset 14 of node 0) and map record (offset 248) naming it.
    std::fill(image.begin() + static_cast<long>(kExtentsLeaf),
              image.begin() + static_cast<long>(kExtentsLeaf + kMacBlockSize), 0);
    image[kExtentsLeaf + 8] = 0xFF;  // leaf
    image[kExtentsLeaf + 9] = 1;
    engine::ByteWriter(image).Be16(kExtentsLeaf + 10, 1);
    std::size_t const record = kExtentsLeaf + kNodeDescriptorSize;
    engine::ByteWriter(image).Be16(record, 10);  // keyLength; fork type, pad 0
    image[record + 2] = u8ForkType;
    engine::ByteWriter(image).Be32(record + 4, u32FileID);
    engine::ByteWriter(image).Be32(record + 8, kExtentsPerRecord * u32Length);
    for (std::uint32_t i = kExtentsPerRecord; i < kExtents; ++i) {
        engine::ByteWriter(image).Be32(record + 12 + 8 * (i - kExtentsPerRecord), starts[i]);
        engine::ByteWriter(image).Be32(record + 16 + 8 * (i - kExtentsPerRecord), u32Length);
    }
    engine::ByteWriter(image).Be16(kExtentsLeaf + kMacBlockSize - 2, kNodeDescriptorSize);
    engine::ByteWriter(image).Be16(kExtentsLeaf + kMacBlockSize - 4,
                                   kNodeDescriptorSize + kExtentKeySize + kExtentRecordSize);
    std::size_t const header = kExtentsHeaderNode + kNodeDescriptorSize;
    engine::ByteWriter(image).Be16(header, 1);       // treeDepth
    engine::ByteWriter(image).Be32(header + 2, 1);   // rootNode
    engine::ByteWriter(image).Be32(header + 6, 1);   // leafRecords
    engine::ByteWriter(image).Be32(header + 10, 1);  // firstLeafNode
    engine::ByteWriter(image).Be32(header + 14, 1);  // lastLeafNode
    engine::ByteWriter(image).Be32(
        header + 26, engine::ByteView(image.data() + header, kHeaderRecordSize).Be32(26) - 1);  // freeNodes
    image[kExtentsHeaderNode + 248] |= 0x40;                                                    // node 1 in use
    return true;
}

}  // namespace

bool FragmentFile(std::vector<std::uint8_t>& image, std::u16string const& name) {
    std::vector<std::uint8_t> content(10 * kMacBlockSize - 100);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7 / 5);
    return FragmentFork(image, name, hfsplus::kForkTypeData, content);
}

void MakeHfsx(std::vector<std::uint8_t>& image) {
    engine::ByteWriter(image).Be16(hfsplus::kVolumeHeaderOffset, hfsplus::kSignatureHfsX);
    engine::ByteWriter(image).Be16(hfsplus::kVolumeHeaderOffset + 2, 5);
    image.at(kMacCatalogStart + hfsplus::kNodeDescriptorSize + 37) = hfsplus::kCompareBinary;
}

VolumeScan::VolumeScan(std::vector<std::uint8_t> bytes, int iSectorSize, int iStopAfter)
    : m_pDevice(std::make_unique<CMemoryDevice>(std::move(bytes), iSectorSize, STORAGE_DEVICE_VOLUME)) {
    m_progress.StopAfter(iStopAfter);
    Scan();
}

VolumeScan::VolumeScan(std::unique_ptr<IStorageDevice> pDisk, long long s64Start, long long s64Sectors)
    : m_pDisk(std::move(pDisk)), m_pDevice(CreatePartitionDevice(m_pDisk.get(), s64Start, s64Sectors)) {
    Scan();
}

void VolumeScan::Scan() {
    m_searcher.SetDirecotryTreeBuilder(&m_builder);
    m_result = m_searcher.QuickSearchFiles(m_pDevice.get(), &m_progress);
    CSearchedPartitionInfo* pPartition = nullptr;
    if (m_searcher.GetSearchedPartitionInfo(&pPartition, 1) == 1) m_pPartition.reset(pPartition);

    // A deleted folder's id may be a live folder's too: the live one is the parent.
    std::unordered_map<long long, IFileNode*> byID;
    for (IFileNode* pNode : m_builder.Nodes())
        if (pNode->IsDeleted() != 0) byID[pNode->GetCurrentNodeID()] = pNode;
    for (IFileNode* pNode : m_builder.Nodes())
        if (pNode->IsDeleted() == 0) byID[pNode->GetCurrentNodeID()] = pNode;
    for (IFileNode* pNode : m_builder.Nodes()) {
        std::string path;
        IFileNode* pAt = pNode;
        // A path is at most as deep as there are nodes; a longer chain is a loop.
        for (std::size_t depth = 0; pAt != nullptr && depth <= byID.size(); ++depth) {
            path = "/" + std::string(pAt->GetFileName()) + path;
            if (pAt->GetParentNodeID() == hfsplus::kRootFolderID) break;
            auto const parent = byID.find(pAt->GetParentNodeID());
            pAt = parent != byID.end() ? parent->second : nullptr;
        }
        if (pAt != nullptr) (pNode->IsDeleted() != 0 ? m_deleted : m_nodes).emplace(path, pNode);
    }
}

RESULT VolumeScan::RecoverTo(IFileNode* pNode, std::string const& path) {
    ReleasePtr<IDataRecovery> pRecovery(CreateDataRecoveryObj());
    if (RESULT const result = pRecovery->Initialize(&m_searcher, m_pDevice.get()); Failed(result)) return result;
    ReleasePtr<IFileReader> const pReader(pRecovery->SetRecoverNode(pNode));
    return pRecovery->RecoverTo(path.c_str(), nullptr, 0);
}

std::optional<std::vector<std::uint8_t>> VolumeScan::ReadFile(IFileNode* pNode) {
    auto* pFileNode = dynamic_cast<CFileNode*>(pNode);
    if (pFileNode == nullptr || !m_pPartition) return std::nullopt;
    if (pNode->GetFileSize() == 0) return std::vector<std::uint8_t>();
    if (pNode->IsCompressed() != 0) {
        // Copy-out hands compressed nodes to the node's own reader, read here in copy-sized steps.
        std::unique_ptr<IFileReader, void (*)(IFileReader*)> pReader(pNode->CreateCompressFileReader(nullptr),
                                                                     [](IFileReader* p) {
                                                                         if (p != nullptr) p->Release();
                                                                     });
        if (!pReader) return std::nullopt;
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(pReader->GetDataSize()));
        constexpr std::size_t kStep = 0x30000;  // not a block multiple: reads start inside blocks
        for (std::size_t done = 0; done < bytes.size(); done += kStep) {
            unsigned int const length = static_cast<unsigned int>(std::min(kStep, bytes.size() - done));
            if (pReader->ReadData(static_cast<long long>(done), reinterpret_cast<char*>(bytes.data() + done), length) !=
                length)
                return std::nullopt;
        }
        return bytes;
    }
    CFileReader reader;
    if (reader.Open(m_pDevice.get(), pFileNode, m_pPartition.get()) == 0) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(pNode->GetFileSize()));
    std::uint32_t u32Done = 0;
    if (!reader.Read(0, bytes, u32Done) || u32Done != bytes.size()) return std::nullopt;
    return bytes;
}

}  // namespace hfsplustest

namespace hfsplustest {

bool CompressFile(std::vector<std::uint8_t>& image, std::uint32_t u32Type, std::vector<std::uint8_t> const& data,
                  bool bFragmentFork) {
    constexpr std::size_t kBitmapBlock = 1;
    constexpr std::size_t kAttributesLeaf = 10 * kMacBlockSize + 8192;  // node 1 of 8 KiB nodes
    constexpr std::size_t kAttributesNodeSize = 8192;
    constexpr std::uint32_t kFirstForkBlock = 600;
    std::uint32_t u32FileID = 0;
    std::size_t const recordAt = FileRecordOffset(image, u"a_file", u32FileID);
    if (recordAt == 0 || engine::ByteView(image.data() + kAttributesLeaf, kAttributesNodeSize).Be32(18) != u32FileID)
        return false;
    Compressed const compressed = Compress(u32Type, data, Damage::None);

    // The data fork goes; the resource fork takes contiguous free blocks.
    std::fill(image.begin() + static_cast<long>(recordAt + kDataForkOffset),
              image.begin() + static_cast<long>(recordAt + kResourceForkOffset), 0);
    image[recordAt + kOwnerFlagsOffset] |= hfsplus::kOwnerFlagCompressed;
    std::uint32_t const u32Blocks =
        static_cast<std::uint32_t>((compressed.fork.size() + kMacBlockSize - 1) / kMacBlockSize);
    for (std::uint32_t block = kFirstForkBlock; block < kFirstForkBlock + u32Blocks; ++block) {
        std::uint8_t& bits = image[kBitmapBlock * kMacBlockSize + block / 8];
        std::uint8_t const bit = static_cast<std::uint8_t>(0x80 >> (block % 8));
        if ((bits & bit) != 0) return false;
        bits |= bit;
    }
    std::copy(compressed.fork.begin(), compressed.fork.end(),
              image.begin() + static_cast<long>(kFirstForkBlock * kMacBlockSize));
    std::size_t const fork = recordAt + kResourceForkOffset;
    std::fill(image.begin() + static_cast<long>(fork), image.begin() + static_cast<long>(fork + 80), 0);
    engine::ByteWriter(image).Be32(fork + 4, static_cast<std::uint32_t>(compressed.fork.size()));
    engine::ByteWriter(image).Be32(fork + 12, u32Blocks);
    engine::ByteWriter(image).Be32(fork + 16, u32Blocks != 0 ? kFirstForkBlock : 0);
    engine::ByteWriter(image).Be32(fork + 20, u32Blocks);

    // The file's one extended attribute becomes the decmpfs attribute, inline (TN1150: key of
    // fileID, startBlock and UTF-16 name; record type 0x10, 8 reserved bytes, size, data).
    std::string const name = "com.apple.decmpfs";
    std::size_t const keyLength = 12 + 2 * name.size();
    std::size_t const length = (2 + keyLength + 16 + compressed.attribute.size() + 1) & ~std::size_t{1};
    if (14 + length + 4 > kAttributesNodeSize) return false;
    std::size_t const at = kAttributesLeaf + hfsplus::kNodeDescriptorSize;
    std::fill(image.begin() + static_cast<long>(at),
              image.begin() + static_cast<long>(kAttributesLeaf + kAttributesNodeSize - 2), 0);
    engine::ByteWriter(image).Be16(at, static_cast<std::uint16_t>(keyLength));
    engine::ByteWriter(image).Be32(at + 4, u32FileID);
    engine::ByteWriter(image).Be16(at + 12, static_cast<std::uint16_t>(name.size()));
    for (std::size_t i = 0; i < name.size(); ++i)
        engine::ByteWriter(image).Be16(at + 14 + 2 * i, static_cast<std::uint8_t>(name[i]));
    std::size_t const record = at + 2 + keyLength;
    engine::ByteWriter(image).Be32(record, 0x10);
    engine::ByteWriter(image).Be32(record + 12, static_cast<std::uint32_t>(compressed.attribute.size()));
    std::copy(compressed.attribute.begin(), compressed.attribute.end(), image.begin() + static_cast<long>(record + 16));
    engine::ByteWriter(image).Be16(kAttributesLeaf + kAttributesNodeSize - 4,
                                   static_cast<std::uint16_t>(hfsplus::kNodeDescriptorSize + length));
    return !bFragmentFork || FragmentFork(image, u"a_file", hfsplus::kForkTypeResource, compressed.fork);
}

}  // namespace hfsplustest
