#pragma once
// The complete (deep) exFAT search: every sector of the device, in ascending order, is taken
// for an up-case table start, a boot sector, a FAT start or a directory sector; directory
// sectors gather into runs (CFDTPreAnaylze), and at the end the partition builder turns boot
// sectors, FATs and runs into partitions whose trees go to the tree builder under one exFAT
// root (searcher type 33). A node carries its partition's index, so copy-out reads it through
// the right geometry. The state carries from one block to the next, so the block size does not
// change what is found.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/IFileSystemSearchController.h"
#include "engine/core/crossvolume/FoundVolumes.h"
#include "engine/exfat/complete/ExFatPartitionEx.h"
#include "engine/exfat/complete/FDTPreAnalyze.h"
#include "engine/exfat/complete/PartitionBuilder.h"

class CExFatCompleteSearch final : public ICompleteFileSystemSearchController, IVolumeReporter {
public:
    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override { m_pBuilder = pBuilder; }
    /// One record per partition built (type 7, partition index k, heap start as its start
    /// sector, partition start in its first value, evidence flags); answers how many there are
    /// and fills nothing when `iCount` is smaller.
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    void SetDevice(IStorageDevice* pDevice) override { m_pDevice = pDevice; }
    void SetBlockSize(int iSectors) override { m_s32BlockSectors = iSectors; }
    RESULT PreparetoSearch() override;
    /// Builds the partitions and hands their trees on when `iBuild` is non-zero; otherwise
    /// drops everything found.
    void EndSearch(int iBuild) override;
    /// Reads and classifies the block's sectors; module 0x21: 1 when not set up or the block
    /// is longer than the block size, 2 when it cannot be read.
    RESULT AnalyzeBlock(long long s64First, long long s64Count) override;
    RESULT AnalyzeBlockBytes(engine::ByteView block, long long s64First, long long s64Count) override;
    void SetFoundVolumes(CFoundVolumes* pVolumes) override { m_pFoundVolumes = pVolumes; }
    IVolumeReporter* VolumeReporter() override { return this; }
    /// Turns what the blocks showed into partitions, numbered in partition-index order.
    FoundVolumeList ListVolumes() override;
    void ReportUse(std::size_t number, CVolumeUse& use) override;

    std::vector<std::unique_ptr<CExFatPartitionEx>> const& Partitions() const { return m_partitions; }

private:
    bool PrepareAnalyzeBlock();
    /// Classifies `s64Count` sectors of `block`, the first being sector `s64First`.
    void ClassifySectors(engine::ByteView block, long long s64First, long long s64Count);
    void ClassifySector(std::uint64_t u64Sector, engine::ByteView sector);
    /// Hands a finished run, with its links, to the partition builder.
    void AnalyzePartition(std::unique_ptr<CFileSet> pSet);
    void BuildeFileNode();
    /// The partitions the blocks showed (once).
    void Settle();
    /// Loads what the partition's tree is read with: its FAT, and its allocation bitmap.
    void LoadTables(CExFatPartitionEx& partition) const;
    /// The record of the k-th partition built, as copy-out and the tree builder take it.
    std::unique_ptr<CSearchedPartitionInfo> PartitionRecord(std::size_t k) const;

    IStorageDevice* m_pDevice = nullptr;          // not owned
    IDirecotryTreeBuilder* m_pBuilder = nullptr;  // not owned
    int m_s32BlockSectors = 0;
    std::uint32_t m_u32SectorSize = 0;
    std::uint64_t m_u64TotalSectors = 0;
    std::vector<std::uint8_t> m_block;
    CFDTPreAnaylze m_preAnalyze;
    CPartitionBuilder m_partitionBuilder;
    std::vector<std::unique_ptr<CExFatPartitionEx>> m_partitions;
    CFoundVolumes* m_pFoundVolumes = nullptr;  // not owned
    bool m_bSettled = false;
};
