#include "engine/carve/RAWFileProperties.h"

#include "engine/DataRunList.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/core/util/EngineAssert.h"

namespace {
constexpr std::uint64_t kRunUnitBytes = 512;
}

std::unique_ptr<CRAWFileProperties> CRAWFileProperties::Create() { return std::make_unique<CRAWFileProperties>(); }

IFileProperties* CRAWFileProperties::Clone() { return new CRAWFileProperties(*this); }

void CRAWFileProperties::InitRawFileProperties(CRawFileInfo const& info) {
    m_u64Size = info.m_u64Size;
    m_strTime = info.m_strTime;
    m_ownedRuns.pList.reset(new CDataRunList());
    m_pRuns = m_ownedRuns.pList.get();
    DataRun run{};
    run.s64Start = static_cast<std::int64_t>(info.m_u64StartSector);
    // Sizes are clamped to the device when filed, so the unit count fits easily.
    run.s64Length = static_cast<std::int64_t>(m_u64Size / kRunUnitBytes + (m_u64Size % kRunUnitBytes != 0 ? 1 : 0));
    m_pRuns->AddDataRun(&run);
}

void CRAWFileProperties::SetRawFileName(char const* pszName) {
    if (!ENGINE_PRECONDITION(nullptr != pszName)) return;
    m_strName = pszName;
    m_u8NameLength = static_cast<std::uint8_t>(m_strName.size() + 1);
}

void CRAWFileProperties::SetRawFileTime(std::string strTime) {
    m_strTime = std::move(strTime);
    m_u8TimeLength = static_cast<std::uint8_t>(m_strTime.size() + 1);
}
