#include "FatTestImages.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "support/Manifest.h"
#include "support/TempDir.h"

namespace fattest {

namespace {

struct Images {
    std::string dir;
    std::string why;
    std::unique_ptr<testsupport::TempDir> pOwned;  // when built by this process
};

bool Complete(std::string const& dir) { return std::filesystem::exists(dir + "/complete"); }

Images const& Get() {
    static Images const images = [] {
        Images result;
        char const* pszFixture = std::getenv("QUORIN_FAT_IMAGES");
        if (pszFixture && *pszFixture) {
            if (Complete(pszFixture))
                result.dir = pszFixture;
            else
                result.why = std::string("the fat_images fixture did not build the images in ") + pszFixture;
            return result;
        }
        result.pOwned = std::make_unique<testsupport::TempDir>();
        std::string const script = std::string(QUORIN_SOURCE_DIR) + "/tests/fixtures/fat/make_images.sh";
        int const iExit =
            testsupport::RunCommand("bash '" + script + "' '" + result.pOwned->Path() + "' >/dev/null 2>&1");
        if (iExit == 0 && Complete(result.pOwned->Path()))
            result.dir = result.pOwned->Path();
        else
            result.why = "the fixture script could not build the images (exit " + std::to_string(iExit) + ")";
        return result;
    }();
    return images;
}

}  // namespace

std::string const& ImagesDir() { return Get().dir; }
std::string const& WhyNoImages() { return Get().why; }
std::string Image(std::string const& name) { return ImagesDir() + "/" + name; }

std::map<std::string, Expected> ReadFiles(std::string const& path) {
    std::map<std::string, Expected> files;
    for (auto const& [name, entry] : testsupport::ReadManifest(path))
        if (!entry.bFolder) files[name] = {entry.s64Size, entry.sha256};
    return files;
}

std::vector<std::uint8_t> ReadBytes(std::string const& path, std::size_t maxBytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::vector<std::uint8_t> bytes(std::min(static_cast<std::size_t>(in.tellg()), maxBytes));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) return {};
    return bytes;
}

}  // namespace fattest
