#include "uimodel/support/Plist.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "platform/ExecutablePath.h"

namespace uimodel {

namespace {
// Programs sit up to three folders below the build's one "resources" (bench/scanbench,
// tests/uimodel, tests/app/base).
constexpr int kFolderLevels = 4;

PlistPtr Fail(std::string* pError, std::string reason) {
    if (pError) *pError = std::move(reason);
    return nullptr;
}
}  // namespace

PlistPtr ParsePlistDictionary(std::string_view bytes, std::string* pError) {
    if (bytes.empty()) return Fail(pError, "empty property list");
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) return Fail(pError, "property list too large");
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    PlistPtr owner(root);
    if (!root) return Fail(pError, "not a property list");
    if (plist_get_node_type(root) != PLIST_DICT) return Fail(pError, "property list root is not a dictionary");
    if (pError) pError->clear();
    return owner;
}

PlistPtr ReadPlistDictionary(std::string const& path, std::string* pError) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return Fail(pError, "cannot open " + path);
    std::string const bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return Fail(pError, "cannot read " + path);
    return ParsePlistDictionary(bytes, pError);
}

std::map<std::string, std::string> PlistStringEntries(plist_t dictionary) {
    std::map<std::string, std::string> entries;
    if (!dictionary || plist_get_node_type(dictionary) != PLIST_DICT) return entries;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(dictionary, &it);
    for (;;) {
        char* pszKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dictionary, it, &pszKey, &value);
        if (!pszKey) break;
        if (value && plist_get_node_type(value) == PLIST_STRING) {
            std::uint64_t u64Length = 0;
            char const* pszText = plist_get_string_ptr(value, &u64Length);
            if (pszText) entries[pszKey].assign(pszText, u64Length);
        }
        std::free(pszKey);
    }
    std::free(it);
    return entries;
}

std::vector<std::string> ResourceFolders() {
    std::string const folder = platform::ExecutableFolder();
    if (folder.empty()) return {};
    std::vector<std::string> folders;
    std::filesystem::path at(folder);
    for (int i = 0; i < kFolderLevels && !at.empty(); ++i, at = at.parent_path()) {
        folders.push_back((at / "resources").string());
        if (at == at.parent_path()) break;
    }
    // An installed program: PREFIX/bin/quorin reads PREFIX/share/quorin.
    folders.push_back((std::filesystem::path(folder).parent_path() / "share" / "quorin").string());
    return folders;
}

std::string LocateResource(std::string_view name) {
    for (std::string const& folder : ResourceFolders()) {
        std::filesystem::path const file = std::filesystem::path(folder) / name;
        std::error_code ec;
        if (std::filesystem::is_regular_file(file, ec)) return file.string();
    }
    return {};
}

}  // namespace uimodel
