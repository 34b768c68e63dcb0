// Copy-out against a real NTFS image. The image is written by ntfs-3g, the NTFS driver most
// Linux systems use, so compressed units, sparse runs and fragments are laid out by a real
// allocator rather than by assumptions of ours; ntfsinfo's run lists and ntfscat's bytes are an
// independent view of each file to compare with.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "CopyOutFixtures.h"
#include "engine/DataRunList.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDevice.h"
#include "engine/core/copyout/CompressFileReader.h"
#include "engine/core/copyout/DataRecovery.h"
#include "engine/ntfs/NTFSFileNode.h"
#include "engine/ntfs/NTFSResidentData.h"
#include "support/EntryPointScope.h"
#include "support/NtfsImage.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using testsupport::NtfsImage;

bool WriteFile(std::string const& path, Bytes const& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

Bytes CompressibleText(std::size_t size) {
    std::string text;
    for (int i = 0; text.size() < size; ++i)
        text += "line " + std::to_string(i) + ": recovered files keep their bytes, " + std::to_string(i * 7919 % 1000) +
                "\n";
    text.resize(size);
    return Bytes(text.begin(), text.end());
}

/// Text and random stretches in turn: compressed and stored units in one file.
Bytes MixedContent(std::size_t size) {
    Bytes bytes;
    Bytes const text = CompressibleText(size);
    Bytes const noise = copyouttest::PatternBytes(size, 77);
    for (std::size_t i = 0; i < size; i += 0x18000) {
        Bytes const& source = (i / 0x18000) % 2 == 0 ? text : noise;
        std::size_t const count = std::min<std::size_t>(0x18000, size - i);
        bytes.insert(bytes.end(), source.begin() + static_cast<std::ptrdiff_t>(i),
                     source.begin() + static_cast<std::ptrdiff_t>(i + count));
    }
    return bytes;
}

/// The files of the image, by their path inside it; the originals stay on the host for comparing.
class NtfsCopyOutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_missing = NtfsImage::MissingPrerequisite();
        if (!s_missing.empty()) return;
        s_pTemp = new testsupport::TempDir();
        s_originals = {
            {"/c/text.txt", CompressibleText(3 << 20)},
            {"/c/random.bin", copyouttest::PatternBytes(1 << 20, 31)},
            {"/c/fragmented.bin", MixedContent(3 << 20)},
            {"/plain.bin", copyouttest::PatternBytes((3 << 19) + 1234, 32)},
            {"/small.txt", Bytes{'r', 'e', 's', 'i', 'd', 'e', 'n', 't', '\n'}},
        };
        // Holes at the start and in the middle, and a hole for a tail.
        Bytes sparse(7 << 19, 0);
        Bytes const first = copyouttest::PatternBytes(100000, 33);
        Bytes const second = copyouttest::PatternBytes(70000, 34);
        std::copy(first.begin(), first.end(), sparse.begin() + (1 << 20));
        std::copy(second.begin(), second.end(), sparse.begin() + (2 << 20) + 5000);
        s_originals["/sparse.bin"] = sparse;

        std::string error;
        bool const built = NtfsImage::Build(
            s_pTemp->File("ntfs.img"), 64 << 20,
            [&](std::string const& root) {
                if (::mkdir((root + "/c").c_str(), 0755) != 0) return false;
                if (testsupport::RunCommand("setfattr -h -v 0x00000810 -n system.ntfs_attrib_be " +
                                            testsupport::ShellQuote(root + "/c")) != 0)
                    return false;
                bool ok = true;
                for (auto const& [path, bytes] : s_originals) {
                    if (path == "/sparse.bin" || path == "/c/fragmented.bin") continue;
                    ok = ok && WriteFile(root + path, bytes);
                }
                // A gap left by a deleted file, then a larger file that fills it and goes on elsewhere.
                ok = ok && WriteFile(root + "/c/gap.bin", copyouttest::PatternBytes(300000, 35));
                ok = ok && WriteFile(root + "/c/after.bin", copyouttest::PatternBytes(300000, 36));
                ok = ok && std::filesystem::remove(root + "/c/gap.bin");
                ok = ok && WriteFile(root + "/c/fragmented.bin", s_originals["/c/fragmented.bin"]);
                // Seeking over the holes makes ntfs-3g store them as sparse runs.
                std::ofstream file(root + "/sparse.bin", std::ios::binary);
                file.seekp(1 << 20);
                file.write(reinterpret_cast<char const*>(first.data()), static_cast<std::streamsize>(first.size()));
                file.seekp((2 << 20) + 5000);
                file.write(reinterpret_cast<char const*>(second.data()), static_cast<std::streamsize>(second.size()));
                file.close();
                std::error_code resizeError;
                std::filesystem::resize_file(root + "/sparse.bin", sparse.size(), resizeError);
                ok = ok && static_cast<bool>(file) && !resizeError;
                // The originals stay beside the image, for looking into a failure by hand.
                for (auto const& [path, bytes] : s_originals) {
                    std::string name = path.substr(1);
                    std::replace(name.begin(), name.end(), '/', '_');
                    ok = ok && WriteFile(s_pTemp->File("original_" + name), bytes);
                }
                return ok;
            },
            error);
        if (!built) s_missing = "building the NTFS image failed: " + error;
    }
    static void TearDownTestSuite() {
        delete s_pTemp;
        s_pTemp = nullptr;
    }

    void SetUp() override {
        if (!s_missing.empty()) GTEST_SKIP() << s_missing;
        m_pImage = std::make_unique<NtfsImage>(s_pTemp->File("ntfs.img"));
        m_u32ClusterSize = m_pImage->ClusterSize();
        ASSERT_GE(m_u32ClusterSize, 512u);
        m_pDevice.reset(CreateDiskDevice(m_pImage->Path().c_str()));
        ASSERT_TRUE(m_pDevice && m_pDevice->Open());
        // Resident values come from the engine's own loader, as in a scan.
        m_scope.Table().GetResidentDataRunsStream = &GetNTFSResidentData;
    }

    std::unique_ptr<testkit::CTestFileNode> Node(std::string const& path,
                                                 testsupport::NtfsFileLayout* pLayout = nullptr) {
        auto const layout = m_pImage->Layout(path);
        EXPECT_TRUE(layout.has_value()) << path;
        if (!layout) return nullptr;
        if (pLayout != nullptr) *pLayout = *layout;
        auto pNode = layout->bResident ? copyouttest::MakeResidentNode(layout->s64RecordSector, layout->s64Size)
                                       : copyouttest::MakeNode(layout->runs, layout->s64Size, layout->bCompressed);
        pNode->SetFileName(path.c_str());
        pNode->SetSearcherType(SEARCHER_TYPE_NTFS);
        return pNode;
    }
    CSearchedPartitionInfo Partition() const {
        return copyouttest::MakePartition(0, m_u32ClusterSize / 512, FILE_SYSTEM_NTFS);
    }
    static Bytes const& Original(std::string const& path) { return s_originals.at(path); }

    static inline std::string s_missing;
    static inline testsupport::TempDir* s_pTemp = nullptr;
    static inline std::map<std::string, Bytes> s_originals;

    testsupport::EntryPointScope m_scope;
    std::unique_ptr<NtfsImage> m_pImage;
    std::unique_ptr<IStorageDevice> m_pDevice;
    std::uint32_t m_u32ClusterSize = 0;
};

