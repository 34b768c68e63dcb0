#pragma once
// The result-tree node interface that every file system implements.
#include <cstdint>

#include "engine/Types.h"

class IFileReader;

class IFileNode {
public:
    virtual ~IFileNode() = default;
    virtual int IsNodeShow() const = 0;
    /// Shows (1) or hides (0) the node; a folder stays shown while any child is shown.
    virtual void ShowNode(int iShow) = 0;
    virtual long long GetCurrentNodeID() const = 0;
    virtual long long GetParentNodeID() const = 0;
    virtual IFileNode* GetParent() const = 0;
    virtual IFileNode* GetFirstChild() = 0;
    virtual IFileNode* GetNextNode() = 0;
    /// UTF-8; may be null, which callers treat as empty.
    virtual char const* GetFileName() = 0;
    virtual long long GetFileSize() = 0;
    virtual std::uint32_t GetAttribute() = 0;
    virtual _FILETIME GetCreationTime() = 0;
    virtual _FILETIME GetModificationTime() = 0;
    virtual _FILETIME GetLastAccessTime() = 0;
    virtual int IsDirectory() = 0;
    virtual int IsDeleted() = 0;
    virtual _tagCheckedStatus GetCheckedStatus() = 0;
    /// Checks or unchecks the node and its shown descendants; mixed is refused.
    virtual void SetCheck(_tagCheckedStatus eStatus) = 0;
    virtual _tagSearcherType GetSearcheType() const = 0;
    virtual char const* GetVolumeName() const = 0;
    /// 1 when the node was hung under this one; 0 when refused (see CFileNode).
    virtual int AddChild(IFileNode* pNode) = 0;
    virtual int AddNext(IFileNode* pNode) = 0;
    /// A new copy; the caller releases it.
    virtual IFileNode* Clone() = 0;
    /// Deletes the node.
    virtual void Release() = 0;
    virtual void MarkDeleted() = 0;
    /// A reader of the node's stored-compressed data, or null; the caller releases it.
    virtual IFileReader* CreateCompressFileReader(void* pContext) = 0;
    virtual int IsCompressed() const = 0;
    virtual void SetMetaDataSector(long long s64Sector) = 0;
    virtual void UpdateFileSize(long long s64Size) = 0;
    virtual void UpdateNodeInfo() = 0;
};

/// Marks the root node of one searched file system.
class IFilesystemNode : public IFileNode {};
