#pragma once
// The user interface's extension lists, by which found files are sorted into categories.
#include <map>
#include <string>

/// Takes the lists under the keys 1 (pictures), 2 (music), 4 (movies), 8 (archives) and
/// 16 (documents), each a ";"-separated text of extensions; a missing key leaves that list
/// empty, other keys are ignored. Set once at start-up, before any scan.
void SetFileTypeLists(std::map<int, std::string> const& lists);
