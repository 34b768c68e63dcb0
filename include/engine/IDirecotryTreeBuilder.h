#pragma once
// Turns the nodes that searchers find, in any order, into one result tree per searcher type
// and hands them to the UI model's tree sink while the scan runs.
#include "engine/Types.h"

class CSearchedPartitionInfo;
class IDrirectoryTree;
class IFileNode;
class IRecoveryFilter;
class IStorageDevice;

class IDirecotryTreeBuilder {
public:
    virtual ~IDirecotryTreeBuilder() = default;
    /// Stores the root names' stem (empty gives "Disk"), the sink and the filter, none owned;
    /// 0 when any of them is null.
    virtual int Initialize(char const* pszName, IDrirectoryTree* pTree, IRecoveryFilter* pFilter) = 0;
    /// 1 when the builder took the node and now owns it; 0 when refused: the caller keeps it.
    virtual int AddNode(IFileNode* pNode, _tagSearcherType eType) = 0;
    /// Makes the tree of a type, or only sets its root id when it exists; always 1.
    virtual int AddSearcherInfo(_tagSearcherType eType, long long s64RootID) = 0;
    /// Completes the tree of a type: attaches what it can, puts the rest under "Other lost
    /// files" and releases the nodes it never showed. Nothing without a tree of the type.
    virtual void FlashBuild(_tagSearcherType eType) = 0;
    /// Deletes the builder and every node it showed; the sink must no longer use them.
    virtual void Release() = 0;
    /// A partition whose recycle-bin index files are read from `pDevice` (not owned) at the
    /// FlashBuild of its file system's tree. The record is copied and kept by its partition
    /// index until that FlashBuild ends: a searcher gives each partition it found (with the
    /// index its nodes carry) before its FlashBuild. A null record is ignored.
    virtual void SetPartitonDevice(CSearchedPartitionInfo* pPartition, IStorageDevice* pDevice) = 0;
    /// Hands the sink at once what the type's trees can show, without waiting for the pacing
    /// of incremental builds: a searcher calls it when it has just handed over a whole volume
    /// while the scan goes on. A builder that shows nothing before FlashBuild ignores it.
    virtual void ShowWaitingNodes(_tagSearcherType /*eType*/) {}
};

/// A new builder; `bRestore` when a results file is replayed (every node is kept as stored).
/// Never null; the caller frees it with Release.
IDirecotryTreeBuilder* CreateTreeBuilder(bool bRestore);
