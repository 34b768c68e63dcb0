// A hostile $LogFile: the input's first 4 KiB are the first four MFT records of a volume with
// 4 KiB clusters, the rest is the log. Every record page is walked, every FILE image and undo
// record taken, and each record of the four that names a file is offered to the salvage; what
// comes back must pack and unpack to the same runs.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/device/MemoryDevice.h"
#include "engine/ntfs/NTFSFilePropertiesBuilder.h"
#include "engine/ntfs/NTFSFindFileFromLogFile.h"
#include "engine/ntfs/NTFSMultiFileRecord.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    constexpr std::size_t kCluster = 4096;
    constexpr std::size_t kMaxVolume = std::size_t{2} << 20;
    if (size < 2 * kCluster || size > kMaxVolume) return 0;
    CMemoryDevice device(std::vector<std::uint8_t>(pData, pData + size));
    device.Open();
    NtfsVolumeGeometry geometry;
    geometry.u32SectorsPerCluster = kCluster / 512;
    CNTFSDataRunList mftRuns;
    mftRuns.Add({0, 0, 1});
    CNTFSDataRunList logRuns;
    std::int64_t const s64LogClusters = static_cast<std::int64_t>(size / kCluster - 1);
    logRuns.Add({1, 0, s64LogClusters});
    CFindFileFromLogFile salvage;
    if (!salvage.InitWithLog(device, geometry, mftRuns, logRuns, static_cast<std::uint64_t>(s64LogClusters) * kCluster))
        return 0;
    salvage.Analyzer();

    CNTFSMftReader const mft(device, geometry, mftRuns, kCluster);
    for (std::uint64_t n = 0; n < mft.RecordCount(); ++n) {
        auto const raw = mft.ReadRecord(n);
        if (!raw) continue;
        CNTFSMultiFileRecord const file(mft, n, CNTFSFileRecord(engine::ByteView(raw->data(), raw->size())));
        std::uint64_t u64Parent = 0;
        auto pProperties =
            CNTFSFilePropertiesBuilder::BuildFileProperties(NtfsRecordPlace{}, file, kCluster, &u64Parent);
        if (!pProperties) continue;
        pProperties->SetState(CNTFSFileProperties::kStateDeleted);
        pProperties->SetFileSize(0);
        if (!salvage.ReplaceFileRecordInfo(*file.Records().front(), n, *pProperties, u64Parent)) continue;
        if (pProperties->GetFileSize() < 0) __builtin_trap();
        ReleasePtr<IDataRunList> const pRuns(pProperties->GetDataRunList());
        if (!pRuns) continue;
        auto const repacked = CCompressedDataRunList::Pack(*pRuns);
        if (!repacked || repacked->Pairs() != pProperties->GetPackedRuns()->Pairs()) __builtin_trap();
    }
    return 0;
}
