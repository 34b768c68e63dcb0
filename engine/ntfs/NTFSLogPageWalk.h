#pragma once
// Walks the record pages of a $LogFile and hands over every whole log record once, a record
// that runs on into the next page (or, at the log's end, into its first record page) stitched
// together from both. Restart and buffer pages (the first four) are not walked.
//
// Record page header: | 0 | 4 | "RCRD" | 8 | 8 | LSN of the last record starting here |
//                     | 32 | 8 | LSN of the last record ending here | records from 64 on |
// The two LSNs differ when the last record starting on a page continues on the next one.
#include <cstdint>
#include <functional>
#include <span>

#include "engine/ByteView.h"

class CNTFSLogPageWalk {
public:
    static constexpr std::size_t kPageSize = 4096;
    static constexpr std::size_t kPageHeaderSize = 64;
    static constexpr std::uint64_t kFirstRecordPage = 4;
    /// A longer record is taken as damage: no operation NTFS logs comes near it.
    static constexpr std::uint64_t kMaxRecordBytes = 65536;

    /// Fills the 4096 bytes with page `u64Page` of the log; false when it cannot be read.
    using PageReader = std::function<bool(std::uint64_t u64Page, std::span<std::uint8_t> page)>;
    /// Receives one whole record (header, client header, data); valid during the call only.
    using RecordSink = std::function<void(engine::ByteView record)>;

    /// Every record of pages kFirstRecordPage..u64PageCount-1; nothing for fewer than five pages.
    static void Walk(std::uint64_t u64PageCount, PageReader const& read, RecordSink const& sink);
};
