#include "engine/ntfs/NTFSFileSummary.h"

namespace {

void TakeName(NtfsFileSummary& summary, CNTFSFileRecordAttribute const& attribute) {
    auto const name = CNTFSFileRecordFileNameAttribute::Read(attribute.GetValue());
    if (!name) return;
    if (!summary.name || (summary.name->IsDosOnly() && !name->IsDosOnly())) summary.name = name;
}

void TakeData(NtfsFileSummary& summary, CNTFSFileRecordAttribute const& attribute) {
    if (attribute.IsResident()) {
        summary.bHasData = summary.bResident = true;
        summary.s64Size = static_cast<std::int64_t>(attribute.GetValue().Size());
        summary.u16DataFlags = attribute.GetFlags();
        summary.initializedSize.reset();
        return;
    }
    attribute.AddDataRuns(summary.runs);
    if (attribute.GetStartVCN() != 0) return;
    summary.bHasData = true;
    summary.s64Size = attribute.GetRealSizeOfAttribute();
    summary.initializedSize = attribute.GetInitializedDataSize();
    summary.u16DataFlags = attribute.GetFlags();
}

}  // namespace

std::optional<NtfsFileSummary> SummarizeNtfsFile(CNTFSMultiFileRecord const& file) {
    if (!file.IsValid()) return std::nullopt;
    NtfsFileSummary summary;
    CNTFSFileRecord const& base = *file.Records().front();
    summary.bInUse = base.IsinUse();
    summary.bFolder = base.IsFolder();
    summary.bHasAttributeList = base.HasAttributeList();
    for (CNTFSFileRecord const* pRecord : file.Records())
        for (CNTFSFileRecordAttribute const& attribute : pRecord->Attributes()) {
            if (attribute.GetType() == ntfs::kAttrFileName) TakeName(summary, attribute);
            if (attribute.GetType() == ntfs::kAttrData && !attribute.IsNamed()) TakeData(summary, attribute);
        }
    summary.runs.Sort();
    return summary;
}
