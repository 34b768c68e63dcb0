#pragma once
// Extension to category, from the user interface's extension lists. The lists are process-wide
// and set once at start-up; every manager fills its own table from them when asked.
#include <map>
#include <string>

#include "engine/IRecoveryFilter.h"
#include "engine/core/recovery/KeHashTable.h"

class CFileTypeManager {
public:
    /// Takes the lists under the keys 1 (pictures), 2 (music), 4 (movies), 8 (archives) and
    /// 16 (documents), each a ";"-separated text of extensions; a missing key leaves that
    /// list empty, other keys are ignored. Affects managers filled afterwards only.
    static void Initialze(std::map<int, std::string> const& lists);

    /// Inserts the five lists with the categories 2 to 6, in that order.
    void Initialize();
    /// Inserts every piece of the list, split at ";" (empty pieces too); an empty list inserts
    /// nothing. 0 when the table ran full, else 1.
    int Insert2Table(std::string const& list, FILE_TYPE_ID eType);
    /// The extension's category (without the dot, any case); FILE_TYPE_OTHER for null or unknown.
    FILE_TYPE_ID GetFileTypeID(char const* pszExtension) const;

private:
    CKeHashTable m_table;
};