TEST_F(NtfsCopyOutTest, ImageHoldsEveryKindOfLayout) {
    testsupport::NtfsFileLayout layout;
    Node("/c/text.txt", &layout);
    EXPECT_TRUE(layout.bCompressed);
    EXPECT_TRUE(std::any_of(layout.runs.begin(), layout.runs.end(), [](DataRun const& run) {
        return run.s64Start < 0;
    })) << "text should compress into units with sparse tails";
    Node("/c/random.bin", &layout);
    EXPECT_TRUE(layout.bCompressed);
    Node("/c/fragmented.bin", &layout);
    EXPECT_TRUE(layout.bCompressed);
    Node("/sparse.bin", &layout);
    ASSERT_FALSE(layout.runs.empty());
    EXPECT_LT(layout.runs.front().s64Start, 0) << "the sparse file should start with a hole";
    Node("/small.txt", &layout);
    EXPECT_TRUE(layout.bResident);
}

TEST_F(NtfsCopyOutTest, EveryFileCopiesOutByteExact) {
    CSearchedPartitionInfo const partition = Partition();
    copyouttest::FakeSearcher searcher({partition});
    CDataRecovery recovery;
    ASSERT_EQ(recovery.Initialize(&searcher, m_pDevice.get()), kResultSuccess);
    for (auto const& [path, original] : s_originals) {
        SCOPED_TRACE(path);
        auto pNode = Node(path);
        ASSERT_NE(pNode, nullptr);
        ReleasePtr<IFileReader> pClone(recovery.SetRecoverNode(pNode.get()));
        ASSERT_NE(pClone, nullptr);
        std::string const target = s_pTemp->File("copy.bin");
        ASSERT_EQ(recovery.RecoverTo(target.c_str(), nullptr, 0), kResultSuccess);
        std::string const copyHash = testsupport::Sha256OfFile(target);
        EXPECT_EQ(copyHash, testsupport::Sha256Hex(original));
        auto const catBytes = m_pImage->Cat(path);
        ASSERT_TRUE(catBytes.has_value());
        EXPECT_EQ(copyHash, testsupport::Sha256Hex(*catBytes));
    }
}

