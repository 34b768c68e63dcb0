#pragma once
// The oracles that the image fixture scripts write while the file system is mounted or built:
// one line per path, "F" (file) or "D" (folder), the path, the size and the SHA-256,
// tab-separated.
#include <map>
#include <string>

namespace testsupport {

struct ManifestEntry {
    bool bFolder = false;
    long long s64Size = 0;
    std::string sha256;
};

/// Path -> entry; empty when the file is missing.
std::map<std::string, ManifestEntry> ReadManifest(std::string const& path);

}  // namespace testsupport
