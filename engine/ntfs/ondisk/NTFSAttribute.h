#pragma once
// One attribute of a FILE record, seen through its own bytes only: every field is read inside
// the attribute's length, so a damaged length or offset can never reach into the next one.
//
// Common header                      | Non-resident part            | Resident part
// | 0  | 4 | type (0xFFFFFFFF ends)  | 16 | 8 | first VCN          | 16 | 4 | value length
// | 4  | 4 | length of the attribute | 24 | 8 | last VCN           | 20 | 2 | value offset
// | 8  | 1 | non-resident flag       | 32 | 2 | mapping-pairs offset
// | 9  | 1 | name length (UTF-16)    | 34 | 2 | compression unit (log2 clusters)
// | 10 | 2 | name offset             | 40 | 8 | allocated size
// | 12 | 2 | flags: 0x0001 compressed, 0x4000 encrypted, 0x8000 sparse
// | 14 | 2 | attribute id            | 48 | 8 | real size
//                                    | 56 | 8 | initialised size
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/ByteView.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

namespace ntfs {
constexpr std::uint32_t kAttrStandardInformation = 0x10;
constexpr std::uint32_t kAttrAttributeList = 0x20;
constexpr std::uint32_t kAttrFileName = 0x30;
constexpr std::uint32_t kAttrVolumeName = 0x60;
constexpr std::uint32_t kAttrData = 0x80;
constexpr std::uint32_t kAttrIndexRoot = 0x90;
constexpr std::uint32_t kAttrIndexAllocation = 0xA0;
constexpr std::uint32_t kAttrEnd = 0xFFFFFFFF;

constexpr std::uint16_t kAttrFlagCompressed = 0x0001;
constexpr std::uint16_t kAttrFlagEncrypted = 0x4000;
constexpr std::uint16_t kAttrFlagSparse = 0x8000;
}  // namespace ntfs

class CNTFSFileRecordAttribute {
public:
    static constexpr std::size_t kHeaderSize = 16;
    static constexpr std::size_t kResidentHeaderSize = 24;
    static constexpr std::size_t kNonResidentHeaderSize = 64;

    CNTFSFileRecordAttribute() = default;
    /// `bytes` is the attribute, exactly as long as its length field says.
    explicit CNTFSFileRecordAttribute(engine::ByteView bytes) : m_bytes(bytes) {}

    /// The header and the name fit; a resident value fits; a non-resident header fits and its
    /// mapping pairs start inside the attribute (and, for $DATA, decode).
    bool IsValid() const;

    engine::ByteView Bytes() const { return m_bytes; }
    std::uint32_t GetType() const { return m_bytes.Le32(0); }
    std::uint32_t GetLength() const { return m_bytes.Le32(4); }
    bool IsResident() const { return m_bytes.U8(8) == 0; }
    bool IsNamed() const { return m_bytes.U8(9) != 0; }
    std::uint16_t GetFlags() const { return m_bytes.Le16(12); }
    bool IsCompressed() const { return (GetFlags() & ntfs::kAttrFlagCompressed) != 0; }
    bool IsEncrypted() const { return (GetFlags() & ntfs::kAttrFlagEncrypted) != 0; }
    bool IsSparse() const { return (GetFlags() & ntfs::kAttrFlagSparse) != 0; }
    std::uint16_t GetID() const { return m_bytes.Le16(14); }
    /// The name's UTF-16 units; empty when unnamed or when it does not fit.
    std::vector<std::uint16_t> GetName() const;

    /// Resident value; empty for a non-resident attribute or a value that does not fit.
    engine::ByteView GetValue() const;

    // Non-resident fields; 0 (pairs: empty) when the attribute is resident or too short.
    std::int64_t GetStartVCN() const { return NonResident64(16); }
    std::int64_t GetLastVCN() const { return NonResident64(24); }
    /// Clusters the attribute's VCN range spans; empty when the stored VCNs overflow or run backwards.
    std::optional<std::int64_t> GetVCNCount() const;
    std::uint16_t GetCompressionUnitSize() const { return HasNonResidentHeader() ? m_bytes.Le16(34) : 0; }
    std::int64_t GetAllocSizeofAttribute() const { return NonResident64(40); }
    std::int64_t GetRealSizeOfAttribute() const { return NonResident64(48); }
    std::int64_t GetInitializedDataSize() const { return NonResident64(56); }
    engine::ByteView GetDataRunsBuffer() const;
    /// Appends the attribute's runs (VCNs from its first VCN); false when it has none that decode.
    bool AddDataRuns(CNTFSDataRunList& runs) const;

    /// Sectors per cluster from initialised size / clusters / sector size, rounded up to a
    /// power of two in 1..128; 0 when above 128 or without a usable size or cluster total.
    std::uint32_t GetSectorsPerCluster(std::uint32_t u32SectorSize) const;

private:
    bool HasNonResidentHeader() const { return !IsResident() && m_bytes.Has(0, kNonResidentHeaderSize); }
    std::int64_t NonResident64(std::size_t offset) const {
        return HasNonResidentHeader() ? static_cast<std::int64_t>(m_bytes.Le64(offset)) : 0;
    }

    engine::ByteView m_bytes;
};

/// Sectors per cluster for `s64Bytes` held in `s64Clusters` clusters of `u32SectorSize`-byte
/// sectors (0 or a size that is not a multiple of 512 counts as 512): the quotient rounded up,
/// then up to a power of two; 0 above 128 or for a non-positive size or cluster count.
std::uint32_t EstimateSectorsPerCluster(std::int64_t s64Bytes, std::int64_t s64Clusters, std::uint32_t u32SectorSize);
