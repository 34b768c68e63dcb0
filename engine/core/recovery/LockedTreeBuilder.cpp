#include "engine/core/recovery/LockedTreeBuilder.h"

#include "engine/core/tree/DirectoryTreeBuilder.h"

int CLockedTreeBuilder::Initialize(char const* pszName, IDrirectoryTree* pTree, IRecoveryFilter* pFilter) {
    std::lock_guard lock(m_lock);
    return m_pBuilder->Initialize(pszName, pTree, pFilter);
}

int CLockedTreeBuilder::AddNode(IFileNode* pNode, _tagSearcherType eType) {
    std::lock_guard lock(m_lock);
    return m_pBuilder->AddNode(pNode, eType);
}

int CLockedTreeBuilder::AddSearcherInfo(_tagSearcherType eType, long long s64RootID) {
    std::lock_guard lock(m_lock);
    return m_pBuilder->AddSearcherInfo(eType, s64RootID);
}

void CLockedTreeBuilder::FlashBuild(_tagSearcherType eType) {
    std::lock_guard lock(m_lock);
    m_pBuilder->FlashBuild(eType);
}

void CLockedTreeBuilder::SetPartitonDevice(CSearchedPartitionInfo* pPartition, IStorageDevice* pDevice) {
    std::lock_guard lock(m_lock);
    m_pBuilder->SetPartitonDevice(pPartition, pDevice);
}

void CLockedTreeBuilder::ShowWaitingNodes(_tagSearcherType eType) {
    std::lock_guard lock(m_lock);
    m_pBuilder->ShowWaitingNodes(eType);
}

void CLockedTreeBuilder::ShowDueNodes() {
    std::lock_guard lock(m_lock);
    if (auto* pBuilder = dynamic_cast<CDirectoryTreeBuilder*>(m_pBuilder)) pBuilder->ShowDueNodes();
}
