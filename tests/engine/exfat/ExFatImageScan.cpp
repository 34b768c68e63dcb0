#include "ExFatImageScan.h"

#include <cstdlib>
#include <filesystem>

#include "engine/IFileReader.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/enumerate/VolumeDescription.h"
#include "engine/core/tree/TreeBuilderSettings.h"
#include "engine/exfat/ExFatEntry.h"
#include "support/Sha256.h"

namespace exfattest {

namespace {

std::string PathOf(IFileNode* pNode) {
    std::string path;
    // The root has no parent; every other ancestor adds its name.
    for (IFileNode* pAt = pNode; pAt != nullptr && pAt->GetParent() != nullptr; pAt = pAt->GetParent())
        path = "/" + std::string(pAt->GetFileName() ? pAt->GetFileName() : "") + path;
    return path;
}

}  // namespace

std::string ImageFolder() {
    char const* pszTmp = std::getenv("QUORIN_TEST_TMP");
    if (pszTmp == nullptr || *pszTmp == '\0') return {};
    std::string const folder = std::string(pszTmp) + "/exfat-images";
    return std::filesystem::exists(folder + "/exfat_4k.manifest") ? folder : std::string();
}

ImageScan::ImageScan(std::string const& devicePath) {
    RegisterExFat();
    TreeBuilderSettings settings = GetDefaultTreeBuilderSettings();
    settings.u32RootShownPauseMs = 0;
    SetDefaultTreeBuilderSettings(settings);

    m_pDevice.reset(CreateVolumeDevice(devicePath.c_str()));
    if (!m_pDevice || !m_pDevice->Open()) {
        m_error = "cannot open " + devicePath;
        return;
    }
    auto* pRecord = new CCollectedVolumeDeviceInfoStruct;
    recovery::DescribeVolume(m_pDevice.get(), "Disk", *pRecord);
    m_pDevice->SetPrivateData(CreateVolumeDeviceData(pRecord));

    m_pFilter.reset(CreateFilter());
    m_pFilter->SetFilterTypes(FILTER_TYPE_ALL);
    m_pFilter->SetScanType(SCAN_TYPE_QUICK_UNMOUNTED);
    m_pController.reset(CreateRecoveryController(RECOVERY_CONTROLLER_DELETED));
    m_pController->Initialize(m_pFilter.get());
    RESULT const result = m_pController->StartDataRecovery(m_pDevice.get(), &m_progress, &m_sink);
    if (Failed(result)) {
        m_error = "scan failed";
        return;
    }
    for (IFileNode* pNode : m_sink.Nodes()) m_nodes.emplace(PathOf(pNode), pNode);
    m_pCopyOut.reset(m_pController->GetDataRecovery(SEARCHER_TYPE_EXFAT));
    if (!m_pCopyOut) m_error = "no copy-out for exFAT";
}

ImageScan::~ImageScan() {
    m_pCopyOut.reset();
    m_pController.reset();
}

IFileNode* ImageScan::Find(std::string const& path) const {
    auto const range = m_nodes.equal_range(path);
    if (range.first == range.second || std::next(range.first) != range.second) return nullptr;
    return range.first->second;
}

std::string ImageScan::CopyOutHash(IFileNode* pNode, std::string const& destination) {
    if (!m_pCopyOut || pNode == nullptr) return {};
    ReleasePtr<IFileReader> pReader(m_pCopyOut->SetRecoverNode(pNode));
    if (!pReader || Failed(m_pCopyOut->RecoverTo(destination.c_str(), nullptr, 0))) return {};
    return testsupport::Sha256OfFile(destination);
}

}  // namespace exfattest
