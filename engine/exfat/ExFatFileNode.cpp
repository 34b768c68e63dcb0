#include "engine/exfat/ExFatFileNode.h"

CExFatFileNode::CExFatFileNode(CExFatFileNode const& other)
    : CFileNode(other),
      m_name(other.m_name),
      m_s64Size(other.m_s64Size),
      m_u32Flags(other.m_u32Flags),
      m_creationTime(other.m_creationTime),
      m_modificationTime(other.m_modificationTime),
      m_lastAccessTime(other.m_lastAccessTime) {
    SetNodeID(-1);
    SetParentNodeID(-1);
}

IFileNode* CExFatFileNode::Clone() { return new CExFatFileNode(*this); }

void CExFatFileNode::SetFileName(char const* pszName) {
    if (pszName != nullptr) m_name.Set(pszName);
}

void CExFatFileNode::SetFileTime(_FILETIME creation, _FILETIME modification, _FILETIME lastAccess) {
    m_creationTime = creation;
    m_modificationTime = modification;
    m_lastAccessTime = lastAccess;
}
