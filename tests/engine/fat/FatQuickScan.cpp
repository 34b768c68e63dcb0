#include "FatQuickScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/EngineEntryPoints.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDeviceData.h"
#include "engine/TreeBuilderSettings.h"
#include "engine/VolumeDescription.h"
#include "support/Sha256.h"

namespace fattest {

namespace {

/// The complete scan with the scanned type's searcher alone: the other searchers' trees would
/// only add noise and time.
void KeepOnlySearcher(_tagSearcherType eType) {
    EngineEntryPoints& table = GetEngineEntryPoints();
    if (eType != SEARCHER_TYPE_HFSPLUS) table.CreateHFSPlusSearcher = nullptr;
    if (eType != SEARCHER_TYPE_FAT) table.CreateFATSearcher = nullptr;
    if (eType != SEARCHER_TYPE_EXFAT) table.CreateEXFatSearcher = nullptr;
    if (eType != SEARCHER_TYPE_RAW) table.CreateRAWSearcher = nullptr;
    if (eType != SEARCHER_TYPE_NTFS) table.CreateNTFSSearcher = nullptr;
}

}  // namespace

FatQuickScan::FatQuickScan(std::string const& image, int iSectorSize, ScanKind eKind, _tagSearcherType eType)
    : m_eType(eType) {
    RegisterEngineSubsystems();
    bool const bComplete = eKind == ScanKind::Complete;
    if (bComplete) KeepOnlySearcher(eType);
    TreeBuilderSettings settings = GetDefaultTreeBuilderSettings();
    settings.u32RootShownPauseMs = 0;
    SetDefaultTreeBuilderSettings(settings);
    m_pDevice.reset(CreateVolumeDevice(image.c_str()));
    if (!m_pDevice || !m_pDevice->Open()) return;
    auto* pRecord = new CCollectedVolumeDeviceInfoStruct;
    // The device takes its sector size from the record; the description then reads through it.
    pRecord->s64SectorSize = iSectorSize;
    pRecord->s64TotalSectors = m_pDevice->GetTotalSectors() * m_pDevice->GetSectorSize() / iSectorSize;
    m_pDevice->SetPrivateData(CreateVolumeDeviceData(pRecord));
    recovery::DescribeVolume(m_pDevice.get(), "image", *pRecord);
    m_pFilter.reset(CreateFilter());
    m_pFilter->SetFilterTypes(63);
    m_pFilter->SetScanType(bComplete ? SCAN_TYPE_DEEP : SCAN_TYPE_QUICK_UNMOUNTED);
    m_pController.reset(
        CreateRecoveryController(bComplete ? RECOVERY_CONTROLLER_COMPLETE_VOLUME : RECOVERY_CONTROLLER_DELETED));
    m_pController->Initialize(m_pFilter.get());
    m_result = m_pController->StartDataRecovery(m_pDevice.get(), &m_progress, &m_sink);
    for (IFileNode* pNode : m_sink.Nodes()) {
        std::string path;
        for (IFileNode* p = pNode; p && p->GetParent(); p = p->GetParent())
            path = "/" + std::string(p->GetFileName()) + path;
        if (pNode->IsDirectory())
            m_folders[path] = pNode;
        else
            (pNode->IsDeleted() ? m_deleted : m_live)[path] = pNode;
    }
}

FatQuickScan::~FatQuickScan() {
    // The controller owns the tree; it goes before the device it was read from.
    m_pController.reset();
}

std::string FatQuickScan::Recover(IFileNode* pNode) {
    ReleasePtr<IDataRecovery> pRecovery(m_pController->GetDataRecovery(m_eType));
    if (!pRecovery) return {};
    ReleasePtr<IFileReader> pReader(pRecovery->SetRecoverNode(pNode));
    if (!pReader) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(pNode->GetFileSize()));
    std::size_t done = 0;
    while (done < bytes.size()) {
        unsigned int const u32Read =
            pReader->ReadData(static_cast<long long>(done), reinterpret_cast<char*>(bytes.data() + done),
                              static_cast<unsigned int>(std::min<std::size_t>(bytes.size() - done, 1 << 20)));
        if (u32Read == 0) return {};
        done += u32Read;
    }
    return testsupport::Sha256Hex(bytes);
}

RESULT FatQuickScan::CopyTo(IFileNode* pNode, std::string const& path) {
    ReleasePtr<IDataRecovery> pRecovery(m_pController->GetDataRecovery(m_eType));
    if (!pRecovery) return ~RESULT{0};
    ReleasePtr<IFileReader> pReader(pRecovery->SetRecoverNode(pNode));
    return pRecovery->RecoverTo(path.c_str(), nullptr, 0);
}

void ExpectEachRecovered(FatQuickScan& scan, std::map<std::string, IFileNode*> const& found,
                         std::map<std::string, Expected> const& expected, char const* pszState, bool bReadable) {
    for (auto const& [path, file] : expected) {
        SCOPED_TRACE(path);
        auto const it = found.find(path);
        ASSERT_NE(it, found.end()) << "not found " << pszState;
        EXPECT_EQ(it->second->GetFileSize(), file.s64Size);
        if (file.s64Size > 0) {
            EXPECT_EQ(scan.Recover(it->second), bReadable ? file.sha256 : std::string());
        }
    }
}

}  // namespace fattest
