#include "ModelScan.h"

#include <cstdlib>
#include <filesystem>

#include "FatTestImages.h"
#include "engine/EngineEntryPoints.h"
#include "engine/core/recovery/FileTypeManager.h"
#include "uimodel/FileTypeList.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/support/NodeNames.h"

namespace modeltest {

void PrepareEngine() {
    static bool const s_bDone = [] {
        RegisterEngineSubsystems();
        auto lists = filetypes::ReadFileTypeList(QUORIN_FILETYPE_LIST);
        lists.erase(FILTER_TYPE_OTHER);
        CFileTypeManager::Initialze(lists);
        return true;
    }();
    (void)s_bDone;
}

void RecordingScan::ShowFilesystemNode(IFilesystemNode* pRoot) {
    statusAtRoot.push_back(GetStatus());
    if (bPauseAtFirstRoot && statusAtRoot.size() == 1) PauseOrResumeOperation();
    QNUIScan::ShowFilesystemNode(pRoot);
}

void RecordingScan::UpdateProgress(_PROGRESS_INFO* pInfo) {
    QNUIScan::UpdateProgress(pInfo);
    if (pInfo) progressRecords.push_back({pInfo->u32State, pInfo->u64Done, pInfo->u64Error, GetStatus()});
}

void RecordingScan::OnReleasingResults() {
    std::size_t u64Filed = GetFileSystemNode().size() + GetFolderList().size();
    for (auto const& [eType, nodes] : GetTypeMap()) u64Filed += nodes.size();
    for (uimodel::DateMap const& map : {GetCreateTimeMap(), GetModifyTimeMap(), GetAccessTimeMap()})
        u64Filed += map.size();
    filedAtRelease.push_back(u64Filed);
}

ModelScan::ModelScan(std::vector<std::string> const& images)
    : pEnumerator(CreateImageEnumDeviceEx(images)), devices(pEnumerator.get()), scan(&devices) {
    devices.InitDeviceInfo();
}

RESULT ModelScan::Run(IStorageDevice* pDevice, bool bDeep, std::function<void()> const& whileRunning) {
    scan.SetDeepScan(bDeep ? 1 : 0);
    scan.SetStatus(uimodel::OPERATION_RUNNING);
    RESULT result = ~RESULT{0};
    uimodel::CJobThread job;
    job.Start([&] { result = scan.DoScan(pDevice, nullptr); });
    if (whileRunning) whileRunning();
    job.Join();
    return result;
}

std::set<std::string> FiledFiles(uimodel::QNUIScan const& scan) {
    std::set<std::string> files;
    for (auto const& [eType, nodes] : scan.GetTypeMap())
        for (IFileNode* pNode : nodes) {
            std::string path = uimodel::GetPathByFileNode(pNode);
            path.erase(0, path.find('/', 1));  // the volume's own name
            files.insert(path + (pNode->IsDeleted() ? " (deleted)" : ""));
        }
    return files;
}

IFileNode* FindFile(uimodel::QNUIScan const& scan, std::string const& name) {
    for (auto const& [eType, nodes] : scan.GetTypeMap())
        for (IFileNode* pNode : nodes)
            if (pNode->GetFileName() && name == pNode->GetFileName()) return pNode;
    return nullptr;
}

std::string FatFolder() { return fattest::ImagesDir(); }

namespace {

/// QUORIN_TEST_TMP's `name` folder when its fixture wrote `manifest` there, else empty.
std::string FixtureFolder(char const* pszName, char const* pszManifest) {
    char const* pszTmp = std::getenv("QUORIN_TEST_TMP");
    std::string const folder = std::string(pszTmp ? pszTmp : "") + "/" + pszName;
    return pszTmp && std::filesystem::exists(folder + "/" + pszManifest) ? folder : std::string();
}

}  // namespace

std::string ExFatFolder() { return FixtureFolder("exfat-images", "exfat_4k.manifest"); }

std::string NtfsFolder() { return FixtureFolder("ntfs-images", "ntfs_4k.manifest"); }

std::set<std::string> Expected(std::string const& stem) {
    std::set<std::string> files;
    for (auto const& [path, e] : fattest::ReadFiles(stem + ".manifest")) files.insert(path);
    for (auto const& [path, e] : fattest::ReadFiles(stem + ".deleted")) files.insert(path + " (deleted)");
    return files;
}

}  // namespace modeltest
