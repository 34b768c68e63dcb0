#pragma once
// A concrete file node whose values tests set directly.
#include <optional>
#include <string>

#include "engine/FileNode.h"

namespace testkit {

class CTestFileNode : public CFileNode {
public:
    CTestFileNode() = default;
    /// A named node; a null name stays null.
    explicit CTestFileNode(char const* pszName, bool bDirectory = false);

    char const* GetFileName() override { return m_name ? m_name->c_str() : nullptr; }
    long long GetFileSize() override { return m_s64Size; }
    std::uint32_t GetAttribute() override { return m_u32Attribute; }
    _FILETIME GetCreationTime() override { return m_creation; }
    _FILETIME GetModificationTime() override { return m_modification; }
    _FILETIME GetLastAccessTime() override { return m_lastAccess; }
    int IsDirectory() override { return m_bDirectory ? 1 : 0; }
    int IsDeleted() override { return m_bDeleted ? 1 : 0; }
    _tagSearcherType GetSearcheType() const override { return m_eSearcherType; }
    std::optional<long long> GetInitializedSize() const override { return m_initializedSize; }
    IFileNode* Clone() override { return new CTestFileNode(*this); }
    void MarkDeleted() override { m_bDeleted = true; }
    std::uint64_t GetEntryPosition() override { return m_u64EntryPosition; }

    void SetFileName(char const* pszName);
    void SetFileSize(long long s64Size) { m_s64Size = s64Size; }
    void SetAttribute(std::uint32_t u32Attribute) { m_u32Attribute = u32Attribute; }
    void SetDirectory(bool bDirectory) { m_bDirectory = bDirectory; }
    void SetDeleted(bool bDeleted) { m_bDeleted = bDeleted; }
    void SetSearcherType(_tagSearcherType eType) { m_eSearcherType = eType; }
    void SetInitializedSize(std::optional<long long> initializedSize) { m_initializedSize = initializedSize; }
    void SetEntryPosition(std::uint64_t u64Position) { m_u64EntryPosition = u64Position; }
    void SetTimes(_FILETIME creation, _FILETIME modification, _FILETIME lastAccess);

private:
    CTestFileNode(CTestFileNode const&) = default;

    std::optional<std::string> m_name;
    long long m_s64Size = 0;
    std::uint32_t m_u32Attribute = 0;
    _FILETIME m_creation{};
    _FILETIME m_modification{};
    _FILETIME m_lastAccess{};
    bool m_bDirectory = false;
    bool m_bDeleted = false;
    _tagSearcherType m_eSearcherType = SEARCHER_TYPE_NONE;
    std::optional<long long> m_initializedSize;
    std::uint64_t m_u64EntryPosition = 0;
};

}  // namespace testkit
