#pragma once
// What a file spread over several FILE records asks of the MFT: a record by number and an
// attribute's data by its runs. The MFT reader answers it.
#include <cstdint>
#include <optional>
#include <vector>

class CNTFSDataRunList;

class INTFSRecordSource {
public:
    virtual ~INTFSRecordSource() = default;

    /// The raw bytes of record `u64Number` (fixups still applied); null when it cannot be read.
    virtual std::optional<std::vector<std::uint8_t>> ReadRecord(std::uint64_t u64Number) const = 0;
    /// The first `u64Bytes` (capped) of the data `runs` lays out; null when it cannot be read.
    virtual std::optional<std::vector<std::uint8_t>> ReadAttributeData(CNTFSDataRunList const& runs,
                                                                       std::uint64_t u64Bytes) const = 0;

protected:
    INTFSRecordSource() = default;
    INTFSRecordSource(INTFSRecordSource const&) = default;
    INTFSRecordSource& operator=(INTFSRecordSource const&) = default;
};
