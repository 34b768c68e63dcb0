#pragma once
// Windows-style file functions on POSIX.
#include <cstdint>

/// Copies a file, or a folder with everything in it, with data, mode, times and extended
/// attributes; 0 on success, -1 on failure. The third argument is not used (an existing
/// destination file is replaced).
int CopyFileA(char const* pszFrom, char const* pszTo, int bFailIfExists);

/// The file's size in its low 32 bits; 0 for a null path, a path that cannot be examined and an
/// empty file.
std::uint32_t GetFileSize(char const* pszPath);
