#pragma once
// The one door of the windows into the model: static functions named after the selectors the
// windows send. Jobs (scan, search) run on threads of their own; their results come back as
// notification names through the main-thread poster of the seams. Every function is called on
// the main thread.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "engine/Result.h"
#include "uimodel/devices/DiskImageCheck.h"
#include "uimodel/devices/DiskVolumeData.h"
#include "uimodel/resultsfile/SavedDeviceAnswer.h"
#include "uimodel/thumbnails/ThumbnailDecoder.h"
#include "uimodel/trees/TreeBatch.h"

namespace uimodel {

class DiskVolumeNodeData;
class QNUIDeviceData;
class QNUIScan;
class QNTimeMgr;
class QNTypeMgr;
class QNSaveAndRestoreNodeOperate;
class QNUIRecovery;
class QNUIThumbnails;
class SaveRestoreResult;
struct Thumbnail;

using FileNodeList = std::vector<IFileNode*>;

/// A recovery without a destination.
constexpr RESULT kResultRecoveryBadArgument = MakeResult(kModuleUiModel, 0x52F, 1);
/// A recovery asked for while one runs.
constexpr RESULT kResultRecoveryBusy = MakeResult(kModuleUiModel, 0x52F, 2);
/// A save or load without a path; one asked for while a scan, a recovery or a save or load runs.
constexpr int kResultsFileBadArgument = -1;
constexpr int kResultsFileBusy = -2;

class QNUIController {
public:
    QNUIController() = delete;

    /// The singletons the facade drives; the process's own unless a driver (harness, tests)
    /// installs others before the first job. Not owned.
    struct Model {
        QNUIScan* pScan;
        QNUIDeviceData* pDevices;
        QNTypeMgr* pTypes;
        QNTimeMgr* pTimes;
        QNUIRecovery* pRecovery;
        QNUIThumbnails* pThumbnails;  // the application's, over its decoders; may be null
        QNSaveAndRestoreNodeOperate* pSaver;
        SaveRestoreResult* pResults;
    };
    /// The application installs its model through ModelMaker.h and asks only the functions
    /// below; harnesses and tests may read the parts.
    static void UseModel(Model const& model);
    static Model const& GetModel();

    // Scan control.
    /// Starts a quick or deep scan (the scan's deep flag) of the device the indexes name (volume
    /// -1: the whole disk). False, starting nothing, while a scan runs or is paused, or when no
    /// device has the indexes. A stopped scan that still unwinds is waited for first. The window
    /// empties its tree arrays first (their rows point at nodes the new scan lets go of); the
    /// trees take nothing more until the new scan has emptied the collections.
    static bool DoScanWithDiskIndex(int iDisk, int iVolume, std::string const& postName);
    /// A quick scan of a disk-page row; false for null.
    static bool DoScanWithData(DiskVolumeNodeData const* pItem, std::string const& postName);
    /// A deep scan of the last scan's device; false when there is none.
    static bool DoDeepScan(std::string const& postName);
    static void PauseOrResumeScan();
    /// A stop request; `iNoTree` 1 skips building the pending trees.
    static void StopScan(int iNoTree);
    static void ResetShouldBuild();
    static bool IsScanRunning();
    static bool IsPause();
    static bool IsDeepScan();
    /// The kernel name of the disk the last scan read ("sdb"): of the scanned disk, or of the
    /// scanned volume's disk; a disk image's file name. Empty before any scan. A removed medium
    /// is matched against it, never against display names, which two sticks may share.
    static std::string GetScannedDiskName();
    /// The remaining time ("hh:mm:ss", "-:-:-" when unknown or beyond 100 hours); out: percent
    /// done and the file count.
    static std::string GetScanProgress(double& dPercent, std::uint64_t& u64FileCount);
    static void GetScanFileSize(std::uint64_t& u64Size, std::uint64_t& u64Count);
    /// Whether the last scan (or results-file load) ended with an error.
    static bool DidScanFail();
    /// Whether the last scan (or results-file load) was asked to stop before it ended, by any
    /// window or by the program's own stop: once it has ended, it was stopped, not finished.
    static bool WasScanStopped();
    /// The tree the results window shows (TreeViewType).
    static void SetViewType(int iViewType);
    /// Hands the category lists to the engine's file-type table; at start-up, before anything
    /// makes the recovery filter.
    static void initFileType();
    static void SetRecoveryType(unsigned u32Mask);

