#pragma once
// Files the carved files of one category into the result tree: one folder per lower-case
// extension, made when its first file arrives, and a running node id per file.
#include <cstdint>
#include <map>
#include <string>

#include "engine/IRecoveryFilter.h"
#include "engine/carve/RawFileInfo.h"

class CRAWFileNode;
class IDirecotryTreeBuilder;

class CRAWFileManager {
public:
    static constexpr std::uint32_t kFirstFileID = 10000;
    static constexpr std::uint32_t kFirstFolderID = 10;
    /// The root id the search gives the tree builder; every folder hangs under it.
    static constexpr std::uint32_t kRootID = 1;
    static constexpr std::uint64_t kFolderStartSector = ~std::uint64_t{0};

    /// The folder id counter, shared by every category; reset to 10 by each search.
    static inline std::uint32_t g_nID = kFirstFolderID;

    /// `pBuilder` (not owned) may be null: then nothing is filed.
    CRAWFileManager(FILE_TYPE_ID eCategory, IDirecotryTreeBuilder* pBuilder)
        : m_eCategory(eCategory), m_pBuilder(pBuilder) {}

    /// Files one carved file under the next file id; 1 when the tree took it, 0 otherwise.
    int AddRawFileInfo(CRawFileInfo const* pInfo);
    /// Makes and files one node; 1 when the tree took it (and owns it), else 0.
    int AddNode(CRawFileInfo const* pInfo, std::uint32_t u32Attribute, int iParentID, int iNodeID);
    /// The id of the folder of the node's extension, when it exists.
    bool bFindParent(CRAWFileNode* pNode, int& iID) const;
    /// Makes the folder of the node's extension and answers its id.
    int CreateParentNode(CRAWFileNode* pNode);
    /// The text after the name's last dot, lower-cased; empty without a dot.
    static std::string GetExt(CRAWFileNode* pNode);
    /// The record of a folder named `pszName`.
    static CRawFileInfo MakeDirNode(char const* pszName);

private:
    std::uint32_t m_u32NextFileID = kFirstFileID;
    std::uint32_t m_u32FolderParentID = kRootID;
    FILE_TYPE_ID m_eCategory;
    IDirecotryTreeBuilder* m_pBuilder;     // not owned
    std::map<std::string, int> m_folders;  // extension -> folder node id
};
