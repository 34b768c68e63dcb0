#pragma once
// Small FAT32 images the model's recovery and thumbnail tests fill with real files: mkfs.fat
// formats, mtools writes and deletes, and the tests then scan them through the model.
#include <string>
#include <vector>

namespace modeltest {

struct ImageFile {
    std::string hostPath;   // a file made by a real tool
    std::string imagePath;  // "/dir/name" in the image; folders are made as needed
};

/// Empty when mkfs.fat or mtools is missing: the reason to skip.
std::string MissingFatTools();
/// Formats `image` (`u32MiB` MiB, FAT32), copies `files` in order, then deletes `deleted`
/// (image paths). The failing command, or empty on success.
std::string BuildFat32(std::string const& image, unsigned u32MiB, std::vector<ImageFile> const& files,
                       std::vector<std::string> const& deleted = {});


}  // namespace modeltest
