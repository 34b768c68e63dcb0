// The result trees and lists of the facade: the path tree from the scan's folders, the type and
// date trees through their managers, the list of a tree row and the rows' check states.
#include <strings.h>

#include <cstdio>
#include <ctime>

#include "uimodel/facade/FacadeJobs.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/Seams.h"
#include "uimodel/trees/QNTimeMgr.h"
#include "uimodel/trees/QNTypeMgr.h"
#include "uimodel/trees/TreeStates.h"

namespace uimodel {

namespace {

QNUIScan& Scan() { return *QNUIController::GetModel().pScan; }

/// The scan, and the generation of its collections, that a starting scan or load is about to empty.
QNUIScan const* g_pHeldScan = nullptr;
std::uint64_t g_u64HeldGeneration = 0;

bool TreesHeld() { return &Scan() == g_pHeldScan && Scan().GetDataGeneration() == g_u64HeldGeneration; }

std::string Digits(int iValue, int iWidth) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", iWidth, iValue);
    return text;
}

/// A new scan or load emptied the collections: the rows point at nodes that are gone.
void ResetIfNewScan(TreeArray& array, ITreeInsertSink* pSink) {
    QNUIController::Model const& model = QNUIController::GetModel();
    std::uint64_t const u64Generation = model.pScan->GetDataGeneration();
    if (array.path.u64Generation == u64Generation) return;
    if (!array.empty()) {
        if (pSink) pSink->BeginResetRows();
        model.pTypes->clear();
        model.pTimes->clear();
        array.clear();
        if (pSink) pSink->EndResetRows();
    }
    array.path.u64Generation = u64Generation;
}

std::unique_ptr<OpNodeData> FolderRow(IFileNode* pFolder) {
    auto pRow = std::make_unique<OpNodeData>(__TreeNodeData__{0, 0, 0, pFolder});
    pRow->setExpandAble(true);
    return pRow;
}

/// Rows for the folders that waited for `pParent`'s row, and for those that waited for them;
/// without recursion, since hostile trees nest folders 100,000 deep.
void ReleaseWaiting(PathTreeProgress& progress, IFileNode const* pParent, OpNodeData& parentRow, CTreeBatch& batch) {
    std::vector<std::pair<IFileNode const*, OpNodeData*>> ready{{pParent, &parentRow}};
    while (!ready.empty()) {
        auto const [pNode, pRow] = ready.back();
        ready.pop_back();
        auto const found = progress.waiting.find(pNode);
        if (found == progress.waiting.end()) continue;
        std::vector<IFileNode*> const children = std::move(found->second);
        progress.waiting.erase(found);
        for (IFileNode* pChild : children) {
            if (progress.rows.count(pChild)) continue;
            if (!pChild->IsNodeShow()) {
                progress.hidden.push_back(pChild);
                continue;
            }
            OpNodeData* pChildRow = batch.Append(*pRow, FolderRow(pChild));
            progress.rows[pChild] = pChildRow;
            ready.emplace_back(pChild, pChildRow);
        }
    }
}

/// A folder's row goes under its parent's row; a folder whose parent has none yet waits for it.
void PlaceFolder(PathTreeProgress& progress, IFileNode* pFolder, CTreeBatch& batch) {
    if (progress.rows.count(pFolder)) return;
    if (!pFolder->IsNodeShow()) {
        progress.hidden.push_back(pFolder);
        return;
    }
    IFileNode const* pParent = pFolder->GetParent();
    auto const found = progress.rows.find(pParent);
    if (found == progress.rows.end()) {
        progress.waiting[pParent].push_back(pFolder);
        return;
    }
    OpNodeData* pRow = batch.Append(*found->second, FolderRow(pFolder));
    progress.rows[pFolder] = pRow;
    ReleaseWaiting(progress, pFolder, *pRow, batch);
}

std::string DateRootName(int iViewType) {
    switch (iViewType) {
        case VIEW_CREATION_DATE:
            return GetSeams().pStrings->Text("CREATE_TIME_ROOT_NAME");
        case VIEW_MODIFICATION_DATE:
            return GetSeams().pStrings->Text("MODIFY_TIME_ROOT_NAME");
        default:
            return GetSeams().pStrings->Text("LAST_ACCESS_TIME_ROOT_NAME");
    }
}

bool IsNamed(OpNodeData const* pRow, std::string const& name) { return pRow && pRow->name() == name; }

}  // namespace

void HoldTreesUntilNewData() {
    g_pHeldScan = &Scan();
    g_u64HeldGeneration = Scan().GetDataGeneration();
}

