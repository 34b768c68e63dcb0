#include "engine/ntfs/ondisk/NTFSFileRecordAnalyzer.h"

#include <vector>

#include "engine/core/util/Utf16.h"
#include "engine/ntfs/ondisk/NTFSFileName.h"

namespace {

constexpr std::u16string_view kMetaFileNames[CMetaFileRecordTypeAnalyzer::kMetaFileCount] = {
    u"$MFT",     u"$MFTMirr", u"$LogFile", u"$Volume", u"$AttrDef", u".",      u"$Bitmap", u"$Boot",
    u"$BadClus", u"$Secure",  u"$UpCase",  u"$Extend", u"$Quota",   u"$ObjId", u"$Reparse"};

bool IsHiddenSystem(CNTFSFileRecord const& record) {
    auto const info = record.FindAttibute(ntfs::kAttrStandardInformation);
    if (!info) return false;
    std::uint32_t const u32Wanted = CNTFSFileRecordStandardInformationAttribute::kDosHidden |
                                    CNTFSFileRecordStandardInformationAttribute::kDosSystem;
    return (CNTFSFileRecordStandardInformationAttribute::GetDosFilePermission(*info) & u32Wanted) == u32Wanted;
}

bool IsUnnamedData(CNTFSFileRecordAttribute const& attribute) {
    return attribute.GetType() == ntfs::kAttrData && !attribute.IsNamed();
}

}  // namespace

bool CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(CNTFSFileRecord const& record, CNTFSDataRunList& runs,
                                                                 bool bCheck, std::int64_t* pRealSize) {
    if (!record.IsValid()) return false;
    for (CNTFSFileRecordAttribute const& attribute : record.Attributes()) {
        if (!IsUnnamedData(attribute)) continue;
        if (attribute.IsResident()) return false;
        CNTFSDataRunList instance;
        if (!attribute.AddDataRuns(instance)) return false;
        if (bCheck && !attribute.IsCompressed() && instance.GetTotalClusters() != attribute.GetVCNCount()) return false;
        for (CDataRun const& run : instance.Runs()) runs.Add(run);
        if (attribute.GetStartVCN() == 0 && pRealSize) *pRealSize = attribute.GetRealSizeOfAttribute();
    }
    return true;
}

std::optional<std::uint32_t> CNTFSFileRecordAnalyzer::GetSectorsPerClusterfrom0x80(CNTFSFileRecord const& record,
                                                                                   std::uint32_t u32SectorSize) {
    CNTFSDataRunList runs;
    std::int64_t s64RealSize = 0;
    if (!AddDataRunListfromFileRecordBuffer(record, runs, true, &s64RealSize)) return std::nullopt;
    return EstimateSectorsPerCluster(s64RealSize, runs.GetTotalClusters(), u32SectorSize);
}

std::uint32_t CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(CNTFSFileRecord const& record) {
    if (!record.IsValid() || record.IsExtendFileRecord()) return kNotMetaFile;
    auto const name = record.FindAttibute(ntfs::kAttrFileName);
    if (!name) return kNotMetaFile;
    for (std::uint32_t row = 0; row < kMetaFileCount; ++row)
        if (CNTFSFileRecordFileNameAttribute::IsFileNameEqual(*name, kMetaFileNames[row])) return row;
    return kNotMetaFile;
}

std::u16string_view CMetaFileRecordTypeAnalyzer::GetMetaFileName(std::uint32_t u32Row) {
    return u32Row < kMetaFileCount ? kMetaFileNames[u32Row] : std::u16string_view();
}

bool CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(CNTFSFileRecord const& record) {
    return GetMetaFileRecordIndex(record) != kNotMetaFile && IsHiddenSystem(record);
}

bool CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(CNTFSFileRecord const& record, std::u16string_view name) {
    if (!record.IsValid() || !IsHiddenSystem(record)) return false;
    auto const fileName = record.FindAttibute(ntfs::kAttrFileName);
    return fileName && CNTFSFileRecordFileNameAttribute::IsFileNameEqual(*fileName, name);
}

bool CFolderFileRecordAnalyzer::IsValidFolderFileRecordHavingIndexAllocation(CNTFSFileRecord const& record) {
    if (!record.IsValid() || !record.IsFolder()) return false;
    auto const allocation = record.FindAttibute(ntfs::kAttrIndexAllocation);
    return allocation && !allocation->IsResident();
}

std::optional<std::string> CVolumeFileAnalyzer::GetLabel(CNTFSFileRecord const& record, std::size_t maxBytes) {
    if (!CMetaFileRecordTypeAnalyzer::IsValidVolumeFileRecord(record)) return std::nullopt;
    auto const volumeName = record.FindAttibute(ntfs::kAttrVolumeName);
    if (!volumeName || !volumeName->IsResident()) return std::nullopt;
    engine::ByteView const value = volumeName->GetValue();
    std::vector<std::uint16_t> units;
    for (std::size_t i = 0; i + 1 < value.Size(); i += 2) units.push_back(value.Le16(i));
    std::string label;
    engine::AppendUtf8Bounded(label, engine::Utf16ToUtf8(units), maxBytes);
    return label;
}
