#pragma once
// The scan operation: runs one scan of one device through the engine's recovery controller
// and files every node it hands over into the collections the windows build their trees from.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "engine/IRecoveryController.h"
#include "engine/IRecoveryFilter.h"
#include "engine/IStorageDeviceData.h"
#include "uimodel/operation/QNUIOperation.h"
#include "uimodel/scan/MonthRecency.h"

class IRestoreScanSink;
class IStorageDevice;

namespace uimodel {

class QNUIDeviceData;

/// Nothing scanned: no device, no controller type, no filter.
constexpr RESULT kResultNothingScanned = MakeResult(kModuleRecoveryController, 0x31, 1);
/// A device run could not start: no device, no controller, or stopped first.
constexpr RESULT kResultRunNotStarted = MakeResult(kModuleRecoveryController, 0x124, 1);
/// `GetScanControllerType` for no device.
constexpr int kNoController = 3;

using NodeList = std::vector<IFileNode*>;
using DateMap = std::map<int, std::map<int, NodeList>>;  // year -> month (1-12) -> files
using TypeMap = std::map<_FILTER_TYPE, NodeList>;

class QNUIScan : public QNUIOperation, public IDrirectoryTree {
public:
    /// Over `pDevices` (not owned; the process's list when null) and the process's filter.
    explicit QNUIScan(QNUIDeviceData* pDevices = nullptr, IRecoveryFilter* pFilter = nullptr);
    ~QNUIScan() override;
    static QNUIScan& instance();

    /// Calls into the recovery operation: release its copy-out objects, reset its parameters.
    struct RecoveryHooks {
        std::function<void()> releaseCopyOut;
        std::function<void()> resetParameters;
    };
    void SetRecoveryHooks(RecoveryHooks hooks) { m_hooks = std::move(hooks); }

    /// One whole scan of `pDevice` on the calling thread (a results-file load passes its sink).
    /// The caller sets the status to running first; it ends idle.
    RESULT DoScan(IStorageDevice* pDevice, IRestoreScanSink* pSink);
    /// DoScan replaying a results file through `pSink`, which is kept until the controller
    /// that reads its partitions is released. The status stays running after the replay, until
    /// EndRestore: the loader's own last record ends the job.
    RESULT DoRestoreScan(IStorageDevice* pDevice, std::shared_ptr<IRestoreScanSink> pSink);
    /// Ends a load: the operation turns idle, and finished records end jobs again. The loader
    /// calls it after its last record.
    void EndRestore();
    /// Lets go of the controller and every copy-out object, with every node they own; the
    /// collections are emptied first. For the device list's refresh, while no job runs.
    void ReleaseScanResults();

    void SaveScanSorage(IStorageDevice* pDevice) { m_pSavedStorage = pDevice; }
    IStorageDevice* GetSavedStorage() const { return m_pSavedStorage; }
    int GetScanControllerType(IStorageDevice* pDevice);
    void SetDeepScan(int iDeep);
    int IsDeepScan();
    static bool IsStorageVolumeUnknow(IStorageDevice* pDevice);
    static bool IsStorageMounted(IStorageDevice* pDevice);
    IRecoveryController* GetRecoveryController() const;

    // IProgress and IDrirectoryTree, called on the scan's thread.
    void UpdateProgress(_PROGRESS_INFO* pInfo) override;
    void ShowNodes(IFileNode** ppNodes, unsigned int u32Count, int iLost) override;
    void ShowFilesystemNode(IFilesystemNode* pRoot) override;
    bool IsOpTreeFinished() override;
    void SetOpTreeFinished(int iFinished) override;

    // Copies taken under the mutex, for the main thread.
    DateMap GetCreateTimeMap() const;
    DateMap GetModifyTimeMap() const;
    DateMap GetAccessTimeMap() const;
    TypeMap GetTypeMap() const;
    NodeList GetFileSystemNode() const;
    NodeList GetFolderList() const;
    NodeList GetTypeNode();
    // Tail forms: only what was filed after the caller's resume points, so that a refresh costs
    // what arrived since the last one, not the whole scan.
    /// The folders from index `from` on.
    NodeList GetFolderListFrom(std::size_t from) const;
    /// Per category, its files from the category's resume point on (a missing point is 0).
    TypeMap GetTypeMapFrom(std::map<_FILTER_TYPE, std::size_t> const& resume) const;
    /// Per month of the date kind (2 creation, 3 modification, 4 last access) that took files
    /// since the cursor's last read, or that the cursor revisits, its files from the month's
    /// resume point on; months with nothing new are left out. Moves the cursor past them.
    DateMap TakeDatesAfter(int iKind, DateCursor& cursor) const;
    /// Changes whenever the collections are emptied: resume points taken before are void.
    std::uint64_t GetDataGeneration() const;
    /// Changes with every search pass, which may show nodes that were hidden.
    std::uint64_t GetShowGeneration() const { return m_u64ShowGeneration.load(); }
    std::uint64_t GetScanFileCnt() const { return m_u64FileCount.load(); }
    std::uint64_t GetScanFileSize() const { return m_u64TotalSize.load(); }

