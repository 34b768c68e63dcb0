// A complete scan hands the builder nodes of several partitions whose cluster numbers and bin
// names repeat. Each "$R" file must take the name from the index file of its own partition,
// read through that partition's record, even where an index node claims gigabytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TreeBuilderFixture.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/exfat/ExFatFileNode.h"

namespace {

using treetest::TreeBuilderTest;

constexpr long long kExFatRoot = 1000;
constexpr long long kSectorsPerPartition = 64;
constexpr long long kIndexCluster = 4;
constexpr long long kBinID = 200;

/// A version 2 index file naming `path` (ASCII).
std::vector<std::uint8_t> IndexBytes(std::string const& path) {
    std::vector<std::uint8_t> bytes(28, 0);
    bytes[0] = 2;
    bytes[24] = static_cast<std::uint8_t>(path.size() + 1);
    for (char const c : path) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0});
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

class RecycleBinPartitionsTest : public TreeBuilderTest {
protected:
    RecycleBinPartitionsTest() : m_device(std::vector<std::uint8_t>(2 * kSectorsPerPartition * 512, 0)) {
        m_pBuilder->AddSearcherInfo(SEARCHER_TYPE_EXFAT, kExFatRoot);
    }

    CSearchedPartitionInfo Partition(std::uint16_t u16Index) {
        CSearchedPartitionInfo record(512);
        record.m_u16PartitionIndex = u16Index;
        record.m_u32FileSystemType = FILE_SYSTEM_EXFAT;
        record.m_u32SectorsPerCluster = 1;
        record.m_s64StartSector = u16Index * kSectorsPerPartition;
        return record;
    }

    void WriteIndex(std::uint16_t u16Partition, std::string const& path) {
        std::vector<std::uint8_t> const bytes = IndexBytes(path);
        std::copy(bytes.begin(), bytes.end(),
                  m_device.Bytes().begin() + (u16Partition * kSectorsPerPartition + kIndexCluster) * 512);
    }

    void Add(std::uint16_t u16Partition, long long s64ID, long long s64Parent, char const* pszName, bool bFolder,
             long long s64Size = 0) {
        auto* pNode = new CExFatFileNode;
        pNode->SetFileName(pszName);
        pNode->SetID(s64ID);
        pNode->SetParentID(s64Parent);
        pNode->SetBelongedPartition(u16Partition);
        if (bFolder) pNode->SetFileAttributes(CExFatFileNode::kAttributeFolder);
        pNode->SetFileSize(s64Size);
        ReleasePtr<IDataRunList> pRuns(CreateDataRunList());
        DataRun const run{s64ID == kIndexCluster ? kIndexCluster : s64ID, 1};
        pRuns->AddDataRun(&run);
        pNode->SetDataRunList(std::move(pRuns));
        if (!m_pBuilder->AddNode(pNode, SEARCHER_TYPE_EXFAT)) pNode->Release();
    }

    /// Each shown file's name by partition.
    std::vector<std::string> ShownFiles(std::uint16_t u16Partition) const {
        std::vector<std::string> names;
        for (IFileNode* pNode : m_sink.Nodes()) {
            auto* pFile = dynamic_cast<CExFatFileNode*>(pNode);
            if (pFile && !pFile->IsDirectory() && pFile->GetBelongedPartition() == u16Partition)
                names.push_back(pFile->GetFileName());
        }
        return names;
    }

    CMemoryDevice m_device;
};

TEST_F(RecycleBinPartitionsTest, EachDataFilePairsWithTheIndexFileOfItsOwnPartition) {
    WriteIndex(0, "C:\\Users\\me\\zero.jpg");
    WriteIndex(1, "C:\\Users\\me\\one.jpg");
    for (std::uint16_t u16Partition : {0, 1}) {
        Add(u16Partition, kBinID, kExFatRoot, "$Recycle.Bin", true);
        Add(u16Partition, kIndexCluster, kBinID, "$IABC.jpg", false, u16Partition == 1 ? 4LL << 30 : 512);
        Add(u16Partition, 20, kBinID, "$RABC.jpg", false, 1000);
        Add(u16Partition, 21, kBinID, "$RABCD.jpg", false, 1000);  // a longer name is not its pair
    }
    CSearchedPartitionInfo first = Partition(0);
    CSearchedPartitionInfo second = Partition(1);
    m_pBuilder->SetPartitonDevice(&second, &m_device);
    m_pBuilder->SetPartitonDevice(&first, &m_device);
    m_pBuilder->FlashBuild(SEARCHER_TYPE_EXFAT);

    EXPECT_EQ(ShownFiles(0), (std::vector<std::string>{"zero.jpg", "$RABCD.jpg"}));
    EXPECT_EQ(ShownFiles(1), (std::vector<std::string>{"one.jpg", "$RABCD.jpg"}));
    for (IFileNode* pNode : m_sink.Nodes()) EXPECT_TRUE(pNode->IsDeleted()) << pNode->GetFileName();
}

}  // namespace