    // Search.
    /// Starts a name search; false while one is shown (until StopSearch) or while a scan runs
    /// unpaused (the search and the tree builder both rewrite the nodes' shown states).
    static bool DoSearchWithString(std::string const& text, std::string const& postName);
    static std::string GetSearchString();
    static void StopSearch();
    /// Forgets the search: its key goes and every file shows again, once a search still running
    /// has ended (its post still comes); the trees rebuild from the whole scan at their next
    /// refresh. False, forgetting nothing, while a scan runs unpaused.
    static bool ForgetSearch();
    /// With a search key: every shown file of the scan, by category.
    static void GetSearchResultToArr(FileNodeList& files);
    static void RefreshData();

    // Recovery of the checked files.
    /// Copies the gathered files (or, when none were gathered, every shown and checked file)
    /// into `path` on the job thread, posting `postName` as it goes and once after the end.
    /// 0 when started; kResultRecoveryBadArgument for an empty path and kResultRecoveryBusy
    /// while a recovery runs, starting nothing.
    static RESULT DoRecovery(std::string const& path, std::string const& postName);
    /// The shown and checked files, by category; out: their sizes added to `u64Size`.
    static void GetSelectedFilesAndSize(FileNodeList& files, std::uint64_t& u64Size);
    /// Their count and size.
    static void GetSelectedFilesAmout(std::uint64_t& u64Count, std::uint64_t& u64Size);
    /// What the next recovery copies, gathered once for the destination checks and the copy.
    struct CheckedFiles {
        std::uint64_t u64Count = 0;
        std::uint64_t u64Size = 0;  // as recorded
        /// The bytes recovering them writes (a damaged recorded size above what a file's data
        /// holds counts only that data): what the destination needs.
        std::uint64_t u64BytesToWrite = 0;
    };
    /// Walks the found files once for the shown and checked ones and hands them to the next
    /// DoRecovery; their count and bytes to write are kept as the recovery's totals.
    static CheckedFiles GatherCheckedFiles();
    /// Out: the recovery's total, done and error code; answers the name of the file being copied.
    static std::string GetRecoveryProgressTotal(std::uint64_t& u64Total, std::uint64_t& u64Done,
                                                std::uint64_t& u64Error);
    static bool IsRecoveryRunning();
    /// Whether a stopped recovery's copy is still winding down (removing the part of the file it
    /// was in): the window waits for that on its timer, never on its thread.
    static bool IsRecoveryWindingDown();
    /// Whether the recovery waits paused (by the user, or by a destination that stopped taking bytes).
    static bool IsRecoveryPaused();
    static void StopRecvoery();
    static void PauseOrResumeRecovery();
    static bool IsRecoveryToSameDevice(std::string const& path);
    /// Whether a results file at `path` would be written over the scanned image itself.
    static bool IsScannedImage(std::string const& path);
    static std::uint64_t GetRecoveridedSize();
    static std::uint64_t GetRecoveridedFiles();
    /// Files of the last recovery that were not recovered (not written, or written in part).
    static std::uint64_t GetRecoveryFailedFiles();
    /// Files of the last recovery written with a note ("chain lost", "possibly overwritten",
    /// "short"): neither recovered nor failed.
    static std::uint64_t GetRecoveryNotedFiles();
    /// Whether a destination that stops taking bytes pauses the recovery for the user to make
    /// room (the window's way, the default), or fails its file and ends the recovery (a script's).
    static void SetRecoveryWaitsForRoom(bool bWaits);
    /// The last recovery's files written with notes, one line each: "<note>: <path on the
    /// volume> -> <path written>".
    static std::vector<std::string> GetRecoveryNoteLines();
    /// The last recovery's files not recovered whole (failed or written with a note), counted by
    /// reason: the result (CopyRefusalWord names most) and what it names (a virtual disk's container).
    struct RecoveryReason {
        RESULT result = kResultSuccess;
        std::string note;
        std::uint64_t u64Count = 0;
    };
    static std::vector<RecoveryReason> GetRecoveryReasons();
    /// What copying the file would answer, told before any recovery (its refusal, or its note,
    /// and what that names); for a volume's root, what every file of the volume is refused. Judged
    /// from the node alone, once per node; success for a plain file.
    static IDataRecovery::Refusal GetCopyOutlook(IFileNode* pNode);
    /// Makes the destination folder `path` (with its missing parents) once the deepest folder
    /// of it that exists takes writes and lies off the scanned device; on refusal nothing is made.
    /// Empty when it is ready, else why not, for the log.
    static std::string PrepareRecoveryFolder(std::string const& path);
    /// What the last recovery answered: success when every file was written in full, else the
    /// first failure's code; success before any recovery. Waits for a worker that has just ended.
    static RESULT GetRecoveryResult();
    static int GetCurrentScanRecoveryCnt();
    static void ReleaseDataRecovery();
    /// Called from the recovery's thread for each file it could not write (not for a stop), and
    /// for each written with a note: the node, the destination path when there was one, why, and
    /// what a refusal names beyond its code (a virtual disk's container; empty for none).
    using RecoveryFailureReport = std::function<void(IFileNode*, std::string const&, RESULT, std::string const&)>;
    static void SetRecoveryFailureReport(RecoveryFailureReport report);

