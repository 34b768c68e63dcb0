#pragma once
// The extents of a file, in the units of the file system that made the list (sectors or
// clusters); a negative start marks a hole.
#include <cstdint>

/// One extent. Stored raw in results files: 16 bytes, start first.
struct DataRun {
    long long s64Start = 0;
    long long s64Length = 0;
};
static_assert(sizeof(DataRun) == 16, "DataRun is stored raw in results files");

class IDataRunList {
public:
    virtual ~IDataRunList() = default;
    /// Null when empty; otherwise moves the cursor to the first run and returns it.
    virtual DataRun* GetFirst() = 0;
    /// Moves the cursor on; null once it has passed the last run.
    virtual DataRun* GetNext() = 0;
    /// True once the cursor has passed the last run (and for an empty list).
    virtual int IsDone() = 0;
    virtual int IsResident() = 0;
    /// A new list with the same runs; the caller releases it.
    virtual IDataRunList* Clone() = 0;
    /// Appends a copy of the run, or grows the last run when the new one continues it.
    /// 0 when the run is refused (null, negative length, or an end that overflows).
    virtual int AddDataRun(DataRun const* pRun) = 0;
    virtual long long GetOffset() = 0;
    virtual int GetDataRunListType() = 0;
    virtual void Release() = 0;
};

/// A new empty list; the caller frees it with Release().
IDataRunList* CreateDataRunList();
