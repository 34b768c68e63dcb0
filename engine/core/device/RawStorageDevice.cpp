#include "engine/core/device/RawStorageDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <span>
#include <utility>
#include <vector>

#include "engine/ByteView.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/partition/ImageSectorSize.h"
#include "engine/core/util/EngineAssert.h"

CRawStorageDevice::CRawStorageDevice(std::string path, StorageDeviceType type,
                                     engine::RecordGeometryReader pReadGeometry)
    : CStorageDeviceBase(type, pReadGeometry, platform::CRawDevice::kImageSectorSize, 0), m_path(std::move(path)) {}

int CRawStorageDevice::Open() {
    ClearResult();
    std::lock_guard lock(m_unpark);
    m_bParked = false;
    int iError = m_device.Open(m_path);
    if (iError != 0) {
        // A missing node is an ordinary answer while devices come and go; anything else is news.
        if (iError != ENOENT) {
            std::fprintf(stderr, "open failed:%d\n", iError);
            std::fflush(stderr);
        }
        return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeIoFailure));
    }
    m_u32SectorSize = m_device.SectorSize();
    m_s64TotalSectors = m_device.TotalSectors();
    if (m_device.IsImageFile()) TakeImageSectorSize();
    return 1;
}

void CRawStorageDevice::TakeImageSectorSize() {
    std::vector<std::uint8_t> head(partition::kImageSectorSizeProbeBytes);
    auto read = m_device.Read(0, head);
    if (!read) return;
    head.resize(*read);
    // The tail holds the backup GPT header, which tells the sector size when the primary is lost.
    std::uint64_t const u64ImageBytes = static_cast<std::uint64_t>(std::max<std::int64_t>(m_device.TotalSectors(), 0)) *
                                        platform::CRawDevice::kImageSectorSize;
    std::vector<std::uint8_t> tail(std::min<std::uint64_t>(partition::kImageSectorSizeTailBytes, u64ImageBytes));
    auto const tailRead = m_device.Read(u64ImageBytes - tail.size(), tail);
    tail.resize(tailRead ? *tailRead : 0);
    std::uint32_t const u32SectorSize =
        partition::ImageSectorSize(engine::ByteView(head), engine::ByteView(tail), u64ImageBytes);
    // The image's length in 512-byte sectors, rounded down to whole sectors of the new size.
    m_s64TotalSectors = m_device.TotalSectors() / (u32SectorSize / platform::CRawDevice::kImageSectorSize);
    m_u32SectorSize = u32SectorSize;
}

int CRawStorageDevice::IOCtl(unsigned long long u64Request, void* pArgument) {
    if (u64Request != kIoCtlParkNode) return CStorageDeviceBase::IOCtl(u64Request, pArgument);
    ClearResult();
    std::lock_guard lock(m_unpark);
    if (!m_device.IsOpen()) return 0;
    m_device.Park();
    m_bParked = true;
    return 1;
}

bool CRawStorageDevice::Unpark() {
    if (!m_bParked.load(std::memory_order_acquire)) return true;
    std::lock_guard lock(m_unpark);
    if (!m_bParked.load(std::memory_order_relaxed)) return true;
    if (!m_device.Reopen()) return false;
    m_bParked.store(false, std::memory_order_release);
    return true;
}

int CRawStorageDevice::Close() {
    ClearResult();
    std::lock_guard lock(m_unpark);
    bool const bParked = m_bParked.exchange(false);
    bool const bHeld = m_device.IsOpen() || bParked;
    m_device.Close();
    return bHeld ? 1 : 0;
}

int CRawStorageDevice::ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) {
    ClearResult();
    if (!ENGINE_PRECONDITION(pBuffer != nullptr)) return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeBadArgument));
    if (s64Count <= 0 || s64FirstSector < 0) return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeBadArgument));
    if (m_s64TotalSectors > 0 && s64FirstSector >= m_s64TotalSectors)
        return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeBadArgument));

    auto const u64SectorSize = std::uint64_t{m_u32SectorSize};
    auto u64Offset = engine::CheckedMul(static_cast<std::uint64_t>(s64FirstSector), u64SectorSize);
    auto u64Size = engine::CheckedMul(static_cast<std::uint64_t>(s64Count), u64SectorSize);
    auto u64End = u64Offset && u64Size ? engine::CheckedAdd(*u64Offset, *u64Size) : std::nullopt;
    if (!u64End || *u64End > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ||
        *u64Size > std::numeric_limits<std::size_t>::max())
        return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeBadArgument));

    std::span<std::uint8_t> buffer(static_cast<std::uint8_t*>(pBuffer), static_cast<std::size_t>(*u64Size));
    if (!Unpark()) return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeIoFailure));
    auto read = m_device.Read(*u64Offset, buffer);
    if (!read || *read == 0) return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeIoFailure));
    // The device ended inside the request: callers get whole sectors, so the rest reads as zeros.
    std::memset(buffer.data() + *read, 0, buffer.size() - *read);
    return 1;
}
