#include "engine/ntfs/NTFSPackedRuns.h"

#include "engine/DataRunList.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

namespace {

void AppendLe(std::vector<std::uint8_t>& out, std::int64_t s64Value, std::uint8_t u8Bytes) {
    auto const u64Value = static_cast<std::uint64_t>(s64Value);
    for (std::uint8_t i = 0; i < u8Bytes; ++i) out.push_back(static_cast<std::uint8_t>(u64Value >> (8 * i)));
}

}  // namespace

std::uint8_t CCompressedDataRunList::GetNeedBytes(std::int64_t s64Value) {
    for (std::uint8_t n = 1; n < 8; ++n) {
        std::int64_t const s64Limit = std::int64_t{1} << (8 * n - 1);
        if (s64Value >= -s64Limit && s64Value < s64Limit) return n;
    }
    return 8;
}

std::optional<CCompressedDataRunList> CCompressedDataRunList::Pack(IDataRunList& list,
                                                                   std::uint16_t u16ResidentOffset) {
    CCompressedDataRunList packed;
    packed.m_u16ResidentOffset = list.IsResident() != 0 ? u16ResidentOffset : 0;
    if (list.IsResident() != 0 && u16ResidentOffset == 0) return std::nullopt;
    std::int64_t s64Previous = 0;
    for (DataRun const* pRun = list.GetFirst(); pRun != nullptr; pRun = list.GetNext()) {
        if (pRun->s64Length < 1 || pRun->s64Start < -1) return std::nullopt;
        std::uint8_t const u8CountBytes = GetNeedBytes(pRun->s64Length);
        std::uint8_t u8StartBytes = 0;
        std::int64_t s64Delta = 0;
        if (pRun->s64Start >= 0) {
            auto const delta = engine::CheckedSub<std::int64_t>(pRun->s64Start, s64Previous);
            if (!delta) return std::nullopt;
            s64Delta = *delta;
            u8StartBytes = GetNeedBytes(s64Delta);
            s64Previous = pRun->s64Start;
        }
        packed.m_pairs.push_back(static_cast<std::uint8_t>((u8StartBytes << 4) | u8CountBytes));
        AppendLe(packed.m_pairs, pRun->s64Length, u8CountBytes);
        AppendLe(packed.m_pairs, s64Delta, u8StartBytes);
    }
    if (packed.m_pairs.empty()) return std::nullopt;
    packed.m_pairs.push_back(0);
    return packed;
}

ReleasePtr<IDataRunList> CCompressedDataRunList::Unpack() const {
    std::vector<CDataRun> runs;
    if (!CNTFSDataRunList::FormDataRunList(engine::ByteView(m_pairs.data(), m_pairs.size()), runs) || runs.empty())
        return nullptr;
    ReleasePtr<CDataRunList> pList(new CDataRunList());
    for (CDataRun const& run : runs) {
        DataRun const piece{run.s64LCN, run.s64Count};
        if (pList->AddDataRun(&piece) == 0) return nullptr;
    }
    pList->SetResident(IsResident() ? 1 : 0);
    return pList;
}
