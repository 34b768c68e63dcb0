#pragma once
// Reads the "FileType" property list: a dictionary from category bit ("1" pictures, "2" music,
// "4" movies, "8" archives, "16" documents, "32" others) to an array of lower-case extensions.
// The result maps each bit to its extensions joined with ";", the form the engine's
// CFileTypeManager::Initialze takes. No Qt, so the measurement harness can use it too.
#include <map>
#include <string>
#include <string_view>

namespace filetypes {

/// The list from the bytes of an XML or binary property list. Keys that are not one of the six
/// bits and array items that are not strings are skipped. Empty when the bytes are not a
/// property list with a dictionary at its root; `pError`, when given, then says why.
std::map<int, std::string> ParseFileTypeList(std::string_view bytes, std::string* pError = nullptr);

/// The same, read from a file; empty, with a reason, when it cannot be read.
std::map<int, std::string> ReadFileTypeList(std::string const& path, std::string* pError = nullptr);

/// Where the installed list is: "resources/FileType.plist" in the executable's folder or one
/// of its three parents (the build puts programs in subfolders beside one "resources"). Empty
/// when none has it.
std::string LocateFileTypeList();

}  // namespace filetypes
