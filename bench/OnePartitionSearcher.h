#pragma once
// Stands in for the searcher that would have found a partition: copy-out takes its partitions
// from a searcher.
#include "engine/IFileSystemSearchController.h"
#include "engine/SearchedPartitionInfo.h"

class COnePartitionSearcher final : public IFileSystemSearchController {
public:
    explicit COnePartitionSearcher(CSearchedPartitionInfo const& partition) : m_partition(partition) {}
    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder*) override {}
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override {
        if (iCount >= 1) ppPartitions[0] = new CSearchedPartitionInfo(m_partition);
        return 1;
    }

private:
    CSearchedPartitionInfo m_partition;
};
