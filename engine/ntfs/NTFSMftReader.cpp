#include "engine/ntfs/NTFSMftReader.h"

#include <algorithm>
#include <cstring>

#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/NTFSMultiFileRecord.h"
#include "engine/ntfs/ondisk/NTFSDBR.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"

namespace {

constexpr std::size_t kWindowBytes = 1u << 20;

/// The runs and real size of the $MFT's unnamed data, from all of its records.
std::optional<std::uint64_t> CollectMftRuns(CNTFSMultiFileRecord const& mft, CNTFSDataRunList& runs) {
    std::optional<std::uint64_t> size;
    for (CNTFSFileRecord const* pRecord : mft.Records())
        for (CNTFSFileRecordAttribute const& attribute : pRecord->Attributes()) {
            if (attribute.GetType() != ntfs::kAttrData || attribute.IsNamed() || attribute.IsResident()) continue;
            if (!attribute.AddDataRuns(runs)) return std::nullopt;
            if (attribute.GetStartVCN() == 0) size = static_cast<std::uint64_t>(attribute.GetRealSizeOfAttribute());
        }
    runs.Sort();
    return size;
}

}  // namespace

CNTFSMftReader::CNTFSMftReader(IStorageDevice& device, NtfsVolumeGeometry const& geometry, CNTFSDataRunList runs,
                               std::uint64_t u64MftBytes)
    : m_pDevice(&device), m_geometry(geometry), m_runs(std::move(runs)), m_u64MftBytes(u64MftBytes) {}

std::optional<CNTFSMftReader> CNTFSMftReader::Open(IStorageDevice& device, std::int64_t s64StartSector,
                                                   std::int64_t s64BootSector) {
    int const iSectorSize = device.GetSectorSize();
    if (iSectorSize < 512 || s64StartSector < 0) return std::nullopt;
    std::vector<std::uint8_t> sector(static_cast<std::size_t>(iSectorSize));
    if (!device.ReadSector(sector.data(), s64BootSector < 0 ? s64StartSector : s64BootSector, 1)) return std::nullopt;
    CNTFSDBR dbr;
    if (!dbr.InitFromBuffer(engine::ByteView(sector.data(), sector.size()))) return std::nullopt;

    NtfsVolumeGeometry geometry;
    geometry.s64StartSector = s64StartSector;
    geometry.u32DeviceSectorSize = static_cast<std::uint32_t>(iSectorSize);
    geometry.u32SectorSize = dbr.GetBytesPerSector();
    geometry.u32SectorsPerCluster = dbr.GetSectorsperCluster();
    geometry.u32RecordSize = dbr.GetFileRecordSizeByByte();
    if (geometry.u32RecordSize < ntfs::kMinFileRecordSize || geometry.u32RecordSize > ntfs::kMaxFileRecordSize)
        return std::nullopt;

    // The MFT never holds more than the volume: a damaged size cannot make a walk endless.
    std::uint64_t const u64VolumeBytes =
        engine::CheckedMul<std::uint64_t>(dbr.GetTotalSectors(), geometry.u32SectorSize).value_or(UINT64_MAX);
    // A damaged $MFT record leaves its copy in $MFTMirr, whose runs still lead to the MFT.
    if (auto reader = OpenAt(device, geometry, dbr.GetMFTStartCluster(), u64VolumeBytes)) return reader;
    return OpenAt(device, geometry, dbr.GetMFTMirrorStartCluster(), u64VolumeBytes);
}

std::optional<CNTFSMftReader> CNTFSMftReader::OpenAt(IStorageDevice& device, NtfsVolumeGeometry const& geometry,
                                                     std::uint64_t u64MftCluster, std::uint64_t u64VolumeBytes) {
    if (geometry.ClusterBytes() == 0 || geometry.u32RecordSize < ntfs::kMinFileRecordSize ||
        geometry.u32RecordSize > ntfs::kMaxFileRecordSize)
        return std::nullopt;
    // First the $MFT record alone, through a run covering just it, then the runs its base
    // record holds, then those of its extension records.
    if (u64MftCluster > static_cast<std::uint64_t>(INT64_MAX) / geometry.ClusterBytes()) return std::nullopt;
    CNTFSDataRunList bootstrap;
    std::uint64_t const u64RecordClusters =
        (geometry.u32RecordSize + geometry.ClusterBytes() - 1) / geometry.ClusterBytes();
    bootstrap.Add({static_cast<std::int64_t>(u64MftCluster), 0, static_cast<std::int64_t>(u64RecordClusters)});
    CNTFSMftReader const reader(device, geometry, bootstrap, geometry.u32RecordSize);
    auto const raw = reader.ReadRecord(0);
    if (!raw) return std::nullopt;
    CNTFSFileRecord base(engine::ByteView(raw->data(), raw->size()));
    if (!base.IsValid() || base.IsExtendFileRecord()) return std::nullopt;
    // A record that stores another number than 0 is some other file's, not the $MFT's (a stray
    // boot sector names a cluster of another volume's MFT).
    if (base.HasXPNumberOfthisMFTRecord() && base.GetXPNumberOfthisMFTRecord() != 0) return std::nullopt;

    CNTFSDataRunList baseRuns;
    CNTFSMultiFileRecord const baseOnly(reader, 0, CNTFSFileRecord(engine::ByteView(raw->data(), raw->size())), false);
    if (!CollectMftRuns(baseOnly, baseRuns) || baseRuns.IsEmpty()) return std::nullopt;
    auto const mappedBytes = [&](CNTFSDataRunList const& list) {
        auto const bytes =
            engine::CheckedMul(static_cast<std::uint64_t>(list.GetTotalClusters()), geometry.ClusterBytes());
        return std::min(bytes.value_or(UINT64_MAX), u64VolumeBytes);
    };
    CNTFSMftReader const first(device, geometry, baseRuns, mappedBytes(baseRuns));

    CNTFSDataRunList runs;
    CNTFSMultiFileRecord const whole(first, 0, std::move(base), true);
    auto const size = CollectMftRuns(whole, runs);
    if (!size || runs.IsEmpty()) return std::nullopt;
    std::uint64_t const u64Mapped = mappedBytes(runs);
    return CNTFSMftReader(device, geometry, std::move(runs), std::min(*size, u64Mapped));
}