int QNUIController::GetScanTreeNodeData(TreeArray* pArray, bool bClear, ITreeInsertSink* pSink) {
    if (!pArray || TreesHeld()) return 0;
    QNUIScan& scan = Scan();
    // The poller holds its notification while the rows change.
    scan.SetOpTreeFinished(0);
    ResetIfNewScan(*pArray, pSink);
    {
        CTreeBatch batch(pSink);
        for (IFileNode* pRoot : scan.GetFileSystemNode()) {
            if (bClear) {
                pRoot->ShowNode(1);
                pRoot->SetCheck(CHECKED_STATUS_UNCHECKED);
            }
            PathTreeProgress& progress = pArray->path;
            if (scan.GetScanType() != VIEW_PATH || progress.rows.count(pRoot)) continue;
            auto pRow =
                std::make_shared<OpNodeData>(__TreeNodeData__{pRoot->IsDirectory(), pRoot->IsDeleted(), 1, pRoot});
            pRow->setExpandAble(true);
            progress.rows[pRoot] = pRow.get();
            batch.AppendTop(*pArray, pRow);
            ReleaseWaiting(progress, pRoot, *pRow, batch);
        }
    }
    AddNodeToArr(*pArray, pSink);
    scan.SetOpTreeFinished(1);
    return 0;
}

void QNUIController::AddNodeToArr(TreeArray& array, ITreeInsertSink* pSink) {
    if (TreesHeld()) return;
    switch (Scan().GetScanType()) {
        case VIEW_PATH:
            AddPathNodeToArray(array, pSink);
            break;
        case VIEW_FILE_TYPE:
            AddTypeNodeToArr(array, pSink);
            break;
        case VIEW_CREATION_DATE:
        case VIEW_MODIFICATION_DATE:
        case VIEW_ACCESS_DATE:
            AddDateNodeToArray(array, pSink);
            break;
        default:
            break;
    }
}

void QNUIController::AddPathNodeToArray(TreeArray& array, ITreeInsertSink* pSink) {
    QNUIScan& scan = Scan();
    ResetIfNewScan(array, pSink);
    PathTreeProgress& progress = array.path;
    CTreeBatch batch(pSink);
    // A search pass may have shown folders that were hidden when they arrived.
    std::vector<IFileNode*> retry;
    if (std::uint64_t const u64Shown = scan.GetShowGeneration(); u64Shown != progress.u64ShowGeneration) {
        progress.u64ShowGeneration = u64Shown;
        retry.swap(progress.hidden);
    }
    for (IFileNode* pFolder : retry) PlaceFolder(progress, pFolder, batch);
    NodeList const fresh = scan.GetFolderListFrom(progress.nextFolder);
    progress.nextFolder += fresh.size();
    for (IFileNode* pFolder : fresh) PlaceFolder(progress, pFolder, batch);
}

void QNUIController::AddTypeNodeToArr(TreeArray& array, ITreeInsertSink* pSink) {
    Model const& model = GetModel();
    ResetIfNewScan(array, pSink);
    auto const& roots = model.pTypes->getRootNode();
    if (array.rows == roots) {
        // A search or a new scan emptied the folders under the models' feet.
        if (array.path.u64TypeClears != model.pTypes->GetClearCount() && pSink) {
            pSink->BeginResetRows();
            pSink->EndResetRows();
        }
        array.path.u64TypeClears = model.pTypes->GetClearCount();
        model.pTypes->refreshTypeTree(*model.pScan, pSink);
        return;
    }
    // The folders reach the models with what they hold, in one range.
    bool const bHadRows = !array.empty();
    if (pSink && bHadRows) pSink->BeginResetRows();
    array.clear();
    if (pSink && bHadRows) pSink->EndResetRows();
    array.path.u64Generation = model.pScan->GetDataGeneration();
    model.pTypes->refreshTypeTree(*model.pScan, nullptr);
    array.path.u64TypeClears = model.pTypes->GetClearCount();
    if (pSink) pSink->BeginInsertRows(nullptr, 0, roots.size());
    array.rows = roots;
    if (pSink) pSink->EndInsertRows();
}

void QNUIController::AddDateNodeToArray(TreeArray& array, ITreeInsertSink* pSink) {
    Model const& model = GetModel();
    int const iViewType = model.pScan->GetScanType();
    ResetIfNewScan(array, pSink);
    if (!array.empty() && array[0]->type() != iViewType) {
        if (pSink) pSink->BeginResetRows();
        array.clear();
        array.path.u64Generation = model.pScan->GetDataGeneration();
        if (pSink) pSink->EndResetRows();
    }
    if (array.empty()) {
        std::shared_ptr<OpNodeData> pRoot = OpNodeData::MakeFolder(iViewType, DateRootName(iViewType), true);
        CTreeBatch(pSink).AppendTop(array, pRoot);
    }
    model.pTimes->refreshTimeTree(*array[0], *model.pScan, iViewType, pSink);
}

