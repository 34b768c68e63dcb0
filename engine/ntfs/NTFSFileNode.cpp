#include "engine/ntfs/NTFSFileNode.h"

#include "engine/core/tree/FileTimeTicks.h"

CNTFSFileNode::CNTFSFileNode(CNTFSFileNode const& other)
    : CFileNode(other),
      m_name(other.m_name),
      m_s64Size(other.m_s64Size),
      m_bFolder(other.m_bFolder),
      m_bDeleted(other.m_bDeleted),
      m_u32Attributes(other.m_u32Attributes),
      m_creationTime(other.m_creationTime),
      m_modificationTime(other.m_modificationTime),
      m_lastAccessTime(other.m_lastAccessTime),
      m_u64RecordByte(other.m_u64RecordByte),
      m_u32RecordSize(other.m_u32RecordSize) {
    SetNodeID(-1);
    SetParentNodeID(-1);
}

IFileNode* CNTFSFileNode::Clone() { return new CNTFSFileNode(*this); }

void CNTFSFileNode::FilterFileNameByDot() {
    if (m_name) *m_name = CFileNode::FilterFileNameByDot(*m_name);
}

void CNTFSFileNode::SetFileName(char const* pszName) {
    if (pszName != nullptr) m_name = pszName;
}

void CNTFSFileNode::SetFileTime(std::uint64_t u64Creation, std::uint64_t u64Modification, std::uint64_t u64Access) {
    m_creationTime = FileTimeFromTicks(u64Creation);
    m_modificationTime = FileTimeFromTicks(u64Modification);
    m_lastAccessTime = FileTimeFromTicks(u64Access);
}

void CNTFSFileNode::SetRecordPosition(std::uint64_t u64Byte, std::uint32_t u32RecordSize) {
    m_u64RecordByte = u64Byte;
    m_u32RecordSize = u32RecordSize;
}
