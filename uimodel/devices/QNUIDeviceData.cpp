#include "uimodel/devices/QNUIDeviceData.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "engine/IStorageDevice.h"
#include "platform/SameDevice.h"
#include "platform/VolumeLabel.h"
#include "uimodel/devices/DiskImageCheck.h"
#include "uimodel/support/Seams.h"

namespace uimodel {

namespace {

// Published GPT partition type GUIDs in on-disk byte order (first three fields little-endian).
// EFI System C12A7328-F81F-11D2-BA4B-00A0C93EC93B; Apple Boot 426F6F74-0000-11AA-AA11-00306543ECAC.
constexpr std::array<std::uint8_t, 16> kEfiSystemGuid{0x28, 0x73, 0x2A, 0xC1, 0x1F, 0xF8, 0xD2, 0x11,
                                                      0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B};
constexpr std::array<std::uint8_t, 16> kAppleBootGuid{0x74, 0x6F, 0x6F, 0x42, 0x00, 0x00, 0xAA, 0x11,
                                                      0xAA, 0x11, 0x00, 0x30, 0x65, 0x43, 0xEC, 0xAC};

/// A record's text field, which may lack its terminator.
template <std::size_t N>
std::string Text(char const (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

std::int64_t Capacity(std::int64_t s64Sectors, std::int64_t s64SectorSize) {
    std::int64_t s64Bytes = 0;
    if (s64Sectors < 0 || s64SectorSize < 0 || __builtin_mul_overflow(s64Sectors, s64SectorSize, &s64Bytes)) return 0;
    return s64Bytes;
}

/// The devices a counting call and a filling call hand out; empty when either fails. An
/// enumeration that grew between the calls answers "too small" and gives nothing.
template <class Enumerate>
bool Collect(Enumerate enumerate, std::vector<IStorageDevice*>& devices) {
    devices.clear();
    int iCount = 0;
    if (Failed(enumerate(nullptr, iCount)) || iCount <= 0) return iCount == 0;
    std::vector<IStorageDevice*> array(static_cast<std::size_t>(iCount), nullptr);
    if (Failed(enumerate(array.data(), iCount))) return false;
    array.resize(static_cast<std::size_t>(std::clamp(iCount, 0, static_cast<int>(array.size()))));
    std::erase(array, nullptr);
    devices = std::move(array);
    return true;
}

}  // namespace

QNUIDeviceData::QNUIDeviceData(IEnumDeviceEx* pEnumerator)
    : m_pEnumerator(pEnumerator ? pEnumerator : CreateEnumDeviceEx()) {}

QNUIDeviceData& QNUIDeviceData::instance() {
    static QNUIDeviceData s_devices;
    return s_devices;
}

void QNUIDeviceData::InitDeviceInfo() {
    m_iInitState = DEVICE_INIT_STARTED;
    RESULT result = m_pEnumerator ? m_pEnumerator->Init() : MakeResult(kModuleEnumDevice, 0, kCodeEnumNotInitialised);
    m_imageDisks.clear();
    if (m_pImages && Succeeded(m_pImages->Init())) {
        Collect([this](IStorageDevice** pp, int& n) { return m_pImages->EnumDiskDevice(pp, n); }, m_imageDisks);
        // A machine without a disk of its own (a container) still lists the images.
        if (!m_imageDisks.empty()) result = kResultSuccess;
    }
    m_initResult = result;
    if (Failed(result)) {
        m_disks.clear();
        m_volumes.clear();
        m_iInitState = DEVICE_INIT_FAILED;
        return;
    }
    GetDiskStorageMap(1);
    GetVolumeStorageMap(1);
    ParkListedDevices();
    m_iInitState = DEVICE_INIT_READY;
}

void QNUIDeviceData::Clear() {
    if (m_iInitState != DEVICE_INIT_READY) return;
    m_disks.clear();
    m_volumes.clear();
    m_imageDisks.clear();
    m_pEnumerator->Uninit();
    if (m_pImages) m_pImages->Uninit();
}

void QNUIDeviceData::AddDiskImage(std::string const& path) {
    if (DiskIndexOfImage(path) >= 0) return;
    for (std::string const& listed : m_imagePaths)
        if (SameFile(listed, path)) return;
    m_imagePaths.push_back(path);
    if (m_pImages) m_pImages->Uninit();
    m_imageDisks.clear();
    m_pImages.reset(CreateImageEnumDeviceEx(m_imagePaths));
}

int QNUIDeviceData::DiskIndexOfImage(std::string const& path) const {
    // Every listed disk: an image the system has attached (a loop device serving the file) is
    // listed by the machine's enumerator already, under the file's name.
    for (auto const& entry : m_disks) {
        CCollectDiskDeviceInfoStruct const* pInfo = GetDiskInfo(entry.second);
        if (!pInfo) continue;
        std::string const devicePath = Text(pInfo->szDevicePath);
        if (SameFile(devicePath, path) || platform::IsFileTheDevice(path, devicePath)) return entry.first;
    }
    return -1;
}

void QNUIDeviceData::ParkListedDevices() const {
    for (auto const& entry : m_disks) entry.second->IOCtl(kIoCtlParkNode, nullptr);
    for (auto const& entry : m_volumes)
        for (IStorageDevice* pVolume : entry.second) pVolume->IOCtl(kIoCtlParkNode, nullptr);
}

IEnumDeviceEx* QNUIDeviceData::EnumeratorOf(IStorageDevice const* pDisk) const {
    if (std::find(m_imageDisks.begin(), m_imageDisks.end(), pDisk) != m_imageDisks.end()) return m_pImages.get();
    return m_pEnumerator;
}

void QNUIDeviceData::GetDiskStorageMap(int iForce) {
    if (!iForce && !m_disks.empty()) return;
    if (!m_pEnumerator) return;
    m_disks.clear();
    std::vector<IStorageDevice*> disks;
    Collect([this](IStorageDevice** pp, int& n) { return m_pEnumerator->EnumDiskDevice(pp, n); }, disks);
    disks.insert(disks.end(), m_imageDisks.begin(), m_imageDisks.end());
    for (std::size_t i = 0; i < disks.size(); ++i) m_disks[static_cast<int>(i)] = disks[i];
}

void QNUIDeviceData::GetVolumeStorageMap(int iForce) {
    if (!iForce && !m_volumes.empty()) return;
    if (!m_pEnumerator) return;
    m_volumes.clear();
    for (auto const& entry : m_disks) {
        IStorageDevice* const pDisk = entry.second;  // a named copy: clang 14 captures no structured binding
        std::vector<IStorageDevice*> volumes;
        IEnumDeviceEx* const pEnumerator = EnumeratorOf(pDisk);
        auto const enumerate = [pEnumerator, pDisk](IStorageDevice** pp, int& n) {
            return pEnumerator->EnumVolumeDevice(pDisk, pp, n);
        };
        if (Collect(enumerate, volumes)) m_volumes[pDisk] = std::move(volumes);
    }
}

void QNUIDeviceData::GetAllDeviceInfo(std::vector<_DiskVolumeData>& rows) const {
    if (!m_pEnumerator) return;
    for (auto const& [iIndex, pDisk] : m_disks) {
        _DiskVolumeData row;
        if (!GetDiskDataByStorage(pDisk, row)) continue;
        GetDiskVolumeInfo(pDisk, row.children);
        for (_DiskVolumeData& volume : row.children) volume.devicePath = row.devicePath;
        rows.push_back(std::move(row));
    }
}

bool QNUIDeviceData::GetDiskDataByStorage(IStorageDevice* pDisk, _DiskVolumeData& row) const {
    if (!GetDiskDataByDiskInfo(GetDiskInfo(pDisk), row)) return false;
    row.iDiskIndex = GetDiskIndexByStorage(pDisk);
    return true;
}

void QNUIDeviceData::GetDiskVolumeInfo(IStorageDevice* pDisk, std::vector<_DiskVolumeData>& rows) const {
    auto const found = m_volumes.find(pDisk);
    if (found == m_volumes.end()) return;
    for (IStorageDevice* pVolume : found->second) {
        _DiskVolumeData row;
        if (GetVolumeDataByStorage(pVolume, row)) rows.push_back(std::move(row));
    }
}

bool QNUIDeviceData::GetVolumeDataByStorage(IStorageDevice* pVolume, _DiskVolumeData& row) const {
    if (!GetVolumeDataByVolumeInfo(GetVolumeInfo(pVolume), row)) return false;
    GetDiskVolumeIndexByStorage(pVolume, row.iDiskIndex, row.iVolumeIndex);
    return true;
}

bool QNUIDeviceData::GetDiskDataByDiskInfo(CCollectDiskDeviceInfoStruct const* pInfo, _DiskVolumeData& row) {
    if (!pInfo || pInfo->u32State != 0) return false;
    row.name = Text(pInfo->szName);
    row.secondName = Text(pInfo->szBsdName);
    row.devicePath = Text(pInfo->szDevicePath);
    row.s64Capacity = Capacity(pInfo->s64TotalSectors, pInfo->s64SectorSize);
    row.s64Used = 0;
    row.iIsDiskImage = pInfo->u32BusType == DISK_BUS_VIRTUAL ? 1 : 0;
    row.iIsUSB = pInfo->u32BusType == DISK_BUS_USB ? 1 : 0;
    return true;
}

bool QNUIDeviceData::GetVolumeDataByVolumeInfo(CCollectedVolumeDeviceInfoStruct const* pInfo,
                                               _DiskVolumeData& row) const {
    if (!pInfo || pInfo->u32State != 0 || !IsSupportVolume(pInfo)) return false;
    row.name = Text(pInfo->szVolumeName);
    if (row.name.empty()) row.name = Text(pInfo->szLabel);
    if (row.name.empty()) row.name = GetSeams().pStrings->Text("DEVICE_NAME_UNTITILED");
    row.secondName.clear();
    row.s64Capacity = Capacity(pInfo->s64TotalSectors, pInfo->s64SectorSize);
    row.s64Used = 0;
    row.iFileSystem = static_cast<int>(pInfo->u32FileSystemType);
    return true;
}

IStorageDevice* QNUIDeviceData::GetStorageByDiskVolumeIndex(int iDisk, int iVolume) const {
    if (iDisk == -1) return nullptr;
    IStorageDevice* pDisk = GetDiskStorageByIndex(iDisk);
    if (iVolume == -1) return pDisk;
    return GetVolumeStorageByIndex(pDisk, iVolume);
}

IStorageDevice* QNUIDeviceData::GetDiskStorageByIndex(int iDisk) const {
    auto const found = m_disks.find(iDisk);
    return found == m_disks.end() ? nullptr : found->second;
}

IStorageDevice* QNUIDeviceData::GetVolumeStorageByIndex(IStorageDevice* pDisk, int iVolume) const {
    if (!pDisk || iVolume < 0) return nullptr;
    auto const found = m_volumes.find(pDisk);
    if (found == m_volumes.end() || static_cast<std::size_t>(iVolume) >= found->second.size()) return nullptr;
    return found->second[static_cast<std::size_t>(iVolume)];
}

bool QNUIDeviceData::GetDiskVolumeIndexByStorage(IStorageDevice* pDevice, int& iDisk, int& iVolume) const {
    iDisk = -1;
    iVolume = -1;
    if (!pDevice) return false;
    if (int const iIndex = GetDiskIndexByStorage(pDevice); iIndex >= 0) {
        iDisk = iIndex;
        return true;
    }
    IStorageDevice* pDisk = GetDiskStorageByVolumeStorage(pDevice);
    if (!pDisk) return false;
    iDisk = GetDiskIndexByStorage(pDisk);
    iVolume = GetVolumeIndexByStorage(pDisk, pDevice);
    return true;
}

int QNUIDeviceData::GetDiskIndexByStorage(IStorageDevice* pDisk) const {
    if (!pDisk) return -1;
    auto const found =
        std::find_if(m_disks.begin(), m_disks.end(), [pDisk](auto const& entry) { return entry.second == pDisk; });
    return found == m_disks.end() ? -1 : found->first;
}

IStorageDevice* QNUIDeviceData::GetDiskStorageByVolumeStorage(IStorageDevice* pVolume) const {
    if (!pVolume) return nullptr;
    for (auto const& [pDisk, volumes] : m_volumes)
        if (std::find(volumes.begin(), volumes.end(), pVolume) != volumes.end()) return pDisk;
    return nullptr;
}

int QNUIDeviceData::GetVolumeIndexByStorage(IStorageDevice* pDisk, IStorageDevice* pVolume) const {
    auto const found = m_volumes.find(pDisk);
    if (found == m_volumes.end()) return -1;
    auto const it = std::find(found->second.begin(), found->second.end(), pVolume);
    return it == found->second.end() ? -1 : static_cast<int>(it - found->second.begin());
}

bool QNUIDeviceData::IsDiskStorage(IStorageDevice* pDevice) const { return pDevice && m_volumes.count(pDevice) != 0; }

void QNUIDeviceData::GetDiskVolumeStorage(IStorageDevice* pDisk, std::vector<IStorageDevice*>& volumes) const {
    auto const found = m_volumes.find(pDisk);
    if (found != m_volumes.end()) volumes = found->second;
}

std::string QNUIDeviceData::MediumIdOf(IStorageDevice* pDevice) {
    if (CCollectDiskDeviceInfoStruct const* pDisk = GetDiskInfo(pDevice))
        return platform::ReadMediumId(Text(pDisk->szDevicePath), 0, 0, true);
    CCollectedVolumeDeviceInfoStruct const* pVolume = GetVolumeInfo(pDevice);
    if (!pVolume) return {};
    std::string const node = Text(pVolume->szDevicePath);
    if (!node.empty()) return platform::ReadMediumId(node, 0, 0, false);
    // A volume the partition table describes: its bytes on the disk's node.
    CCollectDiskDeviceInfoStruct const* pParent = GetDiskInfo(pVolume->pParentDisk);
    std::uint64_t u64Offset = 0, u64Size = 0;
    if (!pParent || pParent->s64SectorSize <= 0 || pVolume->s64SectorSize <= 0 || pVolume->s64TotalSectors < 0 ||
        __builtin_mul_overflow(pVolume->u64StartSector, static_cast<std::uint64_t>(pParent->s64SectorSize),
                               &u64Offset) ||
        __builtin_mul_overflow(static_cast<std::uint64_t>(pVolume->s64TotalSectors),
                               static_cast<std::uint64_t>(pVolume->s64SectorSize), &u64Size))
        return {};
    return platform::ReadMediumId(Text(pParent->szDevicePath), u64Offset, u64Size, false);
}

CCollectDiskDeviceInfoStruct* QNUIDeviceData::GetDiskInfo(IStorageDevice* pDevice) {
    auto* pData = pDevice ? dynamic_cast<IDiskDeviceData*>(pDevice->GetPrivateData()) : nullptr;
    return pData ? pData->GetDiskInfo() : nullptr;
}

CCollectedVolumeDeviceInfoStruct* QNUIDeviceData::GetVolumeInfo(IStorageDevice* pDevice) {
    auto* pData = pDevice ? dynamic_cast<IVolumeDeviceData*>(pDevice->GetPrivateData()) : nullptr;
    return pData ? pData->GetVolumeInfo() : nullptr;
}

bool QNUIDeviceData::IsSupportVolume(CCollectedVolumeDeviceInfoStruct const* pInfo) {
    if (!pInfo) return false;
    if (!pInfo->pParentDisk) return true;
    CCollectDiskDeviceInfoStruct const* pDisk = GetDiskInfo(pInfo->pParentDisk);
    if (!pDisk) return true;
    if (pDisk->u32PartitionScheme == PARTITION_SCHEME_APM) {
        std::string const type = Text(pInfo->szApmPartitionType);
        return type != "Apple_partition_map" && type != "Apple_Free";
    }
    if (pDisk->u32PartitionScheme == PARTITION_SCHEME_GPT) {
        auto const matches = [pInfo](auto const& guid) {
            return std::memcmp(pInfo->partitionTypeGuid, guid.data(), guid.size()) == 0;
        };
        return !matches(kEfiSystemGuid) && !matches(kAppleBootGuid);
    }
    return true;
}

bool QNUIDeviceData::IsVolumeStorageSupported(IStorageDevice* pVolume) {
    return IsSupportVolume(GetVolumeInfo(pVolume));
}

}  // namespace uimodel
