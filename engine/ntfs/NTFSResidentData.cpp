#include "engine/ntfs/NTFSResidentData.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/NTFSFileNode.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"

namespace {

/// `length` bytes from device byte `u64Position`; empty when unreadable.
std::vector<std::uint8_t> ReadDeviceBytes(IStorageDevice& device, std::uint64_t u64Position, std::size_t length) {
    int const iSectorSize = device.GetSectorSize();
    if (iSectorSize <= 0) return {};
    std::uint64_t const u64SectorSize = static_cast<std::uint64_t>(iSectorSize);
    std::uint64_t const u64First = u64Position / u64SectorSize;
    std::uint64_t const u64Count = (u64Position % u64SectorSize + length + u64SectorSize - 1) / u64SectorSize;
    if (u64First > static_cast<std::uint64_t>(INT64_MAX)) return {};
    std::vector<std::uint8_t> sectors(static_cast<std::size_t>(u64Count * u64SectorSize));
    if (device.ReadSector(sectors.data(), static_cast<long long>(u64First), static_cast<long long>(u64Count)) == 0)
        return {};
    std::size_t const skip = static_cast<std::size_t>(u64Position % u64SectorSize);
    return std::vector<std::uint8_t>(sectors.begin() + static_cast<std::ptrdiff_t>(skip),
                                     sectors.begin() + static_cast<std::ptrdiff_t>(skip + length));
}

/// The raw record: at the node's own position, or at a sector with its size from its header.
std::vector<std::uint8_t> ReadRecord(IStorageDevice& device, IFileNode* pNode, long long s64RecordSector) {
    if (auto* pNtfsNode = dynamic_cast<CNTFSFileNode*>(pNode)) {
        std::uint32_t const u32Size = pNtfsNode->GetRecordSize();
        if (u32Size < ntfs::kMinFileRecordSize || u32Size > ntfs::kMaxFileRecordSize) return {};
        return ReadDeviceBytes(device, pNtfsNode->GetRecordByte(), u32Size);
    }
    int const iSectorSize = device.GetSectorSize();
    if (s64RecordSector < 0 || iSectorSize <= 0) return {};
    auto const position = engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(s64RecordSector),
                                                            static_cast<std::uint64_t>(iSectorSize));
    if (!position) return {};
    std::vector<std::uint8_t> record = ReadDeviceBytes(device, *position, ntfs::kMaxFileRecordSize);
    if (record.empty() || !CNTFSFileRecordHeader::IsValid(engine::ByteView(record.data(), record.size()))) return {};
    record.resize(CNTFSFileRecordHeader::GetAllocatedSize(engine::ByteView(record.data(), record.size())));
    return record;
}

}  // namespace

bool GetNTFSResidentData(IStorageDevice* pDevice, IFileNode* pNode, long long s64RecordSector,
                         std::uint8_t* pDestination, std::uint32_t u32Capacity, std::uint32_t& u32ValueSize) {
    if (pDevice == nullptr || pDestination == nullptr) return false;
    std::vector<std::uint8_t> const raw = ReadRecord(*pDevice, pNode, s64RecordSector);
    if (raw.empty()) return false;
    CNTFSFileRecord const record(engine::ByteView(raw.data(), raw.size()));
    if (!record.IsValid()) return false;
    for (CNTFSFileRecordAttribute const& attribute : record.Attributes()) {
        if (attribute.GetType() != ntfs::kAttrData || attribute.IsNamed() || !attribute.IsResident()) continue;
        engine::ByteView const value = attribute.GetValue();
        u32ValueSize = static_cast<std::uint32_t>(value.Size());
        std::size_t const count = std::min<std::size_t>(value.Size(), u32Capacity);
        if (count > 0) std::memcpy(pDestination, value.Data(), count);
        return true;
    }
    return false;
}
