#include "engine/core/tree/FoundNodeRename.h"

#include "engine/exfat/ExFatFileNode.h"
#include "engine/fat/FATFileNode.h"
#include "engine/ntfs/NTFSFileNode.h"

bool RenameFoundNode(CFileNode& node, std::string const& name) {
    if (auto* pExFat = dynamic_cast<CExFatFileNode*>(&node)) {
        pExFat->SetFileName(name.c_str());
        return true;
    }
    if (auto* pFat = dynamic_cast<CFATFileNode*>(&node); pFat && pFat->GetFileProperties()) {
        pFat->GetFileProperties()->SetFileName(name.c_str());
        return true;
    }
    if (auto* pNtfs = dynamic_cast<CNTFSFileNode*>(&node)) {
        pNtfs->GetFileProperties().SetFileName(name.c_str());
        return true;
    }
    return false;
}
