#pragma once
// One volume the complete scan rebuilt: where it lies on the device, its header, and the
// volume opened on it once a catalog record needs it (the nodes read their forks, compressed
// data and overflow extents through it).
#include <cstdint>
#include <memory>
#include <optional>

#include "engine/hfsplus/ondisk/HfsPlusRecords.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

class CSearchedPartitionInfo;
class IStorageDevice;

namespace hfsplus {

class CHFSPlusVolume;

class CHFSPlusCompletePartition {
public:
    /// A partition without header: the records no volume takes land here.
    CHFSPlusCompletePartition(std::uint16_t u16Index, long long s64Start, long long s64Sectors);
    /// The volume `header` (found as `raw`, the alternate copy when `bAlternate`) describes,
    /// starting at device sector `s64Start`; its sector count is the volume's size cut at the
    /// device's end.
    CHFSPlusCompletePartition(std::uint16_t u16Index, long long s64Start, HFSPlusVolumeHeader const& header,
                              RawVolumeHeader const& raw, bool bAlternate, std::uint32_t u32SectorSize,
                              long long s64DeviceSectors);
    ~CHFSPlusCompletePartition();
    CHFSPlusCompletePartition(CHFSPlusCompletePartition const&) = delete;
    CHFSPlusCompletePartition& operator=(CHFSPlusCompletePartition const&) = delete;

    std::uint16_t GetIndex() const { return m_u16Index; }
    long long GetStart() const { return m_s64Start; }
    long long GetSectors() const { return m_s64Sectors; }
    HFSPlusVolumeHeader const* GetHeader() const { return m_header ? &*m_header : nullptr; }
    /// Whether its header was found only as the alternate copy near its end.
    bool FromAlternateHeader() const { return m_bAlternate; }
    /// Whether sector `s64Sector` lies inside the partition.
    bool Contains(long long s64Sector) const {
        return s64Sector >= m_s64Start && s64Sector - m_s64Start < m_s64Sectors;
    }

    /// Whether a catalog record can be of this volume: its id was handed out (unless ids wrapped
    /// round) and, but in partition 0, it was not created after the volume's last change. A
    /// volume known from its alternate header holds any: macOS writes that copy only when it
    /// formats or resizes the volume, so its id counter and dates are old.
    bool MayHold(CatalogRecord const& record) const;

    /// The volume, opened on first use through `pDevice` (the scan's device, not owned): on the
    /// device itself when the partition starts at sector 0, else on a window from its start,
    /// and always with the header found, so that a volume without its primary header opens.
    /// A volume whose catalog cannot be read opens without it (its records come from the leaves
    /// found). Null when it cannot be opened; the attempt is not repeated.
    CHFSPlusVolume* OpenVolume(IStorageDevice* pDevice);
    CHFSPlusVolume* GetVolume() const { return m_pVolume.get(); }
    /// Whether OpenVolume would still try: a header, and no attempt yet.
    bool MayOpen() const { return m_header.has_value() && !m_bOpenTried; }
    /// Whether the opened volume sits on the device itself, so that its catalog is walked whole.
    bool OnDeviceItself() const { return m_s64Start == 0 && m_pVolume != nullptr; }

    void CountNode(bool bFolder) { ++(bFolder ? m_u32Folders : m_u32Files); }
    std::uint32_t GetFiles() const { return m_u32Files; }
    std::uint32_t GetFolders() const { return m_u32Folders; }

    /// The record copy-out and the tree builder take (type 8). Sectors per cluster are sectors
    /// per allocation block; a block smaller than the device's sector is counted in 512-byte
    /// units, which copy-out reads by byte.
    std::unique_ptr<CSearchedPartitionInfo> MakeRecord(std::uint32_t u32SectorSize) const;

private:
    std::uint16_t m_u16Index = 0;
    long long m_s64Start = 0;
    long long m_s64Sectors = 0;
    std::optional<HFSPlusVolumeHeader> m_header;
    RawVolumeHeader m_raw{};
    bool m_bAlternate = false;
    std::unique_ptr<IStorageDevice> m_pWindow;
    std::unique_ptr<IStorageDevice> m_pOverlay;
    std::unique_ptr<CHFSPlusVolume> m_pVolume;
    bool m_bOpenTried = false;
    std::uint32_t m_u32Files = 0;
    std::uint32_t m_u32Folders = 0;
};

}  // namespace hfsplus
