#include "engine/core/recovery/FileTypeManager.h"

#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

#include "engine/FileTypeLists.h"
#include "engine/core/util/Locks.h"

namespace {

struct CategoryList {
    int iKey;  // the category's filter bit, as the user interface numbers its lists
    FILE_TYPE_ID eType;
};
constexpr std::array<CategoryList, 5> kCategoryLists = {{
    {FILTER_TYPE_PICTURE, FILE_TYPE_PICTURE},
    {FILTER_TYPE_MUSIC, FILE_TYPE_MUSIC},
    {FILTER_TYPE_MOVIE, FILE_TYPE_MOVIE},
    {FILTER_TYPE_ARCHIVE, FILE_TYPE_ARCHIVE},
    {FILTER_TYPE_DOCUMENT, FILE_TYPE_DOCUMENT},
}};

// Set by the user interface thread, read when a scan fills its table on a worker thread.
mutex_locker g_listsLock;
std::array<std::string, kCategoryLists.size()> g_lists;

}  // namespace

void SetFileTypeLists(std::map<int, std::string> const& lists) { CFileTypeManager::Initialze(lists); }

void CFileTypeManager::Initialze(std::map<int, std::string> const& lists) {
    std::array<std::string, kCategoryLists.size()> fresh;
    for (std::size_t i = 0; i < kCategoryLists.size(); ++i) {
        auto const it = lists.find(kCategoryLists[i].iKey);
        if (it != lists.end()) fresh[i] = it->second;
    }
    autolocker hold(g_listsLock);
    g_lists = std::move(fresh);
}

void CFileTypeManager::Initialize() {
    std::array<std::string, kCategoryLists.size()> lists;
    {
        autolocker hold(g_listsLock);
        lists = g_lists;
    }
    for (std::size_t i = 0; i < kCategoryLists.size(); ++i) Insert2Table(lists[i], kCategoryLists[i].eType);
}

int CFileTypeManager::Insert2Table(std::string const& list, FILE_TYPE_ID eType) {
    if (list.empty()) return 1;
    std::string_view rest = list;
    while (true) {
        std::size_t const cut = rest.find(';');
        std::string const piece(rest.substr(0, cut));
        if (!m_table.InsertNode(piece.c_str(), eType)) return 0;  // full: the rest cannot fit either
        if (cut == std::string_view::npos) return 1;
        rest.remove_prefix(cut + 1);
    }
}

FILE_TYPE_ID CFileTypeManager::GetFileTypeID(char const* pszExtension) const {
    FILE_TYPE_ID eType = FILE_TYPE_OTHER;
    if (!pszExtension || !m_table.FindNode(pszExtension, eType)) return FILE_TYPE_OTHER;
    return eType;
}
