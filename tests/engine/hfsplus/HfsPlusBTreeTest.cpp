// HFS+ B-tree and volume edge cases on the real bytes of the macOS fixture, patched in memory
// the way damaged volumes have them: each case is a fault that a reader trusting the disk
// gets wrong (a crash, a hang, a lost volume). Skips without the shared fixture.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/ByteWriter.h"
#include "engine/hfsplus/HfsPlusFileNode.h"
#include "engine/hfsplus/HfsPlusForkExtents.h"
#include "engine/hfsplus/HfsPlusResult.h"
#include "engine/hfsplus/HfsPlusVolume.h"
#include "engine/hfsplus/HfsPlusVolumeAnalyze.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"
#include "engine/hfsplus/ondisk/HfsPlusRecords.h"
#include "support/HfsPlusScan.h"

namespace {

using namespace hfsplus;
using hfsplustest::kMacCatalogNodeSize;
using hfsplustest::kMacCatalogStart;

constexpr std::size_t kHeaderRecord = kMacCatalogStart + kNodeDescriptorSize;
constexpr std::size_t kRootLeaf = kMacCatalogStart + hfsplustest::kMacCatalogRoot * kMacCatalogNodeSize;

class HfsPlusBTreeTest : public testing::Test {
protected:
    void SetUp() override {
        m_image = hfsplustest::LoadMacImage();
        if (m_image.empty()) GTEST_SKIP() << "no " << hfsplustest::MacImagePath();
    }
    std::vector<std::uint8_t> Node(std::size_t offset) const {
        return {m_image.begin() + static_cast<long>(offset),
                m_image.begin() + static_cast<long>(offset + kMacCatalogNodeSize)};
    }
    /// The offset in the image of the root leaf's record named `name`.
    std::size_t RecordOffset(std::u16string const& name) const {
        CHFSPlusBTNode const node(Node(kRootLeaf));
        for (std::uint16_t i = 0; i < node.GetRecordCount(); ++i) {
            std::optional<CatalogKey> const key = ReadCatalogKey(node.GetRecord(i));
            if (key && std::u16string(key->name.begin(), key->name.end()) == name)
                return kRootLeaf + static_cast<std::size_t>(node.GetRecord(i).Data() - node.Bytes().Data());
        }
        return 0;
    }
    std::vector<std::uint8_t> m_image;
};

TEST_F(HfsPlusBTreeTest, AHeaderWithBlockSizeZeroIsNoVolume) {
    engine::ByteWriter(m_image).Be32(kVolumeHeaderOffset + 40, 0);
    CMemoryDevice device(m_image, 512, STORAGE_DEVICE_VOLUME);
    CHFSPlusVolume const volume(&device);
    EXPECT_EQ(ResultCode(volume.GetLastError()), kCodeBadData);
    EXPECT_EQ(volume.GetCatalog(), nullptr);
    std::unique_ptr<IVolumeAnalyze> pAnalyser(CreateHFSPlusVolumeAnalyze(&device, 0));
    EXPECT_EQ(pAnalyser->GetFileSystemType(), static_cast<std::uint32_t>(FILE_SYSTEM_UNRECOGNISED));
}

TEST_F(HfsPlusBTreeTest, NodesWhoseTablesCannotBeTrustedAreRefused) {
    std::vector<std::uint8_t> const leaf = Node(kRootLeaf);
    ASSERT_TRUE(IsValidNode(engine::ByteView(leaf.data(), leaf.size())));
    EXPECT_EQ(TestNodeBelongToFile(CHFSPlusBTNode(leaf)), kCatalogFileID);
    auto const refused = [&leaf](auto patch) {
        std::vector<std::uint8_t> bytes = leaf;
        patch(bytes);
        return !IsValidNode(engine::ByteView(bytes.data(), bytes.size()));
    };
    std::size_t const table = kMacCatalogNodeSize;  // record i's offset stands at table - 2 (i + 1)
    EXPECT_TRUE(refused([&](auto& b) { engine::ByteWriter(b).Be16(table - 2, 12); })) << "record 0 at 12";
    EXPECT_TRUE(refused([](auto& b) { b[9] = 2; })) << "a leaf of height 2";
    EXPECT_TRUE(refused([&](auto& b) {
        engine::ByteWriter(b).Be16(table - 6, static_cast<std::uint16_t>(b[table - 4] << 8 | b[table - 3]));
    })) << "two records at one offset";
    EXPECT_TRUE(refused([](auto& b) { engine::ByteWriter(b).Be16(10, 2042); }))
        << "an offset table reaching into the descriptor";
    EXPECT_FALSE(refused([](auto& b) { b[8] = 0, b[9] = 5; })) << "an index node of any height";
}

TEST_F(HfsPlusBTreeTest, ACyclicIndexEndsItsBranchAndEveryFileIsStillListed) {
    // A new root at free node 2: an index whose first child is itself, its second the real leaf.
    std::size_t const index = kMacCatalogStart + 2 * kMacCatalogNodeSize;
    std::memset(&m_image[index], 0, kMacCatalogNodeSize);
    m_image[index + 8] = 0;  // index node
    m_image[index + 9] = 2;
    engine::ByteWriter(m_image).Be16(index + 10, 2);
    for (std::uint32_t i = 0; i < 2; ++i) {
        std::size_t const record = index + kNodeDescriptorSize + i * 12;
        engine::ByteWriter(m_image).Be16(record, 6);                   // keyLength: parent id and an empty name
        engine::ByteWriter(m_image).Be32(record + 2, i);               // parentID
        engine::ByteWriter(m_image).Be32(record + 8, i == 0 ? 2 : 1);  // child: itself, then the leaf
        engine::ByteWriter(m_image).Be16(index + kMacCatalogNodeSize - 2 * (i + 1),
                                         static_cast<std::uint16_t>(record - index));
    }
    engine::ByteWriter(m_image).Be16(index + kMacCatalogNodeSize - 6, kNodeDescriptorSize + 24);
    engine::ByteWriter(m_image).Be16(kHeaderRecord, 2);      // treeDepth
    engine::ByteWriter(m_image).Be32(kHeaderRecord + 2, 2);  // rootNode

    CMemoryDevice device(m_image, 512, STORAGE_DEVICE_VOLUME);
    CHFSPlusVolume volume(&device);
    ASSERT_EQ(volume.GetLastError(), kResultSuccess);
    std::size_t records = 0;
    RESULT const walk = volume.GetCatalog()->Traverse(
        [&records](CatalogKey const&, CatalogRecord const&) { return ++records, true; }, {});
    EXPECT_EQ(ResultCode(walk), kCodeBadData);
    EXPECT_EQ(records, 26u);

    hfsplustest::VolumeScan scan(m_image, 512);
    EXPECT_TRUE(scan.Nodes().count("/passwords.txt"));
    EXPECT_TRUE(scan.Nodes().count("/a_directory/a_file"));
}

TEST_F(HfsPlusBTreeTest, ARecordWhoseKeyRunsPastItsNodeIsSkippedAlone) {
    std::size_t const record = RecordOffset(u"passwords.txt");
    ASSERT_NE(record, 0u);
    engine::ByteWriter(m_image).Be16(record, 0xFFF0);
    hfsplustest::VolumeScan scan(m_image, 512);
    EXPECT_EQ(scan.Result(), kResultSuccess);
    EXPECT_FALSE(scan.Nodes().count("/passwords.txt"));
    EXPECT_TRUE(scan.Nodes().count("/a_link"));
}

TEST_F(HfsPlusBTreeTest, AVolumeWithoutAttributesFileOpensAndAnswersNoAttribute) {
    hfsplustest::VolumeScan const before(m_image, 512);
    ASSERT_TRUE(before.Nodes().count("/a_directory/a_file"));
    auto const fileID = static_cast<std::uint32_t>(before.Nodes().at("/a_directory/a_file")->GetCurrentNodeID());
    {
        CMemoryDevice device(m_image, 512, STORAGE_DEVICE_VOLUME);
        CHFSPlusVolume const volume(&device);
        std::optional<std::vector<std::uint8_t>> const attribute = volume.getAttribute(fileID, "myxattr");
        ASSERT_TRUE(attribute);
        EXPECT_EQ(attribute->size(), 21u);  // as 7zz lists a_file:myxattr
    }
    std::memset(&m_image[kVolumeHeaderOffset + 352], 0, kForkDataSize);
    CMemoryDevice device(m_image, 512, STORAGE_DEVICE_VOLUME);
    CHFSPlusVolume const volume(&device);
    EXPECT_EQ(volume.GetLastError(), kResultSuccess);
    EXPECT_FALSE(volume.getAttribute(fileID, "myxattr"));
    EXPECT_TRUE(hfsplustest::VolumeScan(m_image, 512).Nodes().count("/a_directory/a_file"));
}

TEST_F(HfsPlusBTreeTest, TheSpecialFileHoldingAByteIsFound) {
    CMemoryDevice device(m_image, 512, STORAGE_DEVICE_VOLUME);
    CHFSPlusVolume const volume(&device);
    EXPECT_EQ(volume.GetNodeBelongToFile(kMacCatalogStart), kCatalogFileID);
    EXPECT_EQ(volume.GetNodeBelongToFile(2 * hfsplustest::kMacBlockSize), kExtentsFileID);
    EXPECT_EQ(volume.GetNodeBelongToFile(1 * hfsplustest::kMacBlockSize), kAllocationFileID);
    EXPECT_EQ(volume.GetNodeBelongToFile(0), 0u);
}

// Without bytes: key orders and the rules of nodes and extents.
TEST(HfsPlusKeys, CaseFoldingFollowsApplesTableAlone) {
    // Each row: two names and their order under Apple's folding (-1 first below, 0 equal).
    struct Row {
        std::u16string a, b;
        int order;
    };
    std::u16string const longName(255, u'\u10A0');  // a name of the largest length, Georgian capitals
    Row const rows[] = {
        {u"\uFF21\uFF22", u"\uFF41\uFF42", 0},  // full-width Latin folds
        {u"\u0531b", u"\u0561b", 0},            // Armenian
        {u"\u01C4x", u"\u01C6x", 0},            // Latin Extended-B digraphs
        {u"\u03A3", u"\u03C3", 0},              // Greek
        {u"\u0416", u"\u0436", 0},              // Cyrillic
        {u"\u10A0", u"\u10D0", 0},              // Georgian capitals fold to the small letters
        {u"\u216B", u"\u217B", 0},              // Roman numerals
        {u"a\u200Db", u"ab", 0},                // an ignorable joiner is skipped
        {u"\u04D8", u"\u04D9", -1},             // Kazakh schwa: no fold, capital first
        {u"\u04E8z", u"\u04E9a", -1},           // Kazakh barred o: no fold
        {u"\u01C0", u"\u01F6", -1},             // Hwair stays above the click (Unicode would fold it to U+0195)
        {u"\u01BF", u"\u01F7", -1},             // Wynn: no fold
        {u"\u24D0", u"\u24B6", 1},              // circled letters: no fold, small above capital
        {u"\u00C9", u"\u00E9", -1},             // precomposed letters do not fold (names are stored decomposed)
        {longName, longName.substr(0, 254) + u"\u10D1", -1},
        {u"a\xD800", u"a\xDC00", -1},  // unpaired surrogates compare as units
        {u"\xDBFF", u"\xFFFF", -1},
        {std::u16string(1, u'\0'), u"\xFFFE", 1},  // a 0 unit sorts last
    };
    for (Row const& row : rows) {
        CatalogKey const a{2, {row.a.begin(), row.a.end()}};
        CatalogKey const b{2, {row.b.begin(), row.b.end()}};
        int const order = CompareCatalogKeys(a, b, kCompareCaseFolding);
        EXPECT_EQ((order > 0) - (order < 0), row.order) << std::string(row.a.begin(), row.a.end());
        EXPECT_EQ(-CompareCatalogKeys(b, a, kCompareCaseFolding), order);
    }
    EXPECT_NE(CompareCatalogKeys(CatalogKey{2, {0xFF21}}, CatalogKey{2, {0xFF41}}, kCompareBinary),
              0);  // HFSX stays binary
}

TEST(HfsPlusKeys, NamesOfTheLargestLengthAndUnpairedSurrogatesReadAndShow) {
    for (std::vector<std::uint16_t> const& name :
         {std::vector<std::uint16_t>(255, 0xD800), std::vector<std::uint16_t>{'a', 0xDC00, 'b', 0xD83D}}) {
        std::vector<std::uint8_t> record = {0, 0, 0, 0, 0, 2, 0, static_cast<std::uint8_t>(name.size())};
        for (std::uint16_t unit : name)
            record.insert(record.end(), {static_cast<std::uint8_t>(unit >> 8), static_cast<std::uint8_t>(unit)});
        engine::ByteWriter(record).Be16(0, static_cast<std::uint16_t>(record.size() - 2));
        std::optional<CatalogKey> const key = ReadCatalogKey(engine::ByteView(record.data(), record.size()));
        ASSERT_TRUE(key);
        EXPECT_EQ(key->name, name);
        CatalogRecord file;
        file.u16Type = kRecordFile;
        file.u32ID = 40;
        CHFSPlusFileNode node(nullptr, *key, file, false);
        std::string const shown = node.GetFileName();
        EXPECT_NE(shown.find("\xEF\xBF\xBD"), std::string::npos) << "an unpaired surrogate shows as U+FFFD";
    }
    std::vector<std::uint8_t> tooLong = {0x02, 0x08, 0, 0, 0, 2, 0x01, 0x00};  // 256 units
    tooLong.resize(2 + 0x208, 'x');
    EXPECT_FALSE(ReadCatalogKey(engine::ByteView(tooLong.data(), tooLong.size())));
}

TEST(HfsPlusKeys, BinaryOrderAgainstCaseFoldingAndSlashAsColon) {
    CatalogKey const a{2, {'a'}};
    CatalogKey const z{2, {'Z'}};
    EXPECT_GT(CompareCatalogKeys(a, z, kCompareBinary), 0);
    EXPECT_LT(CompareCatalogKeys(a, z, kCompareCaseFolding), 0);

    // "a/b" on disk: shown as "a:b", sorted as "a/b" (before "a0", since "/" < "0" < ":").
    std::vector<std::uint8_t> record = {0, 12, 0, 0, 0, 2, 0, 3, 0, 'a', 0, '/', 0, 'b'};
    std::optional<CatalogKey> const key = ReadCatalogKey(engine::ByteView(record.data(), record.size()));
    ASSERT_TRUE(key);
    EXPECT_EQ(key->name, (std::vector<std::uint16_t>{'a', ':', 'b'}));
    EXPECT_LT(CompareCatalogKeys(*key, CatalogKey{2, {'a', '0'}}, kCompareBinary), 0);
    record[1] = 10;  // the key now ends inside its name
    EXPECT_FALSE(ReadCatalogKey(engine::ByteView(record.data(), record.size())));
}

TEST(HfsPlusKeys, AnOverflowRecordAddingNoBlocksEndsTheExtentWalk) {
    HFSPlusForkData fork;
    fork.u32TotalBlocks = 20;
    for (std::uint32_t i = 0; i < kExtentsPerRecord; ++i) fork.extents[i] = {10 + 2 * i, 1};
    int lookups = 0;
    OverflowLookup const empty = [&lookups](std::uint32_t) {
        return ++lookups, std::optional<HFSPlusExtentRecord>(HFSPlusExtentRecord{});
    };
    ForkExtents const found = CollectForkExtents(fork, 100, empty, 1000);
    EXPECT_EQ(found.extents.size(), kExtentsPerRecord);
    EXPECT_EQ(ResultCode(found.result), kCodeBadData);
    EXPECT_EQ(lookups, 1);
}

TEST(HfsPlusNodes, FolderLinksAreFoldersDatesOfZeroStayZeroAndClonesAreCopies) {
    CatalogRecord record;
    record.u16Type = kRecordFile;
    record.u32ID = 40;
    record.u32FileType = kFileTypeFolderLink;
    CHFSPlusFileNode node(nullptr, CatalogKey{2, {'l'}}, record, false);
    EXPECT_EQ(node.IsDirectory(), 1);
    EXPECT_EQ(node.GetCreationTime().dwHighDateTime, 0u);
    EXPECT_EQ(node.GetCreationTime().dwLowDateTime, 0u);
    ReleasePtr<IFileNode> pClone(node.Clone());
    EXPECT_NE(pClone.get(), &node);
    EXPECT_STREQ(pClone->GetFileName(), "l");
}

}  // namespace