std::optional<std::vector<std::uint8_t>> CNTFSMftReader::ReadRecord(std::uint64_t u64Number) const {
    std::uint64_t const u64RecordSize = m_geometry.u32RecordSize;
    if (u64Number >= RecordCount()) return std::nullopt;
    std::uint64_t const u64Offset = u64Number * u64RecordSize;
    std::uint64_t const u64WindowStart = u64Offset / kWindowBytes * kWindowBytes;
    if (m_failedWindow == u64WindowStart) return ReadOneRecord(u64Offset);
    if (m_window.empty() || m_u64WindowStart != u64WindowStart) {
        m_window.assign(static_cast<std::size_t>(std::min<std::uint64_t>(kWindowBytes, m_u64MftBytes - u64WindowStart)),
                        0);
        m_u64WindowStart = u64WindowStart;
        if (!ReadByRuns(m_runs, u64WindowStart, m_window.size(), m_window.data())) {
            // A bad sector in the window costs only the records on it: read them one by one.
            m_window.clear();
            m_failedWindow = u64WindowStart;
            return ReadOneRecord(u64Offset);
        }
    }
    std::size_t const inWindow = static_cast<std::size_t>(u64Offset - u64WindowStart);
    if (inWindow + u64RecordSize > m_window.size()) return std::nullopt;
    return std::vector<std::uint8_t>(m_window.begin() + inWindow, m_window.begin() + inWindow + u64RecordSize);
}

std::optional<std::vector<std::uint8_t>> CNTFSMftReader::ReadOneRecord(std::uint64_t u64Offset) const {
    std::vector<std::uint8_t> record(m_geometry.u32RecordSize);
    if (!ReadByRuns(m_runs, u64Offset, record.size(), record.data())) return std::nullopt;
    return record;
}

std::int64_t CNTFSMftReader::GetFileRecordStartSector(std::uint64_t u64Number) const {
    if (u64Number >= RecordCount()) return -1;
    std::uint64_t const u64Offset = u64Number * m_geometry.u32RecordSize;
    std::int64_t const s64LCN = m_runs.GetLCN(static_cast<std::int64_t>(u64Offset / m_geometry.ClusterBytes()));
    if (s64LCN < 0) return -1;
    auto const clusterStart = engine::CheckedMul(static_cast<std::uint64_t>(s64LCN), m_geometry.ClusterBytes());
    if (!clusterStart) return -1;
    std::uint64_t const u64Sector =
        (*clusterStart + u64Offset % m_geometry.ClusterBytes()) / m_geometry.u32DeviceSectorSize;
    return engine::CheckedAdd(m_geometry.s64StartSector, static_cast<std::int64_t>(u64Sector)).value_or(-1);
}

std::optional<std::uint64_t> CNTFSMftReader::GetFileRecordByte(std::uint64_t u64Number) const {
    if (u64Number >= RecordCount()) return std::nullopt;
    std::uint64_t const u64Offset = u64Number * m_geometry.u32RecordSize;
    std::int64_t const s64LCN = m_runs.GetLCN(static_cast<std::int64_t>(u64Offset / m_geometry.ClusterBytes()));
    if (s64LCN < 0) return std::nullopt;
    auto const clusterStart = engine::CheckedMul(static_cast<std::uint64_t>(s64LCN), m_geometry.ClusterBytes());
    auto const volumeStart = engine::CheckedMul(static_cast<std::uint64_t>(m_geometry.s64StartSector),
                                                std::uint64_t{m_geometry.u32DeviceSectorSize});
    if (!clusterStart || !volumeStart) return std::nullopt;
    return engine::CheckedAdd(*volumeStart, *clusterStart + u64Offset % m_geometry.ClusterBytes());
}

