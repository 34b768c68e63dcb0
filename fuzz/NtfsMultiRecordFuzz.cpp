// A small NTFS volume in memory as the MFT reader meets it: boot sector, the $MFT's runs and
// attribute list, then every record with its extension records. The input is the volume.
#include <cstdint>
#include <vector>

#include "engine/core/device/MemoryDevice.h"
#include "engine/ntfs/NTFSFileSummary.h"
#include "engine/ntfs/NTFSMftReader.h"

namespace {
constexpr std::uint64_t kMaxRecords = 64;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    CMemoryDevice device(std::vector<std::uint8_t>(pData, pData + size));
    device.Open();
    auto const mft = CNTFSMftReader::Open(device, 0);
    if (!mft) return 0;
    for (std::uint64_t n = 0; n < mft->RecordCount() && n < kMaxRecords; ++n) {
        auto const raw = mft->ReadRecord(n);
        if (!raw) continue;
        CNTFSMultiFileRecord const file(*mft, n, CNTFSFileRecord(engine::ByteView(raw->data(), raw->size())));
        (void)SummarizeNtfsFile(file);
        (void)file.FindAttibute(ntfs::kAttrData, 1);
        (void)mft->GetFileRecordStartSector(n);
    }
    return 0;
}