    // Pictures.
    /// The thumbnail of a tree row's node; none without thumbnails or a node.
    static Thumbnail GetNSImageByNode(OpNodeData const* pItem);
    /// The thumbnail of a found file; none without thumbnails or a node.
    static Thumbnail GetThumbnailOfFile(IFileNode* pNode);
    /// The 16 × 16 icon of an extension; an empty image when there is none.
    static uimodel::RgbaImage getImageForType(std::string const& extension);

    // Results files.
    /// Saves the scan (`bSave`) to `path`, or loads that results file into the scan, on a thread
    /// of its own; the poller posts `postName` as it goes and "QueryProgressFinish" at the end.
    /// 0 when started; kResultsFileBusy while a scan, a recovery or another save or load runs
    /// (the writer walks trees the scan's builder still changes, and a load replaces the nodes a
    /// recovery copies); kResultsFileBadArgument for an empty path.
    static int beginSaveOrRestoreNode(bool bSave, std::string const& path,
                                      std::string const& postName = "QueryProgressInfo");
    /// The device the results file `path` was made from (out: `saved`) and whether it is listed
    /// now. Lists the devices again on this thread first, as RefreshDeviceInfo does (the
    /// disk page's rows must be made again after it); nullopt while a job runs.
    static std::optional<SavedDeviceAnswer> FindResultsFileDevice(std::string const& path, _DiskVolumeData& saved);
    /// A poller over the save-and-restore operation alone, posting "QueryProgressInfo" while it
    /// raises updates and once at its end; nothing when a results-file poller already runs.
    static void QuerySaveOrRestoreProgress();
    /// Sets the saving operation (`bSave`) or the scan running and starts the poller over it.
    static void RestorPostUIUpdate(std::string const& postName, bool bSave);
    /// Out: total, done and error code of the save (`bSaver`) or of the load; a finished job
    /// reports done equal to total.
    /// Whether a save into a results file or a load from one still runs.
    static bool IsResultsFileJobRunning();
    static void GetSaveorRestoreProgress(std::uint64_t& u64Total, std::uint64_t& u64Done, std::uint64_t& u64Error,
                                         bool bSaver);
    /// The roots of the last load's file that it could not place on the device (their names, for
    /// the load's message); empty while a load runs and when every root was placed.
    static std::vector<std::string> GetLoadLeftOutRoots();

    // Results files' folder and name.
    static void SavePathToPList(std::string const& folder);
    static std::optional<std::string> GetSavePath();
    /// "SaveScan" in the user's data folder ($XDG_DATA_HOME/quorin, ~/.local/share/quorin),
    /// made when missing; "" when it cannot be made.
    static std::string GetDefaultSavePath();
    /// "<device>_MM-DD-YYYY at hh_mm_ss", the device's name with "/" replaced.
    static std::string GetSaveFileName();

