#pragma once
// What the recovery controllers ask of a results file being loaded, in place of a search.
#include <vector>

class IDirecotryTreeBuilder;
class IProgress;
class IStorageDevice;
class CSearchedPartitionInfo;

class IRestoreScanSink {
public:
    virtual ~IRestoreScanSink() = default;
    /// Replays the stored nodes into the builder; adds nothing when the device is unknown.
    virtual void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder, IProgress* pProgress,
                                         IStorageDevice* pDevice) = 0;
    /// The partitions stored for a searcher type (empty when none); the sink keeps ownership.
    virtual std::vector<CSearchedPartitionInfo*>& GetSearchedPartition(int iSearcherType) = 0;
};
