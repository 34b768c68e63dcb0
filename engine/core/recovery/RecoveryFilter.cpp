#include "engine/core/recovery/RecoveryFilter.h"

#include <array>
#include <cstring>

#include "engine/IFileNode.h"

namespace {

struct CategoryBit {
    _FILTER_TYPE eBit;
    FILE_TYPE_ID eType;
};
constexpr std::array<CategoryBit, 6> kCategoryBits = {{
    {FILTER_TYPE_PICTURE, FILE_TYPE_PICTURE},
    {FILTER_TYPE_MUSIC, FILE_TYPE_MUSIC},
    {FILTER_TYPE_MOVIE, FILE_TYPE_MOVIE},
    {FILTER_TYPE_ARCHIVE, FILE_TYPE_ARCHIVE},
    {FILTER_TYPE_DOCUMENT, FILE_TYPE_DOCUMENT},
    {FILTER_TYPE_OTHER, FILE_TYPE_OTHER},
}};

constexpr std::uint32_t CategoryMask(FILE_TYPE_ID eType) { return 1u << eType; }

}  // namespace

CRecoveryFilter::CRecoveryFilter() { m_fileTypeManager.Initialize(); }

bool CRecoveryFilter::ShowNormalFiles() const {
    return m_u32ScanType.load(std::memory_order_relaxed) != SCAN_TYPE_QUICK_MOUNTED;
}

void CRecoveryFilter::SetScanType(_SCAN_TYPE eType) { m_u32ScanType.store(eType, std::memory_order_relaxed); }

void CRecoveryFilter::SetFilterTypes(unsigned int u32Bits) {
    m_u32FilterBits.store(u32Bits, std::memory_order_relaxed);
    std::uint32_t u32Allowed = 0;
    if (u32Bits != FILTER_TYPE_ALL) {
        for (CategoryBit const& entry : kCategoryBits) {
            if (u32Bits & entry.eBit) u32Allowed |= CategoryMask(entry.eType);
        }
    }
    m_u32AllowedCategories.store(u32Allowed, std::memory_order_relaxed);
}

bool CRecoveryFilter::IsFileNodeValid(IFileNode* pNode) {
    if (!pNode) return false;
    std::uint32_t const u32Allowed = m_u32AllowedCategories.load(std::memory_order_relaxed);
    if (u32Allowed == 0 || pNode->IsDirectory()) return true;
    return (u32Allowed & CategoryMask(GetNameFileType(pNode->GetFileName()))) != 0;
}

_FILTER_TYPE CRecoveryFilter::GetNodeFileType(IFileNode* pNode) {
    if (!pNode) return FILTER_TYPE_OTHER;
    FILE_TYPE_ID const eType = GetNameFileType(pNode->GetFileName());
    for (CategoryBit const& entry : kCategoryBits) {
        if (entry.eType == eType) return entry.eBit;
    }
    return FILTER_TYPE_OTHER;
}

FILE_TYPE_ID CRecoveryFilter::GetNameFileType(char const* pszName) const {
    char const* pszDot = pszName ? std::strrchr(pszName, '.') : nullptr;
    if (!pszDot) return FILE_TYPE_OTHER;
    return m_fileTypeManager.GetFileTypeID(pszDot + 1);
}

IRecoveryFilter* CreateFilter() {
    static CRecoveryFilter s_filter;
    return &s_filter;
}
