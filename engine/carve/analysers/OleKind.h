#pragma once
// The kind of a compound document (word processor, spreadsheet, ...) by the names of its
// directory entries.
#include <string>
#include <vector>

#include "engine/carve/RawFileType.h"

struct OleEntry {
    std::string name;       // ASCII; a unit beyond it as 7F
    bool bClassId = false;  // a class identifier other than all zeros
};

/// The type of a document whose directory holds `entries` in order (E0 the root); MOF when no
/// rule knows the names.
RAW_FILE_TYPE OleKind(std::vector<OleEntry> const& entries);
