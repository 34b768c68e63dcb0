#pragma once
// The file-type tree: six category folders, an extension folder per extension that arrived,
// and under those the found files. The category lists come from resources/FileType.plist and
// are the same lists the engine's filter is given, so tree and filter agree.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

#include "engine/IRecoveryFilter.h"
#include "uimodel/thumbnails/ThumbnailDecoder.h"
#include "uimodel/trees/TreeBatch.h"

namespace uimodel {

class QNUIScan;

class QNTypeMgr {
public:
    /// Over the lists "bit -> extensions joined with ';'" (filetypes::ReadFileTypeList's form).
    explicit QNTypeMgr(std::map<int, std::string> lists);
    /// The process's manager over the installed lists, made on first use (main thread).
    static QNTypeMgr& share();

    /// A category's extensions joined with ";"; "" for an unknown bit.
    std::string getTypeString(int iBit) const;
    /// The six category folders in the order 1, 2, 4, 8, 16, 32.
    std::vector<std::shared_ptr<OpNodeData>> const& getRootNode() const { return m_roots; }
    /// Files the scan filed since the last refresh, shown ones only, under their extension's
    /// folder (made when the first file of that extension arrives) or directly under Others
    /// when no list names the extension. Additions reach `pSink` in ranges.
    void refreshTypeTree(QNUIScan const& scan, ITreeInsertSink* pSink);
    /// Recomputes every folder's state from the files below it, categories included.
    void refreshTypeTreeState();
    bool isOtherNode(OpNodeData const* pItem) const;
    /// Where the icons come from (the application's decoder, not owned); none until set.
    void setIconSource(uimodel::IThumbnailDecoder* pDecoder) { m_pIcons = pDecoder; }
    /// The 16 × 16 icon of an extension, made on first use; an empty image without a source.
    uimodel::RgbaImage getImageForType(std::string const& extension);
    /// The category an extension belongs to: the later list wins; none when no list has it.
    _FILTER_TYPE CategoryOf(std::string const& extension) const;

    /// Empties the tree for a search (states unchecked, extension folders dropped).
    void clearData();
    /// Empties the tree and forgets every resume point (before a scan or a load).
    void clear();
    /// A search began or ended: the next refresh rebuilds from the whole scan, shown files only.
    void setSearch(bool bSearch);
    bool isSearch() const { return m_bSearch; }
    /// Changes whenever the tree was emptied: a window's rows of an older value are stale.
    std::uint64_t GetClearCount() const { return m_u64Clears; }

private:
    OpNodeData* FolderOf(_FILTER_TYPE eCategory) const;
    OpNodeData& ExtensionFolder(std::string const& extension, CTreeBatch& batch);
    void initTypeMap() { m_resume.clear(); }

    std::map<int, std::string> m_lists;
    std::unordered_map<std::string, _FILTER_TYPE> m_typeDict;
    std::vector<std::shared_ptr<OpNodeData>> m_roots;
    std::unordered_map<std::string, OpNodeData*> m_subNodes;
    std::map<_FILTER_TYPE, std::size_t> m_resume;
    std::uint64_t m_u64Generation = UINT64_MAX;
    bool m_bSearch = false;
    std::uint64_t m_u64Clears = 0;
    uimodel::IThumbnailDecoder* m_pIcons = nullptr;
    std::unordered_map<std::string, uimodel::RgbaImage> m_iconCache;
};

}  // namespace uimodel
