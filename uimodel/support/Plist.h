#pragma once
// The one property-list reader of the UI model (libplist): a file or bytes to a dictionary root.
#include <plist/plist.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace uimodel {

struct PlistDeleter {
    void operator()(plist_t p) const noexcept { plist_free(p); }
};
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistDeleter>;

/// The dictionary at the root of an XML or binary property list; null, with a reason in
/// `pError` when given, when the bytes are no such list.
PlistPtr ParsePlistDictionary(std::string_view bytes, std::string* pError = nullptr);
/// The same, read from a file.
PlistPtr ReadPlistDictionary(std::string const& path, std::string* pError = nullptr);
/// The string values of a dictionary's keys; other values are skipped.
std::map<std::string, std::string> PlistStringEntries(plist_t dictionary);
/// The folders a resource is looked for in, in order: "resources" in the executable's folder or
/// one of its three parents (the build tree), then "share/quorin" beside the installed "bin".
std::vector<std::string> ResourceFolders();
/// The first of those folders holding the file `name`; "" when none does.
std::string LocateResource(std::string_view name);

}  // namespace uimodel
