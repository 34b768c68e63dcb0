#pragma once
// A tree builder that takes every node, keeps it, and remembers what it was told.
#include <memory>
#include <string>
#include <vector>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IFileNode.h"

namespace carvetest {

class FakeTreeBuilder final : public IDirecotryTreeBuilder {
public:
    ~FakeTreeBuilder() override;
    int Initialize(char const*, IDrirectoryTree*, IRecoveryFilter*) override { return 1; }
    int AddNode(IFileNode* pNode, _tagSearcherType eType) override;
    int AddSearcherInfo(_tagSearcherType eType, long long s64RootID) override;
    void FlashBuild(_tagSearcherType eType) override { m_flashed.push_back(eType); }
    void Release() override {}
    void SetPartitonDevice(CSearchedPartitionInfo*, IStorageDevice*) override {}

    /// Refuses the file nodes (folders still pass) from now on.
    void RefuseFiles(bool bRefuse) { m_bRefuseFiles = bRefuse; }

    std::vector<IFileNode*> const& Nodes() const { return m_nodes; }
    std::vector<IFileNode*> Files() const;
    std::vector<IFileNode*> Folders() const;
    /// The folder node with this id, or null.
    IFileNode* Node(long long s64ID) const;
    std::vector<std::pair<_tagSearcherType, long long>> const& SearcherInfos() const { return m_infos; }
    std::vector<_tagSearcherType> const& Flashed() const { return m_flashed; }

private:
    std::vector<IFileNode*> m_nodes;  // owned
    std::vector<std::pair<_tagSearcherType, long long>> m_infos;
    std::vector<_tagSearcherType> m_flashed;
    bool m_bRefuseFiles = false;
};

}  // namespace carvetest
