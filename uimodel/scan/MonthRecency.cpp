#include "uimodel/scan/MonthRecency.h"

namespace uimodel {

void MonthRecency::Touch(int iKey) {
    ++m_u64Now;
    // Files of one folder mostly share a month: the common case is the month already first.
    if (!m_order.empty() && m_order.front().iKey == iKey) {
        m_order.front().u64Stamp = m_u64Now;
        return;
    }
    auto const found = m_where.find(iKey);
    if (found == m_where.end()) {
        m_order.push_front({iKey, m_u64Now});
        m_where.emplace(iKey, m_order.begin());
        return;
    }
    found->second->u64Stamp = m_u64Now;
    m_order.splice(m_order.begin(), m_order, found->second);
}

void MonthRecency::clear() {
    m_order.clear();
    m_where.clear();
}

}  // namespace uimodel
