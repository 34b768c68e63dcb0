#include "uimodel/trees/OpNodeData.h"

#include <algorithm>

#include "uimodel/support/NodeNames.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/support/Seams.h"

namespace uimodel {

namespace {

unsigned long long Ticks(_FILETIME ft) {
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::string TimeText(_FILETIME ft) {
    return GetSeams().formatTime ? GetSeams().formatTime(ft) : FormatFileTimeToString(ft);
}

int ChildState(OpNodeData::Child const& child) {
    if (auto const* pItem = std::get_if<std::unique_ptr<OpNodeData>>(&child)) return (*pItem)->state();
    return OpNodeData::fileNodeState(std::get<IFileNode*>(child));
}

}  // namespace

OpNodeData::OpNodeData(int iType, IFileNode* pNode, int iFileSystem)
    : m_iType(iType),
      m_iFileSystem(iFileSystem),
      m_pNode(pNode),
      m_createTime(std::time(nullptr)),
      m_modifyTime(m_createTime) {}

OpNodeData::OpNodeData(__TreeNodeData__ const& data) : OpNodeData(VIEW_PATH, data.pNode, data.iFileSystem) {}

OpNodeData::OpNodeData(IFileNode* pNode) : OpNodeData(VIEW_PATH, pNode, 0) {}

std::unique_ptr<OpNodeData> OpNodeData::MakeFolder(int iType, std::string name, bool bExpandable) {
    std::unique_ptr<OpNodeData> pFolder(new OpNodeData(iType, nullptr, 0));
    pFolder->m_fadeName = std::move(name);
    pFolder->m_bExpandable = bExpandable;
    return pFolder;
}

OpNodeData* OpNodeData::childItem(std::size_t index) const {
    if (index >= m_children.size()) return nullptr;
    auto const* pItem = std::get_if<std::unique_ptr<OpNodeData>>(&m_children[index]);
    return pItem ? pItem->get() : nullptr;
}

IFileNode* OpNodeData::childNode(std::size_t index) const {
    if (index >= m_children.size()) return nullptr;
    auto const* ppNode = std::get_if<IFileNode*>(&m_children[index]);
    return ppNode ? *ppNode : nullptr;
}

OpNodeData* OpNodeData::addChildObject(std::unique_ptr<OpNodeData> pChild) {
    return insertChildObject(m_children.size(), std::move(pChild));
}

void OpNodeData::addChildObject(IFileNode* pNode) {
    m_children.emplace_back(pNode);
    if (isShownFile(pNode)) AddFilesBelow(1);
}

OpNodeData* OpNodeData::insertChildObject(std::size_t index, std::unique_ptr<OpNodeData> pChild) {
    OpNodeData* pRow = pChild.get();
    pRow->m_pParent = this;
    index = std::min(index, m_children.size());
    m_children.emplace(m_children.begin() + static_cast<std::ptrdiff_t>(index), std::move(pChild));
    // A row that took its files before it was placed brings them along.
    if (pRow->m_filesBelow != 0) AddFilesBelow(static_cast<std::ptrdiff_t>(pRow->m_filesBelow));
    return pRow;
}

void OpNodeData::clearChildren() {
    FreeChildren();
    AddFilesBelow(-static_cast<std::ptrdiff_t>(m_filesBelow));
}

void OpNodeData::setFilesBelow(std::size_t files) {
    AddFilesBelow(static_cast<std::ptrdiff_t>(files) - static_cast<std::ptrdiff_t>(m_filesBelow));
}

bool OpNodeData::isShownFile(IFileNode* pNode) { return pNode && !pNode->IsDirectory() && pNode->IsNodeShow(); }

void OpNodeData::AddFilesBelow(std::ptrdiff_t delta) {
    if (delta == 0) return;
    // Group trees stand three rows deep; path rows hold no files, so theirs never move.
    for (OpNodeData* pRow = this; pRow; pRow = pRow->m_pParent)
        pRow->m_filesBelow = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(pRow->m_filesBelow) + delta);
}

void OpNodeData::FreeChildren() {
    std::vector<std::unique_ptr<OpNodeData>> doomed;
    auto const take = [&doomed](OpNodeData& row) {
        for (Child& child : row.m_children)
            if (auto* pItem = std::get_if<std::unique_ptr<OpNodeData>>(&child); pItem && *pItem)
                doomed.push_back(std::move(*pItem));
        row.m_children.clear();
    };
    take(*this);
    while (!doomed.empty()) {
        std::unique_ptr<OpNodeData> pRow = std::move(doomed.back());
        doomed.pop_back();
        take(*pRow);
    }
}

bool OpNodeData::isDirect() const {
    if (isFadeNode()) return true;
    return m_pNode && m_pNode->IsDirectory() != 0;
}

long long OpNodeData::size() const { return isDirect() || !m_pNode ? 0 : m_pNode->GetFileSize(); }

std::string OpNodeData::name() const {
    if (isFadeNode()) return m_fadeName;
    return m_pNode ? fileNodeName(m_pNode) : std::string();
}

std::string OpNodeData::path() const { return isFadeNode() || !m_pNode ? std::string() : GetPathByFileNode(m_pNode); }

std::string OpNodeData::createTime() const {
    if (isFadeNode() || !m_pNode || Ticks(m_pNode->GetCreationTime()) == 0) return {};
    return TimeText(m_pNode->GetCreationTime());
}

std::string OpNodeData::modifyTime() const {
    return isFadeNode() || !m_pNode ? std::string() : TimeText(m_pNode->GetModificationTime());
}

std::string OpNodeData::lastAccessTime() const {
    return isFadeNode() || !m_pNode ? std::string() : TimeText(m_pNode->GetLastAccessTime());
}

unsigned long long OpNodeData::createTimeValue() const {
    return isFadeNode() || !m_pNode ? 0 : Ticks(m_pNode->GetCreationTime());
}

unsigned long long OpNodeData::modifyTimeValue() const {
    return isFadeNode() || !m_pNode ? 0 : Ticks(m_pNode->GetModificationTime());
}

bool OpNodeData::isDeleted() const { return !isFadeNode() && m_pNode && m_pNode->IsDeleted() != 0; }

bool OpNodeData::IsShow() const { return isFadeNode() || (m_pNode && m_pNode->IsNodeShow() != 0); }

void OpNodeData::SetShow(int iShow) {
    if (!isFadeNode() && m_pNode) m_pNode->ShowNode(iShow);
}

int OpNodeData::state() const { return !isFadeNode() && m_pNode ? fileNodeState(m_pNode) : m_iState; }

void OpNodeData::setNodeState(int iState) {
    if (!isFadeNode() && m_pNode)
        setFileNode(m_pNode, iState);
    else
        m_iState = iState;
    if (m_pParent && m_pParent->isFadeNode()) setParentNodeState(iState);
    SetChildrenNodeState(iState);
}

int OpNodeData::StateFromChildren() const {
    long long s64Sum = 0;
    for (Child const& child : m_children) s64Sum += ChildState(child);
    if (s64Sum == 0) return CHECKED_STATUS_UNCHECKED;
    if (s64Sum == 2 * static_cast<long long>(m_children.size())) return CHECKED_STATUS_CHECKED;
    return CHECKED_STATUS_MIXED;
}

void OpNodeData::setParentNodeState(int iState) {
    // Climbs through every fade ancestor; a loop, since the rows may stand very deep.
    for (OpNodeData* pRow = this;;) {
        pRow->m_iState = iState;
        OpNodeData* pParent = pRow->m_pParent;
        if (!pParent || !pParent->isFadeNode()) return;
        if (iState != CHECKED_STATUS_MIXED) iState = pParent->StateFromChildren();
        pRow = pParent;
    }
}

void OpNodeData::SetChildrenNodeState(int iState) {
    std::vector<OpNodeData*> pending{this};
    while (!pending.empty()) {
        OpNodeData* pRow = pending.back();
        pending.pop_back();
        if (!pRow->isFadeNode() && pRow->m_pNode) {
            // The engine already passed the state down the node's own subtree.
            if (pRow->m_pParent && pRow->m_pParent->isFadeNode()) setFileNode(pRow->m_pNode, iState);
            continue;
        }
        pRow->m_iState = iState;
        if (iState == CHECKED_STATUS_MIXED) continue;
        for (Child const& child : pRow->m_children) {
            if (auto const* pItem = std::get_if<std::unique_ptr<OpNodeData>>(&child))
                pending.push_back(pItem->get());
            else
                setFileNode(std::get<IFileNode*>(child), iState);
        }
    }
}

bool OpNodeData::isHasFolderChildren() const {
    if (isFadeNode()) return m_bExpandable;
    if (!m_pNode) return false;
    for (IFileNode* pChild = m_pNode->GetFirstChild(); pChild; pChild = pChild->GetNextNode())
        if (pChild->IsDirectory()) return true;
    return false;
}

int OpNodeData::nodeType() const {
    if (!isFadeNode()) {
        if (!m_pNode) return 10;
        return m_iFileSystem != 0 ? 0 : 1;
    }
    switch (m_iType) {
        case VIEW_FILE_TYPE:
            switch (StringToFilterType(m_fadeName.c_str())) {
                case FILTER_TYPE_PICTURE:
                    return 2;
                case FILTER_TYPE_MUSIC:
                    return 3;
                case FILTER_TYPE_MOVIE:
                    return 4;
                case FILTER_TYPE_ARCHIVE:
                    return 5;
                case FILTER_TYPE_DOCUMENT:
                    return 6;
                default:
                    return 7;
            }
        case VIEW_CREATION_DATE:
        case VIEW_MODIFICATION_DATE:
            return m_pParent ? 9 : 8;
        default:
            return 10;
    }
}

bool OpNodeData::isFileNodeDirect(IFileNode* pNode) { return pNode && pNode->IsDirectory() != 0; }

bool OpNodeData::isFileNodeDeleted(IFileNode* pNode) { return pNode && pNode->IsDeleted() != 0; }

int OpNodeData::fileNodeState(IFileNode* pNode) { return pNode ? static_cast<int>(pNode->GetCheckedStatus()) : 0; }

void OpNodeData::setFileNode(IFileNode* pNode, int iState) {
    if (pNode && (iState == CHECKED_STATUS_UNCHECKED || iState == CHECKED_STATUS_CHECKED))
        pNode->SetCheck(static_cast<_tagCheckedStatus>(iState));
}

std::string OpNodeData::fileNodeName(IFileNode* pNode) {
    char const* pszName = pNode ? pNode->GetFileName() : nullptr;
    return pszName ? std::string(pszName) : std::string();
}

}  // namespace uimodel
