#include "testkit/RecordingTreeBuilder.h"

#include "engine/IFileNode.h"

namespace testkit {

RecordingTreeBuilder::~RecordingTreeBuilder() {
    for (IFileNode* pNode : m_nodes) pNode->Release();
}

int RecordingTreeBuilder::AddNode(IFileNode* pNode, _tagSearcherType eType) {
    if (pNode == nullptr) return 0;
    std::lock_guard lock(m_mutex);
    if (m_onlyType && eType != *m_onlyType) return 0;
    bool const bFile = !pNode->IsDirectory();
    if (bFile && m_bRefuseFiles) return 0;
    m_nodes.push_back(pNode);
    if (bFile) ++m_u64Files;
    return 1;
}

int RecordingTreeBuilder::AddSearcherInfo(_tagSearcherType eType, long long s64RootID) {
    std::lock_guard lock(m_mutex);
    m_infos.emplace_back(eType, s64RootID);
    return 1;
}

void RecordingTreeBuilder::FlashBuild(_tagSearcherType eType) {
    std::lock_guard lock(m_mutex);
    m_flashed.push_back(eType);
}

void RecordingTreeBuilder::RefuseFiles(bool bRefuse) {
    std::lock_guard lock(m_mutex);
    m_bRefuseFiles = bRefuse;
}

std::vector<IFileNode*> RecordingTreeBuilder::Nodes() const {
    std::lock_guard lock(m_mutex);
    return m_nodes;
}

std::vector<IFileNode*> RecordingTreeBuilder::Files() const {
    std::lock_guard lock(m_mutex);
    std::vector<IFileNode*> files;
    for (IFileNode* pNode : m_nodes)
        if (!pNode->IsDirectory()) files.push_back(pNode);
    return files;
}

std::vector<IFileNode*> RecordingTreeBuilder::Folders() const {
    std::lock_guard lock(m_mutex);
    std::vector<IFileNode*> folders;
    for (IFileNode* pNode : m_nodes)
        if (pNode->IsDirectory()) folders.push_back(pNode);
    return folders;
}

std::uint64_t RecordingTreeBuilder::FileCount() const {
    std::lock_guard lock(m_mutex);
    return m_u64Files;
}

IFileNode* RecordingTreeBuilder::Find(std::string const& name) const {
    std::lock_guard lock(m_mutex);
    for (IFileNode* pNode : m_nodes) {
        char const* pszName = pNode->GetFileName();
        if (pszName != nullptr && name == pszName) return pNode;
    }
    return nullptr;
}

IFileNode* RecordingTreeBuilder::Folder(long long s64ID) const {
    std::lock_guard lock(m_mutex);
    for (IFileNode* pNode : m_nodes)
        if (pNode->IsDirectory() && pNode->GetCurrentNodeID() == s64ID) return pNode;
    return nullptr;
}

std::string RecordingTreeBuilder::FolderOf(IFileNode* pNode) const {
    IFileNode* pFolder = pNode != nullptr ? Folder(pNode->GetParentNodeID()) : nullptr;
    char const* pszName = pFolder != nullptr ? pFolder->GetFileName() : nullptr;
    return pszName != nullptr ? pszName : "";
}

std::vector<std::pair<_tagSearcherType, long long>> RecordingTreeBuilder::SearcherInfos() const {
    std::lock_guard lock(m_mutex);
    return m_infos;
}

long long RecordingTreeBuilder::RootID() const {
    std::lock_guard lock(m_mutex);
    return m_infos.empty() ? 0 : m_infos.back().second;
}

std::vector<_tagSearcherType> RecordingTreeBuilder::Flashed() const {
    std::lock_guard lock(m_mutex);
    return m_flashed;
}

}  // namespace testkit
