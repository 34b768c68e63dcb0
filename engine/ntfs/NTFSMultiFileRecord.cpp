#include "engine/ntfs/NTFSMultiFileRecord.h"

#include <unordered_set>

namespace {
constexpr std::size_t kListEntryMinSize = 26;
}

CNTFSMultiFileRecord::CNTFSMultiFileRecord(INTFSRecordSource const& mft, std::uint64_t u64BaseNumber,
                                           CNTFSFileRecord base, bool bFollowList)
    : m_u64BaseNumber(u64BaseNumber) {
    if (!base.IsValid()) return;
    m_records.push_back(std::move(base));
    if (!bFollowList || !m_records.front().HasAttributeList()) return;
    std::vector<std::uint8_t> const list = ReadAttributeList(mft);
    for (std::uint64_t const u64Number : ListedRecords(engine::ByteView(list.data(), list.size()), u64BaseNumber)) {
        auto const raw = mft.ReadRecord(u64Number);
        if (!raw) continue;
        CNTFSFileRecord extension(engine::ByteView(raw->data(), raw->size()));
        if (!extension.IsValid() || !extension.IsExtendFileRecord() ||
            extension.GetBaseFileRecordNumber() != u64BaseNumber)
            continue;
        m_records.push_back(std::move(extension));
        m_extensionNumbers.push_back(u64Number);
    }
}

std::vector<CNTFSFileRecord const*> CNTFSMultiFileRecord::Records() const {
    std::vector<CNTFSFileRecord const*> records;
    for (CNTFSFileRecord const& record : m_records) records.push_back(&record);
    return records;
}

std::optional<CNTFSFileRecordAttribute> CNTFSMultiFileRecord::FindAttibute(std::uint32_t u32Type,
                                                                           std::uint32_t u32Index) const {
    for (CNTFSFileRecord const& record : m_records) {
        std::uint32_t const u32Count = record.GetAttibuteCountofSpecifiedType(u32Type);
        if (u32Index < u32Count) return record.FindAttibute(u32Type, u32Index);
        u32Index -= u32Count;
    }
    return std::nullopt;
}

std::vector<std::uint64_t> CNTFSMultiFileRecord::ListedRecords(engine::ByteView list, std::uint64_t u64BaseNumber) {
    std::vector<std::uint64_t> numbers;
    std::unordered_set<std::uint64_t> seen{u64BaseNumber};
    std::size_t offset = 0;
    // Each entry moves on by at least its fixed part; the list holds at most 16 MiB.
    while (list.Has(offset, kListEntryMinSize) && numbers.size() < kMaxExtensionRecords) {
        std::uint16_t const u16Length = list.Le16(offset + 4);
        if (list.Le32(offset) == 0 || u16Length < kListEntryMinSize || !list.Has(offset, u16Length)) break;
        std::uint64_t const u64Number = list.Le64(offset + 16) & ntfs::kRecordNumberMask;
        if (seen.insert(u64Number).second) numbers.push_back(u64Number);
        offset += u16Length;
    }
    return numbers;
}

std::vector<std::uint8_t> CNTFSMultiFileRecord::ReadAttributeList(INTFSRecordSource const& mft) const {
    auto const list = m_records.front().FindAttibute(ntfs::kAttrAttributeList);
    if (!list) return {};
    if (list->IsResident()) {
        engine::ByteView const value = list->GetValue();
        return std::vector<std::uint8_t>(value.Data(), value.Data() + value.Size());
    }
    CNTFSDataRunList runs;
    std::int64_t const s64Size = list->GetRealSizeOfAttribute();
    if (!list->AddDataRuns(runs) || runs.IsEmpty() || s64Size <= 0) return {};
    return mft.ReadAttributeData(runs, static_cast<std::uint64_t>(s64Size)).value_or(std::vector<std::uint8_t>());
}