void QNUIController::AddFileNode(IFileNode* pNode, OpNodeData* pRoot) {
    if (!pNode || !pRoot) return;
    CTreeBatch batch(nullptr);
    GetModel().pTimes->AddFileNode(pNode, *pRoot, Scan().GetScanType(), batch);
}

bool QNUIController::IsYearNodeExist(int iYear, TreeArray const& array, std::size_t& index) {
    std::string const name = Digits(iYear, 4);
    for (std::size_t i = 0; i < array.size(); ++i)
        if (IsNamed(array[i], name)) {
            index = i;
            return true;
        }
    return false;
}

bool QNUIController::IsMonthNodeExist(int iMonth, TreeArray const& years, int iYear, std::size_t& index) {
    std::size_t yearIndex = 0;
    if (!IsYearNodeExist(iYear, years, yearIndex)) return false;
    OpNodeData const* pYear = years[yearIndex];
    std::string const name = Digits(iMonth, 2);
    for (std::size_t i = 0; i < pYear->childCount(); ++i)
        if (IsNamed(pYear->childItem(i), name)) {
            index = i;
            return true;
        }
    return false;
}

int QNUIController::GetDateInsertIndex(std::string const& name, TreeArray const& array) {
    for (std::size_t i = 0; i < array.size(); ++i)
        if (::strcasecmp(array[i]->name().c_str(), name.c_str()) > 0) return static_cast<int>(i);
    return -1;
}

bool QNUIController::IsFileNode(IFileNode* pNode, TreeArray const& array) {
    for (std::size_t i = 0; i < array.size(); ++i)
        if (array[i]->fileNode() == pNode) return true;
    return false;
}

bool QNUIController::IsTypeStringExsit(std::string const& name, TreeArray const& array) {
    for (std::size_t i = 0; i < array.size(); ++i)
        if (IsNamed(array[i], name)) return true;
    return false;
}

void QNUIController::AddTypeNodeToArr(TreeArray& array, std::string const& name) {
    array.rows.push_back(OpNodeData::MakeFolder(VIEW_FILE_TYPE, name, true));
}

bool QNUIController::GetFileNodeToArray(FileNodeList& list, OpNodeData* pItem) {
    if (!pItem) return false;
    switch (pItem->type()) {
        case VIEW_PATH:
            return GetPathInfoToArray(list, pItem);
        case VIEW_FILE_TYPE:
            return GetTypeInfoToArray(list, pItem);
        case VIEW_CREATION_DATE:
        case VIEW_MODIFICATION_DATE:
        case VIEW_ACCESS_DATE:
            return GetDateInfoToArray(list, pItem);
        default:
            return false;
    }
}

bool QNUIController::GetPathInfoToArray(FileNodeList& list, OpNodeData* pItem) {
    if (!pItem || !pItem->isDirect() || !pItem->fileNode()) return false;
    list.clear();
    for (IFileNode* pChild = pItem->fileNode()->GetFirstChild(); pChild; pChild = pChild->GetNextNode())
        if (!pChild->IsDirectory() && pChild->IsNodeShow()) list.push_back(pChild);
    return !list.empty();
}

bool QNUIController::GetTypeInfoToArray(FileNodeList& list, OpNodeData* pItem) {
    if (!pItem) return false;
    list.clear();
    if (!pItem->parent() && !GetModel().pTypes->isOtherNode(pItem)) return true;
    for (std::size_t i = 0; i < pItem->childCount(); ++i)
        if (IFileNode* pNode = pItem->childNode(i)) list.push_back(pNode);
    return false;
}

bool QNUIController::GetDateInfoToArray(FileNodeList& list, OpNodeData* pItem) {
    if (!pItem) return false;
    list.clear();
    OpNodeData const* pParent = pItem->parent();
    // A month: below a year, and not named as one.
    if (pParent && pParent->parent())
        for (std::size_t i = 0; i < pItem->childCount(); ++i)
            if (IFileNode* pNode = pItem->childNode(i)) list.push_back(pNode);
    return false;
}

std::size_t QNUIController::GetNodeChildrenCnt(OpNodeData const* pItem) { return GetTimeNodeChildrenCnt(pItem); }

std::size_t QNUIController::GetTimeNodeChildrenCnt(OpNodeData const* pItem) {
    // A group reads as the files it holds: counting its sub-groups too made "2026(41)" over 40
    // photos. The row keeps the count as files arrive: a paint asks for it, and walks nothing.
    return pItem ? pItem->filesBelow() : 0;
}

void QNUIController::RefreshTimeTreeState(TreeArray& roots) {
    // Roots and years follow their files as the months do, so that files checked on another
    // tab show here too.
    for (std::size_t r = 0; r < roots.size(); ++r) RefreshGroupStates(*roots[r]);
}

void QNUIController::RefreshTypeTreeState() {
    // The whole tree: a check made on another tab may have changed any category.
    GetModel().pTypes->refreshTypeTreeState();
}

}  // namespace uimodel
