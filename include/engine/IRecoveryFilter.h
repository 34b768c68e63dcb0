#pragma once
// The category filter that the searchers and the tree builder ask about every node they find.
#include <cstdint>

class IFileNode;

/// The categories the user picks, as bits; the same numbers key the "FileType" list.
enum _FILTER_TYPE : unsigned int {
    FILTER_TYPE_PICTURE = 1,
    FILTER_TYPE_MUSIC = 2,
    FILTER_TYPE_MOVIE = 4,
    FILTER_TYPE_ARCHIVE = 8,
    FILTER_TYPE_DOCUMENT = 16,
    FILTER_TYPE_OTHER = 32,
    FILTER_TYPE_ALL = 63,  // no filtering
};

enum _SCAN_TYPE : unsigned int {
    SCAN_TYPE_QUICK_MOUNTED = 0,  // live files are hidden: the user can copy them anyway
    SCAN_TYPE_DEEP = 1,
    SCAN_TYPE_QUICK_UNMOUNTED = 2,
};

/// Category of an extension; stored as a u32 in carved-file records.
enum FILE_TYPE_ID : std::uint32_t {
    FILE_TYPE_PICTURE = 2,
    FILE_TYPE_MUSIC = 3,
    FILE_TYPE_MOVIE = 4,
    FILE_TYPE_ARCHIVE = 5,
    FILE_TYPE_DOCUMENT = 6,
    FILE_TYPE_OTHER = 7,  // extensions in no list, and names without one
};

class IRecoveryFilter {
public:
    virtual ~IRecoveryFilter() = default;
    /// False for a quick scan of a mounted volume, which lists deleted files only.
    virtual bool ShowNormalFiles() const = 0;
    virtual void SetScanType(_SCAN_TYPE eType) = 0;
    /// False for a null node; folders always pass; files pass when their category is chosen.
    virtual bool IsFileNodeValid(IFileNode* pNode) = 0;
    /// Any mix of `_FILTER_TYPE` bits; 63 turns filtering off.
    virtual void SetFilterTypes(unsigned int u32Bits) = 0;
    /// The node's category as a filter bit; FILTER_TYPE_OTHER for a null node.
    virtual _FILTER_TYPE GetNodeFileType(IFileNode* pNode) = 0;
    /// Does nothing: the filter lives until the process ends.
    virtual void Release() = 0;
};

/// The process-wide filter, built on first call from the lists given to
/// `CFileTypeManager::Initialze` before it. Never null; not to be freed.
IRecoveryFilter* CreateFilter();
