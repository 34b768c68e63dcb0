#include "engine/core/util/FileFunctions.h"

#include <sys/stat.h>

#include "platform/FileCopy.h"

int CopyFileA(char const* pszFrom, char const* pszTo, int) {
    if (!pszFrom || !pszTo) return -1;
    return platform::CopyPath(pszFrom, pszTo);
}

std::uint32_t GetFileSize(char const* pszPath) {
    if (!pszPath) return 0;
    struct stat st {};
    if (stat(pszPath, &st) != 0 || st.st_size < 1) return 0;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_size));
}