    // Devices.
    /// Posts `postName` once the device list is ready, enumerating on a thread when needed.
    static void NotifiyDeviceInfoAfterInit(std::string const& postName);
    /// Enumerates again; false while a job runs.
    static bool RefreshDeviceInfo();
    /// Lets the last scan's results and the device list go here (the calling, GUI thread), then
    /// enumerates on a thread and posts `postName` when the list is ready or failed. Refused
    /// (false, nothing let go of) while a job runs. Never while a window shows the scan's nodes.
    static bool RefreshDeviceInfoAsync(std::string const& postName);
    static void GetDeviceInfoToArray(std::vector<std::unique_ptr<DiskVolumeNodeData>>& rows);
    /// Whether the last listing of the devices failed; out: the enumerator's answer.
    static bool DidDeviceListFail(RESULT& reason);
    /// Adds the disk-image file `path` to the device list (after the machine's disks, kept for
    /// the rest of the process) and lists every device again on the calling thread, as
    /// RefreshDeviceInfo does. Listable: `iDiskIndex` is the image's disk row (a file added
    /// before is found again, not listed twice). Otherwise why not; nothing changed.
    static DiskImageAnswer AddDiskImage(std::string const& path, int& iDiskIndex);

    // Result trees and lists. Refreshes report their additions to `pSink` (may be null).
    /// Adds the file-system roots (path view) and what arrived since the last refresh to the
    /// current view's tree; `bClear` first shows and unchecks every root. Always 0.
    static int GetScanTreeNodeData(TreeArray* pArray, bool bClear, ITreeInsertSink* pSink = nullptr);
    static void AddNodeToArr(TreeArray& array, ITreeInsertSink* pSink = nullptr);
    static void AddPathNodeToArray(TreeArray& array, ITreeInsertSink* pSink = nullptr);
    static void AddTypeNodeToArr(TreeArray& array, ITreeInsertSink* pSink = nullptr);
    static void AddDateNodeToArray(TreeArray& array, ITreeInsertSink* pSink = nullptr);
    /// Files one node into a date tree by the current view's time.
    static void AddFileNode(IFileNode* pNode, OpNodeData* pRoot);
    static bool IsYearNodeExist(int iYear, TreeArray const& array, std::size_t& index);
    static bool IsMonthNodeExist(int iMonth, TreeArray const& years, int iYear, std::size_t& index);
    static int GetDateInsertIndex(std::string const& name, TreeArray const& array);
    static bool IsFileNode(IFileNode* pNode, TreeArray const& array);
    static bool IsTypeStringExsit(std::string const& name, TreeArray const& array);
    /// Appends an expandable type-tree folder named `name`, unchecked.
    static void AddTypeNodeToArr(TreeArray& array, std::string const& name);
    static std::size_t GetTypeNodeChildrenCnt(OpNodeData const* pItem) { return pItem ? pItem->childCount() : 0; }
    /// The list for a tree row, by the row's tree.
    static bool GetFileNodeToArray(FileNodeList& list, OpNodeData* pItem);
    static bool GetPathInfoToArray(FileNodeList& list, OpNodeData* pItem);
    static bool GetTypeInfoToArray(FileNodeList& list, OpNodeData* pItem);
    static bool GetDateInfoToArray(FileNodeList& list, OpNodeData* pItem);
    static std::size_t GetNodeChildrenCnt(OpNodeData const* pItem);
    static std::size_t GetTimeNodeChildrenCnt(OpNodeData const* pItem);
    static void RefreshTimeTreeState(TreeArray& roots);
    static void RefreshTypeTreeState();
    static void UnselectedAllNodes();

    // Process.
    static bool IsAppRunning();
    /// Asks every job to stop and waits up to `timeout` for their threads; true when all ended.
    static bool StopJobs(std::chrono::milliseconds timeout);
    /// Stops the jobs before the process ends; with a worker still alive after the wait, ends it
    /// at once with `iExitCode`, without running the destructors that worker uses.
    static void StopJobsBeforeExit(int iExitCode);
    /// Stops the jobs and ends the process.
    [[noreturn]] static void CloseApp();
};

}  // namespace uimodel
