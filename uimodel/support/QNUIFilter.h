#pragma once
// The process's recovery filter, held for the model.
#include <string>

#include "engine/IRecoveryFilter.h"

namespace uimodel {

class QNUIFilter {
public:
    static QNUIFilter& instance();
    IRecoveryFilter* GetFilter() const { return m_pFilter; }
    /// Makes the filter when there is none, then chooses the categories (bits 1 to 32).
    void ResetFilter(unsigned u32Mask);

private:
    QNUIFilter();
    IRecoveryFilter* m_pFilter = nullptr;  // the engine's, never freed
};

/// The localised title of one category; "" for any other value.
std::string FilterTypeToString(unsigned u32Type);
/// The category whose title the text is; FILTER_TYPE_OTHER for null or no match.
_FILTER_TYPE StringToFilterType(char const* pszText);

}  // namespace uimodel
