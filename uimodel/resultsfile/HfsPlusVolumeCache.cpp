#include "uimodel/resultsfile/HfsPlusVolumeCache.h"

#include "engine/EngineEntryPoints.h"
#include "engine/IFileReader.h"
#include "engine/ReleasePtr.h"

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
    m_volumes.clear();
}

void HfsPlusVolumeCache::OpenFor(_tagSearcherType eType, IStorageDevice* pDevice, unsigned long long u64StartSector) {
    auto const& open = GetEngineEntryPoints().CreateHFSPlusVolume;
    if (!open || Has(eType)) return;
    std::shared_ptr<hfsplus::CHFSPlusVolume> pVolume = open(pDevice, u64StartSector);
    if (!pVolume) return;
    std::lock_guard const lock(m_mutex);
    m_volumes.try_emplace(eType, Entry{std::move(pVolume), std::make_shared<std::mutex>()});
}

bool HfsPlusVolumeCache::Has(_tagSearcherType eType) const {
    std::lock_guard const lock(m_mutex);
    return m_volumes.count(eType) != 0;
}

IFileReader* HfsPlusVolumeCache::CreateReader(_tagSearcherType eType, IFileNode* pNode) {
    auto const& create = GetEngineEntryPoints().CreateHFSPlusCompressFileReader;
    Entry entry;
    {
        std::lock_guard const lock(m_mutex);
        auto const found = m_volumes.find(eType);
        if (!create || found == m_volumes.end()) return nullptr;
        entry = found->second;
    }
    IFileReader* pReader = nullptr;
    {
        std::lock_guard const readLock(*entry.pReadLock);
        pReader = create(entry.pVolume.get(), pNode);
    }
    return pReader ? new CSerialisedFileReader(std::move(entry), pReader) : nullptr;
}

}  // namespace uimodel
