#pragma once
// The nodes of a loaded results file: a file record's values on the common node base, so the
// tree builder files them as it files a searcher's nodes. A root adds its searcher type and
// volume name. Nodes and their names live in the node arena: a load makes a million.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/FileNode.h"
#include "uimodel/resultsfile/FileRecord.h"

namespace uimodel {

class RestoreFileNode : public CFileNode {
public:
    /// A lone node holding `record`'s values, shown whatever the record says.
    /// A copy of the record's values: a reused record keeps its room for the next (a load reads
    /// a million).
    explicit RestoreFileNode(resultsfile::StoredFileRecord const& record);
    ~RestoreFileNode() override;
    RestoreFileNode& operator=(RestoreFileNode const&) = delete;

    static void* operator new(std::size_t size);
    static void operator delete(void* pNode, std::size_t size) noexcept;

    char const* GetFileName() override { return m_pszName; }
    long long GetFileSize() override { return static_cast<long long>(m_u64Size); }
    std::uint32_t GetAttribute() override { return m_u16Attribute; }
    _FILETIME GetCreationTime() override { return m_created; }
    _FILETIME GetModificationTime() override { return m_modified; }
    _FILETIME GetLastAccessTime() override { return m_accessed; }
    int IsDirectory() override { return m_bFolder ? 1 : 0; }
    int IsDeleted() override { return m_bDeleted ? 1 : 0; }
    /// Every value copied and the run list cloned; a lone node.
    IFileNode* Clone() override { return new RestoreFileNode(*this); }
    void MarkDeleted() override { m_bDeleted = true; }
    void UpdateFileSize(long long s64Size) override { m_u64Size = static_cast<std::uint64_t>(s64Size); }
    /// HFS+ files read through their loaded volume, NTFS files through compression units; null
    /// for a node outside a tree and for other file systems. The caller releases it.
    IFileReader* CreateCompressFileReader(void* pContext) override;
    /// The volume cache's slot of the HFS+ volume the node lies on (-1: none).
    void SetHfsPlusVolume(int iSlot) { m_iHfsPlusVolume = iSlot; }
    /// Where the file's valid data ends, as the saved node had it (NTFS); none: at its size.
    std::optional<long long> GetInitializedSize() const override {
        return m_bHasInitializedSize ? std::optional<long long>(m_s64InitializedSize) : std::nullopt;
    }
    void SetInitializedSize(std::optional<long long> initializedSize) {
        m_bHasInitializedSize = initializedSize.has_value();
        m_s64InitializedSize = initializedSize.value_or(0);
    }

protected:
    RestoreFileNode(RestoreFileNode const& other);

private:
    /// A terminated copy of `name` in the arena, up to its first null (GetFileName's end).
    static char* CopyName(std::string_view name);

    // A million of these make a load's memory: the small fields first, where they fill the
    // base's tail, and no padding between the others.
    std::uint16_t m_u16Attribute = 0;
    bool m_bFolder = false;
    bool m_bDeleted = false;
    bool m_bHasInitializedSize = false;
    int m_iHfsPlusVolume = -1;
    _FILETIME m_created;
    _FILETIME m_modified;
    _FILETIME m_accessed;
    char* m_pszName;  // in the arena, owned
    std::uint64_t m_u64Size = 0;
    long long m_s64InitializedSize = 0;
};

class RestoreSystemNode final : public RestoreFileNode {
public:
    RestoreSystemNode(resultsfile::StoredFileRecord const& record, _tagSearcherType eType, std::string volumeName)
        : RestoreFileNode(record), m_eType(eType), m_volumeName(std::move(volumeName)) {}

    _tagSearcherType GetSearcheType() const override { return m_eType; }
    char const* GetVolumeName() const override { return m_volumeName.c_str(); }

private:
    _tagSearcherType m_eType;
    std::string m_volumeName;
};

}  // namespace uimodel