// The loader's other form: an NTFS node finds its record by the byte it keeps.
TEST_F(NtfsCopyOutTest, ResidentFileReadsThroughItsNtfsNode) {
    testsupport::NtfsFileLayout layout;
    ASSERT_NE(Node("/small.txt", &layout), nullptr);
    ASSERT_GE(layout.s64RecordSector, 0);
    CNTFSFileNode node;
    node.SetFileName("small.txt");
    node.SetFileSize(layout.s64Size);
    node.SetRecordPosition(static_cast<std::uint64_t>(layout.s64RecordSector) * 512, 1024);
    ReleasePtr<CDataRunList> pRuns(new CDataRunList());
    DataRun const record{layout.s64RecordSector, 1};
    pRuns->AddDataRun(&record);
    pRuns->SetResident(1);
    node.SetDataRunList(std::move(pRuns));
    CSearchedPartitionInfo partition = Partition();
    CFileReader reader;
    ASSERT_NE(reader.Open(m_pDevice.get(), &node, &partition), 0);
    Bytes bytes(64, 0);
    std::uint32_t u32Read = 0;
    ASSERT_TRUE(reader.Read(2, bytes, u32Read));
    bytes.resize(u32Read);
    EXPECT_EQ(bytes, Bytes(Original("/small.txt").begin() + 2, Original("/small.txt").end()));
}

TEST_F(NtfsCopyOutTest, ReadersServeUnalignedRanges) {
    CSearchedPartitionInfo partition = Partition();
    struct Range {
        long long s64Offset;
        unsigned int u32Length;
    };
    std::vector<Range> const ranges = {{0, 1},          {1, 4095},        {4095, 3},          {65535, 2},
                                       {65537, 200003}, {1000003, 77777}, {(1 << 20) - 5, 10}};
    for (std::string const path :
         {"/c/text.txt", "/c/random.bin", "/c/fragmented.bin", "/plain.bin", "/sparse.bin", "/small.txt"}) {
        SCOPED_TRACE(path);
        auto pNode = Node(path);
        ASSERT_NE(pNode, nullptr);
        std::unique_ptr<CFileReader> pReader(pNode->IsCompressed() ? new CCompressFileReader() : new CFileReader());
        ASSERT_EQ(pReader->Open(m_pDevice.get(), pNode.get(), &partition), 1);
        Bytes const& original = Original(path);
        for (Range const range : ranges) {
            if (range.s64Offset >= static_cast<long long>(original.size())) continue;
            SCOPED_TRACE(range.s64Offset);
            Bytes buffer(range.u32Length + 8, 0xCC);
            unsigned int const u32Got =
                pReader->ReadData(range.s64Offset, reinterpret_cast<char*>(buffer.data()), range.u32Length);
            std::size_t const wanted =
                std::min<std::size_t>(range.u32Length, original.size() - static_cast<std::size_t>(range.s64Offset));
            ASSERT_EQ(u32Got, wanted);
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(wanted),
                                   original.begin() + range.s64Offset));
            EXPECT_EQ(buffer[wanted], 0xCC);
        }
    }
}

#if defined(QUORIN_SCANBENCH_PATH)
TEST_F(NtfsCopyOutTest, ScanbenchExtractReproducesNtfscat) {
    for (std::string const path : {"/c/text.txt", "/c/fragmented.bin", "/plain.bin", "/sparse.bin"}) {
        SCOPED_TRACE(path);
        testsupport::NtfsFileLayout layout;
        ASSERT_NE(Node(path, &layout), nullptr);
        std::ostringstream runs;
        for (DataRun const& run : layout.runs) {
            if (run.s64Start < 0)
                runs << "-:" << run.s64Length << ",";
            else
                runs << "0x" << std::hex << run.s64Start << std::dec << ":" << run.s64Length << ",";
        }
        std::string runList = runs.str();
        runList.pop_back();
        std::string const target = s_pTemp->File("extracted.bin");
        std::string const command =
            std::string(QUORIN_SCANBENCH_PATH) + " extract " + testsupport::ShellQuote(m_pImage->Path()) +
            " --start 0 --cluster-sectors " + std::to_string(m_u32ClusterSize / 512) + " --size " +
            std::to_string(layout.s64Size) + " --runs " + runList + (layout.bCompressed ? " --ntfs-compressed" : "") +
            " --to " + testsupport::ShellQuote(target) + " >/dev/null";
        ASSERT_EQ(testsupport::RunCommand(command), 0) << command;
        auto const catBytes = m_pImage->Cat(path);
        ASSERT_TRUE(catBytes.has_value());
        EXPECT_EQ(testsupport::Sha256OfFile(target), testsupport::Sha256Hex(*catBytes));
    }
}
#endif

}  // namespace
