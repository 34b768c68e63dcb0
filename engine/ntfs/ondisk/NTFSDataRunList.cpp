#include "engine/ntfs/ondisk/NTFSDataRunList.h"

#include <algorithm>
#include <optional>

#include "engine/ByteView.h"
#include "engine/IRSData.h"
#include "engine/core/archive/RSException.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/ondisk/NTFSStoredValue.h"

namespace {

constexpr std::size_t kMaxFieldWidth = 8;
constexpr std::size_t kStoredRunBytes = 24;

/// The field as a signed value of its width (two's complement).
std::int64_t SignedField(engine::ByteView pairs, std::size_t offset, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = (value << 8) | pairs.U8(offset + i);
    if (width < 8 && (value >> (width * 8 - 1)) & 1) value |= ~std::uint64_t{0} << (width * 8);
    return static_cast<std::int64_t>(value);
}

/// Decodes the pairs; every step moves forward by at least two bytes, so the walk is bounded
/// by the buffer.
bool Decode(engine::ByteView pairs, std::int64_t s64FirstVCN, std::vector<CDataRun>* pRuns) {
    std::size_t position = 0;
    std::int64_t s64VCN = s64FirstVCN;
    std::int64_t s64LCN = 0;
    while (pairs.Has(position, 1) && pairs.U8(position) != 0) {
        std::uint8_t const header = pairs.U8(position);
        std::size_t const countWidth = header & 0x0F;
        std::size_t const offsetWidth = header >> 4;
        if (countWidth == 0 || countWidth > kMaxFieldWidth || offsetWidth > kMaxFieldWidth) return false;
        if (!pairs.Has(position + 1, countWidth + offsetWidth)) return false;
        std::int64_t const s64Count = SignedField(pairs, position + 1, countWidth);
        if (s64Count <= 0) return false;
        CDataRun run{-1, s64VCN, s64Count};
        if (offsetWidth != 0) {
            auto const lcn = engine::CheckedAdd(s64LCN, SignedField(pairs, position + 1 + countWidth, offsetWidth));
            if (!lcn || *lcn < 0 || !engine::CheckedAdd(*lcn, s64Count)) return false;
            s64LCN = *lcn;
            run.s64LCN = s64LCN;
        }
        auto const nextVCN = engine::CheckedAdd(s64VCN, s64Count);
        if (!nextVCN) return false;
        s64VCN = *nextVCN;
        if (pRuns) pRuns->push_back(run);
        position += 1 + countWidth + offsetWidth;
    }
    return true;
}

}  // namespace

bool CNTFSDataRunList::IsValid(engine::ByteView pairs) { return Decode(pairs, 0, nullptr); }

std::int64_t CNTFSDataRunList::GetTotalClusters(engine::ByteView pairs) {
    std::vector<CDataRun> runs;
    if (!Decode(pairs, 0, &runs)) return -1;
    return runs.empty() ? 0 : runs.back().s64VCN + runs.back().s64Count;
}

bool CNTFSDataRunList::FormDataRunList(engine::ByteView pairs, std::vector<CDataRun>& runs, std::int64_t s64FirstVCN) {
    std::vector<CDataRun> decoded;
    if (!Decode(pairs, s64FirstVCN, &decoded)) return false;
    runs.insert(runs.end(), decoded.begin(), decoded.end());
    return true;
}

bool CNTFSDataRunList::InitFromBuffer(engine::ByteView pairs) {
    m_runs.clear();
    return FormDataRunList(pairs, m_runs);
}

bool CNTFSDataRunList::AddDataRunsfromBuffer(engine::ByteView pairs, std::int64_t s64FirstVCN) {
    return FormDataRunList(pairs, m_runs, s64FirstVCN);
}

namespace {
/// `s64Point - s64Start` when the point lies inside [start, start + count); null otherwise.
std::optional<std::int64_t> OffsetInRun(std::int64_t s64Point, std::int64_t s64Start, std::int64_t s64Count) {
    auto const offset = engine::CheckedSub(s64Point, s64Start);
    if (!offset || *offset < 0 || *offset >= s64Count) return std::nullopt;
    return offset;
}
}  // namespace

std::int64_t CNTFSDataRunList::GetLCN(std::int64_t s64VCN) const {
    for (CDataRun const& run : m_runs)
        if (auto const offset = OffsetInRun(s64VCN, run.s64VCN, run.s64Count))
            return run.s64LCN < 0 ? -1 : engine::CheckedAdd(run.s64LCN, *offset).value_or(-1);
    return -1;
}

std::int64_t CNTFSDataRunList::GetVCN(std::int64_t s64LCN) const {
    for (CDataRun const& run : m_runs)
        if (auto const offset = run.s64LCN < 0 ? std::nullopt : OffsetInRun(s64LCN, run.s64LCN, run.s64Count))
            return engine::CheckedAdd(run.s64VCN, *offset).value_or(-1);
    return -1;
}

std::int64_t CNTFSDataRunList::GetTotalClusters() const {
    std::int64_t s64Total = 0;
    for (CDataRun const& run : m_runs) s64Total = engine::CheckedAdd(s64Total, run.s64Count).value_or(INT64_MAX);
    return s64Total;
}

void CNTFSDataRunList::Sort() {
    std::stable_sort(m_runs.begin(), m_runs.end(),
                     [](CDataRun const& a, CDataRun const& b) { return a.s64VCN < b.s64VCN; });
}

void CNTFSDataRunList::Save(IRSData& archive) const {
    ntfs::WriteStored<std::int64_t>(archive, static_cast<std::int64_t>(m_runs.size()));
    for (CDataRun const& run : m_runs) {
        ntfs::WriteStored(archive, run.s64LCN);
        ntfs::WriteStored(archive, run.s64Count);
        ntfs::WriteStored(archive, run.s64VCN);
    }
}

void CNTFSDataRunList::Restore(IRSData& archive) {
    auto const s64Count = ntfs::ReadStored<std::int64_t>(archive);
    if (s64Count < 0 || static_cast<std::uint64_t>(s64Count) > archive.GetFrameSize() / kStoredRunBytes)
        throw CRSException(kRSErrorShortRead);
    for (std::int64_t i = 0; i < s64Count; ++i) {
        CDataRun run;
        run.s64LCN = ntfs::ReadStored<std::int64_t>(archive);
        run.s64Count = ntfs::ReadStored<std::int64_t>(archive);
        run.s64VCN = ntfs::ReadStored<std::int64_t>(archive);
        m_runs.push_back(run);
    }
}
