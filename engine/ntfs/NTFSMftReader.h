#pragma once
// Reads a volume's MFT by record number through the MFT's own runs, and an attribute's data by
// its runs. The only part of the NTFS layer that touches the device.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/ntfs/NTFSRecordSource.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

class CNTFSDBR;

/// The volume's sizes as its boot sector gives them. The device may use other sectors (an image
/// file of a 4096-byte-sector volume reads in 512-byte ones): the start counts device sectors.
struct NtfsVolumeGeometry {
    std::int64_t s64StartSector = 0;  // of the volume, in device sectors
    std::uint32_t u32DeviceSectorSize = 512;
    std::uint32_t u32SectorSize = 512;  // of the volume
    std::uint32_t u32SectorsPerCluster = 1;
    std::uint32_t u32RecordSize = 1024;
    std::uint64_t ClusterBytes() const { return std::uint64_t{u32SectorSize} * u32SectorsPerCluster; }
};

class CNTFSMftReader final : public INTFSRecordSource {
public:
    /// An attribute list or other attribute data read by its runs is capped at this many bytes.
    static constexpr std::size_t kMaxAttributeData = 16u << 20;

    /// Reads the boot sector at `s64StartSector` (at `s64BootSector` instead, a backup's, when
    /// not -1), the $MFT record (its $MFTMirr copy when it is unsound), and the MFT's runs from
    /// all its records (its attribute list followed); null when any of them is unsound.
    static std::optional<CNTFSMftReader> Open(IStorageDevice& device, std::int64_t s64StartSector,
                                              std::int64_t s64BootSector = -1);
    /// Open's work for a volume known without its boot sector: the $MFT record at cluster
    /// `u64MftCluster` of `geometry`, the MFT capped at `u64VolumeBytes`.
    static std::optional<CNTFSMftReader> OpenAt(IStorageDevice& device, NtfsVolumeGeometry const& geometry,
                                                std::uint64_t u64MftCluster, std::uint64_t u64VolumeBytes);

    CNTFSMftReader(IStorageDevice& device, NtfsVolumeGeometry const& geometry, CNTFSDataRunList runs,
                   std::uint64_t u64MftBytes);

    NtfsVolumeGeometry const& Geometry() const { return m_geometry; }
    CNTFSDataRunList const& Runs() const { return m_runs; }
    std::uint64_t RecordCount() const { return m_u64MftBytes / m_geometry.u32RecordSize; }

    /// The raw bytes of record `u64Number` (fixups still applied); null when the MFT's runs do
    /// not map it or the device cannot read it.
    std::optional<std::vector<std::uint8_t>> ReadRecord(std::uint64_t u64Number) const override;
    /// The device sector where record `u64Number` starts (records smaller than a device
    /// sector share it); -1 when the runs do not map it.
    std::int64_t GetFileRecordStartSector(std::uint64_t u64Number) const;
    /// The device byte where record `u64Number` starts; null when the runs do not map it.
    std::optional<std::uint64_t> GetFileRecordByte(std::uint64_t u64Number) const;
    /// The first record from `u64Number` on whose first cluster the runs map; RecordCount()
    /// when none. An MFT rebuilt from scattered records has gaps the walk steps over at once.
    std::uint64_t NextMappedRecord(std::uint64_t u64Number) const;
    /// The first `u64Bytes` (capped at kMaxAttributeData and at the runs' clusters) of data laid
    /// out by `runs`; sparse runs read as zeros. Null when the device cannot read a run.
    std::optional<std::vector<std::uint8_t>> ReadAttributeData(CNTFSDataRunList const& runs,
                                                               std::uint64_t u64Bytes) const override;

    /// `length` bytes from byte `u64Offset` of the data `runs` lays out (no cap); sparse and
    /// unmapped clusters read as zeros. False when the device cannot read a run.
    bool ReadRunsData(CNTFSDataRunList const& runs, std::uint64_t u64Offset, std::size_t length,
                      std::uint8_t* pOut) const {
        return ReadByRuns(runs, u64Offset, length, pOut);
    }

private:
    /// The record at byte `u64Offset` of the MFT, read alone.
    std::optional<std::vector<std::uint8_t>> ReadOneRecord(std::uint64_t u64Offset) const;
    /// `length` bytes from byte `u64Offset` of the data `runs` lays out; holes as zeros.
    bool ReadByRuns(CNTFSDataRunList const& runs, std::uint64_t u64Offset, std::size_t length,
                    std::uint8_t* pOut) const;
    /// `length` bytes at byte `u64Position` of the volume.
    bool ReadVolumeBytes(std::uint64_t u64Position, std::size_t length, std::uint8_t* pOut) const;

    IStorageDevice* m_pDevice;
    NtfsVolumeGeometry m_geometry;
    CNTFSDataRunList m_runs;
    std::uint64_t m_u64MftBytes;
    // The MFT is read in windows, so that a walk record by record reads each sector once.
    mutable std::vector<std::uint8_t> m_window;
    mutable std::uint64_t m_u64WindowStart = 0;
    mutable std::optional<std::uint64_t> m_failedWindow;  // a window with an unreadable sector
};
