#pragma once
// A tree builder that keeps every node it takes, in order, and remembers what the searcher told
// it; the nodes are released with the builder. It builds no tree: what a searcher hands over is
// exactly what the caller reads back. Read the results once the search has ended.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/IDirecotryTreeBuilder.h"

namespace testkit {

class RecordingTreeBuilder : public IDirecotryTreeBuilder {
public:
    /// With `onlyType`, nodes of any other searcher type are refused (the caller keeps them).
    explicit RecordingTreeBuilder(std::optional<_tagSearcherType> onlyType = std::nullopt) : m_onlyType(onlyType) {}
    ~RecordingTreeBuilder() override;
    RecordingTreeBuilder(RecordingTreeBuilder const&) = delete;
    RecordingTreeBuilder& operator=(RecordingTreeBuilder const&) = delete;

    int Initialize(char const*, IDrirectoryTree*, IRecoveryFilter*) override { return 1; }
    /// Takes the node unless its type is not the one accepted or files are being refused.
    int AddNode(IFileNode* pNode, _tagSearcherType eType) override;
    int AddSearcherInfo(_tagSearcherType eType, long long s64RootID) override;
    void FlashBuild(_tagSearcherType eType) override;
    /// Nothing: the owner destroys the builder.
    void Release() override {}
    void SetPartitonDevice(CSearchedPartitionInfo*, IStorageDevice*) override {}

    /// Refuses the file nodes (folders still pass) from now on.
    void RefuseFiles(bool bRefuse);

    /// Every node taken, in the order given.
    std::vector<IFileNode*> Nodes() const;
    std::vector<IFileNode*> Files() const;
    std::vector<IFileNode*> Folders() const;
    std::uint64_t FileCount() const;
    /// The first node of that name, or null.
    IFileNode* Find(std::string const& name) const;
    /// The folder node with this id, or null.
    IFileNode* Folder(long long s64ID) const;
    /// The name of the folder node that holds the node; empty when it was never handed over.
    std::string FolderOf(IFileNode* pNode) const;
    std::vector<std::pair<_tagSearcherType, long long>> SearcherInfos() const;
    /// The root id of the last AddSearcherInfo; 0 before the first.
    long long RootID() const;
    std::vector<_tagSearcherType> Flashed() const;

private:
    mutable std::mutex m_mutex;
    std::optional<_tagSearcherType> m_onlyType;
    bool m_bRefuseFiles = false;
    std::vector<IFileNode*> m_nodes;  // owned
    std::uint64_t m_u64Files = 0;
    std::vector<std::pair<_tagSearcherType, long long>> m_infos;
    std::vector<_tagSearcherType> m_flashed;
};

}  // namespace testkit
