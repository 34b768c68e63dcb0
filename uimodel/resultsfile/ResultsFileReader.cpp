#include "uimodel/resultsfile/ResultsFileReader.h"

#include "engine/IRSData.h"
#include "engine/IRecoveryController.h"
#include "uimodel/resultsfile/FrameCursor.h"
#include "uimodel/resultsfile/ResultsFileLayout.h"

namespace uimodel::resultsfile {

bool ReadHeader(IRSData& archive) {
    FILEHEADER header;
    try {
        return archive.ReadFileHeader(header) && archive.GetStatus() != FILE_STATUS_NONE;
    } catch (IRSException const&) {
        return false;  // a status of 5 or more
    }
}

std::optional<StoredController> ReadControllerFrame(IRSData& archive) {
    archive.OpenFrame(kFrameSearchControllerList);
    CFrameCursor cursor(archive);
    std::uint32_t u32Length = 0;
    StoredController stored;
    if (!cursor.TakeU32(u32Length) || u32Length != kControllerFrameLength || !cursor.TakeU32(stored.u32Type) ||
        !cursor.TakeU32(stored.u32Deep) || stored.u32Type > RECOVERY_CONTROLLER_COMPLETE_DISK)
        return std::nullopt;
    archive.CloseFrame();
    return stored;
}

std::optional<_DiskVolumeData> ReadDeviceFrame(IRSData& archive) {
    archive.OpenFrame(kFrameDiskDevice);
    CFrameCursor cursor(archive);
    std::uint64_t u64Capacity = 0;
    std::uint32_t u32Disk = 0, u32Volume = 0, u32FileSystem = 0, u32NameLength = 0;
    _DiskVolumeData row;
    if (!cursor.TakeU64(u64Capacity) || !cursor.TakeU32(u32Disk) || !cursor.TakeU32(u32Volume) ||
        !cursor.TakeU32(u32FileSystem) || !cursor.TakeU32(u32NameLength) || u32NameLength > kMaxDeviceName ||
        !cursor.TakeText(u32NameLength, row.name))
        return std::nullopt;
    archive.CloseFrame();
    row.s64Capacity = static_cast<std::int64_t>(u64Capacity);
    row.iDiskIndex = static_cast<int>(u32Disk);
    row.iVolumeIndex = static_cast<int>(u32Volume);
    row.iFileSystem = static_cast<int>(u32FileSystem);
    return row;
}

namespace {

// A frame that holds one text (a 32-bit length, then the bytes): "" when the file was saved
// without it, nullopt when it is damaged.
std::optional<std::string> ReadOptionalTextFrame(IRSData& archive, tagGUIDSIGN const& frame, std::size_t maxLength) {
    try {
        archive.OpenFrame(frame);
    } catch (IRSException const&) {
        return std::string();  // saved without one
    }
    try {
        CFrameCursor cursor(archive);
        std::uint32_t u32Length = 0;
        std::string text;
        if (!cursor.TakeU32(u32Length) || u32Length == 0 || u32Length > maxLength || !cursor.TakeText(u32Length, text))
            return std::nullopt;
        archive.CloseFrame();
        return text;
    } catch (IRSException const&) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<std::string> ReadMediumIdFrame(IRSData& archive) {
    return ReadOptionalTextFrame(archive, kFrameMediumId, kMaxMediumId);
}

std::string ReadDiskNameFrame(IRSData& archive) {
    return ReadOptionalTextFrame(archive, kFrameDiskName, kMaxDeviceName).value_or(std::string());
}

}  // namespace uimodel::resultsfile
