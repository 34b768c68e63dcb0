#include "uimodel/trees/QNTypeMgr.h"

#include <algorithm>

#include "uimodel/FileTypeList.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/NodeNames.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/trees/TreeStates.h"

namespace uimodel {

namespace {

constexpr _FILTER_TYPE kCategories[] = {FILTER_TYPE_PICTURE, FILTER_TYPE_MUSIC,    FILTER_TYPE_MOVIE,
                                        FILTER_TYPE_ARCHIVE, FILTER_TYPE_DOCUMENT, FILTER_TYPE_OTHER};

constexpr int kIconSide = 16;

/// The image fitted into a square of `iSide` pixels (box-averaged, centred, transparent around).
uimodel::RgbaImage ScaledIcon(uimodel::RgbaImage const& image, int iSide) {
    if (!image.IsImage() || image.pixels.size() < static_cast<std::size_t>(image.iWidth) * image.iHeight * 4) return {};
    uimodel::RgbaImage icon{iSide, iSide, std::vector<std::uint8_t>(static_cast<std::size_t>(iSide) * iSide * 4, 0)};
    int const iLong = std::max(image.iWidth, image.iHeight);
    int const iWidth = std::max(1, image.iWidth * iSide / iLong), iHeight = std::max(1, image.iHeight * iSide / iLong);
    int const iLeft = (iSide - iWidth) / 2, iTop = (iSide - iHeight) / 2;
    for (int y = 0; y < iHeight; ++y)
        for (int x = 0; x < iWidth; ++x) {
            // The source pixels this one covers.
            int const x0 = x * image.iWidth / iWidth, x1 = std::max(x0 + 1, (x + 1) * image.iWidth / iWidth);
            int const y0 = y * image.iHeight / iHeight, y1 = std::max(y0 + 1, (y + 1) * image.iHeight / iHeight);
            for (int c = 0; c < 4; ++c) {
                unsigned long long u64Sum = 0;
                for (int sy = y0; sy < y1; ++sy)
                    for (int sx = x0; sx < x1; ++sx)
                        u64Sum += image.pixels[(static_cast<std::size_t>(sy) * image.iWidth + sx) * 4 + c];
                icon.pixels[(static_cast<std::size_t>(y + iTop) * iSide + x + iLeft) * 4 + c] =
                    static_cast<std::uint8_t>(u64Sum / static_cast<unsigned long long>((x1 - x0) * (y1 - y0)));
            }
        }
    return icon;
}

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
        std::shared_ptr<OpNodeData> pFolder =
            OpNodeData::MakeFolder(VIEW_FILE_TYPE, FilterTypeToString(eCategory), true);
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

uimodel::RgbaImage QNTypeMgr::getImageForType(std::string const& extension) {
    if (!m_pIcons) return {};
    auto const found = m_iconCache.find(extension);
    if (found != m_iconCache.end()) return found->second;
    return m_iconCache[extension] = ScaledIcon(m_pIcons->IconForExtension(extension), kIconSide);
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
    if (!pFolder)
        pFolder =
            batch.Append(*FolderOf(CategoryOf(extension)), OpNodeData::MakeFolder(VIEW_FILE_TYPE, extension, true));
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
            if (!extension.empty() && m_typeDict.count(extension))
                batch.Append(ExtensionFolder(extension, batch), pNode);
            else
                batch.Append(*FolderOf(FILTER_TYPE_OTHER), pNode);
        }
    }
}

void QNTypeMgr::refreshTypeTreeState() {
    for (auto const& pCategory : m_roots) RefreshGroupStates(*pCategory);
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
