#include "engine/carve/RAWFileManager.h"

#include <memory>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/carve/RAWFileNode.h"

int CRAWFileManager::AddRawFileInfo(CRawFileInfo const* pInfo) {
    if (pInfo == nullptr) return 0;
    int const iID = static_cast<int>(m_u32NextFileID++);
    return AddNode(pInfo, CRAWFileProperties::kAttributeFile, static_cast<int>(m_eCategory), iID);
}

int CRAWFileManager::AddNode(CRawFileInfo const* pInfo, std::uint32_t u32Attribute, int iParentID, int iNodeID) {
    auto pNode = std::make_unique<CRAWFileNode>();
    if (!pNode->Initilaize(pInfo, u32Attribute, iParentID, iNodeID) || m_pBuilder == nullptr) return 0;
    int iFolderID = 0;
    if (!bFindParent(pNode.get(), iFolderID)) iFolderID = CreateParentNode(pNode.get());
    pNode->SetParentNodeID(iFolderID);
    if (m_pBuilder->AddNode(pNode.get(), SEARCHER_TYPE_RAW) == 0) return 0;
    pNode.release();  // the tree owns it now
    return 1;
}

bool CRAWFileManager::bFindParent(CRAWFileNode* pNode, int& iID) const {
    auto const it = m_folders.find(GetExt(pNode));
    if (it == m_folders.end()) return false;
    iID = it->second;
    return true;
}

int CRAWFileManager::CreateParentNode(CRAWFileNode* pNode) {
    std::string const extension = GetExt(pNode);
    CRawFileInfo const folder = MakeDirNode(extension.c_str());
    int const iID = static_cast<int>(g_nID);
    auto pFolder = std::make_unique<CRAWFileNode>();
    pFolder->Initilaize(&folder, CRAWFileProperties::kAttributeFolder, m_u32FolderParentID, iID);
    m_folders[extension] = iID;
    ++g_nID;
    if (m_pBuilder != nullptr && m_pBuilder->AddNode(pFolder.get(), SEARCHER_TYPE_RAW) != 0) pFolder.release();
    return iID;
}

std::string CRAWFileManager::GetExt(CRAWFileNode* pNode) {
    std::string_view const name = pNode != nullptr ? CFileNode::NameOrEmpty(pNode->GetFileName()) : std::string_view();
    std::size_t const dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string extension(name.substr(dot + 1));
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

CRawFileInfo CRAWFileManager::MakeDirNode(char const* pszName) {
    CRawFileInfo folder;
    folder.m_u64StartSector = kFolderStartSector;
    folder.SetRawFileName(pszName != nullptr ? pszName : "");
    return folder;
}
