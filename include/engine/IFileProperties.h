#pragma once
// The name, size, times and attributes behind a file node; one implementation per file system.
#include <string>

class IDataRunList;

class IFileProperties {
public:
    virtual ~IFileProperties() = default;
    virtual unsigned int GetFileNameLength() = 0;
    virtual void SetFileName(char const* pszName) = 0;
    virtual char const* GetFileName() = 0;
    virtual long long GetFileSize() = 0;
    virtual unsigned int GetAttribute() = 0;
    /// The time text a carving analyser found; empty for file systems.
    virtual std::string GetRawFileCreateTime() = 0;
    virtual unsigned long long GetCreationTime() = 0;
    virtual unsigned long long GetModificationTime() = 0;
    virtual unsigned long long GetLastAccessTime() = 0;
    virtual unsigned short GetState() = 0;
    virtual void SetState(unsigned short u16State) = 0;
    /// The file's extents; who owns the answer is said by each implementation.
    virtual IDataRunList* GetDataRunList() = 0;
    virtual IFileProperties* Clone() = 0;
};
