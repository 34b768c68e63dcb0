#pragma once
// One record of the $LogFile as NTFS writes its own operations: a 48-byte log record header,
// then a 40-byte NTFS client header, then the redo and undo data it names.
//
// Log record header            | NTFS client header (at 48)
// | 0  | 8 | this record's LSN  | 0  | 2 | redo operation   | 12 | 2 | target attribute
// | 24 | 4 | client data length | 2  | 2 | undo operation   | 16 | 2 | record offset
// | 32 | 4 | record type        | 4  | 2 | redo offset      | 18 | 2 | attribute offset
//                               | 6  | 2 | redo length      | 20 | 2 | cluster-block offset (512-byte units)
//                               | 8  | 2 | undo offset      | 24 | 8 | target VCN
//                               | 10 | 2 | undo length      |
// Redo and undo offsets count from the client header; the record is 48 + client length bytes.
#include <cstdint>
#include <optional>

#include "engine/ByteView.h"

struct NtfsLogOperation {
    static constexpr std::size_t kHeaderSize = 48;
    static constexpr std::size_t kClientHeaderSize = 40;

    std::uint64_t u64Lsn = 0;
    std::uint16_t u16RecordOffset = 0;
    std::uint16_t u16AttributeOffset = 0;
    std::uint16_t u16ClusterBlockOffset = 0;
    std::uint64_t u64TargetVcn = 0;
    engine::ByteView redo;  // inside the record; empty when it has none
    engine::ByteView undo;

    /// The total length a record header at `header` states (48 + client data length).
    static std::uint64_t RecordLength(engine::ByteView header) { return kHeaderSize + std::uint64_t{header.Le32(24)}; }
    /// The operation a whole record holds; null when the client header does not fit or the
    /// redo or undo data reaches outside the record.
    static std::optional<NtfsLogOperation> Read(engine::ByteView record);
    /// The MFT record the operation targets, for a volume of these cluster and record sizes;
    /// null when it overflows or a size is 0.
    std::optional<std::uint64_t> TargetRecord(std::uint64_t u64ClusterBytes, std::uint32_t u32RecordSize) const;
};
