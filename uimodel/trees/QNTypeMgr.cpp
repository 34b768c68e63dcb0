#include "uimodel/trees/QNTypeMgr.h"

#include "uimodel/FileTypeList.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/NodeNames.h"
#include "uimodel/support/QNUIFilter.h"

namespace uimodel {

namespace {

constexpr _FILTER_TYPE kCategories[] = {FILTER_TYPE_PICTURE, FILTER_TYPE_MUSIC,    FILTER_TYPE_MOVIE,
                                        FILTER_TYPE_ARCHIVE, FILTER_TYPE_DOCUMENT, FILTER_TYPE_OTHER};

}  // namespace

QNTypeMgr::QNTypeMgr(std::map<int, std::string> lists) : m_lists(std::move(lists)) {
    // In bit order, so an extension listed twice belongs to the later category.
    for (_FILTER_TYPE const eCategory : kCategories) {
        auto const found = m_lists.find(static_cast<int>(eCategory));
        if (found == m_lists.end()) continue;
        std::string const& text = found->second;
        for (std::size_t begin = 0; begin <= text.size();) {
            std::size_t end = text.find(';', begin);
            if (end == std::string::npos) end = text.size();
            if (end > begin) m_typeDict[text.substr(begin, end - begin)] = eCategory;
            begin = end + 1;
        }
    }
    for (_FILTER_TYPE const eCategory : kCategories) {
        std::shared_ptr<OpNodeData> pFolder = OpNodeData::MakeFolder(VIEW_FILE_TYPE, FilterTypeToString(eCategory), true);
        m_roots.push_back(std::move(pFolder));
    }
}

QNTypeMgr& QNTypeMgr::share() {
    static QNTypeMgr s_manager(filetypes::ReadFileTypeList(filetypes::LocateFileTypeList()));
    return s_manager;
}

std::string QNTypeMgr::getTypeString(int iBit) const {
    auto const found = m_lists.find(iBit);
    return found == m_lists.end() ? std::string() : found->second;
}

_FILTER_TYPE QNTypeMgr::CategoryOf(std::string const& extension) const {
    auto const found = m_typeDict.find(extension);
    return found == m_typeDict.end() ? FILTER_TYPE_OTHER : found->second;
}

OpNodeData* QNTypeMgr::FolderOf(_FILTER_TYPE eCategory) const {
    for (std::size_t i = 0; i < std::size(kCategories); ++i)
        if (kCategories[i] == eCategory) return m_roots[i].get();
    return m_roots.back().get();
}

bool QNTypeMgr::isOtherNode(OpNodeData const* pItem) const { return pItem && pItem == m_roots.back().get(); }

OpNodeData& QNTypeMgr::ExtensionFolder(std::string const& extension, CTreeBatch& batch) {
    OpNodeData*& pFolder = m_subNodes[extension];
    if (!pFolder) pFolder = batch.Append(*FolderOf(CategoryOf(extension)), OpNodeData::MakeFolder(VIEW_FILE_TYPE, extension, true));
    return *pFolder;
}

void QNTypeMgr::refreshTypeTree(QNUIScan const& scan, ITreeInsertSink* pSink) {
    // Resume points of an emptied scan would skip the new scan's first files.
    std::uint64_t const u64Generation = scan.GetDataGeneration();
    if (u64Generation != m_u64Generation) {
        clear();
        m_u64Generation = u64Generation;
    }
    CTreeBatch batch(pSink);
    for (auto const& [eCategory, files] : scan.GetTypeMapFrom(m_resume)) {
        m_resume[eCategory] += files.size();
        for (IFileNode* pNode : files) {
            // A file hidden now stays out until a search resets the tree.
            if (!pNode || !pNode->IsNodeShow()) continue;
            std::string const extension = GetNodeExt(pNode);
            if (!extension.empty() && m_typeDict.count(extension)) batch.Append(ExtensionFolder(extension, batch), pNode);
            else batch.Append(*FolderOf(FILTER_TYPE_OTHER), pNode);
        }
    }
}

void QNTypeMgr::setNodeState(OpNodeData& folder) {
    std::size_t u64Checked = 0, u64Files = 0;
    for (std::size_t i = 0; i < folder.childCount(); ++i) {
        IFileNode* pNode = folder.childNode(i);
        if (!pNode) continue;
        ++u64Files;
        if (pNode->GetCheckedStatus() == CHECKED_STATUS_CHECKED) ++u64Checked;
    }
    // Only files count: the Others folder also holds extension folders.
    int iState = CHECKED_STATUS_UNCHECKED;
    if (u64Checked != 0) iState = u64Checked == u64Files ? CHECKED_STATUS_CHECKED : CHECKED_STATUS_MIXED;
    folder.setOwnState(iState);
}

void QNTypeMgr::refreshTypeTreeState() {
    for (auto const& pCategory : m_roots) {
        if (isOtherNode(pCategory.get())) setNodeState(*pCategory);
        for (std::size_t i = 0; i < pCategory->childCount(); ++i)
            if (OpNodeData* pFolder = pCategory->childItem(i)) setNodeState(*pFolder);
    }
}

void QNTypeMgr::clearData() {
    for (auto const& pCategory : m_roots) {
        pCategory->setOwnState(CHECKED_STATUS_UNCHECKED);
        pCategory->clearChildren();
    }
    m_subNodes.clear();
    ++m_u64Clears;
}

void QNTypeMgr::clear() {
    for (auto const& pCategory : m_roots) pCategory->clearChildren();
    m_subNodes.clear();
    m_bSearch = false;
    initTypeMap();
    ++m_u64Clears;
}

void QNTypeMgr::setSearch(bool bSearch) {
    clearData();
    initTypeMap();
    m_bSearch = bSearch;
}

}  // namespace uimodel
