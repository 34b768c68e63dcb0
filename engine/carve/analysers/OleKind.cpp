// The rules, in order, a later match overriding an earlier one. Most look at the entries E1 to
// E3 that follow the root E0, where the writers put their main streams; the names that only
// word processors and presentations carry count anywhere in the directory, since some writers
// (LibreOffice) put them after a few others.
#include "engine/carve/analysers/OleKind.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace {

using Entries = std::vector<OleEntry>;

std::string_view Name(Entries const& entries, std::size_t index) {
    return index < entries.size() ? std::string_view(entries[index].name) : std::string_view();
}

bool AnyIs(Entries const& entries, std::initializer_list<std::string_view> names) {
    return std::any_of(entries.begin(), entries.end(), [&](OleEntry const& entry) {
        return std::find(names.begin(), names.end(), entry.name) != names.end();
    });
}

bool Is(Entries const& entries, std::size_t index, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), Name(entries, index)) != names.end();
}

bool Are(Entries const& entries, std::string_view e1, std::string_view e2, std::string_view e3) {
    return Name(entries, 1) == e1 && Name(entries, 2) == e2 && Name(entries, 3) == e3;
}

constexpr std::string_view kPerfectOfficeMain = "PerfectOffice_MAIN";
constexpr std::string_view kPerfectOfficeObjects = "PerfectOffice_OBJECTS";

}  // namespace

RAW_FILE_TYPE OleKind(Entries const& entries) {
    RAW_FILE_TYPE eType = RAW_FILE_TYPE_MOF;
    if (AnyIs(entries, {"WordDocument", "ObjectPool"})) eType = RAW_FILE_TYPE_DOC;
    if (Is(entries, 1, {"Workbook", "Book"}) || Is(entries, 2, {"Workbook", "Book"})) eType = RAW_FILE_TYPE_XLS;
    if (AnyIs(entries, {"PowerPoint Document"}) || Is(entries, 1, {"Pictures", "PP40"})) eType = RAW_FILE_TYPE_PPT;
    if (Is(entries, 1, {"Scene"})) eType = RAW_FILE_TYPE_MAX;
    if (Is(entries, 1, {"VisioDocument"})) eType = RAW_FILE_TYPE_VSD;
    if (Name(entries, 1) == kPerfectOfficeMain && Name(entries, 2) == kPerfectOfficeObjects) {
        if (Name(entries, 3) == "\x05SummaryInformation")
            eType = RAW_FILE_TYPE_SHW;
        else if (!entries[0].bClassId)
            eType = RAW_FILE_TYPE_WPG;
        else
            eType = RAW_FILE_TYPE_WPD;
    }
    if (Are(entries, "Objects", "Quill", "Escher")) eType = RAW_FILE_TYPE_PUB;
    if (Is(entries, 1, {"NativeContent_MAIN"})) eType = RAW_FILE_TYPE_QPW;
    if (Are(entries,
            "\x01"
            "CompObj",
            "   19", "   29") ||
        Are(entries,
            "\x01"
            "CompObj",
            "   112", "   212"))
        eType = RAW_FILE_TYPE_MPP;
    if (Are(entries, "PropData", "Forms", "Reports") || Are(entries, "VBA", "VBAProject", "VBA"))
        eType = RAW_FILE_TYPE_ADP;
    return eType;
}
