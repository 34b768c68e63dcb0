#include "engine/ntfs/NTFSFileNode.h"

#include <cstring>
#include <string_view>

#include "engine/FileTimeTicks.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"

CNTFSFileNode::CNTFSFileNode(CNTFSFileNode const& other)
    : CFileNode(other),
      m_u16Attribute(other.m_u16Attribute),
      m_u16State(static_cast<std::uint16_t>(other.m_u16State & ~kStateNameBehind)),  // the copy's name is its own
      m_u16RecordSize(other.m_u16RecordSize),
      m_name(other.m_name),
      m_s64Size(other.m_s64Size),
      m_s64InitializedSize(other.m_s64InitializedSize),
      m_u64Creation(other.m_u64Creation),
      m_u64Modification(other.m_u64Modification),
      m_u64LastAccess(other.m_u64LastAccess),
      m_u64RecordByte(other.m_u64RecordByte) {
    SetNodeID(-1);
    SetParentNodeID(-1);
}

CNTFSFileNode::~CNTFSFileNode() {
    if (m_u16State & kStateNameBehind) m_name.Unlend();
}

ReleasePtr<CNTFSFileNode> CNTFSFileNode::FromProperties(std::unique_ptr<CNTFSFileProperties> pProperties) {
    char const* pszName = pProperties ? pProperties->GetFileName() : nullptr;
    if (pszName == nullptr) {
        ReleasePtr<CNTFSFileNode> pNode(new CNTFSFileNode());
        pNode->SetFileProperties(std::move(pProperties));
        return pNode;
    }
    std::size_t const nameBytes = std::strlen(pszName) + 1;
    ReleasePtr<CNTFSFileNode> pNode(new (NameRoom{nameBytes}) CNTFSFileNode());
    char* pszBehind = reinterpret_cast<char*>(pNode.get() + 1);
    std::memcpy(pszBehind, pszName, nameBytes);
    pNode->m_name.Lend(pszBehind);
    pNode->m_u16State = kStateNameBehind;
    pNode->SetFileProperties(std::move(pProperties));  // the name, equal, stays where it is
    return pNode;
}

IFileNode* CNTFSFileNode::Clone() { return new CNTFSFileNode(*this); }

void CNTFSFileNode::SetName(std::string_view name) {
    if (m_u16State & kStateNameBehind) {
        m_name.Unlend();
        m_u16State = static_cast<std::uint16_t>(m_u16State & ~kStateNameBehind);
    }
    m_name.Set(name);
}

std::optional<long long> CNTFSFileNode::GetInitializedSize() const {
    if ((m_u16State & kStateHasInitializedSize) == 0) return std::nullopt;
    return m_s64InitializedSize;
}

_FILETIME CNTFSFileNode::GetCreationTime() { return FileTimeFromTicks(m_u64Creation); }
_FILETIME CNTFSFileNode::GetModificationTime() { return FileTimeFromTicks(m_u64Modification); }
_FILETIME CNTFSFileNode::GetLastAccessTime() { return FileTimeFromTicks(m_u64LastAccess); }

void CNTFSFileNode::SetFileProperties(std::unique_ptr<CNTFSFileProperties> pProperties) {
    if (!pProperties) return;
    char const* pszName = pProperties->GetFileName();
    if (pszName != nullptr && (m_name.Get() == nullptr || std::strcmp(pszName, m_name.Get()) != 0)) SetName(pszName);
    m_s64Size = pProperties->GetFileSize();
    std::optional<long long> const initialized = pProperties->GetInitializedSize();
    m_s64InitializedSize = initialized.value_or(0);
    SetFileTime(pProperties->GetCreationTime(), pProperties->GetModificationTime(), pProperties->GetLastAccessTime());
    m_u64MftChange = pProperties->GetMftChangeTime();
    SetRecordPosition(pProperties->GetFileRecordByte(), pProperties->GetFileRecordSize());
    m_u16Attribute = static_cast<std::uint16_t>(pProperties->GetAttribute());
    m_u16State =
        static_cast<std::uint16_t>((pProperties->GetState() & ~kNodeOwnBits) | (m_u16State & kStateNameBehind) |
                                   (initialized ? kStateHasInitializedSize : 0));
    SetDataRunList(ReleasePtr<IDataRunList>(pProperties->GetDataRunList()));
    SetMetaDataSector(pProperties->GetFileRecordStartSector());
    SetCompressed(pProperties->IsCompressed() ? 1 : 0);
}

void CNTFSFileNode::SetFolder(bool bFolder) {
    m_u16Attribute =
        static_cast<std::uint16_t>(bFolder ? m_u16Attribute | kAttributeFolder : m_u16Attribute & ~kAttributeFolder);
}

void CNTFSFileNode::SetDeleted(bool bDeleted) {
    m_u16State = static_cast<std::uint16_t>(bDeleted ? m_u16State | CNTFSFileProperties::kStateDeleted
                                                     : m_u16State & ~CNTFSFileProperties::kStateDeleted);
}

void CNTFSFileNode::SetFileAttributes(std::uint32_t u32Attributes) {
    auto const u16Folder = static_cast<std::uint16_t>(m_u16Attribute & kAttributeFolder);
    m_u16Attribute = static_cast<std::uint16_t>((u32Attributes & ~kAttributeFolder) | u16Folder);
}

void CNTFSFileNode::SetFileTime(std::uint64_t u64Creation, std::uint64_t u64Modification, std::uint64_t u64Access) {
    m_u64Creation = u64Creation;
    m_u64Modification = u64Modification;
    m_u64LastAccess = u64Access;
}

void CNTFSFileNode::SetRecordPosition(std::uint64_t u64Byte, std::uint32_t u32RecordSize) {
    static_assert(ntfs::kMaxFileRecordSize <= UINT16_MAX);
    m_u64RecordByte = u64Byte;
    m_u16RecordSize = static_cast<std::uint16_t>(u32RecordSize <= ntfs::kMaxFileRecordSize ? u32RecordSize : 0);
}
