// One FILE record as any NTFS scan meets it: the record test with its fixups, every attribute
// accessor, the run lists, metafile tests, the label, and the deep-search records built from it.
#include <cstdint>
#include <cstdlib>

#include "engine/ntfs/NTFSFileSummary.h"
#include "engine/ntfs/complete/NTFSFileRecordInfo.h"
#include "engine/ntfs/complete/NTFSMetaFileInfo.h"
#include "engine/ntfs/ondisk/NTFSFileName.h"
#include "engine/ntfs/ondisk/NTFSFileRecordAnalyzer.h"
#include "engine/ntfs/ondisk/NTFSIndexEntries.h"

namespace {

void TouchAttribute(CNTFSFileRecordAttribute const& attribute) {
    (void)attribute.GetName();
    (void)attribute.GetValue();
    (void)attribute.GetSectorsPerCluster(512);
    CNTFSDataRunList runs;
    if (attribute.AddDataRuns(runs) && !runs.IsEmpty()) {
        (void)runs.GetLCN(runs.Runs().back().s64VCN);
        (void)runs.GetVCN(runs.Runs().front().s64LCN);
        runs.Sort();
    }
    if (auto const name = CNTFSFileRecordFileNameAttribute::Read(attribute.GetValue())) (void)name->Utf8Name();
    (void)CNTFSFileRecordIndexRootAttribute::GetMFTFileRecordNumberfrom0x90(attribute);
    (void)CNTFSFileRecordStandardInformationAttribute::GetDosFilePermission(attribute);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    engine::ByteView const buffer(pData, size);
    (void)CNTFSFileRecordHeader::IsValid(buffer);
    (void)CNTFSFileRecordHeader::IsValidUpdateSequence(buffer);
    CNTFSFileRecord const record(buffer);
    if (!record.IsValid()) return 0;
    if (record.Bytes().Size() > ntfs::kMaxFileRecordSize) std::abort();
    for (CNTFSFileRecordAttribute const& attribute : record.Attributes()) TouchAttribute(attribute);

    CNTFSDataRunList runs;
    std::int64_t s64Size = 0;
    (void)CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, runs, true, &s64Size);
    (void)CNTFSFileRecordAnalyzer::GetSectorsPerClusterfrom0x80(record, 4096);
    (void)CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(record);
    (void)CFolderFileRecordAnalyzer::IsValidFolderFileRecordHavingIndexAllocation(record);
    if (auto const label = CVolumeFileAnalyzer::GetLabel(record, 16); label && label->size() > 16) std::abort();

    (void)CMFTInfo::Build(record, 0, 512);
    (void)CMFTMirrInfo::Build(record, 0, 512);
    CBitmapFileInfo().InitFromBuffer(record, 0);
    CCommonFileRecordInfo().InitFromBuffer(record, 0);
    CFolderIndexAllocationInfo().InitFromBuffer(buffer, 0, 512);
    return 0;
}
