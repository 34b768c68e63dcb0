#pragma once
// A file or folder found by an exFAT search: the entry set's name, size, attributes and times,
// and the file's clusters as runs counted from the start of the cluster heap.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/FileNode.h"
#include "engine/core/node/NodeName.h"

class CExFatFileNode final : public CFileNode {
public:
    static constexpr std::uint32_t kAttributeMask = 0xFFFF;
    static constexpr std::uint32_t kFlagFatInvalid = 1u << 30;
    static constexpr std::uint32_t kFlagDeleted = 1u << 31;
    static constexpr std::uint32_t kAttributeFolder = 0x10;

    CExFatFileNode() = default;
    ~CExFatFileNode() override = default;

    /// Null until a name is set.
    char const* GetFileName() override { return m_name.Get(); }
    long long GetFileSize() override { return m_s64Size; }
    std::uint32_t GetAttribute() override { return m_u32Flags & kAttributeMask; }
    _FILETIME GetCreationTime() override { return m_creationTime; }
    _FILETIME GetModificationTime() override { return m_modificationTime; }
    _FILETIME GetLastAccessTime() override { return m_lastAccessTime; }
    int IsDirectory() override { return (m_u32Flags & kAttributeFolder) != 0 ? 1 : 0; }
    int IsDeleted() override { return (m_u32Flags & kFlagDeleted) != 0 ? 1 : 0; }
    /// A lone copy with the flags, times, name, size and runs; ids and first cluster are not copied.
    IFileNode* Clone() override;
    void MarkDeleted() override { m_u32Flags |= kFlagDeleted; }

    /// Replaces the name with a copy; null is ignored. The recycle-bin handling renames through it.
    void SetFileName(char const* pszName);
    bool RenameFound(std::string const& name) override {
        SetFileName(name.c_str());
        return true;
    }
    void SetFileSize(long long s64Size) { m_s64Size = s64Size; }
    /// Adds the exFAT attribute bits to the flags.
    void SetFileAttributes(std::uint16_t u16Attributes) { m_u32Flags |= u16Attributes; }
    void SetFileTime(_FILETIME creation, _FILETIME modification, _FILETIME lastAccess);
    void SetFileDeleted() { m_u32Flags |= kFlagDeleted; }
    /// The FAT cannot be trusted for this file's clusters.
    void SetFileFatInvalid() { m_u32Flags |= kFlagFatInvalid; }
    bool IsFatInvalid() const { return (m_u32Flags & kFlagFatInvalid) != 0; }
    void SetID(long long s64ID) { SetNodeID(s64ID); }
    void SetParentID(long long s64ID) { SetParentNodeID(s64ID); }
    void SetFirstCluster(std::uint32_t u32Cluster) { m_u32FirstCluster = u32Cluster; }
    std::uint32_t GetFirstCluster() const { return m_u32FirstCluster; }

private:
    CExFatFileNode(CExFatFileNode const& other);

    CNodeName m_name;
    long long m_s64Size = 0;
    std::uint32_t m_u32Flags = 0;
    _FILETIME m_creationTime;
    _FILETIME m_modificationTime;
    _FILETIME m_lastAccessTime;
    std::uint32_t m_u32FirstCluster = 0xFFFFFFFF;
};
