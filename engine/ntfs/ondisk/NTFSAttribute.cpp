#include "engine/ntfs/ondisk/NTFSAttribute.h"

#include "engine/core/bytes/CheckedMath.h"

namespace {
constexpr std::uint32_t kMaxSectorsPerCluster = 128;
}

bool CNTFSFileRecordAttribute::IsValid() const {
    if (!m_bytes.Has(0, kHeaderSize) || GetLength() != m_bytes.Size()) return false;
    if (IsNamed() && !m_bytes.Has(m_bytes.Le16(10), std::size_t{m_bytes.U8(9)} * 2)) return false;
    if (IsResident()) return m_bytes.Has(0, kResidentHeaderSize) && m_bytes.Has(m_bytes.Le16(20), m_bytes.Le32(16));
    if (!HasNonResidentHeader()) return false;
    std::uint16_t const u16PairsOffset = m_bytes.Le16(32);
    if (u16PairsOffset < kNonResidentHeaderSize || u16PairsOffset > m_bytes.Size()) return false;
    return GetType() != ntfs::kAttrData || CNTFSDataRunList::IsValid(GetDataRunsBuffer());
}

std::vector<std::uint16_t> CNTFSFileRecordAttribute::GetName() const {
    std::vector<std::uint16_t> name;
    std::size_t const offset = m_bytes.Le16(10);
    std::size_t const units = m_bytes.U8(9);
    if (!m_bytes.Has(offset, units * 2)) return name;
    for (std::size_t i = 0; i < units; ++i) name.push_back(m_bytes.Le16(offset + 2 * i));
    return name;
}

engine::ByteView CNTFSFileRecordAttribute::GetValue() const {
    if (!IsResident() || !m_bytes.Has(0, kResidentHeaderSize)) return {};
    return m_bytes.Sub(m_bytes.Le16(20), m_bytes.Le32(16));
}

engine::ByteView CNTFSFileRecordAttribute::GetDataRunsBuffer() const {
    if (!HasNonResidentHeader()) return {};
    std::uint16_t const u16PairsOffset = m_bytes.Le16(32);
    if (u16PairsOffset < kNonResidentHeaderSize) return {};
    return m_bytes.From(u16PairsOffset);
}

std::optional<std::int64_t> CNTFSFileRecordAttribute::GetVCNCount() const {
    auto const span = engine::CheckedSub(GetLastVCN(), GetStartVCN());
    if (!span || *span < -1) return std::nullopt;
    return engine::CheckedAdd(*span, std::int64_t{1});
}

bool CNTFSFileRecordAttribute::AddDataRuns(CNTFSDataRunList& runs) const {
    engine::ByteView const pairs = GetDataRunsBuffer();
    if (pairs.Empty() || GetStartVCN() < 0) return false;
    return runs.AddDataRunsfromBuffer(pairs, GetStartVCN());
}

std::uint32_t CNTFSFileRecordAttribute::GetSectorsPerCluster(std::uint32_t u32SectorSize) const {
    return EstimateSectorsPerCluster(GetInitializedDataSize(), CNTFSDataRunList::GetTotalClusters(GetDataRunsBuffer()),
                                     u32SectorSize);
}

std::uint32_t EstimateSectorsPerCluster(std::int64_t s64Bytes, std::int64_t s64Clusters, std::uint32_t u32SectorSize) {
    if (s64Bytes <= 0 || s64Clusters <= 0) return 0;
    std::uint64_t const u64SectorSize = (u32SectorSize == 0 || u32SectorSize % 512 != 0) ? 512 : u32SectorSize;
    std::uint64_t const u64ClusterBytes = (static_cast<std::uint64_t>(s64Bytes) + s64Clusters - 1) / s64Clusters;
    std::uint64_t const u64Sectors = (u64ClusterBytes + u64SectorSize - 1) / u64SectorSize;
    if (u64Sectors > kMaxSectorsPerCluster) return 0;
    std::uint32_t u32Power = 1;
    while (u32Power < u64Sectors) u32Power <<= 1;
    return u32Power;
}
