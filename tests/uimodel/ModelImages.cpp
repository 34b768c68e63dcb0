#include "ModelImages.h"

#include <algorithm>
#include <filesystem>

#include "support/TempDir.h"

namespace modeltest {

namespace {

std::string Quoted(std::string const& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

std::string MissingFatTools() {
    for (char const* pszTool : {"mkfs.fat", "mcopy", "mmd", "mdel"})
        if (!testsupport::HaveTool(pszTool)) return std::string(pszTool) + " is not installed";
    return {};
}

std::string BuildFat32(std::string const& image, unsigned u32MiB, std::vector<ImageFile> const& files,
                       std::vector<std::string> const& deleted) {
    std::string const tools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
    std::vector<std::string> commands = {"truncate -s " + std::to_string(u32MiB) + "M " + Quoted(image),
                                         "mkfs.fat -F 32 -n MODELTEST " + Quoted(image) + " >/dev/null"};
    std::vector<std::string> folders;
    for (ImageFile const& file : files) {
        for (auto folder = std::filesystem::path(file.imagePath).parent_path(); folder != "/" && !folder.empty(); folder = folder.parent_path())
            folders.push_back(folder.string());
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    for (std::string const& folder : folders) commands.push_back(tools + "mmd -i " + Quoted(image) + " " + Quoted("::" + folder));
    for (ImageFile const& file : files)
        commands.push_back(tools + "mcopy -i " + Quoted(image) + " " + Quoted(file.hostPath) + " " + Quoted("::" + file.imagePath));
    for (std::string const& path : deleted) commands.push_back(tools + "mdel -i " + Quoted(image) + " " + Quoted("::" + path));
    for (std::string const& command : commands)
        if (testsupport::RunCommand(command + " 2>/dev/null") != 0) return command;
    return {};
}

}  // namespace modeltest
