#pragma once
// A file or folder found by an NTFS search: its name, size, times and DOS attributes, its
// clusters as runs (or a resident value read back from its FILE record), and where that
// record lies on the device so that copy-out can read a resident value again.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/core/node/FileNode.h"

class CNTFSFileNode final : public CFileNode {
public:
    static constexpr std::uint32_t kAttributeFolder = 0x10;

    CNTFSFileNode() = default;
    ~CNTFSFileNode() override = default;

    /// Null until a name is set.
    char const* GetFileName() override { return m_name ? m_name->c_str() : nullptr; }
    long long GetFileSize() override { return m_s64Size; }
    std::uint32_t GetAttribute() override { return m_u32Attributes | (m_bFolder ? kAttributeFolder : 0u); }
    _FILETIME GetCreationTime() override { return m_creationTime; }
    _FILETIME GetModificationTime() override { return m_modificationTime; }
    _FILETIME GetLastAccessTime() override { return m_lastAccessTime; }
    int IsDirectory() override { return m_bFolder ? 1 : 0; }
    int IsDeleted() override { return m_bDeleted ? 1 : 0; }
    _tagSearcherType GetSearcheType() const override { return SEARCHER_TYPE_NTFS; }
    /// A lone copy with the name, size, flags, times, record position and runs; ids are not copied.
    IFileNode* Clone() override;
    void MarkDeleted() override { m_bDeleted = true; }
    /// Drops the name's leading blanks and dots, in place.
    void FilterFileNameByDot() override;

    /// Replaces the name with a copy; null is ignored. The recycle-bin handling renames through it.
    void SetFileName(char const* pszName);
    void SetFileSize(long long s64Size) { m_s64Size = s64Size; }
    void SetFolder(bool bFolder) { m_bFolder = bFolder; }
    void SetDeleted(bool bDeleted) { m_bDeleted = bDeleted; }
    /// DOS attributes (hidden, system, archive...) without the folder bit.
    void SetFileAttributes(std::uint32_t u32Attributes) { m_u32Attributes = u32Attributes & ~kAttributeFolder; }
    void SetFileTime(std::uint64_t u64Creation, std::uint64_t u64Modification, std::uint64_t u64Access);
    void SetID(long long s64ID) { SetNodeID(s64ID); }
    void SetParentID(long long s64ID) { SetParentNodeID(s64ID); }
    /// The byte on the device where the file's base FILE record starts, and the record's size.
    void SetRecordPosition(std::uint64_t u64Byte, std::uint32_t u32RecordSize);
    std::uint64_t GetRecordByte() const { return m_u64RecordByte; }
    std::uint32_t GetRecordSize() const { return m_u32RecordSize; }

private:
    CNTFSFileNode(CNTFSFileNode const& other);

    std::optional<std::string> m_name;
    long long m_s64Size = 0;
    bool m_bFolder = false;
    bool m_bDeleted = false;
    std::uint32_t m_u32Attributes = 0;
    _FILETIME m_creationTime;
    _FILETIME m_modificationTime;
    _FILETIME m_lastAccessTime;
    std::uint64_t m_u64RecordByte = 0;
    std::uint32_t m_u32RecordSize = 0;
};
