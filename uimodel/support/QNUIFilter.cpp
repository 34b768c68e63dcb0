#include "uimodel/support/QNUIFilter.h"

#include <array>
#include <utility>

#include "uimodel/support/Seams.h"

namespace uimodel {

namespace {
constexpr std::array<std::pair<_FILTER_TYPE, char const*>, 6> kTitleKeys{{
    {FILTER_TYPE_PICTURE, "PAGE_TWO_PICTURE_TITLE"},
    {FILTER_TYPE_MUSIC, "PAGE_TWO_MUSIC_TITLE"},
    {FILTER_TYPE_MOVIE, "PAGE_TWO_MOVIE_TITLE"},
    {FILTER_TYPE_ARCHIVE, "PAGE_TWO_ARCHIVE_TITLE"},
    {FILTER_TYPE_DOCUMENT, "PAGE_TWO_DOCUMENT_TITLE"},
    {FILTER_TYPE_OTHER, "PAGE_TWO_OTHER_TITLE"},
}};
}  // namespace

QNUIFilter::QNUIFilter() : m_pFilter(CreateFilter()) {}

QNUIFilter& QNUIFilter::instance() {
    static QNUIFilter s_holder;
    return s_holder;
}

void QNUIFilter::ResetFilter(unsigned u32Mask) {
    if (!m_pFilter) m_pFilter = CreateFilter();
    if (m_pFilter) m_pFilter->SetFilterTypes(u32Mask);
}

std::string FilterTypeToString(unsigned u32Type) {
    for (auto const& [eType, pszKey] : kTitleKeys)
        if (eType == u32Type) return GetSeams().pStrings->Text(pszKey);
    return {};
}

_FILTER_TYPE StringToFilterType(char const* pszText) {
    if (!pszText) return FILTER_TYPE_OTHER;
    for (auto const& entry : kTitleKeys)
        if (FilterTypeToString(entry.first) == pszText) return entry.first;
    return FILTER_TYPE_OTHER;
}

}  // namespace uimodel
