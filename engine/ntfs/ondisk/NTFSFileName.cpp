#include "engine/ntfs/ondisk/NTFSFileName.h"

#include <algorithm>

#include "engine/core/util/Utf16.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"

namespace {
constexpr std::uint8_t kMaxNamespace = 4;
constexpr char16_t kForbidden[] = u"\"*/:<>?\\|";
}  // namespace

std::uint64_t NtfsFileName::ParentRecord() const { return u64ParentReference & ntfs::kRecordNumberMask; }

std::string NtfsFileName::Utf8Name() const { return engine::Utf16ToUtf8(name); }

std::optional<NtfsFileName> CNTFSFileRecordFileNameAttribute::Read(engine::ByteView value) {
    if (!value.Has(0, kNameOffset)) return std::nullopt;
    std::size_t const units = value.U8(64);
    if (!value.Has(0, kNameOffset + units * 2)) return std::nullopt;
    NtfsFileName fileName;
    fileName.u64ParentReference = value.Le64(0);
    fileName.u64CreationTime = value.Le64(8);
    fileName.u64ModificationTime = value.Le64(16);
    fileName.u64AccessTime = value.Le64(32);
    fileName.u64AllocatedSize = value.Le64(40);
    fileName.u64RealSize = value.Le64(48);
    fileName.u32Flags = value.Le32(56);
    fileName.u8Namespace = std::min(value.U8(65), kMaxNamespace);
    for (std::size_t i = 0; i < units; ++i) fileName.name.push_back(value.Le16(kNameOffset + 2 * i));
    return fileName;
}

bool CNTFSFileRecordFileNameAttribute::IsValidFileName(std::vector<std::uint16_t> const& name) {
    for (std::uint16_t const unit : name) {
        if (unit == 0) break;
        if (std::find(std::begin(kForbidden), std::end(kForbidden) - 1, static_cast<char16_t>(unit)) !=
            std::end(kForbidden) - 1)
            return false;
    }
    return true;
}

bool CNTFSFileRecordFileNameAttribute::IsValid(CNTFSFileRecordAttribute const& attribute) {
    if (attribute.GetType() != ntfs::kAttrFileName) return false;
    return Read(attribute.GetValue()).has_value();
}

bool CNTFSFileRecordFileNameAttribute::HasPlausibleName(CNTFSFileRecordAttribute const& attribute) {
    if (attribute.GetType() != ntfs::kAttrFileName) return false;
    auto const fileName = Read(attribute.GetValue());
    return fileName && IsValidFileName(fileName->name);
}

bool CNTFSFileRecordFileNameAttribute::IsFileNameEqual(CNTFSFileRecordAttribute const& attribute,
                                                       std::u16string_view name) {
    auto const fileName = Read(attribute.GetValue());
    return fileName && std::equal(fileName->name.begin(), fileName->name.end(), name.begin(), name.end());
}
