#include "engine/carve/RawFileInfo.h"

namespace {
constexpr std::string_view kUnsafeNameChars = "\\/:?\"<>|*\r\n";
}

void CRawFileInfo::SetRawFileName(std::string_view name) {
    std::size_t const last = name.find_last_not_of(' ');
    m_strName.assign(last == std::string_view::npos ? std::string_view() : name.substr(0, last + 1));
    for (char& c : m_strName)
        if (kUnsafeNameChars.find(c) != std::string_view::npos) c = '_';
}
