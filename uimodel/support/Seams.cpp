#include "uimodel/support/Seams.h"

#include <array>

#include "uimodel/support/FileTime.h"
#include "uimodel/support/Plist.h"

namespace uimodel {

namespace {

/// Texts of resources/Strings.en.plist, read once.
class CPlistStringTable final : public IStringTable {
public:
    CPlistStringTable() {
        if (auto const pRoot = ReadPlistDictionary(LocateResource("Strings.en.plist")))
            m_texts = PlistStringEntries(pRoot.get());
    }
    std::string Text(std::string const& key) const override {
        auto const found = m_texts.find(key);
        return found == m_texts.end() ? std::string() : found->second;
    }

private:
    std::map<std::string, std::string> m_texts;
};

}  // namespace

void CQueuedPoster::Post(std::string const& name) {
    std::lock_guard const lock(m_mutex);
    m_names.push(name);
}

std::optional<std::string> CQueuedPoster::Take() {
    std::lock_guard const lock(m_mutex);
    if (m_names.empty()) return std::nullopt;
    std::string name = std::move(m_names.front());
    m_names.pop();
    return name;
}

std::optional<std::string> CMemorySettings::Value(std::string const& key) const {
    std::lock_guard const lock(m_mutex);
    auto const found = m_values.find(key);
    if (found == m_values.end()) return std::nullopt;
    return found->second;
}

void CMemorySettings::SetValue(std::string const& key, std::string const& value) {
    std::lock_guard const lock(m_mutex);
    m_values[key] = value;
}

std::string FormatFileTimeToString(_FILETIME ft) {
    std::time_t const t = static_cast<std::time_t>(convertWindowsTimeToUnixTime(ft));
    std::tm local{};
    if (!localtime_r(&t, &local)) return {};
    std::array<char, 128> buffer{};
    std::size_t const n = std::strftime(buffer.data(), buffer.size(), "%B %e, %Y %H:%M", &local);
    return std::string(buffer.data(), n);
}

Seams& GetSeams() {
    static Seams s_seams{std::make_shared<CQueuedPoster>(), std::make_shared<CPlistStringTable>(),
                         std::make_shared<CMemorySettings>(), FormatFileTimeToString, [] { return false; }};
    return s_seams;
}

void NotifyMainThread(std::string const& name) { GetSeams().pPoster->Post(name); }

}  // namespace uimodel
