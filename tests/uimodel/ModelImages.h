#pragma once
// Small FAT32 images the model's recovery and thumbnail tests fill with real files: mkfs.fat
// formats, mtools writes and deletes, in the order the test asks.
#include <string>

namespace modeltest {

/// Empty when mkfs.fat or mtools is missing: the reason to skip.
std::string MissingFatTools();

class CFat32Builder {
public:
    /// Formats `image` as FAT32 of `u32MiB` MiB.
    CFat32Builder(std::string image, unsigned u32MiB);
    /// Copies a host file to "/dir/name" in the image, making its folders.
    CFat32Builder& Put(std::string const& hostPath, std::string const& imagePath);
    CFat32Builder& Delete(std::string const& imagePath);
    /// The first command that failed; empty when all ran.
    std::string const& Error() const { return m_error; }

private:
    void Run(std::string const& command);

    std::string m_image;
    std::string m_error;
};

}  // namespace modeltest
