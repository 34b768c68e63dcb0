#include "engine/core/copyout/CompressUnits.h"

#include <algorithm>

#include "engine/core/bytes/CheckedMath.h"

namespace {
bool IsSparse(DataRun const& run) { return run.s64Start < 0; }
}  // namespace

bool CCompressUnits::AtEnd() const { return m_runIndex >= m_runs.size() || m_runs[m_runIndex].s64Length <= 0; }

bool CCompressUnits::Seek(std::int64_t s64Unit) {
    m_runIndex = 0;
    m_s64InRun = 0;
    auto const skip = engine::CheckedMul<std::int64_t>(s64Unit, kUnitClusters);
    if (s64Unit < 0 || !skip) return false;
    std::int64_t s64Left = *skip;
    while (!AtEnd()) {
        std::int64_t const s64Length = m_runs[m_runIndex].s64Length;
        if (s64Left < s64Length) {
            m_s64InRun = s64Left;
            return true;
        }
        s64Left -= s64Length;
        ++m_runIndex;
    }
    return false;
}

std::size_t CCompressUnits::NextUnit(UnitPieces& pieces) {
    std::size_t count = 0;
    std::int32_t s32Need = kUnitClusters;
    while (s32Need > 0 && !AtEnd()) {
        DataRun const& run = m_runs[m_runIndex];
        std::int64_t const s64Take = std::min<std::int64_t>(run.s64Length - m_s64InRun, s32Need);
        std::int64_t s64Lcn = -1;
        if (!IsSparse(run)) {
            auto const lcn = engine::CheckedAdd<std::int64_t>(run.s64Start, m_s64InRun);
            if (!lcn ||
                !engine::CheckedAdd<std::int64_t>(*lcn, s64Take)) {  // a run whose clusters overflow ends the list
                m_runIndex = m_runs.size();
                break;
            }
            s64Lcn = *lcn;
        }
        pieces[count++] = {s64Lcn, static_cast<std::int32_t>(s64Take), NONECOMPRESSED_UNIT};
        s32Need -= static_cast<std::int32_t>(s64Take);
        m_s64InRun += s64Take;
        if (m_s64InRun == run.s64Length) {
            ++m_runIndex;
            m_s64InRun = 0;
        }
    }
    if (count == 0) return 0;

    if (s32Need == 0) {
        bool const lastSparse = pieces[count - 1].s64LCN < 0;
        CompressUnitType const eType = !lastSparse ? NONECOMPRESSED_UNIT : count == 1 ? SPARSE_UNIT : COMPRESSED_UNIT;
        for (std::size_t i = 0; i < count; ++i) pieces[i].eType = eType;
    } else {
        for (std::size_t i = 0; i < count; ++i)
            pieces[i].eType = pieces[i].s64LCN < 0 ? COMPRESSED_UNIT : NONECOMPRESSED_UNIT;
    }
    return count;
}

std::vector<tagCompressDataRun> ReGroupCompressDataRunList(std::span<DataRun const> runs, std::int64_t s64MaxClusters) {
    std::vector<tagCompressDataRun> result;
    CCompressUnits units(runs);
    CCompressUnits::UnitPieces pieces;
    std::int64_t const s64Units = s64MaxClusters <= 0
                                      ? 0
                                      : s64MaxClusters / CCompressUnits::kUnitClusters +
                                            (s64MaxClusters % CCompressUnits::kUnitClusters != 0 ? 1 : 0);
    for (std::int64_t s64Unit = 0; s64Unit < s64Units; ++s64Unit) {
        std::size_t const count = units.NextUnit(pieces);
        if (count == 0) break;
        result.insert(result.end(), pieces.begin(), pieces.begin() + static_cast<std::ptrdiff_t>(count));
    }
    return result;
}
