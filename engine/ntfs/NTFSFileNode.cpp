#include "engine/ntfs/NTFSFileNode.h"

#include "engine/FileTimeTicks.h"

CNTFSFileNode::CNTFSFileNode(CNTFSFileNode const& other)
    : CFileNode(other), m_pProperties(std::make_unique<CNTFSFileProperties>(*other.m_pProperties)) {
    SetNodeID(-1);
    SetParentNodeID(-1);
}

IFileNode* CNTFSFileNode::Clone() { return new CNTFSFileNode(*this); }

_FILETIME CNTFSFileNode::GetCreationTime() { return FileTimeFromTicks(m_pProperties->GetCreationTime()); }
_FILETIME CNTFSFileNode::GetModificationTime() { return FileTimeFromTicks(m_pProperties->GetModificationTime()); }
_FILETIME CNTFSFileNode::GetLastAccessTime() { return FileTimeFromTicks(m_pProperties->GetLastAccessTime()); }

void CNTFSFileNode::FilterFileNameByDot() {
    if (char const* pszName = m_pProperties->GetFileName()) m_pProperties->SetFileName(CFileNode::FilterFileNameByDot(pszName).c_str());
}

void CNTFSFileNode::SetFileProperties(std::unique_ptr<CNTFSFileProperties> pProperties) {
    if (!pProperties) return;
    m_pProperties = std::move(pProperties);
    SetDataRunList(ReleasePtr<IDataRunList>(m_pProperties->GetDataRunList()));
    SetMetaDataSector(m_pProperties->GetFileRecordStartSector());
    SetCompressed(m_pProperties->IsCompressed() ? 1 : 0);
}

void CNTFSFileNode::SetFolder(bool bFolder) {
    auto const u16Attribute = static_cast<std::uint16_t>(m_pProperties->GetAttribute());
    m_pProperties->SetAttribute(bFolder ? u16Attribute | kAttributeFolder : u16Attribute & ~kAttributeFolder);
}

void CNTFSFileNode::SetDeleted(bool bDeleted) {
    unsigned short const u16State = m_pProperties->GetState();
    m_pProperties->SetState(bDeleted ? u16State | CNTFSFileProperties::kStateDeleted : u16State & ~CNTFSFileProperties::kStateDeleted);
}

void CNTFSFileNode::SetFileAttributes(std::uint32_t u32Attributes) {
    auto const u16Folder = static_cast<std::uint16_t>(m_pProperties->GetAttribute() & kAttributeFolder);
    m_pProperties->SetAttribute(static_cast<std::uint16_t>((u32Attributes & ~kAttributeFolder) | u16Folder));
}
