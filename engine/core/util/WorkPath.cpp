#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <system_error>

#include "engine/UiModelServices.h"
#include "platform/ExecutablePath.h"

namespace {

std::mutex g_workPathMutex;
// Every path ever handed out stays here until the process ends, so a pointer a caller keeps
// remains valid when a test points the work path elsewhere.
std::set<std::string> g_knownPaths;
char const* g_pszWorkPath = nullptr;  // guarded by g_workPathMutex; null until first needed

char const* Keep(std::string path) { return g_knownPaths.insert(std::move(path)).first->c_str(); }

// The executable's folder; the current folder, then ".", when that cannot be found.
std::string DefaultWorkPath() {
    std::string folder = platform::ExecutableFolder();
    if (!folder.empty()) return folder;
    std::error_code ec;
    folder = std::filesystem::current_path(ec).string();
    return ec || folder.empty() ? std::string(".") : folder;
}

}  // namespace

char const* GetAppWorkPath() {
    std::lock_guard lock(g_workPathMutex);
    if (!g_pszWorkPath) g_pszWorkPath = Keep(DefaultWorkPath());
    return g_pszWorkPath;
}

void SetAppWorkPathOverride(char const* pszPath) {
    std::lock_guard lock(g_workPathMutex);
    g_pszWorkPath = pszPath && *pszPath ? Keep(pszPath) : nullptr;
}
