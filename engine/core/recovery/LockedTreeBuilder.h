#pragma once
// The builder as the complete scan's searchers see it: the searchers of one block run on
// several threads, and each call reaches the real builder alone. Every searcher fills a tree of
// its own type, in its own order, so the trees come out as in a run on one thread.
#include <mutex>

#include "engine/IDirecotryTreeBuilder.h"

class CLockedTreeBuilder final : public IDirecotryTreeBuilder {
public:
    /// `pBuilder` is not owned and must outlive this one.
    explicit CLockedTreeBuilder(IDirecotryTreeBuilder* pBuilder) : m_pBuilder(pBuilder) {}

    int Initialize(char const* pszName, IDrirectoryTree* pTree, IRecoveryFilter* pFilter) override;
    int AddNode(IFileNode* pNode, _tagSearcherType eType) override;
    int AddSearcherInfo(_tagSearcherType eType, long long s64RootID) override;
    void FlashBuild(_tagSearcherType eType) override;
    /// Releases nothing: the real builder belongs to the controller.
    void Release() override {}
    void SetPartitonDevice(CSearchedPartitionInfo* pPartition, IStorageDevice* pDevice) override;
    void ShowWaitingNodes(_tagSearcherType eType) override;
    /// The due builds of the real builder (when it is the engine's own), between two blocks.
    void ShowDueNodes();

private:
    IDirecotryTreeBuilder* const m_pBuilder;
    std::mutex m_lock;
};