std::uint64_t CNTFSMftReader::NextMappedRecord(std::uint64_t u64Number) const {
    std::uint64_t const u64Records = RecordCount();
    std::uint64_t const u64Cluster = m_geometry.ClusterBytes();
    std::uint64_t const u64RecordSize = m_geometry.u32RecordSize;
    if (u64Number >= u64Records || u64Cluster == 0) return u64Records;
    std::uint64_t const u64VCN = u64Number * u64RecordSize / u64Cluster;
    std::uint64_t u64Next = u64Records;
    for (CDataRun const& run : m_runs.Runs()) {
        if (run.s64LCN < 0 || run.s64Count <= 0 || run.s64VCN < 0) continue;
        auto const u64First = static_cast<std::uint64_t>(run.s64VCN);
        std::uint64_t const u64End = u64First + static_cast<std::uint64_t>(run.s64Count);
        if (u64VCN >= u64First && u64VCN < u64End) return u64Number;
        // The first record that starts in this run.
        if (u64First > u64VCN && u64First <= UINT64_MAX / u64Cluster)
            u64Next = std::min(u64Next, (u64First * u64Cluster + u64RecordSize - 1) / u64RecordSize);
    }
    return u64Next;
}

std::optional<std::vector<std::uint8_t>> CNTFSMftReader::ReadAttributeData(CNTFSDataRunList const& runs,
                                                                           std::uint64_t u64Bytes) const {
    std::uint64_t const u64Mapped = engine::CheckedMul<std::uint64_t>(
                                        static_cast<std::uint64_t>(runs.GetTotalClusters()), m_geometry.ClusterBytes())
                                        .value_or(UINT64_MAX);
    std::size_t const length =
        static_cast<std::size_t>(std::min<std::uint64_t>({u64Bytes, u64Mapped, kMaxAttributeData}));
    std::vector<std::uint8_t> data(length);
    if (!ReadByRuns(runs, 0, length, data.data())) return std::nullopt;
    return data;
}

bool CNTFSMftReader::ReadByRuns(CNTFSDataRunList const& runs, std::uint64_t u64Offset, std::size_t length,
                                std::uint8_t* pOut) const {
    std::uint64_t const u64ClusterBytes = m_geometry.ClusterBytes();
    while (length > 0) {
        std::int64_t const s64VCN = static_cast<std::int64_t>(u64Offset / u64ClusterBytes);
        auto const run = std::find_if(runs.Runs().begin(), runs.Runs().end(), [&](CDataRun const& r) {
            return s64VCN >= r.s64VCN && s64VCN - r.s64VCN < r.s64Count;
        });
        // Clusters no run maps read as zeros, like sparse ones: a record there fails its test.
        std::uint64_t const u64ClusterEnd = (static_cast<std::uint64_t>(s64VCN) + 1) * u64ClusterBytes;
        std::uint64_t const u64PieceEnd =
            run == runs.Runs().end()
                ? u64ClusterEnd
                : engine::CheckedMul(static_cast<std::uint64_t>(run->s64VCN + run->s64Count), u64ClusterBytes)
                      .value_or(UINT64_MAX);
        std::size_t const piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, u64PieceEnd - u64Offset));
        if (run == runs.Runs().end() || run->s64LCN < 0) {
            std::memset(pOut, 0, piece);
        } else {
            auto const runStart = engine::CheckedMul(static_cast<std::uint64_t>(run->s64LCN), u64ClusterBytes);
            auto const position =
                runStart ? engine::CheckedAdd(*runStart,
                                              u64Offset - static_cast<std::uint64_t>(run->s64VCN) * u64ClusterBytes)
                         : std::nullopt;
            if (!position || !ReadVolumeBytes(*position, piece, pOut)) return false;
        }
        pOut += piece;
        u64Offset += piece;
        length -= piece;
    }
    return true;
}

bool CNTFSMftReader::ReadVolumeBytes(std::uint64_t u64Position, std::size_t length, std::uint8_t* pOut) const {
    std::uint64_t const u64SectorSize = m_geometry.u32DeviceSectorSize;
    std::uint64_t const u64First = u64Position / u64SectorSize;
    std::uint64_t const u64Last = (u64Position + length + u64SectorSize - 1) / u64SectorSize;
    std::vector<std::uint8_t> sectors(static_cast<std::size_t>((u64Last - u64First) * u64SectorSize));
    auto const sector =
        engine::CheckedAdd<std::int64_t>(m_geometry.s64StartSector, static_cast<std::int64_t>(u64First));
    if (!sector || !m_pDevice->ReadSector(sectors.data(), *sector, static_cast<long long>(u64Last - u64First)))
        return false;
    std::memcpy(pOut, sectors.data() + (u64Position - u64First * u64SectorSize), length);
    return true;
}
