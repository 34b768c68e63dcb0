#include "uimodel/FileTypeList.h"

#include <array>
#include <cstdint>
#include <string>

#include "uimodel/support/Plist.h"

namespace filetypes {
namespace {

constexpr std::array<int, 6> kCategoryBits = {1, 2, 4, 8, 16, 32};
constexpr char kSeparator = ';';

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

std::map<int, std::string> ListsOf(plist_t root) {
    std::map<int, std::string> lists;
    for (int const iBit : kCategoryBits) {
        plist_t array = plist_dict_get_item(root, std::to_string(iBit).c_str());
        if (array && plist_get_node_type(array) == PLIST_ARRAY) lists[iBit] = JoinExtensions(array);
    }
    return lists;
}

}  // namespace

std::map<int, std::string> ParseFileTypeList(std::string_view bytes, std::string* pError) {
    auto const pRoot = uimodel::ParsePlistDictionary(bytes, pError);
    return pRoot ? ListsOf(pRoot.get()) : std::map<int, std::string>{};
}

std::map<int, std::string> ReadFileTypeList(std::string const& path, std::string* pError) {
    auto const pRoot = uimodel::ReadPlistDictionary(path, pError);
    return pRoot ? ListsOf(pRoot.get()) : std::map<int, std::string>{};
}

std::string LocateFileTypeList() { return uimodel::LocateResource("FileType.plist"); }

}  // namespace filetypes
