#include "support/TempDir.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir() {
    char const* base = std::getenv("QUORIN_TEST_TMP");
    std::string root = base && *base ? base : std::filesystem::temp_directory_path().string();
    std::filesystem::create_directories(root);
    std::string pattern = root + "/tXXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed in " + root);
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore permissions a test may have taken away before removing.
    for (auto const& entry : std::filesystem::recursive_directory_iterator(m_path, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

int RunCommand(std::string const& command) {
    int status = std::system(command.c_str());
    if (status == -1) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string CommandOutput(std::string const& command) {
    std::string output;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> pPipe(popen(command.c_str(), "r"), pclose);
    if (!pPipe) return output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pPipe.get())) output.append(buffer, n);
    return output;
}

bool HaveTool(std::string const& name) { return RunCommand("command -v " + name + " >/dev/null 2>&1") == 0; }

}  // namespace testsupport
