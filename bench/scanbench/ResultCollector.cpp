#include "ResultCollector.h"

#include <cstdio>

namespace scanbench {

void CResultCollector::ShowNodes(IFileNode** ppNodes, unsigned int u32Count, int) {
    if (!ppNodes) return;
    m_nodes.insert(m_nodes.end(), ppNodes, ppNodes + u32Count);
}

void CResultCollector::ShowFilesystemNode(IFilesystemNode* pRoot) {
    if (!pRoot) return;
    char const* pszName = pRoot->GetFileName();
    std::printf("=====ShowFileSystemNodes:%s\n", pszName ? pszName : "");
    _tagSearcherType const eType = pRoot->GetSearcheType();
    if (eType != SEARCHER_TYPE_RAW && eType != SEARCHER_TYPE_NONE) ++m_u32FileSystems;
    if (m_bCopyOutAtRoot && pRoot->IsDirectory() && m_copyOuts.count(eType) == 0)
        m_copyOuts[eType].reset(m_pController->GetDataRecovery(eType));
}

IDataRecovery* CResultCollector::CopyOut(_tagSearcherType eType) {
    ReleasePtr<IDataRecovery>& pCopyOut = m_copyOuts[eType];
    if (!pCopyOut) pCopyOut.reset(m_pController->GetDataRecovery(eType));
    return pCopyOut.get();
}

}  // namespace scanbench
