// The FAT complete search over a device of 16,384 sectors of 512 bytes that is zero except where
// the input places sectors: the input is a list of records, each a 2-byte little-endian sector
// number (taken modulo the device size) and the sector's 512 bytes. The sector pass, the
// candidates' scoring, the reports of the volumes found and every found volume's rebuild run as
// in a complete scan. Every volume
// found must have a partition index in order and a score the scoring can give.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzedDiskSearch.h"
#include "engine/fat/complete/FATCompleteSearcher.h"

namespace {

constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kDeviceSectors = 16384;
constexpr int kBlockSectors = 4096;
constexpr std::size_t kRecordBytes = 2 + kSectorSize;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    std::vector<std::uint8_t> bytes(kDeviceSectors * kSectorSize, 0);
    for (std::size_t off = 0; off + kRecordBytes <= size; off += kRecordBytes) {
        std::size_t const sector = (pData[off] | std::size_t{pData[off + 1]} << 8) % kDeviceSectors;
        std::memcpy(bytes.data() + sector * kSectorSize, pData + off + 2, kSectorSize);
    }
    CMemoryDevice device(std::move(bytes));
    testkit::RecordingTreeBuilder builder;
    CFATCompleteFSearcher searcher;
    RunReportingSearch(searcher, device, builder, kBlockSectors);

    auto const& found = searcher.Found();
    if (searcher.GetSearchedPartitionInfo(nullptr, 0) != static_cast<int>(found.size())) std::abort();
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i]->m_u16PartitionIndex != i) std::abort();
        if (found[i]->m_dScore < 20 || found[i]->m_dScore > 100) std::abort();
    }
    return 0;
}
