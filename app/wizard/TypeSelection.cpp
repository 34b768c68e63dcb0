#include "app/wizard/TypeSelection.h"

#include <algorithm>

namespace app {

void TypeSelection::ToggleTile(unsigned value) {
    if (std::find(kValues.begin(), kValues.end(), value) == kValues.end()) return;
    const auto found = std::find(m_chosen.begin(), m_chosen.end(), value);
    if (found == m_chosen.end())
        m_chosen.push_back(value);
    else
        m_chosen.erase(found);
}

void TypeSelection::ClickAllBox() {
    if (BoxState() == Box::All)
        m_chosen.clear();
    else
        m_chosen.assign(kValues.begin(), kValues.end());
}

bool TypeSelection::IsChosen(unsigned value) const {
    return std::find(m_chosen.begin(), m_chosen.end(), value) != m_chosen.end();
}

unsigned TypeSelection::Mask() const {
    unsigned mask = 0;
    for (unsigned value : m_chosen) mask |= value;
    return mask;
}

TypeSelection::Box TypeSelection::BoxState() const {
    if (m_chosen.empty()) return Box::None;
    return m_chosen.size() == kValues.size() ? Box::All : Box::Some;
}

}  // namespace app
