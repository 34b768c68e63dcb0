#include "engine/carve/RAWFileNode.h"

#include <cstdio>

#include "engine/UiModelServices.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/RawFileType.h"

std::vector<std::int32_t> g_s_CountPerFileTypeVector;

namespace {

constexpr std::string_view kDefaultPrefix = "FILE";

/// The prefix without leading dots and blanks (a carved file should not come out hidden, nor
/// be named "." or ".."), cut to `budget` bytes at a character boundary.
std::string_view UsablePrefix(std::string_view prefix, std::size_t budget) {
    std::size_t const first = prefix.find_first_not_of(". ");
    prefix = first == std::string_view::npos ? std::string_view() : prefix.substr(first);
    if (prefix.size() > budget) {
        std::size_t cut = budget;
        while (cut > 0 && (static_cast<unsigned char>(prefix[cut]) & 0xC0) == 0x80) --cut;
        prefix = prefix.substr(0, cut);
    }
    return prefix.empty() ? kDefaultPrefix : prefix;
}

}  // namespace

CRAWFileNode::CRAWFileNode(CRAWFileNode const& other) : CFileNode(other), m_strName(other.m_strName) {
    if (other.m_pProperties) m_pProperties.reset(static_cast<CRAWFileProperties*>(other.m_pProperties->Clone()));
}

int CRAWFileNode::IsDirectory() {
    return !m_pProperties || (m_pProperties->GetAttribute() & CRAWFileProperties::kAttributeFolder) != 0 ? 1 : 0;
}

IFileNode* CRAWFileNode::Clone() { return new CRAWFileNode(*this); }

bool CRAWFileNode::Initilaize(CRawFileInfo const* pInfo, std::uint32_t u32Attribute, long long s64ParentID,
                              long long s64NodeID) {
    if (pInfo == nullptr) return false;
    auto pProperties = CRAWFileProperties::Create();
    pProperties->InitRawFileProperties(*pInfo);
    pProperties->SetAttribute(static_cast<std::uint16_t>(u32Attribute));
    if ((u32Attribute & CRAWFileProperties::kAttributeFolder) != 0)
        m_strName = pInfo->GetRawFileName();
    else
        m_strName = BuildFileName(static_cast<std::uint16_t>(pInfo->m_u32Type), pInfo->GetRawFileName());
    SetDataRunList(pProperties->TakeDataRunList());
    m_pProperties = std::move(pProperties);
    SetNodeID(s64NodeID);
    SetParentNodeID(s64ParentID);
    return true;
}

std::string CRAWFileNode::BuildFileName(std::uint16_t u16Type, std::string_view prefix) {
    if (g_s_CountPerFileTypeVector.size() < kRawFileTypeCount) g_s_CountPerFileTypeVector.resize(kRawFileTypeCount, 0);
    char const* pszExtension = RawFileExtension(u16Type);
    std::string_view const extension = pszExtension != nullptr ? pszExtension : "";
    std::int32_t& i32Counter = g_s_CountPerFileTypeVector[u16Type];

    char szNumber[16];
    int const iNumberLength = std::snprintf(szNumber, sizeof szNumber, "%03d", i32Counter);
    ++i32Counter;
    std::string_view const number(szNumber, static_cast<std::size_t>(iNumberLength));

    prefix = prefix.substr(0, prefix.find('\0'));  // a name ends at its first zero byte
    std::size_t const budget = kMaxNameBytes - number.size() - 1 - extension.size();
    bool const bUsable = !prefix.empty() && isValidString(std::string(prefix).c_str());
    std::string_view const chosen = bUsable ? UsablePrefix(prefix, budget) : kDefaultPrefix;

    std::string name;
    name.reserve(chosen.size() + number.size() + 1 + extension.size());
    name.append(chosen).append(number).append(".").append(extension);
    return name;
}
