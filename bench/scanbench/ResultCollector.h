#pragma once
// The harness's tree sink: keeps every root and node the scan shows. During a quick scan it
// takes the copy-out object of each root's searcher type when the root is shown, as the UI
// model does; for a complete scan it asks the controller afterwards.
#include <map>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "engine/IProgress.h"
#include "engine/IRecoveryController.h"
#include "engine/ReleasePtr.h"

namespace scanbench {

class CResultCollector final : public IDrirectoryTree {
public:
    /// `pController` (not owned) outlives the collector's copy-out objects.
    CResultCollector(IRecoveryController* pController, bool bCopyOutAtRoot)
        : m_pController(pController), m_bCopyOutAtRoot(bCopyOutAtRoot) {}

    void ShowNodes(IFileNode** ppNodes, unsigned int u32Count, int iLost) override;
    void ShowFilesystemNode(IFilesystemNode* pRoot) override;

    std::vector<IFileNode*> const& Nodes() const { return m_nodes; }
    /// How many roots of a file system were shown; the signature search's root is not one.
    unsigned int FileSystems() const { return m_u32FileSystems; }
    /// The copy-out object for nodes of a searcher type; null when there is none. Kept here.
    IDataRecovery* CopyOut(_tagSearcherType eType);
    /// Drops the copy-out objects; due before the controller is released.
    void ReleaseCopyOuts() { m_copyOuts.clear(); }

private:
    IRecoveryController* m_pController;
    bool m_bCopyOutAtRoot;
    std::vector<IFileNode*> m_nodes;  // owned by the controller's tree builder
    unsigned int m_u32FileSystems = 0;
    std::map<_tagSearcherType, ReleasePtr<IDataRecovery>> m_copyOuts;
};

}  // namespace scanbench
