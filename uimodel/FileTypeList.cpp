#include "uimodel/FileTypeList.h"

#include <plist/plist.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>

#include "platform/ExecutablePath.h"

namespace filetypes {
namespace {

constexpr std::array<int, 6> kCategoryBits = {1, 2, 4, 8, 16, 32};
constexpr char kSeparator = ';';
constexpr std::string_view kRelativePath = "resources/FileType.plist";

struct PlistDeleter {
    void operator()(plist_t p) const noexcept { plist_free(p); }
};
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistDeleter>;

std::map<int, std::string> Fail(std::string* pError, std::string reason) {
    if (pError) *pError = std::move(reason);
    return {};
}

// The array's string items joined with ";"; other items are skipped.
std::string JoinExtensions(plist_t array) {
    std::string joined;
    bool bFirst = true;
    uint32_t const u32Count = plist_array_get_size(array);
    for (uint32_t i = 0; i < u32Count; ++i) {
        plist_t item = plist_array_get_item(array, i);
        if (plist_get_node_type(item) != PLIST_STRING) continue;
        uint64_t u64Length = 0;
        char const* pszText = plist_get_string_ptr(item, &u64Length);
        if (!pszText) continue;
        if (!bFirst) joined += kSeparator;
        joined.append(pszText, u64Length);
        bFirst = false;
    }
    return joined;
}

}  // namespace

std::map<int, std::string> ParseFileTypeList(std::string_view bytes, std::string* pError) {
    if (bytes.empty()) return Fail(pError, "empty file-type list");
    if (bytes.size() > std::numeric_limits<uint32_t>::max()) return Fail(pError, "file-type list too large");
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    PlistPtr const owner(root);
    if (!root) return Fail(pError, "not a property list");
    if (plist_get_node_type(root) != PLIST_DICT) return Fail(pError, "property list root is not a dictionary");

    std::map<int, std::string> lists;
    for (int const iBit : kCategoryBits) {
        plist_t array = plist_dict_get_item(root, std::to_string(iBit).c_str());
        if (array && plist_get_node_type(array) == PLIST_ARRAY) lists[iBit] = JoinExtensions(array);
    }
    if (pError) pError->clear();
    return lists;
}

std::map<int, std::string> ReadFileTypeList(std::string const& path, std::string* pError) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return Fail(pError, "cannot open " + path);
    std::string const bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return Fail(pError, "cannot read " + path);
    return ParseFileTypeList(bytes, pError);
}

std::string LocateFileTypeList() {
    std::string const folder = platform::ExecutableFolder();
    if (folder.empty()) return {};
    std::filesystem::path const exeFolder(folder);
    for (auto const& candidate : {exeFolder / kRelativePath, exeFolder.parent_path() / kRelativePath}) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
    }
    return {};
}

}  // namespace filetypes
