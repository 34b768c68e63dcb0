#pragma once
// A FAT file or folder in the result tree. The node's id is the entry's first cluster (or a
// number from 2^32 up for empty files), its parent id the parent folder's first cluster; the
// runs count clusters from cluster 2.
#include <memory>

#include "engine/FileNode.h"
#include "engine/fat/FATFileProperties.h"

class CFATFileNode final : public CFileNode {
public:
    CFATFileNode() = default;

    /// Takes the properties and sets the ids and metadata sector from them.
    void SetFileProperties(std::unique_ptr<CFATFileProperties> pProperties);
    CFATFileProperties* GetFileProperties() const { return m_pProperties.get(); }
    void DelDataRunList() { TakeDataRunList(); }
    void SetCurrentNodeID(long long s64NodeID) { SetNodeID(s64NodeID); }

    char const* GetFileName() override;
    long long GetFileSize() override;
    std::uint32_t GetAttribute() override;
    _FILETIME GetCreationTime() override;
    _FILETIME GetModificationTime() override;
    _FILETIME GetLastAccessTime() override;
    int IsDirectory() override;
    /// State bit 0 only: synthetic folders (state 9) count as deleted.
    int IsDeleted() override;
    _tagSearcherType GetSearcheType() const override { return SEARCHER_TYPE_FAT; }
    /// False without properties (nothing to hold the name).
    bool RenameFound(std::string const& name) override;
    /// A lone copy with cloned properties and runs; null when it cannot be made.
    IFileNode* Clone() override;
    void MarkDeleted() override;
    std::uint64_t GetEntryPosition() override;

private:
    std::unique_ptr<CFATFileProperties> m_pProperties;
};
