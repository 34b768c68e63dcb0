#include "SampleMaker.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "support/TempDir.h"

namespace archivetest {

std::uint64_t CarvedSample::CarvedSize(std::uint32_t u32SectorSize) const {
    switch (rule) {
        case SizeRule::ToSectorEnd: return (bytes.size() + u32SectorSize - 1) / u32SectorSize * u32SectorSize;
        case SizeRule::Counted: return u64Count;
        case SizeRule::Exact: break;
    }
    return bytes.size();
}

Bytes CarvedSample::CarvedBytes(std::uint32_t u32SectorSize) const {
    Bytes carved(bytes);
    carved.resize(static_cast<std::size_t>(CarvedSize(u32SectorSize)), 0);
    return carved;
}

Bytes ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteFile(std::string const& path, Bytes const& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

void PutLe16(Bytes& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<std::uint8_t>(value);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void PutLe32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    PutLe16(bytes, offset, static_cast<std::uint16_t>(value));
    PutLe16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

void PutBe32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

bool SampleMaker::Run(std::string const& command) {
    if (testsupport::RunCommand("cd '" + m_folder + "' && (" + command + ") >/dev/null 2>&1") == 0) return true;
    m_error = command;
    return false;
}

bool SampleMaker::Write(std::string const& name, std::string const& text) {
    if (WriteFile(Path(name), Bytes(text.begin(), text.end()))) return true;
    m_error = "cannot write " + name;
    return false;
}

bool SampleMaker::Add(std::string row, std::string const& name, RAW_FILE_TYPE eType, std::string stem, SizeRule rule,
                      std::uint64_t u64Count) {
    Bytes bytes = ReadFile(Path(name));
    if (bytes.empty()) {
        m_error = "nothing in " + name + " (" + row + ")";
        return false;
    }
    m_samples.push_back({std::move(row), std::move(bytes), eType, std::move(stem), rule, u64Count});
    return true;
}

void SampleMaker::Add(std::string row, Bytes bytes, RAW_FILE_TYPE eType, SizeRule rule, std::uint64_t u64Count) {
    m_samples.push_back({std::move(row), std::move(bytes), eType, {}, rule, u64Count});
}

}  // namespace archivetest
