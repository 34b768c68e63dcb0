#include "FileTypes.h"

#include <cstdio>
#include <string>

#include "engine/FileTypeLists.h"
#include "uimodel/FileTypeList.h"

namespace scanbench {

namespace {
constexpr int kFileTypeOthers = 32;  // not a list of its own: everything no list names
}  // namespace

void LoadFileTypes() {
    std::string error;
    std::string const path = filetypes::LocateFileTypeList();
    auto lists = filetypes::ReadFileTypeList(path, &error);
    if (lists.empty())
        std::fprintf(stderr, "scanbench: no FileType list (%s); every file counts as other\n", error.c_str());
    lists.erase(kFileTypeOthers);
    SetFileTypeLists(lists);
}

}  // namespace scanbench
