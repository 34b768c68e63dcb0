// The NTFS compressed-file reader over an in-memory device, with a fuzzed run list and size:
// hostile runs, sizes and chunk headers must give zeros or failures, never a crash, a hang or
// a large allocation.
//
// Input layout:
// | offset | size   | meaning                                                        |
// |      0 | 1      | sectors per cluster: 1 << (byte % 5)                           |
// |      1 | 4      | data size, little-endian, cut to 1 MiB                         |
// |      5 | 4      | read offset for ReadData, little-endian                        |
// |      9 | 1      | run count, at most 32                                          |
// |     10 | 12 × n | runs: start (s64, negative for a hole) and length (s32), LE    |
// |      … | rest   | the device's bytes                                             |
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "WholeSectors.h"
#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/copyout/CompressFileReader.h"
#include "engine/core/device/MemoryDevice.h"
#include "testkit/RunListNode.h"

namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kRunSize = 12;
constexpr std::size_t kMaxRuns = 32;
constexpr std::uint32_t kMaxDataSize = 1 << 20;
constexpr std::uint32_t kSectorSize = 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    engine::ByteView const input(pData, size);
    if (!input.Has(0, kHeaderSize)) return 0;
    std::uint32_t const u32SectorsPerCluster = 1u << (input.U8(0) % 5);
    std::uint32_t const u32DataSize = std::min(input.Le32(1), kMaxDataSize);
    std::uint32_t const u32ReadOffset = input.Le32(5);
    std::size_t const runCount = std::min<std::size_t>(input.U8(9), kMaxRuns);
    if (!input.Has(kHeaderSize, runCount * kRunSize)) return 0;
    std::vector<DataRun> runs;
    for (std::size_t i = 0; i < runCount; ++i) {
        std::size_t const at = kHeaderSize + i * kRunSize;
        runs.push_back({static_cast<long long>(input.Le64(at)), static_cast<std::int32_t>(input.Le32(at + 8))});
    }
    std::span<std::uint8_t const> const tail = input.From(kHeaderSize + runCount * kRunSize).Span();
    CMemoryDevice device(WholeSectors(tail.data(), tail.size(), kSectorSize), static_cast<int>(kSectorSize));

    CSearchedPartitionInfo partition;
    partition.m_u32SectorsPerCluster = u32SectorsPerCluster;
    partition.m_u32FileSystemType = FILE_SYSTEM_NTFS;
    CRunListNode node(runs, u32DataSize, true);
    CCompressFileReader reader;
    if (reader.Open(&device, &node, &partition) == 0) return 0;

    std::vector<char> buffer(0x20000);
    reader.ReadData(u32ReadOffset % (u32DataSize + 1), buffer.data(), static_cast<unsigned int>(buffer.size()));
    reader.Recovery(buffer.data(), 0x10000, nullptr);
    bool bFallback = false;
    reader.Recovery("/dev/null", nullptr, bFallback);
    return 0;
}
