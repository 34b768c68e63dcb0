#include "FakeTreeBuilder.h"

namespace carvetest {

FakeTreeBuilder::~FakeTreeBuilder() {
    for (IFileNode* pNode : m_nodes) pNode->Release();
}

int FakeTreeBuilder::AddNode(IFileNode* pNode, _tagSearcherType eType) {
    if (pNode == nullptr || eType != SEARCHER_TYPE_RAW) return 0;
    if (m_bRefuseFiles && !pNode->IsDirectory()) return 0;
    m_nodes.push_back(pNode);
    return 1;
}

int FakeTreeBuilder::AddSearcherInfo(_tagSearcherType eType, long long s64RootID) {
    m_infos.emplace_back(eType, s64RootID);
    return 1;
}

std::vector<IFileNode*> FakeTreeBuilder::Files() const {
    std::vector<IFileNode*> files;
    for (IFileNode* pNode : m_nodes)
        if (!pNode->IsDirectory()) files.push_back(pNode);
    return files;
}

std::vector<IFileNode*> FakeTreeBuilder::Folders() const {
    std::vector<IFileNode*> folders;
    for (IFileNode* pNode : m_nodes)
        if (pNode->IsDirectory()) folders.push_back(pNode);
    return folders;
}

IFileNode* FakeTreeBuilder::Node(long long s64ID) const {
    for (IFileNode* pNode : m_nodes)
        if (pNode->GetCurrentNodeID() == s64ID) return pNode;
    return nullptr;
}

}  // namespace carvetest
