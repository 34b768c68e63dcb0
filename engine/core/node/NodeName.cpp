#include "engine/core/node/NodeName.h"

#include <algorithm>

void CNodeName::Set(std::string_view name) {
    name = name.substr(0, name.find('\0'));
    auto pText = std::make_unique_for_overwrite<char[]>(name.size() + 1);
    std::copy(name.begin(), name.end(), pText.get());
    pText[name.size()] = '\0';
    m_pText = std::move(pText);
}
