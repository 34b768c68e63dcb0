#pragma once
// Steps the quick and the complete recovery controllers share.
#include <cstdint>
#include <string>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IProgress.h"
#include "engine/ReleasePtr.h"
#include "engine/Result.h"
#include "engine/Types.h"

class IDataRecovery;
class IFileSystemSearchController;
class IRecoveryFilter;
class IRestoreScanSink;
class IStorageDevice;

namespace recovery {

/// Sends a record with these values and everything else zero.
void ReportProgress(IProgress* pProgress, std::uint32_t u32State, std::uint64_t u64Total, std::uint64_t u64Done,
                    RESULT error = kResultSuccess);

/// The stem of the tree roots' names: the volume name of a volume whose record is usable,
/// otherwise empty (the builder then says "Disk").
std::string DeviceDescription(IStorageDevice* pDevice);

/// One run's tree builder, initialised with the device's description, the sink and the
/// filter. Module 0x04: 4 when none could be made, 1 when it does not initialise.
RESULT CreateRunBuilder(bool bRestore, IStorageDevice* pDevice, IDrirectoryTree* pTree, IRecoveryFilter* pFilter,
                        ReleasePtr<IDirecotryTreeBuilder>& pBuilder);

/// The file-system type of a volume's record; FILE_SYSTEM_UNRECOGNISED without one.
FileSystemType VolumeFileSystem(IStorageDevice* pDevice);

/// A copy-out object over the partitions the sink stored for `eType` when a results file was
/// restored, otherwise over those `pSearcher` found. Null when it cannot be initialised; the
/// caller releases it.
IDataRecovery* MakeDataRecovery(IRestoreScanSink* pSink, _tagSearcherType eType, IFileSystemSearchController* pSearcher,
                                IStorageDevice* pDevice);

/// Writes dirty file-system buffers out, so that a scan sees what was just written.
void FlushFileSystems();

}  // namespace recovery
