#include "ModelImages.h"

#include <filesystem>
#include <vector>

#include "support/TempDir.h"

namespace modeltest {

namespace {

std::string Quoted(std::string const& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

constexpr char const* kTools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";

}  // namespace

std::string MissingFatTools() {
    for (char const* pszTool : {"mkfs.fat", "mcopy", "mmd", "mdel"})
        if (!testsupport::HaveTool(pszTool)) return std::string(pszTool) + " is not installed";
    return {};
}

CFat32Builder::CFat32Builder(std::string image, unsigned u32MiB) : m_image(std::move(image)) {
    Run("truncate -s " + std::to_string(u32MiB) + "M " + Quoted(m_image));
    Run("mkfs.fat -F 32 -n MODELTEST " + Quoted(m_image));
}

CFat32Builder& CFat32Builder::Put(std::string const& hostPath, std::string const& imagePath) {
    std::vector<std::string> folders;
    for (auto folder = std::filesystem::path(imagePath).parent_path(); folder != "/" && !folder.empty();
         folder = folder.parent_path())
        folders.insert(folders.begin(), folder.string());
    // mmd fails for a folder that exists: only the copy's own result counts.
    for (std::string const& folder : folders)
        testsupport::RunCommand(kTools + std::string("mmd -i ") + Quoted(m_image) + " " + Quoted("::" + folder) +
                                " >/dev/null 2>&1");
    Run(kTools + std::string("mcopy -i ") + Quoted(m_image) + " " + Quoted(hostPath) + " " + Quoted("::" + imagePath));
    return *this;
}

CFat32Builder& CFat32Builder::Delete(std::string const& imagePath) {
    Run(kTools + std::string("mdel -i ") + Quoted(m_image) + " " + Quoted("::" + imagePath));
    return *this;
}

void CFat32Builder::Run(std::string const& command) {
    if (m_error.empty() && testsupport::RunCommand(command + " >/dev/null 2>&1") != 0) m_error = command;
}

CExFatFuseMount::CExFatFuseMount(testsupport::TempDir const& temp, std::string const& image)
    : m_folder(temp.File("exfat-mount")) {
    for (char const* pszTool : {"mkfs.exfat", "mount.exfat-fuse"})
        if (!testsupport::HaveTool(pszTool)) {
            m_whyNot = std::string(pszTool) + " is not installed";
            return;
        }
    if (testsupport::RunCommand("truncate -s 32M '" + image + "' && mkfs.exfat '" + image + "' >/dev/null 2>&1") != 0) {
        m_whyNot = "mkfs.exfat failed";
        return;
    }
    if (m_whyNot = m_loop.Attach(image, 0, true); !m_whyNot.empty()) return;
    std::filesystem::create_directories(m_folder);
    if (testsupport::RunCommand("mount.exfat-fuse " + m_loop.Node() + " '" + m_folder + "' >/dev/null 2>&1") != 0) {
        m_whyNot = "FUSE mounts are not allowed here";
        return;
    }
    m_bMounted = true;
}

CExFatFuseMount::~CExFatFuseMount() {
    if (m_bMounted) testsupport::RunCommand("sync; umount '" + m_folder + "' >/dev/null 2>&1");
}

}  // namespace modeltest
