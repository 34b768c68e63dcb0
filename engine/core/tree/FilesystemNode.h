#pragma once
// The root of one searcher's tree, and the folder of lost files hung under it.
#include <string>

#include "engine/FileNode.h"

class CFilesystemNode : public CFileNode {
public:
    CFilesystemNode(std::string name, std::string volumeName, _tagSearcherType eType, long long s64NodeID);

    char const* GetFileName() override { return m_name.c_str(); }
    long long GetFileSize() override { return 0; }
    std::uint32_t GetAttribute() override { return 0; }
    _FILETIME GetCreationTime() override { return {}; }
    _FILETIME GetModificationTime() override { return {}; }
    _FILETIME GetLastAccessTime() override { return {}; }
    int IsDirectory() override { return 1; }
    int IsDeleted() override { return 0; }
    _tagSearcherType GetSearcheType() const override { return m_eSearcherType; }
    char const* GetVolumeName() const override { return m_volumeName.c_str(); }
    /// A lone copy: no parent, children or siblings.
    IFileNode* Clone() override;
    void MarkDeleted() override {}

private:
    CFilesystemNode(CFilesystemNode const& other) = default;

    _tagSearcherType m_eSearcherType;
    std::string m_name;
    std::string m_volumeName;
};
