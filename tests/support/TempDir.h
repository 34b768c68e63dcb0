#pragma once
// A fresh folder per test under the build's test-tmp folder, removed when the test ends.
#include <string>

namespace testsupport {
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(TempDir const&) = delete;
    TempDir& operator=(TempDir const&) = delete;

    std::string const& Path() const { return m_path; }
    std::string File(std::string const& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

/// Runs a shell command; its exit status (-1 when it could not run).
int RunCommand(std::string const& command);
/// What a shell command prints on standard output (empty when it cannot run).
std::string CommandOutput(std::string const& command);
/// Whether a program is on PATH.
bool HaveTool(std::string const& name);
}  // namespace testsupport
