#include "SampleMaker.h"

#include <fstream>

#include "support/TempDir.h"

namespace archivetest {

bool WriteFile(std::string const& path, Bytes const& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string MissingTool(std::initializer_list<char const*> tools) {
    for (char const* pszTool : tools)
        if (!testsupport::HaveTool(pszTool))
            return std::string(pszTool) + " is not installed (scripts/setup.sh installs it)";
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
                      std::uint64_t u64Size) {
    Bytes bytes = ReadFile(Path(name));
    if (bytes.empty()) {
        m_error = "nothing in " + name + " (" + row + ")";
        return false;
    }
    m_samples.push_back({std::move(row), eType, std::move(bytes), rule, u64Size, std::move(stem)});
    return true;
}

void SampleMaker::Add(std::string row, Bytes bytes, RAW_FILE_TYPE eType, SizeRule rule, std::uint64_t u64Size) {
    m_samples.push_back({std::move(row), eType, std::move(bytes), rule, u64Size, {}});
}

}  // namespace archivetest
