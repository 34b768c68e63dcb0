#include "engine/carve/RawFileAnalyserListSingle.h"

#include "engine/carve/RawFileAnalyserTable.h"

namespace {

std::vector<CRawFileAnalyserListSingle::ExtraAnalyser>& Extras() {
    static std::vector<CRawFileAnalyserListSingle::ExtraAnalyser> extras;
    return extras;
}

std::unique_ptr<IRawFileAnalyser> Make(RawAnalyserClass eClass) {
    RawFileAnalyserFactory const factory = RawAnalyserClassOf(eClass).factory;
    return factory != nullptr ? factory() : nullptr;
}

void AppendIfBuilt(RawFileAnalyserList& list, std::unique_ptr<IRawFileAnalyser> pAnalyser) {
    if (pAnalyser) list.push_back(std::move(pAnalyser));
}

}  // namespace

CRawFileAnalyserListSingle& CRawFileAnalyserListSingle::CreateInstance() {
    static CRawFileAnalyserListSingle registry;
    return registry;
}

CRawFileAnalyserListSingle::CRawFileAnalyserListSingle() {
    BuildRawFileAnalyserList(m_list0);
    BuildRawFileAnalyserList(m_list1);
    BuildRawFileAnalyserMap(m_map);
}

void CRawFileAnalyserListSingle::BuildRawFileAnalyserListByRawFileType(std::vector<RAW_FILE_TYPE> const* pTypes) {
    ++m_u64Generation;
    ClearListContents(m_list0);
    BuildRawFileAnalyserListByFileType(m_list0, pTypes);
    for (ExtraAnalyser const& extra : Extras())
        if (extra.u32Key == 0 && extra.factory) AppendIfBuilt(m_list0, extra.factory());
}

void CRawFileAnalyserListSingle::BuildRawFileAnalyserMapByRawFileType(std::vector<RAW_FILE_TYPE> const*) {
    ++m_u64Generation;
    ClearMapContents(m_map);
    BuildRawFileAnalyserMap(m_map);
    for (ExtraAnalyser const& extra : Extras()) {
        if (extra.u32Key == 0 || !extra.factory) continue;
        if (auto pAnalyser = extra.factory()) m_map[extra.u32Key] = std::move(pAnalyser);
    }
}

void CRawFileAnalyserListSingle::SetExtraAnalysers(std::vector<ExtraAnalyser> extras) { Extras() = std::move(extras); }

void BuildRawFileAnalyserList(RawFileAnalyserList& list) {
    for (RawAnalyserClass const eClass : RawAnalyserList1()) AppendIfBuilt(list, Make(eClass));
}

void BuildRawFileAnalyserMap(RawFileAnalyserMap& map) {
    for (RawSignatureRow const& row : RawSignatureRows()) {
        if (auto pAnalyser = Make(row.eClass)) map[RawSignatureKey(row.key)] = std::move(pAnalyser);
    }
}

void BuildRawFileAnalyserListByFileType(RawFileAnalyserList& list, std::vector<RAW_FILE_TYPE> const* pTypes) {
    if (pTypes != nullptr && !pTypes->empty()) {
        for (RAW_FILE_TYPE const eType : *pTypes) CraetePartRawFileAnalyser(eType, list);
        return;
    }
    for (std::uint32_t u32Type = 1; u32Type <= kLastUsedRawFileType; ++u32Type)
        CraetePartRawFileAnalyser(static_cast<RAW_FILE_TYPE>(u32Type), list);
}

void CraetePartRawFileAnalyser(RAW_FILE_TYPE eType, RawFileAnalyserList& list) {
    for (RawKeylessRow const& row : RawKeylessRows())
        if (row.u32Type == eType) AppendIfBuilt(list, Make(row.eClass));
}

void ClearListContents(RawFileAnalyserList& list) { list.clear(); }

void ClearMapContents(RawFileAnalyserMap& map) { map.clear(); }
