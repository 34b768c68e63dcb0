#include "uimodel/support/VersionMessage.h"

#include <cstdint>

#include "uimodel/support/Plist.h"
#include "uimodel/support/Seams.h"

namespace uimodel {

namespace {

constexpr char kFileName[] = "LocalVersionMessage.plist";
constexpr char kCheckTimeKey[] = "upDataTimeStr";
constexpr char kFallbackLanguage[] = "en";

std::optional<std::string> TextOf(plist_t node) {
    if (!node) return std::nullopt;
    if (plist_get_node_type(node) == PLIST_STRING) {
        char const* pszText = plist_get_string_ptr(node, nullptr);
        return pszText ? std::optional<std::string>(pszText) : std::nullopt;
    }
    if (plist_get_node_type(node) == PLIST_UINT) {
        std::uint64_t u64Value = 0;
        plist_get_uint_val(node, &u64Value);
        return std::to_string(u64Value);
    }
    return std::nullopt;
}

PlistPtr const& InstalledList() {
    static PlistPtr const s_list = ReadPlistDictionary(LocateResource(kFileName));
    return s_list;
}

}  // namespace

std::optional<std::string> VersionMessageValue(std::string const& key) {
    if (auto written = GetSeams().pSettings->Value(key)) return written;
    if (!InstalledList()) return std::nullopt;
    return TextOf(plist_dict_get_item(InstalledList().get(), key.c_str()));
}

std::string VersionMessageAddress(std::string const& language, std::string const& key) {
    if (!InstalledList()) return {};
    for (std::string const& name : {language, std::string(kFallbackLanguage)}) {
        plist_t dict = plist_dict_get_item(InstalledList().get(), name.c_str());
        if (!dict || plist_get_node_type(dict) != PLIST_DICT) continue;
        return TextOf(plist_dict_get_item(dict, key.c_str())).value_or(std::string());
    }
    return {};
}

std::string getUpDataTimeStr() { return VersionMessageValue(kCheckTimeKey).value_or(std::string()); }

void writeUpDataTimeStr(std::string const& text) { GetSeams().pSettings->SetValue(kCheckTimeKey, text); }

bool isCanBeUseNetWork() { return GetSeams().isNetworkUsable && GetSeams().isNetworkUsable(); }

}  // namespace uimodel
