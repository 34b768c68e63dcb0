#include "engine/ntfs/NTFSFilePropertiesBuilder.h"

#include "engine/DataRunList.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/NTFSFileSummary.h"
#include "engine/ntfs/NTFSMultiFileRecord.h"

namespace {

constexpr std::uint16_t kDosBitsKept = CNTFSFileProperties::kAttributeReadOnly | CNTFSFileProperties::kAttributeHidden |
                                       CNTFSFileProperties::kAttributeSystem | CNTFSFileProperties::kAttributeArchive;

/// Offset of the first unnamed resident $DATA value inside the base record; 0 when none.
std::uint16_t ResidentValueOffset(CNTFSFileRecord const& base) {
    for (CNTFSFileRecordAttribute const& attribute : base.Attributes()) {
        if (attribute.GetType() != ntfs::kAttrData || attribute.IsNamed() || !attribute.IsResident()) continue;
        engine::ByteView const value = attribute.GetValue();
        if (value.Data() == nullptr) return 0;
        return static_cast<std::uint16_t>(value.Data() - base.Bytes().Data());
    }
    return 0;
}

void TakeData(CNTFSFileProperties& properties, NtfsFileSummary const& summary, CNTFSMultiFileRecord const& file,
              long long s64RecordSector, std::uint64_t u64ClusterBytes) {
    std::uint16_t u16Attribute = static_cast<std::uint16_t>(properties.GetAttribute());
    bool const bEncrypted = (summary.u16DataFlags & ntfs::kAttrFlagEncrypted) != 0;
    if (bEncrypted) u16Attribute |= CNTFSFileProperties::kAttributeEncrypted;
    // Encrypted bytes cannot be expanded: such a file is marked encrypted only.
    if (!bEncrypted && !summary.bResident && (summary.u16DataFlags & ntfs::kAttrFlagCompressed) != 0)
        u16Attribute |= CNTFSFileProperties::kAttributeCompressed;
    properties.SetAttribute(u16Attribute);

    if (summary.bResident) {
        std::uint16_t const u16Offset = ResidentValueOffset(*file.Records().front());
        CDataRunList list;
        DataRun const record{s64RecordSector, 1};
        list.AddDataRun(&record);
        list.SetResident(1);
        if (u16Offset != 0 && s64RecordSector >= 0) properties.SetDataRunList(&list, u16Offset);
        properties.SetFileSize(summary.s64Size);
        return;
    }
    properties.SetNonResidentRuns(summary.runs);
    std::int64_t s64Size = std::max<std::int64_t>(summary.s64Size, 0);
    std::int64_t const s64Clusters = properties.GetTotalClusters();
    if (u64ClusterBytes != 0 && u64ClusterBytes % 512 == 0 && s64Clusters > 0) {
        auto const held = engine::CheckedMul<std::int64_t>(s64Clusters, static_cast<std::int64_t>(u64ClusterBytes));
        if (held && s64Size > *held) s64Size = *held;
    }
    properties.SetFileSize(s64Size);
    // A sound initialised size follows the size down where the runs cut it; an unsound one is
    // kept as it stands, so that copy-out refuses the file rather than guess.
    std::optional<long long> initialized = summary.initializedSize;
    if (initialized && *initialized >= 0 && *initialized <= summary.s64Size)
        initialized = std::min<long long>(*initialized, s64Size);
    properties.SetInitializedSize(initialized);
}

}  // namespace

std::unique_ptr<CNTFSFileProperties> CNTFSFilePropertiesBuilder::BuildFileProperties(NtfsRecordPlace const& place,
                                                                                     CNTFSMultiFileRecord const& file,
                                                                                     std::uint64_t u64ClusterBytes,
                                                                                     std::uint64_t* pParentReference) {
    std::optional<NtfsFileSummary> const summary = SummarizeNtfsFile(file);
    if (!summary || !summary->name || summary->name->name.empty()) return nullptr;
    NtfsFileName const& name = *summary->name;
    auto pProperties = std::make_unique<CNTFSFileProperties>();
    std::string const utf8 = name.Utf8Name();
    pProperties->SetFileName(utf8.c_str());
    pProperties->SetTimes(name.u64CreationTime, name.u64ModificationTime, name.u64AccessTime);
    std::uint16_t u16Attribute = summary->bFolder ? CNTFSFileProperties::kAttributeFolder : 0;
    if (auto const info = file.FindAttibute(ntfs::kAttrStandardInformation);
        info && CNTFSFileRecordStandardInformationAttribute::IsValid(*info)) {
        engine::ByteView const value = info->GetValue();
        pProperties->SetTimes(value.Le64(0), value.Le64(8), value.Le64(24));
        pProperties->SetMftChangeTime(value.Le64(16));
        u16Attribute |= static_cast<std::uint16_t>(
            CNTFSFileRecordStandardInformationAttribute::GetDosFilePermission(*info) & kDosBitsKept);
    }
    pProperties->SetAttribute(u16Attribute);
    pProperties->SetState(summary->bInUse ? 0 : CNTFSFileProperties::kStateDeleted);
    pProperties->SetFileRecordStartSector(place.s64Sector);
    pProperties->SetFileRecordPosition(place.u64Byte, place.u32Size);
    pProperties->SetFileRecordIndex(static_cast<long long>(file.GetMainFileRecordIndex()));
    pProperties->SetExtendFileRecordInfoList(file.ExtensionNumbers());
    if (pParentReference != nullptr) *pParentReference = name.u64ParentReference;
    if (summary->bFolder) return pProperties;

    // The data's own size; the name's copy is often stale and serves only when no data is found.
    if (!summary->bHasData) {
        pProperties->SetFileSize(static_cast<long long>(std::min<std::uint64_t>(name.u64RealSize, INT64_MAX)));
        return pProperties;
    }
    TakeData(*pProperties, *summary, file, place.s64Sector, u64ClusterBytes);
    return pProperties;
}

void CNTFSFilePropertiesBuilder::AdjustFileSizeAccordinttoDataRunsWhenFileSizeLessThanZero(
    CNTFSFileProperties& properties, std::uint64_t u64ClusterBytes) {
    if (properties.GetFileSize() >= 0) return;
    auto const held =
        engine::CheckedMul<std::int64_t>(properties.GetTotalClusters(), static_cast<std::int64_t>(u64ClusterBytes));
    properties.SetFileSize(held.value_or(0));
}
