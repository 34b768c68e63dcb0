#pragma once
// One scan of an image file through the deleted-files controller (quick) or the complete
// volume controller with the FAT searcher alone (complete), as the UI model runs them, with the
// found files by path and their copy-out.
#include <map>
#include <memory>
#include <string>

#include "FatTestImages.h"
#include "engine/IRecoveryController.h"
#include "engine/IRecoveryFilter.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "testkit/CountingTreeSink.h"
#include "testkit/ProgressSink.h"

class IFileNode;

namespace fattest {

enum class ScanKind { Quick, Complete };

class FatQuickScan {
public:
    /// Opens the image as a volume of `iSectorSize`-byte sectors, describes it as the
    /// enumerator would and scans it; copy-out is that of `eType`'s searcher.
    explicit FatQuickScan(std::string const& image, int iSectorSize = 512, ScanKind eKind = ScanKind::Quick,
                          _tagSearcherType eType = SEARCHER_TYPE_FAT);
    ~FatQuickScan();
    FatQuickScan(FatQuickScan const&) = delete;
    FatQuickScan& operator=(FatQuickScan const&) = delete;

    RESULT Result() const { return m_result; }
    /// Files (not folders) by path from the tree's root, e.g. "/docs/a.txt".
    std::map<std::string, IFileNode*> const& Live() const { return m_live; }
    std::map<std::string, IFileNode*> const& Deleted() const { return m_deleted; }
    /// Folders by path, e.g. "/DIR0".
    std::map<std::string, IFileNode*> const& Folders() const { return m_folders; }
    /// The SHA-256 of the node's bytes through copy-out; empty when they cannot be read.
    std::string Recover(IFileNode* pNode);
    /// The node copied to `path` through copy-out, as a recovery copies it; its result.
    RESULT CopyTo(IFileNode* pNode, std::string const& path);

private:
    struct DeviceDeleter {
        void operator()(IStorageDevice* p) const { delete p; }
    };
    std::unique_ptr<IStorageDevice, DeviceDeleter> m_pDevice;
    ReleasePtr<IRecoveryFilter> m_pFilter;
    ReleasePtr<IRecoveryController> m_pController;
    testkit::ProgressSink m_progress;
    testkit::CountingTreeSink m_sink;
    _tagSearcherType m_eType;
    RESULT m_result = ~RESULT{0};
    std::map<std::string, IFileNode*> m_live;
    std::map<std::string, IFileNode*> m_deleted;
    std::map<std::string, IFileNode*> m_folders;
};

/// Every expected file is among `found` with its size; one with bytes copies out to its hash
/// (`bReadable`), or its copy fails (its clusters are missing) rather than giving other bytes.
void ExpectEachRecovered(FatQuickScan& scan, std::map<std::string, IFileNode*> const& found,
                         std::map<std::string, Expected> const& expected, char const* pszState, bool bReadable = true);

}  // namespace fattest
