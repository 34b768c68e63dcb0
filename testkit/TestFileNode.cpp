#include "testkit/TestFileNode.h"

namespace testkit {

CTestFileNode::CTestFileNode(char const* pszName, bool bDirectory) : m_bDirectory(bDirectory) { SetFileName(pszName); }

void CTestFileNode::SetFileName(char const* pszName) {
    if (pszName)
        m_name = pszName;
    else
        m_name.reset();
}

void CTestFileNode::SetTimes(_FILETIME creation, _FILETIME modification, _FILETIME lastAccess) {
    m_creation = creation;
    m_modification = modification;
    m_lastAccess = lastAccess;
}

}  // namespace testkit
