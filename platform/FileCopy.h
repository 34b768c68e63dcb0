#pragma once
// Copying files and folders with their metadata.

namespace platform {
/// Copies a file (following a symbolic link given as the source) or a folder with everything in
/// it (links inside are copied as links) to `pszTo`, replacing an existing file there. Data and
/// folder structure must be copied; mode, access and modification times and extended attributes
/// (access lists among them) are copied where the destination can hold them. 0 on success, -1 on
/// failure with errno set; a file whose data could not be copied is removed.
int CopyPath(char const* pszFrom, char const* pszTo);
}  // namespace platform
