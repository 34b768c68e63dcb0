#pragma once
// Copy-out over the partitions of one searcher type: picks each node's partition, opens the
// node's reader (plain, NTFS compression units, or the node's own compressed reader) and
// copies its data to a file in 4 MiB chunks through one buffer that lives as long as the object.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/util/Locks.h"

class CFileNode;

class CDataRecovery final : public IDataRecovery {
public:
    static constexpr std::int32_t kCopyChunkSize = 0x400000;
    /// The first request for partitions asks for this many; a searcher with more is asked again.
    static constexpr int kInitialPartitions = 256;
    /// The picture scan covers the node's first 64 KiB.
    static constexpr unsigned int kJpegScanSize = 0x10000;

    /// The partitions (owned by this object) and how many there are.
    struct SearchedPartitions {
        std::vector<CSearchedPartitionInfo*> vecPartitions;
        std::uint32_t u32Count = 0;
    };

    CDataRecovery() = default;
    ~CDataRecovery() override;

    RESULT Initialize(IFileSystemSearchController* pSearcher, IStorageDevice* pDevice) override;
    /// For a scan restored from a results file: copies the base fields of each record (the
    /// records stay the caller's). Code 5 for a null device.
    RESULT Initialize(std::vector<CSearchedPartitionInfo*> const& partitions, IStorageDevice* pDevice);
    /// Over partitions gathered from several searchers (a complete scan's, and those of the files
    /// it scanned as devices of their own), best-scored first; code 5 for a null device, 0xD01
    /// for none.
    RESULT Initialize(std::vector<std::unique_ptr<CSearchedPartitionInfo>> partitions, IStorageDevice* pDevice);
    IFileReader* SetRecoverNode(IFileNode* pNode) override;
    long long GetWritableSize(IFileNode* pNode) override;
    RESULT RecoverTo(char const* pszPath, IProgress* pProgress, int iByteLimit) override;
    unsigned int ReadSmallJPG(char* pBuffer, unsigned int u32Size) override;
    void Release() override { delete this; }

    /// New copies of every partition `searcher` found, which the caller owns: asked first for
    /// kInitialPartitions, then again for all when it found more.
    static std::vector<std::unique_ptr<CSearchedPartitionInfo>> FetchPartitions(IFileSystemSearchController& searcher);

    /// For the results-file writer: the records stay this object's.
    SearchedPartitions GetSearchedPartition() const;
    std::vector<CSearchedPartitionInfo*> GetSearchedPartitions() const override {
        return GetSearchedPartition().vecPartitions;
    }
    Refusal GetRefusal() const override;
    Refusal JudgeBeforeCopy(IFileNode* pNode) override;

    /// The partition a node belongs to: the one with its partition index, else the first
    /// whose bounds and cluster size fit the node's runs, else the best-scored one.
    CSearchedPartitionInfo* GetNodePartition(CFileNode* pNode) const;

private:
    /// Why the node's data must not be copied (a copy-out code), 0 when it may be; a note when
    /// it is copied with one.
    std::uint32_t RefusalOf(CFileNode* pNode, CSearchedPartitionInfo* pPartition) const;
    /// What a refusal with `u32Code` names beyond its code: the virtual disk's container.
    static std::string RefusalNote(std::uint32_t u32Code, CSearchedPartitionInfo const* pPartition);
    /// Makes the views of the partitions read through a file of another volume.
    void MakeViews();
    /// What the partition's files are read from: its view, else the device.
    IStorageDevice* DeviceOf(CSearchedPartitionInfo const& partition) const;
    bool PartitionFitsNode(CSearchedPartitionInfo const& partition, CFileNode& node) const;
    /// A successful copy's result with the node's note, when it has one.
    RESULT WithNote(RESULT result) const;
    /// Whether a whole copy that wrote only zeros (`bOnlyZeros`) is a zeroed file: the node is
    /// deleted or lost and its runs name clusters, which ought to hold its data.
    bool IsZeroedCopy(bool bOnlyZeros, int iByteLimit) const;
    RESULT CopyPlain(char const* pszPath, IProgress* pProgress, int iByteLimit);
    /// The node's first 64 KiB into the chunk buffer; false when they cannot be read.
    bool ReadJpegScanArea();

    std::vector<std::uint8_t>
        m_chunk;  // kCopyChunkSize bytes from the first copy or preview: a scan keeps one object per file system
    ReleasePtr<IFileReader> m_pReader;
    std::vector<std::unique_ptr<CSearchedPartitionInfo>> m_partitions;
    std::map<CSearchedPartitionInfo const*, std::unique_ptr<IStorageDevice>> m_views;  // over m_pDevice
    IStorageDevice* m_pDevice = nullptr;                                               // not owned
    bool m_bNtfsCompressed = false;  // the current reader expands NTFS compression units
    std::uint32_t m_u32Refusal = 0;  // why the selected node is not copied; 0 when it is
    std::string m_refusalNote;       // what that refusal names: the virtual disk's container
    std::uint32_t m_u32Note = 0;     // what the selected node's copy must be reported with
    bool m_bMayBeZeroed = false;     // the selected node is deleted or lost: zeros read from its clusters are no data
    mutable mutex_locker m_mutex;
};
