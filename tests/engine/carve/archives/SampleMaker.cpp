#include "SampleMaker.h"

#include <fstream>

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

bool WriteFile(std::string const& path, Bytes const& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string MissingTool(std::initializer_list<char const*> tools) {
    for (char const* pszTool : tools)
        if (!testsupport::HaveTool(pszTool)) return std::string(pszTool) + " is not installed (scripts/setup.sh installs it)";
    return {};
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
