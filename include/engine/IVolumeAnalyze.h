#pragma once
// Recognising the file system of a volume: one analyser per file system, and a controller that
// asks each in turn.
#include <cstdint>

class IStorageDevice;

class IVolumeAnalyze {
public:
    virtual ~IVolumeAnalyze() = default;
    /// A FileSystemType value; FILE_SYSTEM_UNRECOGNISED (9) when the volume is not of this
    /// analyser's file system.
    virtual std::uint32_t GetFileSystemType() = 0;
    /// The volume's length in the device's sectors, as its own boot record states it.
    virtual unsigned long long GetTotalSector() = 0;
    /// Copies the label (at most `iSize` bytes, NUL-terminated when it fits); empty when the
    /// file system keeps none.
    virtual void GetLabel(char* pszLabel, int iSize) = 0;
};

class IVolumeAnalyzeController {
public:
    virtual ~IVolumeAnalyzeController() = default;
    /// The first analyser (FAT, exFAT, NTFS, HFS+) that recognises the volume; null when none
    /// does. The controller keeps ownership.
    virtual IVolumeAnalyze* GetVolumeAnzlyzer() = 0;
    virtual void Release() = 0;
};

/// Asks every file system's analyser about the volume at sector `u64Start` of the device (not
/// owned, must outlive the controller). Never null; the caller releases it.
IVolumeAnalyzeController* CreateVolumeAnalyzeController(IStorageDevice* pDevice, unsigned long long u64Start);
