#include "engine/ntfs/ondisk/NTFSLogRecord.h"

#include "engine/core/bytes/CheckedMath.h"

namespace {

/// The data at `u16Offset` from the client header, `u16Length` long; empty when it leaves the record.
std::optional<engine::ByteView> ClientData(engine::ByteView record, std::uint16_t u16Offset, std::uint16_t u16Length) {
    if (u16Length == 0) return engine::ByteView();
    std::size_t const start = NtfsLogOperation::kHeaderSize + u16Offset;
    if (!record.Has(start, u16Length)) return std::nullopt;
    return record.Sub(start, u16Length);
}

}  // namespace

std::optional<NtfsLogOperation> NtfsLogOperation::Read(engine::ByteView record) {
    if (!record.Has(0, kHeaderSize + kClientHeaderSize) || RecordLength(record) > record.Size()) return std::nullopt;
    record = record.Sub(0, static_cast<std::size_t>(RecordLength(record)));
    engine::ByteView const client = record.Sub(kHeaderSize, kClientHeaderSize);
    auto const redo = ClientData(record, client.Le16(4), client.Le16(6));
    auto const undo = ClientData(record, client.Le16(8), client.Le16(10));
    if (!redo || !undo) return std::nullopt;
    NtfsLogOperation operation;
    operation.u64Lsn = record.Le64(0);
    operation.u16RecordOffset = client.Le16(16);
    operation.u16AttributeOffset = client.Le16(18);
    operation.u16ClusterBlockOffset = client.Le16(20);
    operation.u64TargetVcn = client.Le64(24);
    operation.redo = *redo;
    operation.undo = *undo;
    return operation;
}

std::optional<std::uint64_t> NtfsLogOperation::TargetRecord(std::uint64_t u64ClusterBytes,
                                                            std::uint32_t u32RecordSize) const {
    if (u64ClusterBytes == 0 || u32RecordSize == 0) return std::nullopt;
    auto const clusterStart = engine::CheckedMul(u64TargetVcn, u64ClusterBytes);
    if (!clusterStart) return std::nullopt;
    auto const byte = engine::CheckedAdd<std::uint64_t>(*clusterStart, std::uint64_t{u16ClusterBlockOffset} * 512);
    if (!byte) return std::nullopt;
    return *byte / u32RecordSize;
}
