#pragma once
// The builder as the searchers of a file's scan see it: a volume image stored as a file of
// another volume is scanned as a device of its own, and its volumes join the trees of the scan
// that found the file. Their nodes' partition indexes are moved past those the scan's own
// searchers give (each tree and each copy-out partition is told by its index); the partitions
// they hand over are read through the file's device, as the searchers give it.
#include <cstdint>
#include <map>

#include "engine/IDirecotryTreeBuilder.h"

class CFileScanTreeBuilder final : public IDirecotryTreeBuilder {
public:
    /// `target` (not owned) must outlive this one; `bases`: what each searcher type's partition
    /// indexes are moved by.
    CFileScanTreeBuilder(IDirecotryTreeBuilder& target, std::map<_tagSearcherType, std::uint16_t> bases)
        : m_target(target), m_bases(std::move(bases)) {}

    int Initialize(char const*, IDrirectoryTree*, IRecoveryFilter*) override { return 1; }
    int AddNode(IFileNode* pNode, _tagSearcherType eType) override;
    int AddSearcherInfo(_tagSearcherType eType, long long s64RootID) override {
        return m_target.AddSearcherInfo(eType, s64RootID);
    }
    void FlashBuild(_tagSearcherType eType) override { m_target.FlashBuild(eType); }
    /// Releases nothing: the target belongs to the scan.
    void Release() override {}
    void SetPartitonDevice(CSearchedPartitionInfo* pPartition, IStorageDevice* pDevice) override;
    void ShowWaitingNodes(_tagSearcherType eType) override { m_target.ShowWaitingNodes(eType); }

    /// The index partition `u16Partition` of a searcher of `eType` has in the scan's trees.
    std::uint16_t Moved(_tagSearcherType eType, std::uint16_t u16Partition) const;

private:
    IDirecotryTreeBuilder& m_target;
    std::map<_tagSearcherType, std::uint16_t> m_bases;
};
