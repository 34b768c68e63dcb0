#include "CopyOutFixtures.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

#include "engine/DataRunList.h"
#include "engine/ReleasePtr.h"

namespace copyouttest {

std::unique_ptr<testkit::CTestFileNode> MakeNode(std::vector<DataRun> const& runs, long long s64Size,
                                                 bool bCompressed) {
    auto pNode = std::make_unique<testkit::CTestFileNode>("file.bin");
    ReleasePtr<IDataRunList> pRuns(CreateDataRunList());
    for (DataRun const& run : runs) pRuns->AddDataRun(&run);
    pNode->SetDataRunList(std::move(pRuns));
    pNode->SetFileSize(s64Size);
    pNode->SetCompressed(bCompressed ? 1 : 0);
    return pNode;
}

std::unique_ptr<testkit::CTestFileNode> MakeResidentNode(long long s64RecordSector, long long s64Size) {
    auto pNode = std::make_unique<testkit::CTestFileNode>("small.txt");
    auto pRuns = std::make_unique<CDataRunList>();
    DataRun const run{s64RecordSector, 1};
    pRuns->AddDataRun(&run);
    pRuns->SetResident(1);
    pNode->SetDataRunList(ReleasePtr<IDataRunList>(pRuns.release()));
    pNode->SetFileSize(s64Size);
    return pNode;
}

CSearchedPartitionInfo MakePartition(long long s64StartSector, std::uint32_t u32SectorsPerCluster,
                                     std::uint32_t u32FileSystemType, std::uint32_t u32SectorSize) {
    CSearchedPartitionInfo partition(u32SectorSize);
    partition.m_s64StartSector = s64StartSector;
    partition.m_u32SectorsPerCluster = u32SectorsPerCluster;
    partition.m_u32FileSystemType = u32FileSystemType;
    return partition;
}

int FakeSearcher::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) {
    ++m_iCalls;
    int const iFilled = std::min<int>(iCount, static_cast<int>(m_partitions.size()));
    for (int i = 0; i < iFilled; ++i) ppPartitions[i] = new CountedPartition(m_partitions[static_cast<std::size_t>(i)]);
    return static_cast<int>(m_partitions.size());
}

std::vector<std::uint8_t> RepeatChunk(std::uint8_t value, std::size_t length) {
    std::vector<std::uint8_t> chunk = {0, 0};
    std::size_t position = 0;
    std::size_t flagIndex = 0;
    int iItem = 8;
    auto beginItem = [&](bool bReference) {
        if (iItem == 8) {
            flagIndex = chunk.size();
            chunk.push_back(0);
            iItem = 0;
        }
        if (bReference) chunk[flagIndex] |= static_cast<std::uint8_t>(1u << iItem);
        ++iItem;
    };
    while (position < length) {
        if (position == 0 || length - position < 3) {
            beginItem(false);
            chunk.push_back(value);
            ++position;
            continue;
        }
        unsigned shift = 0;
        for (std::size_t reach = position - 1; reach >= 0x10; reach >>= 1) ++shift;
        std::size_t const maxLength = (0xFFFu >> shift) + 3;
        std::size_t const count = std::min(maxLength, length - position);
        std::uint16_t const token = static_cast<std::uint16_t>(count - 3);  // displacement 1: zero high bits
        beginItem(true);
        chunk.push_back(static_cast<std::uint8_t>(token));
        chunk.push_back(static_cast<std::uint8_t>(token >> 8));
        position += count;
    }
    std::uint16_t const header = static_cast<std::uint16_t>(0xB000u | (chunk.size() - 3));
    chunk[0] = static_cast<std::uint8_t>(header);
    chunk[1] = static_cast<std::uint8_t>(header >> 8);
    return chunk;
}

std::vector<std::uint8_t> StoredChunk(std::span<std::uint8_t const> bytes) {
    std::uint16_t const header = static_cast<std::uint16_t>(0x3000u | (bytes.size() - 1));
    std::vector<std::uint8_t> chunk = {static_cast<std::uint8_t>(header), static_cast<std::uint8_t>(header >> 8)};
    chunk.insert(chunk.end(), bytes.begin(), bytes.end());
    return chunk;
}

std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t u32Seed) {
    std::mt19937 generator(u32Seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(generator());
    return bytes;
}

std::vector<std::uint8_t> ExpectedPlainBytes(std::span<std::uint8_t const> device, std::uint64_t u64BaseByte,
                                             std::uint32_t u32ClusterSize, std::vector<DataRun> const& runs,
                                             long long s64Size) {
    std::vector<std::uint8_t> bytes;
    for (DataRun const& run : runs) {
        std::size_t const count = static_cast<std::size_t>(run.s64Length) * u32ClusterSize;
        if (run.s64Start < 0) {
            bytes.insert(bytes.end(), count, 0);
        } else {
            auto const first =
                device.begin() + static_cast<std::ptrdiff_t>(u64BaseByte + run.s64Start * u32ClusterSize);
            bytes.insert(bytes.end(), first, first + static_cast<std::ptrdiff_t>(count));
        }
    }
    bytes.resize(std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(s64Size)));
    return bytes;
}

std::vector<std::uint8_t> ReadWholeFile(std::string const& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace copyouttest
