#include "ExFatImageScan.h"
#include <stdexcept>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/EngineEntryPoints.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDeviceData.h"
#include "engine/TreeBuilderSettings.h"
#include "engine/VolumeDescription.h"
#include "engine/exfat/ExFatEntry.h"
#include "engine/exfat/complete/ExFatCompleteSearch.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"
#include "support/ByteFields.h"
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

ImagePatch::ImagePatch(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    m_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::size_t ImagePatch::FindSet(std::u16string const& name) const {
    if (name.size() > exfat::kNameCharsPerEntry) return std::string::npos;
    // The name entry holds the characters from its byte 2, then zeros up to its 15th.
    std::vector<std::uint8_t> pattern;
    for (char16_t c : name + std::u16string(exfat::kNameCharsPerEntry - name.size(), u'\0')) {
        pattern.push_back(static_cast<std::uint8_t>(c));
        pattern.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    constexpr std::size_t kNameInSet = 2 * exfat::kEntrySize + 2;
    for (auto at = m_bytes.begin();
         (at = std::search(at, m_bytes.end(), pattern.begin(), pattern.end())) != m_bytes.end(); ++at) {
        auto const offset = static_cast<std::size_t>(at - m_bytes.begin());
        if (offset >= kNameInSet && offset % exfat::kEntrySize == 2 &&
            exfat::LiveType(m_bytes[offset - 2]) == exfat::kTypeName &&
            exfat::LiveType(m_bytes[offset - kNameInSet]) == exfat::kTypeFile)
            return offset - kNameInSet;
    }
    return std::string::npos;
}

void ImagePatch::Put(std::size_t offset, std::uint64_t value, int width) {
    engine::ByteWriter writer(m_bytes);
    testsupport::LeOfWidth(writer, offset, value, width);
    if (!writer.Ok()) throw std::out_of_range("a field outside the image");
}

void ImagePatch::Seal(std::size_t offset) {
    std::size_t const length = (1 + std::size_t{m_bytes.at(offset + 1)}) * exfat::kEntrySize;
    if (offset + length > m_bytes.size()) return;
    Put(offset + 2, exfat::EntrySetChecksum(engine::ByteView(m_bytes.data() + offset, length)), 2);
}

bool ImagePatch::Save(std::string const& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(m_bytes.data()), static_cast<std::streamsize>(m_bytes.size()));
    return static_cast<bool>(out);
}

ImageScan::ImageScan(std::string const& devicePath, ScanKind kind) {
    RegisterExFat();
    TreeBuilderSettings settings = GetDefaultTreeBuilderSettings();
    settings.u32RootShownPauseMs = 0;
    SetDefaultTreeBuilderSettings(settings);

    m_pFilter.reset(CreateFilter());
    m_pFilter->SetFilterTypes(FILTER_TYPE_ALL);
    bool const bOpened = kind == ScanKind::Quick ? OpenQuick(devicePath) : OpenComplete(devicePath);
    if (!bOpened) {
        m_error = "cannot open " + devicePath;
        return;
    }
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

bool ImageScan::OpenQuick(std::string const& devicePath) {
    m_pDevice.reset(CreateVolumeDevice(devicePath.c_str()));
    if (!m_pDevice || !m_pDevice->Open()) return false;
    auto* pRecord = new CCollectedVolumeDeviceInfoStruct;
    recovery::DescribeVolume(m_pDevice.get(), "Disk", *pRecord);
    m_pDevice->SetPrivateData(CreateVolumeDeviceData(pRecord));
    m_pFilter->SetScanType(SCAN_TYPE_QUICK_UNMOUNTED);
    m_pController.reset(CreateRecoveryController(RECOVERY_CONTROLLER_DELETED));
    return true;
}

bool ImageScan::OpenComplete(std::string const& devicePath) {
    m_pDevice.reset(CreateDiskDevice(devicePath.c_str()));
    if (!m_pDevice || !m_pDevice->Open()) return false;
    // The exFAT searcher alone: what is found and copied is its own doing.
    EngineEntryPoints& entries = GetEngineEntryPoints();
    entries.CreateHFSPlusSearcher = nullptr;
    entries.CreateFATSearcher = nullptr;
    entries.CreateRAWSearcher = nullptr;
    entries.CreateNTFSSearcher = nullptr;
    entries.CreateEXFatSearcher = [this]() -> ICompleteFileSystemSearchController* {
        m_pCompleteSearcher = new CExFatCompleteSearch();
        return m_pCompleteSearcher;
    };
    m_pFilter->SetScanType(SCAN_TYPE_DEEP);
    m_pController.reset(CreateRecoveryController(RECOVERY_CONTROLLER_COMPLETE_DISK));
    return true;
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
