#pragma once
// The HFS+ volumes a loaded scan reads its compressed files through, one per searcher type,
// kept until the next load. The volume objects are the engine's and stay opaque here; reads
// through one volume are serialised, since recovery and thumbnails share it.
#include <map>
#include <memory>
#include <mutex>

#include "engine/Types.h"

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
    /// Opens the volume at sector `u64StartSector` of `pDevice` for `eType` unless one is kept
    /// for it; nothing when no HFS+ volume lies there.
    void OpenFor(_tagSearcherType eType, IStorageDevice* pDevice, unsigned long long u64StartSector);
    bool Has(_tagSearcherType eType) const;
    /// A reader of the compressed node over the volume kept for `eType`; null without one or
    /// when the node cannot be read. The caller releases it.
    IFileReader* CreateReader(_tagSearcherType eType, IFileNode* pNode);

    struct Entry {
        std::shared_ptr<hfsplus::CHFSPlusVolume> pVolume;
        std::shared_ptr<std::mutex> pReadLock;
    };

private:
    mutable std::mutex m_mutex;
    std::map<_tagSearcherType, Entry> m_volumes;
};

}  // namespace uimodel
