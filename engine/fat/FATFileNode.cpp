#include "engine/fat/FATFileNode.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

_FILETIME ToFileTime(std::uint64_t u64Time) {
    _FILETIME time;
    time.dwLowDateTime = static_cast<std::uint32_t>(u64Time);
    time.dwHighDateTime = static_cast<std::uint32_t>(u64Time >> 32);
    return time;
}

}  // namespace

void CFATFileNode::SetFileProperties(std::unique_ptr<CFATFileProperties> pProperties) {
    m_pProperties = std::move(pProperties);
    if (!m_pProperties) return;
    SetNodeID(m_pProperties->GetFirstClusterNum());
    SetParentNodeID(m_pProperties->GetParentFirstClusterNum());
    SetMetaDataSector(m_pProperties->GetMetaDataSector());
    std::fprintf(stderr, "=====%s====== Current:%llx Parent:%llx\n", m_pProperties->GetFileName(),
                 static_cast<unsigned long long>(GetCurrentNodeID()),
                 static_cast<unsigned long long>(GetParentNodeID()));
}

char const* CFATFileNode::GetFileName() { return m_pProperties ? m_pProperties->GetFileName() : nullptr; }
long long CFATFileNode::GetFileSize() { return m_pProperties ? m_pProperties->GetFileSize() : 0; }
std::uint32_t CFATFileNode::GetAttribute() { return m_pProperties ? m_pProperties->GetAttribute() : 0; }
_FILETIME CFATFileNode::GetCreationTime() { return ToFileTime(m_pProperties ? m_pProperties->GetCreationTime() : 0); }
_FILETIME CFATFileNode::GetModificationTime() {
    return ToFileTime(m_pProperties ? m_pProperties->GetModificationTime() : 0);
}
_FILETIME CFATFileNode::GetLastAccessTime() {
    return ToFileTime(m_pProperties ? m_pProperties->GetLastAccessTime() : 0);
}
int CFATFileNode::IsDirectory() { return m_pProperties && m_pProperties->IsDirectory() ? 1 : 0; }
int CFATFileNode::IsDeleted() { return m_pProperties && m_pProperties->IsDeleted() ? 1 : 0; }

IFileNode* CFATFileNode::Clone() {
    if (!m_pProperties) return nullptr;
    auto pCopy = std::make_unique<CFATFileNode>();
    pCopy->SetFileProperties(std::make_unique<CFATFileProperties>(*m_pProperties));
    if (IDataRunList* pRuns = GetDataRunList()) pCopy->SetDataRunList(ReleasePtr<IDataRunList>(pRuns->Clone()));
    return pCopy.release();
}

void CFATFileNode::MarkDeleted() {
    if (m_pProperties) m_pProperties->SetState(m_pProperties->GetState() | CFATFileProperties::kStateDeleted);
}

std::uint64_t CFATFileNode::GetEntryPosition() { return m_pProperties ? m_pProperties->GetEntryPosition() : 0; }

bool CFATFileNode::RenameFound(std::string const& name) {
    if (!m_pProperties) return false;
    m_pProperties->SetFileName(name.c_str());
    return true;
}
