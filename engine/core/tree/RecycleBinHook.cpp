#include "engine/core/tree/RecycleBinHook.h"

#include "engine/core/node/FileNode.h"

CRecycleBinHook::Verdict CRecycleBinHook::OfferToRecycleBin(CFileNode&) { return Verdict::Pass; }

CRecycleBinHook::Verdict CRecycleBinHook::CheckTrash(CFileNode&, _DIRECTORY_TREE_INFO&) { return Verdict::Pass; }

std::vector<ReleasePtr<CFileNode>> CRecycleBinHook::TakeHeldNodes(_tagSearcherType) { return {}; }

void CRecycleBinHook::SettleTrash(_DIRECTORY_TREE_INFO&) {}

bool CRecycleBinHook::AllowsIncrementalBuild(_DIRECTORY_TREE_INFO const&) const { return true; }
