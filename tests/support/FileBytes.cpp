#include "support/FileBytes.h"

#include <fstream>
#include <iterator>

namespace testsupport {

std::vector<std::uint8_t> ReadFileBytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteFileBytes(std::string const& path, std::span<std::uint8_t const> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::vector<std::uint8_t> Joined(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> joined;
    for (std::vector<std::uint8_t> const& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

}  // namespace testsupport
