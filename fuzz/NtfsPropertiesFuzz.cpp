// A hostile MFT of up to 64 records in memory (1 KiB records, 4 KiB clusters): each base record
// with the extension records its attribute list names goes through the properties builder; the
// packed runs must unpack to runs that pack to the same bytes, and a clone must own its copy.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/device/MemoryDevice.h"
#include "engine/ntfs/NTFSFilePropertiesBuilder.h"
#include "engine/ntfs/NTFSMftReader.h"
#include "engine/ntfs/NTFSMultiFileRecord.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    constexpr std::size_t kCluster = 4096;
    constexpr std::size_t kMaxRecords = 64;
    if (size < 1024 || size > kMaxRecords * 1024) return 0;
    std::vector<std::uint8_t> bytes(pData, pData + size);
    bytes.resize((size + kCluster - 1) / kCluster * kCluster, 0);
    CMemoryDevice device(bytes);
    device.Open();
    NtfsVolumeGeometry geometry;
    geometry.u32SectorsPerCluster = kCluster / 512;
    CNTFSDataRunList runs;
    runs.Add({0, 0, static_cast<std::int64_t>(bytes.size() / kCluster)});
    CNTFSMftReader const mft(device, geometry, runs, bytes.size());
    for (std::uint64_t n = 0; n < mft.RecordCount(); ++n) {
        auto const raw = mft.ReadRecord(n);
        if (!raw) continue;
        CNTFSMultiFileRecord const file(mft, n, CNTFSFileRecord(engine::ByteView(raw->data(), raw->size())));
        NtfsRecordPlace const place{static_cast<long long>(n * 2), n * 1024, 1024};
        std::unique_ptr<CNTFSFileProperties> const pProperties =
            CNTFSFilePropertiesBuilder::BuildFileProperties(place, file, kCluster);
        if (!pProperties) continue;
        if (pProperties->GetFileName() == nullptr || pProperties->GetFileSize() < 0) __builtin_trap();
        CNTFSFilePropertiesBuilder::AdjustFileSizeAccordinttoDataRunsWhenFileSizeLessThanZero(*pProperties, kCluster);
        ReleasePtr<IDataRunList> const pRuns(pProperties->GetDataRunList());
        if (!pRuns) continue;
        auto const repacked = CCompressedDataRunList::Pack(*pRuns, pProperties->GetPackedRuns()->GetResidentOffset());
        if (!repacked || repacked->Pairs() != pProperties->GetPackedRuns()->Pairs()) __builtin_trap();
        std::unique_ptr<IFileProperties> const pClone(pProperties->Clone());
        ReleasePtr<IDataRunList> const pCloneRuns(pClone->GetDataRunList());
        if (!pCloneRuns) __builtin_trap();
    }
    return 0;
}
