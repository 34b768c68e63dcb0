#pragma once
// The FAT images tests/fixtures/fat/make_images.sh builds with mkfs.fat and mtools, and the
// oracles it writes beside them.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fattest {

struct Expected {
    long long s64Size = 0;
    std::string sha256;
};

/// The folder holding the images: the CTest fixture's (QUORIN_FAT_IMAGES), or one built once
/// for this process when the binary runs alone. Empty when they cannot be had.
std::string const& ImagesDir();
/// Why ImagesDir() is empty.
std::string const& WhyNoImages();
/// A file of the images folder.
std::string Image(std::string const& name);
/// The "F<TAB>path<TAB>size<TAB>sha256" lines of a manifest or deleted list, by path.
std::map<std::string, Expected> ReadFiles(std::string const& path);
/// A file's first `maxBytes` bytes (all by default); empty when it cannot be read.
std::vector<std::uint8_t> ReadBytes(std::string const& path, std::size_t maxBytes = SIZE_MAX);

}  // namespace fattest

/// Skips the running test when the images cannot be had.
#define FAT_IMAGES_OR_SKIP()                                                          \
    do {                                                                              \
        if (::fattest::ImagesDir().empty()) GTEST_SKIP() << ::fattest::WhyNoImages(); \
    } while (0)
