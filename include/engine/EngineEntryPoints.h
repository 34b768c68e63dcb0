#pragma once
// Calls from the engine core into the file-system subsystems. They are gathered in this one
// table so that the core builds and runs on its own: each subsystem fills its entries when it
// starts, and an empty entry means "not available", on which the caller takes its failure
// path. Tests fill entries with fakes.
#include <cstdint>
#include <functional>
#include <memory>

#include "engine/ByteView.h"
#include "engine/Types.h"

class ICompleteFileSystemSearchController;
class IFileNode;
class IFileReader;
class IQuickFileSystemSearchController;
class IStorageDevice;
class IVolumeAnalyze;
namespace hfsplus {
class CHFSPlusVolume;
}

struct EngineEntryPoints {
    /// NTFS: copies the value of a file's unnamed resident data attribute into `pDestination`
    /// (at most `u32Capacity` bytes) and stores the value's full size in `u32ValueSize`; false
    /// when it cannot. The FILE record is the node's own when `pNode` is an NTFS node,
    /// otherwise the one at sector `s64RecordSector` of the device.
    std::function<bool(IStorageDevice* pDevice, IFileNode* pNode, long long s64RecordSector, std::uint8_t* pDestination,
                       std::uint32_t u32Capacity, std::uint32_t& u32ValueSize)>
        GetResidentDataRunsStream;

    // Searchers. Each makes a new searcher that the caller owns and deletes; null when it cannot.
    using CompleteSearcherFactory = std::function<ICompleteFileSystemSearchController*()>;
    using QuickSearcherFactory = std::function<IQuickFileSystemSearchController*()>;
    CompleteSearcherFactory CreateHFSPlusSearcher;
    CompleteSearcherFactory CreateEXFatSearcher;
    CompleteSearcherFactory CreateFATSearcher;
    CompleteSearcherFactory CreateRAWSearcher;  // the signature search
    CompleteSearcherFactory CreateNTFSSearcher;
    QuickSearcherFactory CreateFATQuickSearcher;
    QuickSearcherFactory CreateNTFSQuickSearcher;
    QuickSearcherFactory CreateEXFatQuickSearcher;
    QuickSearcherFactory CreateHFSPlusQuickSearcher;

    // Volume analysers: each examines the volume that starts at sector `u64Start` of the device
    // and answers a new analyser the caller owns and deletes, or null.
    using VolumeAnalyzeFactory = std::function<IVolumeAnalyze*(IStorageDevice* pDevice, unsigned long long u64Start)>;
    VolumeAnalyzeFactory CreateFatVolumeAnalyze;
    VolumeAnalyzeFactory CreateExfatVolumeAnalyze;
    VolumeAnalyzeFactory CreateNTFSVolumeAnalyze;
    VolumeAnalyzeFactory CreateHFSPlusVolumeAnalyze;

    // Boot sectors, for a device that holds one bare volume instead of a partition table. Each
    // answers its file system's type when `sector` is a sound boot sector of it on a device of
    // `u32SectorSize`-byte sectors, FILE_SYSTEM_UNRECOGNISED otherwise; the partition code asks
    // them in this order.
    using BootSectorProbe = std::function<FileSystemType(engine::ByteView sector, std::uint32_t u32SectorSize)>;
    BootSectorProbe ProbeFATBootSector;
    BootSectorProbe ProbeExFatBootSector;
    BootSectorProbe ProbeNTFSBootSector;

    // Loading results files. The HFS+ volume whose header lies at sector `u64StartSector` of
    // `pDevice` (not owned, must outlive it); null when none lies there. The volume stays opaque
    // to the caller and is freed with its last reference.
    std::function<std::shared_ptr<hfsplus::CHFSPlusVolume>(IStorageDevice* pDevice, unsigned long long u64StartSector)>
        CreateHFSPlusVolume;
    // The decmpfs reader of a loaded compressed HFS+ node (its id the catalog id, its runs the
    // resource fork's blocks) over such a volume; null when it cannot be read. The caller
    // releases it before the volume goes.
    std::function<IFileReader*(hfsplus::CHFSPlusVolume* pVolume, IFileNode* pNode)> CreateHFSPlusCompressFileReader;
};

/// The process-wide table. Filled once at start-up, before any scan; read without locking.
EngineEntryPoints& GetEngineEntryPoints();

/// Fills the entries of every subsystem built into this engine. Called once at start-up, before
/// any scan, by the program and the harness; tests install fakes instead.
void RegisterEngineSubsystems();

/// The threads the searchers of a complete scan's block run on, for scans started from now on;
/// 0 (the default) sizes the pool to the machine. The results do not depend on it.
void SetCompleteScanThreads(unsigned int uThreads);
