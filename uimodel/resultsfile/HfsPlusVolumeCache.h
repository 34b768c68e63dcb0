#pragma once
// The HFS+ volumes a loaded scan reads its compressed files through, one per volume (its
// partition record's start and size: a whole disk may hold several), kept until the next load.
// The volume objects are the engine's and stay opaque here; reads through one volume are
// serialised, since recovery and thumbnails share it.
#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/Types.h"

class CSearchedPartitionInfo;
class IFileNode;
class IFileReader;
class IStorageDevice;
namespace hfsplus {
class CHFSPlusVolume;
}

namespace uimodel {

class HfsPlusVolumeCache {
public:
    static HfsPlusVolumeCache& instance();

    /// Lets go of every volume (readers handed out keep theirs until released).
    void Clear();
    /// Opens the volume `partition` describes on `pDevice` (at its start sector with
    /// `bAtItsStart`, as a complete scan or a whole disk places it; else at sector 0, the volume
    /// device itself) unless one is kept for that device and place; its slot, which the volume's
    /// loaded files keep; -1 when no HFS+ volume lies there.
    int OpenFor(CSearchedPartitionInfo const& partition, IStorageDevice* pDevice, bool bAtItsStart);
    /// A reader of the compressed node over the volume in `iSlot`; null without one or when
    /// the node cannot be read. The caller releases it.
    IFileReader* CreateReader(int iSlot, IFileNode* pNode);

    struct Entry {
        std::shared_ptr<hfsplus::CHFSPlusVolume> pVolume;
        std::shared_ptr<std::mutex> pReadLock;
        std::shared_ptr<IStorageDevice> pPlaced;  // what a volume inside a file reads: the file's bytes
    };

private:
    /// A volume: the device it was loaded onto (and the file inside it holding the volume), and
    /// its partition record's start and size.
    struct VolumeKey {
        std::uintptr_t device = 0;
        std::uintptr_t placement = 0;
        unsigned long long u64StartSector = 0;
        unsigned long long u64Sectors = 0;
        auto operator<=>(VolumeKey const&) const = default;
    };

    mutable std::mutex m_mutex;
    std::vector<Entry> m_slots;
    std::map<VolumeKey, int> m_byKey;
};

}  // namespace uimodel
