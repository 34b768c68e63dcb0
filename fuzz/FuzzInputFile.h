#pragma once
// For parsers that read files: each input is written to one file per process (so parallel
// fuzzing jobs never share it), rewritten for every input and removed at exit.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class FuzzInputFile {
public:
    explicit FuzzInputFile(char const* pszName)
        : m_path("/tmp/quorin-fuzz-" + std::to_string(getpid()) + "-" + pszName) {}
    ~FuzzInputFile() { unlink(m_path.c_str()); }
    FuzzInputFile(FuzzInputFile const&) = delete;
    FuzzInputFile& operator=(FuzzInputFile const&) = delete;

    std::string const& Path() const { return m_path; }

    /// Replaces the file's content with the input; false when it could not be written whole.
    bool Write(std::uint8_t const* pData, std::size_t uSize) const {
        std::FILE* pFile = std::fopen(m_path.c_str(), "wb");
        if (!pFile) return false;
        std::size_t const uWritten = uSize ? std::fwrite(pData, 1, uSize, pFile) : 0;
        return std::fclose(pFile) == 0 && uWritten == uSize;
    }

private:
    std::string m_path;
};
