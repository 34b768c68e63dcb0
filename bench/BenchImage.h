#pragma once
// A temporary disk image for the micro-benchmarks: pseudo-random bytes in every block (a sparse
// image would be served from the zero page), flushed before use so its write-back is not timed,
// removed when the object goes.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

class CBenchImage {
public:
    CBenchImage(std::string const& name, std::uint64_t u64Bytes)
        : m_path((std::filesystem::temp_directory_path() / ("quorin-bench-" + name + ".img")).string()) {
        std::ofstream file(m_path, std::ios::binary | std::ios::trunc);
        std::vector<std::uint8_t> block(1 << 20);
        std::mt19937 generator(5);
        for (auto& byte : block) byte = static_cast<std::uint8_t>(generator());
        for (std::uint64_t u64Written = 0; u64Written < u64Bytes && file; u64Written += block.size())
            file.write(reinterpret_cast<char const*>(block.data()), static_cast<std::streamsize>(block.size()));
        file.close();
        if (!file) {
            std::filesystem::remove(m_path);
            m_path.clear();
        }
        ::sync();
    }
    ~CBenchImage() {
        if (!m_path.empty()) std::filesystem::remove(m_path);
    }
    CBenchImage(CBenchImage const&) = delete;
    CBenchImage& operator=(CBenchImage const&) = delete;

    /// Empty when the image could not be written.
    std::string const& Path() const { return m_path; }

private:
    std::string m_path;
};
