#pragma once
// The builder behind IDirecotryTreeBuilder: one tree per searcher type and volume (the partition
// index its nodes carry), shown to the sink in batches while the scan runs and completed by
// FlashBuild. Two volumes of one kind on a disk never share a root: their record numbers and
// folder names repeat. All calls come from the scan's worker thread.
#include <memory>
#include <string>
#include <vector>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/TreeBuilderSettings.h"
#include "engine/core/tree/DirectoryTreeInfo.h"
#include "engine/core/tree/RecycleBinHook.h"

class CDirectoryTreeBuilder final : public IDirecotryTreeBuilder {
public:
    explicit CDirectoryTreeBuilder(bool bRestore, TreeBuilderSettings settings = {});
    CDirectoryTreeBuilder(CDirectoryTreeBuilder const&) = delete;
    CDirectoryTreeBuilder& operator=(CDirectoryTreeBuilder const&) = delete;
    /// Releases every node shown, then each tree's root.
    ~CDirectoryTreeBuilder() override = default;

    int Initialize(char const* pszName, IDrirectoryTree* pTree, IRecoveryFilter* pFilter) override;
    int AddNode(IFileNode* pNode, _tagSearcherType eType) override;
    int AddSearcherInfo(_tagSearcherType eType, long long s64RootID) override;
    void FlashBuild(_tagSearcherType eType) override;
    void Release() override { delete this; }
    void SetPartitonDevice(CSearchedPartitionInfo* pPartition, IStorageDevice* pDevice) override;
    /// Runs the builds that are due by the pacing although no node arrived since: nodes a
    /// searcher filed just before a quiet stretch (random data) reach the sink while the scan
    /// goes on, not only at FlashBuild. Nothing while FlashBuild runs.
    void ShowDueNodes();
    /// Builds the type's trees that have nodes waiting, due or not. Nothing while FlashBuild runs.
    void ShowWaitingNodes(_tagSearcherType eType) override;

private:
    /// The tree of the type that shows the volume `u16Partition`: the type's first tree while it
    /// has no node, else a new tree with a root of its own ("Disk 2(NTFS)", volume "Disk 2");
    /// null when the searcher never announced the type.
    _DIRECTORY_TREE_INFO* TreeFor(_tagSearcherType eType, std::uint16_t u16Partition);
    /// Builds what is left of one tree at the end of its searcher's search.
    void FinishTree(_DIRECTORY_TREE_INFO& tree);
    bool IsHeldAnywhere(CFileNode const* pNode) const;
    bool ShowNormalFiles() const;
    /// Builds a tree and shows what it hands over; the number of nodes handed over.
    std::size_t BuildAndShow(_DIRECTORY_TREE_INFO& tree, bool bForce);
    void ShowBatch(_DIRECTORY_TREE_INFO& tree, std::vector<IFileNode*>& batch, int iLost);

    bool m_bRestore;
    TreeBuilderSettings m_settings;
    std::vector<std::unique_ptr<_DIRECTORY_TREE_INFO>> m_trees;  // the first of each type in AddSearcherInfo order
    IDrirectoryTree* m_pTree = nullptr;                          // not owned
    IRecoveryFilter* m_pFilter = nullptr;                        // not owned
    std::string m_deviceName;
    CRecycleBinHook m_recycleBin;
    bool m_bFlushing = false;
};
