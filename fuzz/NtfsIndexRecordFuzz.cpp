// One INDX block, and its bytes as mapping pairs, as the deep search meets them on any sector.
#include <cstdint>
#include <vector>

#include "engine/ntfs/ondisk/IndexRecord.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    engine::ByteView const buffer(pData, size);
    if (CIndexRecord::IsValid(buffer)) {
        (void)CIndexRecord::GetParentFileReference(buffer);
        (void)CStandardIndexHeader::GetVCN(buffer);
    }
    std::vector<std::uint8_t> copy(pData, pData + size);
    if (CIndexRecord::UnfixupIndexRecord(copy)) (void)CIndexRecord::CheckIndexEntries(engine::ByteView(copy));

    CNTFSDataRunList runs;
    if (runs.InitFromBuffer(buffer) != CNTFSDataRunList::IsValid(buffer)) __builtin_trap();
    (void)CNTFSDataRunList::GetTotalClusters(buffer);
    if (!runs.IsEmpty()) (void)runs.GetLCN(runs.GetTotalClusters() - 1);
    return 0;
}
