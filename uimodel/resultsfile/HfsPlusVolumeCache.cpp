#include "uimodel/resultsfile/HfsPlusVolumeCache.h"

#include "engine/EngineEntryPoints.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "engine/SearchedPartitionInfo.h"

namespace uimodel {

namespace {

/// Holds the volume and its read lock for as long as the reader lives, and takes the lock for
/// every read: the volume's reads share one buffer.
class CSerialisedFileReader final : public IFileReader {
public:
    CSerialisedFileReader(HfsPlusVolumeCache::Entry entry, IFileReader* pReader)
        : m_entry(std::move(entry)), m_pReader(pReader) {}

    unsigned int ReadData(long long s64Offset, char* pDestination, unsigned int u32Length) override {
        std::lock_guard const lock(*m_entry.pReadLock);
        return m_pReader->ReadData(s64Offset, pDestination, u32Length);
    }
    IFileReader* Clone() override {
        std::lock_guard const lock(*m_entry.pReadLock);
        IFileReader* pCopy = m_pReader->Clone();
        return pCopy ? new CSerialisedFileReader(m_entry, pCopy) : nullptr;
    }
    long long GetDataSize() const override { return m_pReader->GetDataSize(); }
    int IsCompressFile() override { return m_pReader->IsCompressFile(); }
    void Release() override { delete this; }

private:
    ~CSerialisedFileReader() override {
        std::lock_guard const lock(*m_entry.pReadLock);
        m_pReader.reset();
    }

    HfsPlusVolumeCache::Entry m_entry;
    ReleasePtr<IFileReader> m_pReader;
};

}  // namespace

HfsPlusVolumeCache& HfsPlusVolumeCache::instance() {
    static HfsPlusVolumeCache s_cache;
    return s_cache;
}

void HfsPlusVolumeCache::Clear() {
    std::lock_guard const lock(m_mutex);
    m_slots.clear();
    m_byKey.clear();
}

int HfsPlusVolumeCache::OpenFor(CSearchedPartitionInfo const& partition, IStorageDevice* pDevice, bool bAtItsStart) {
    auto const& open = GetEngineEntryPoints().CreateHFSPlusVolume;
    if (!open || !pDevice) return -1;
    // A volume found inside a file of another is read through that file, as the scan read it.
    std::shared_ptr<IStorageDevice> const pPlaced(CreatePlacedPartitionDevice(pDevice, partition));
    bool const bStartPlaces = bAtItsStart || pPlaced;
    VolumeKey const key{
        reinterpret_cast<std::uintptr_t>(pDevice), reinterpret_cast<std::uintptr_t>(partition.m_pPlacement.get()),
        bStartPlaces && partition.m_s64StartSector > 0 ? static_cast<unsigned long long>(partition.m_s64StartSector)
                                                       : 0,
        partition.GetTotalSectors()};
    {
        std::lock_guard const lock(m_mutex);
        if (auto const found = m_byKey.find(key); found != m_byKey.end()) return found->second;
    }
    std::shared_ptr<hfsplus::CHFSPlusVolume> pVolume = open(pPlaced ? pPlaced.get() : pDevice, key.u64StartSector);
    if (!pVolume) return -1;
    std::lock_guard const lock(m_mutex);
    auto const [found, bAdded] = m_byKey.try_emplace(key, static_cast<int>(m_slots.size()));
    if (bAdded) m_slots.push_back(Entry{std::move(pVolume), std::make_shared<std::mutex>(), pPlaced});
    return found->second;
}

IFileReader* HfsPlusVolumeCache::CreateReader(int iSlot, IFileNode* pNode) {
    auto const& create = GetEngineEntryPoints().CreateHFSPlusCompressFileReader;
    Entry entry;
    {
        std::lock_guard const lock(m_mutex);
        // A slot of an earlier load (cleared since) reads through no volume.
        if (!create || iSlot < 0 || static_cast<std::size_t>(iSlot) >= m_slots.size()) return nullptr;
        entry = m_slots[static_cast<std::size_t>(iSlot)];
    }
    IFileReader* pReader = nullptr;
    {
        std::lock_guard const readLock(*entry.pReadLock);
        pReader = create(entry.pVolume.get(), pNode);
    }
    return pReader ? new CSerialisedFileReader(std::move(entry), pReader) : nullptr;
}

}  // namespace uimodel