    bool FindRemoveData(IFileNode* pNode);
    IDataRecovery* GetFileNodeDataRecover(IFileNode* pNode) const;
    /// A second copy-out object of the node's volume, for thumbnails: a thumbnail never
    /// selects another node in the object a recovery is copying with.
    IDataRecovery* GetFileNodePreviewRecover(IFileNode* pNode) const;
    void ReleaseDataRecovery();
    void UnselectAllNodes();

    // Search.
    void SetSearchKey(char const* pszKey);
    std::optional<std::string> GetSearchKey() const;
    void SetSearching(int iSearching);
    int IsSearching() const;
    void RefreshAllData();
    /// Shows the files whose names hold the search key and hides the others.
    void DoSearch();

    // Plain accessors.
    int GetScanType() const { return m_iViewType.load(); }
    void SetScanType(int iViewType) { m_iViewType = iViewType; }
    std::uint64_t GetSelectedFileCnt() const { return m_u64SelectedCount; }
    void SetSelectedFileCnt(std::uint64_t u64Count) { m_u64SelectedCount = u64Count; }
    std::uint64_t GetSelectedFileSize() const { return m_u64SelectedSize; }
    void SetSelectedFileSize(std::uint64_t u64Size) { m_u64SelectedSize = u64Size; }
    int GetCurrentScanRecoveryCnt() const { return m_iRecoveryCount; }
    void SetCurrentScanRecoveryCnt(int iCount) { m_iRecoveryCount = iCount; }

protected:
    /// Test seam: runs just before the old results are let go; the collections are empty by then.
    virtual void OnReleasingResults() {}

private:
    void ClearData();
    /// Marks the collections as new without emptying them, so the trees rebuild from them.
    void KeepLastResults();
    void ResetRecoveryController(int iType);
    RESULT DoVolumeStorageScan(IStorageDevice* pDevice);
    RESULT ScanDiskVolumes(IStorageDevice* pDisk);
    /// Where the last file filed by one key went: files come in runs of one month and one
    /// type, and their list is found again without the map lookups. Void once the maps are
    /// emptied.
    struct LastList {
        int iKey = -1;
        NodeList* pList = nullptr;
    };
    void FileNode(IFileNode* pNode);
    static void FileByDate(DateMap& map, LastList& last, MonthRecency& recency, _FILETIME ft, IFileNode* pNode);
    void FinishJob();
    DateMap const* DateMapOfKind(int iKind) const;
    MonthRecency const* RecencyOfKind(int iKind) const;

    QNUIDeviceData& m_devices;
    IRecoveryFilter* m_pFilter;
    RecoveryHooks m_hooks;
    std::mutex m_scanLock;  // held for the whole of DoScan

    IRestoreScanSink* m_pRestoreSink = nullptr;
    std::shared_ptr<IRestoreScanSink> m_pPendingSink;  // the next controller's
    std::shared_ptr<IRestoreScanSink> m_pHeldSink;     // the current controller's
    bool m_bHoldRunning = false;                       // a load's replay: its loader ends the job
    IStorageDevice* m_pSavedStorage = nullptr;
    IRecoveryController* m_pController = nullptr;
    int m_iDeep = 0;
    int m_iTreeFinished = 1;
    NodeList m_roots;
    DateMap m_createTimes;
    DateMap m_modifyTimes;
    DateMap m_accessTimes;
    MonthRecency m_createRecency;
    MonthRecency m_modifyRecency;
    MonthRecency m_accessRecency;
    TypeMap m_types;
    LastList m_lastCreateMonth;
    LastList m_lastModifyMonth;
    LastList m_lastType;
    NodeList m_newFiles;
    NodeList m_folders;
    NodeList m_pendingFolders;
    std::map<IFileNode*, int> m_insertionMarks;
    std::optional<std::string> m_searchKey;
    int m_iSearching = 0;
    std::atomic<int> m_iViewType{0};
    std::uint64_t m_u64SelectedSize = 0;
    std::uint64_t m_u64SelectedCount = 0;
    int m_iRemainingVolumes = 0;
    std::atomic<std::uint64_t> m_u64FileCount{0};
    std::atomic<std::uint64_t> m_u64TotalSize{0};
    std::uint64_t m_u64DataGeneration = 0;
    std::atomic<std::uint64_t> m_u64ShowGeneration{0};
    int m_iRecoveryCount = 0;
    std::map<IFilesystemNode*, IDataRecovery*> m_dataRecoveries;
    std::map<IFilesystemNode*, IDataRecovery*> m_previewRecoveries;
};

/// Enumerates the devices again: refused (false) while a job runs; otherwise the scan first lets
/// go of its controller and copy-out objects (they hold devices the old list frees) and forgets
/// its device.
bool RefreshDeviceInfo(QNUIScan& scan, QNUIDeviceData& devices);
/// The first half of a refresh: the scan's results and the device list let go of; false,
/// touching nothing, while the scan runs.
bool ReleaseDeviceList(QNUIScan& scan, QNUIDeviceData& devices);

}  // namespace uimodel
