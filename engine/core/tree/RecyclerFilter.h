#pragma once
// Name tests for Windows recycle bins: the bin folders, their "$I" index files and the "$R"
// data files whose original names the index files keep.
#include <string_view>

class CFileNode;

class CRecyclerFilter {
public:
    /// A folder named, case ignored, "Recycler", "Recycled", "$Recycle.Bin" or "$RECYCLE.BI0".
    static bool IsRecycleBinSigleNode(CFileNode* pNode);
    /// The node or one of its linked ancestors is a bin folder.
    static bool IsRecycleBin(CFileNode* pNode);
    /// An index file: "$I" or "#I" and at least those two characters.
    static bool IsRecoverNode(CFileNode* pNode);
    /// A data file: "$R" or "#R", but not one of the file system's own "$Rm..." style names.
    static bool IsRecoverNodeEx(CFileNode* pNode);

    static bool IsBinFolderName(std::string_view name);
    static bool IsIndexName(std::string_view name);
    static bool IsDataName(std::string_view name);
};
