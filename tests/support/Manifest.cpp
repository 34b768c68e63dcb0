#include "support/Manifest.h"

#include <fstream>
#include <sstream>

namespace testsupport {

std::map<std::string, ManifestEntry> ReadManifest(std::string const& path) {
    std::map<std::string, ManifestEntry> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind, name, size, hash;
        std::getline(fields, kind, '\t');
        std::getline(fields, name, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, hash, '\t');
        if (kind != "F" && kind != "D") continue;
        ManifestEntry entry;
        entry.bFolder = kind == "D";
        entry.s64Size = size.empty() ? 0 : std::stoll(size);
        entry.sha256 = hash;
        entries[name] = entry;
    }
    return entries;
}

}  // namespace testsupport
