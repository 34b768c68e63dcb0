#include "engine/ntfs/NTFSLogPageWalk.h"

#include <array>
#include <vector>

#include "engine/ntfs/ondisk/NTFSLogRecord.h"
#include "engine/ntfs/ondisk/RCRDRecord.h"

namespace {

using Page = std::array<std::uint8_t, CNTFSLogPageWalk::kPageSize>;
constexpr std::size_t kHeader = NtfsLogOperation::kHeaderSize;

std::size_t Align8(std::uint64_t u64Value) { return static_cast<std::size_t>((u64Value + 7) & ~std::uint64_t{7}); }

/// A record begun on one page and awaiting the rest.
struct Pending {
    std::vector<std::uint8_t> bytes;
    std::size_t total = 0;
    void Clear() {
        bytes.clear();
        total = 0;
    }
};

/// A page read and with its fixups undone; false for one that is not a sound record page.
bool ReadPage(CNTFSLogPageWalk::PageReader const& read, std::uint64_t u64Page, Page& page) {
    return read(u64Page, page) && CRCRDRecord::Unfixup(page);
}

struct PageLsns {
    std::uint64_t u64Last = 0;     // the last record starting on the page
    std::uint64_t u64LastEnd = 0;  // the last record ending on it
    bool Continues() const { return u64Last != u64LastEnd; }
};

PageLsns LsnsOf(engine::ByteView page) { return {page.Le64(8), page.Le64(32)}; }

/// Keeps the page's last record, from `position` to the page end, as the pending one when the
/// page says it continues.
void KeepTail(engine::ByteView page, std::size_t position, Pending& pending) {
    std::uint64_t const u64Total = NtfsLogOperation::RecordLength(page.Sub(position, kHeader));
    if (u64Total > CNTFSLogPageWalk::kMaxRecordBytes || position + u64Total <= page.Size()) return;
    engine::ByteView const tail = page.From(position);
    pending.bytes.assign(tail.Data(), tail.Data() + tail.Size());
    pending.total = static_cast<std::size_t>(u64Total);
}

/// The records of one page from `position`; the last one may become the pending record.
void WalkRecords(engine::ByteView page, std::size_t position, Pending& pending,
                 CNTFSLogPageWalk::RecordSink const& sink) {
    PageLsns const lsns = LsnsOf(page);
    // Each step moves on by at least a header: the walk ends within the page.
    while (page.Has(position, kHeader)) {
        engine::ByteView const header = page.Sub(position, kHeader);
        std::uint64_t const u64Lsn = header.Le64(0);
        std::uint64_t const u64Total = NtfsLogOperation::RecordLength(header);
        // Bytes past the last record (old records, fill) do not count.
        if (u64Lsn == 0 || u64Lsn > lsns.u64Last || u64Total > CNTFSLogPageWalk::kMaxRecordBytes) return;
        if (!page.Has(position, static_cast<std::size_t>(u64Total))) {
            if (u64Lsn == lsns.u64Last && lsns.Continues()) KeepTail(page, position, pending);
            return;
        }
        sink(page.Sub(position, static_cast<std::size_t>(u64Total)));
        if (u64Lsn == lsns.u64Last) return;
        position += Align8(u64Total);
    }
}

/// The tail of the log's last page, which a record may carry on into the first record page.
void FindLastPageTail(std::uint64_t u64PageCount, CNTFSLogPageWalk::PageReader const& read, Pending& pending) {
    Page page{};
    if (!ReadPage(read, u64PageCount - 1, page)) return;
    engine::ByteView const view(page.data(), page.size());
    PageLsns const lsns = LsnsOf(view);
    if (!lsns.Continues()) return;
    for (std::size_t position = CNTFSLogPageWalk::kPageHeaderSize; view.Has(position, kHeader); position += 8)
        if (view.Le64(position) == lsns.u64Last) return KeepTail(view, position, pending);
}

}  // namespace

void CNTFSLogPageWalk::Walk(std::uint64_t u64PageCount, PageReader const& read, RecordSink const& sink) {
    if (u64PageCount <= kFirstRecordPage) return;
    Pending pending;
    FindLastPageTail(u64PageCount, read, pending);
    Page page{};
    for (std::uint64_t u64Page = kFirstRecordPage; u64Page < u64PageCount; ++u64Page) {
        if (!ReadPage(read, u64Page, page)) {
            pending.Clear();
            continue;
        }
        engine::ByteView const view(page.data(), page.size());
        std::size_t position = kPageHeaderSize;
        if (!pending.bytes.empty()) {
            std::size_t const take = std::min(pending.total - pending.bytes.size(), kPageSize - kPageHeaderSize);
            pending.bytes.insert(pending.bytes.end(), page.begin() + kPageHeaderSize,
                                 page.begin() + kPageHeaderSize + take);
            // A record longer than a page's records fills this one whole and goes on.
            if (pending.bytes.size() < pending.total) continue;
            sink(engine::ByteView(pending.bytes.data(), pending.bytes.size()));
            pending.Clear();
            position += Align8(take);
        }
        WalkRecords(view, position, pending, sink);
    }
}
