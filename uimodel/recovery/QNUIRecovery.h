#pragma once
// The recovery operation: copies every shown and checked file of the last scan, quick or deep,
// into a destination folder, as the engine's progress sink. Files go into one numbered folder
// per searcher type and recovery ("Fat_0001", "RAW_0001", "0001" for NTFS), then the volume and
// the node's folders. A destination on the scanned device is refused before anything is made
// or written; a destination that stops taking bytes fails the file being written (its part
// removed) and pauses the recovery: a resume goes on with the next file (with nobody to make
// room, the recovery ends there). A copy written with a note ("chain lost", "possibly
// overwritten", "short") is counted apart from the recovered files.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "engine/IRecoveryController.h"
#include "uimodel/operation/QNUIOperation.h"
#include "uimodel/recovery/CopyOutlooks.h"
#include "uimodel/recovery/RecoveryDestination.h"

namespace uimodel {

class QNUIScan;

/// No destination was set.
constexpr RESULT kResultNoDestination = MakeResult(kModuleUiModel, 0x121, kCodeBadArgument);
/// The destination lies on the scanned device (or that cannot be told): nothing was written.
constexpr RESULT kResultDestinationOnScannedDevice = MakeResult(kModuleUiModel, 0x121, 0x121);
/// A checked file had no copy-out object (its searcher found no partition).
constexpr RESULT kResultNoCopyOut = MakeResult(kModuleUiModel, 0x121, kCodeMissingObject);
/// The destination (the deepest folder of it that exists) takes no writes: nothing was made.
constexpr RESULT kResultDestinationNotWritable = MakeResult(kModuleUiModel, 0x121, 0x123);
/// A checked file's destination path could not be made.
constexpr RESULT kResultNoDestinationPath = MakeResult(kModuleUiModel, 0x121, kCodeCannotCreate);
/// A checked file could not be opened for reading.
constexpr RESULT kResultNoReader = MakeResult(kModuleUiModel, 0x121, kCodeNoReader);
/// A stop request ended a file's copy part way: the part is removed, and the file counts
/// neither as recovered nor as failed. Reported per file only; the recovery itself succeeds.
constexpr RESULT kResultRecoveryStopped = MakeResult(kModuleUiModel, 0x121, 0x122);

class QNUIRecovery : public QNUIOperation {
public:
    /// Over `scan` (its controller, collections and copy-out objects); the scan calls back into
    /// this operation when a scan starts and ends, until this operation is destroyed.
    explicit QNUIRecovery(QNUIScan& scan);
    ~QNUIRecovery() override;
    /// The process-wide recovery over the process-wide scan.
    static QNUIRecovery& instance();

    /// Borrows the scan's controller afresh and takes new copy-out objects; zeroes the totals
    /// (sizes only while no recovery runs).
    void ResetParam();
    /// Borrows the scan's controller when none is held and takes one copy-out object per
    /// searcher type from it, releasing any held before.
    void InitDataRecoveryController();
    /// Releases every copy-out object and forgets the controller; a scan starts.
    void ReleaseDataRecovery();
    /// True when no copy-out object is held.
    bool CheckWhetherNeedReset() const;
    /// The copy-out object of one searcher type (owned by this operation), or null.
    IDataRecovery* GetDataRecoveryByType(_tagSearcherType eType) const;
    /// A second object of the type for thumbnails, made on first use from the scan's controller,
    /// so that a thumbnail never selects a node in the object a recovery copies with.
    IDataRecovery* GetPreviewRecoveryByType(_tagSearcherType eType);
    /// The object that reads the node for thumbnails and judges it for the windows: never the one
    /// a recovery copies with. Null when nothing serves it.
    IDataRecovery* PreviewCopyOutFor(IFileNode* pNode);
    /// What copying the node would answer (its refusal or note, and what that names), told before
    /// any recovery and kept per node; for a volume's root, what every file of it is refused
    /// (nothing while a scan runs unpaused).
    IDataRecovery::Refusal Outlook(IFileNode* pNode);

    /// The destination folder; a null text clears it.
    void SetRecoveryPath(char const* pszPath);
    std::string GetRecoveryPath() const;

    void SetRecoveryTotalSize(std::uint64_t u64Size);
    std::uint64_t GetRecoveryTotalSize() const;
    /// The bytes recovering the node writes: its size, or less where its data ends before a
    /// damaged recorded size; the recorded size while no copy-out object serves it. Learnt
    /// from the node without reading the device; a resident or compressed file whose reader
    /// then tells fewer bytes has the total set right when its copy starts.
    std::uint64_t BytesToWrite(IFileNode* pNode);
    void SetRecoveryTotalFilesCnt(std::uint64_t u64Count);
    std::uint64_t GetRecoveryTotalFilesCnt() const;
    /// Bytes copied in this recovery.
    std::uint64_t GetRecoveriedFileSize() const;
    /// Files written in full in this recovery.
    std::uint64_t GetRecoveriedFilesCnt() const;
    /// Files that failed in this recovery (not written, or written only in part).
    std::uint64_t GetFailedFilesCnt() const;
    /// Files written with a note in this recovery: neither recovered nor failed.
    std::uint64_t GetNotedFilesCnt() const;
    /// A file written with a note: its path on the scanned volume, where it was written, and
    /// the note ("chain lost", "possibly overwritten", "short").
    struct RecoveryNote {
        std::string source;
        std::string written;
        std::string note;
    };
    /// The notes of this recovery, in the order the files were written.
    std::vector<RecoveryNote> GetNotes() const;
    /// The files of this recovery not recovered whole (failed or noted; not those a stop cut
    /// short), counted by reason: the result and what it names (a virtual disk's container).
    struct ReasonCount {
        RESULT result = kResultSuccess;
        std::string note;
        std::uint64_t u64Count = 0;
    };
    std::vector<ReasonCount> GetReasonCounts() const;
    /// Whether a destination that stops taking bytes pauses the recovery until the user makes
    /// room (the default); without, the file fails and the recovery ends there: a script has
    /// nobody to make room.
    void SetWaitsForRoom(bool bWaits);
    bool WaitsForRoom() const;
    /// How often the destination stopped taking bytes in this recovery.
    std::uint64_t GetDestinationFullCnt() const;
    IFileNode* GetCurrentRecoveryNode() const;

    void SetCreateDirIndex(_tagSearcherType eType, int iIndex);
    /// 0 when none was chosen in this recovery.
    int GetCreateDirIndex(_tagSearcherType eType) const;
    void ClearCreateDirIndex();

    /// Called once per checked file after its copy ended: the node, its path (empty when none
    /// was made, or when a failed copy was removed), the result and what a refusal names beyond
    /// its code (a virtual disk's container; empty for none). For the harness and tests; runs on
    /// the recovery's thread.
    using FileReport = std::function<void(IFileNode*, std::string const&, RESULT, std::string const&)>;
    void SetFileReport(FileReport report);

    /// The shown and checked files of the last scan, by category: one walk over every found file.
    std::vector<IFileNode*> CheckedFiles() const;
    /// Hands the next DoRecovery the files it copies, gathered once by the caller; a scan's
    /// start forgets them (their nodes go with it).
    void SetFilesToRecover(std::vector<IFileNode*> files);
    bool HasFilesToRecover() const;

    /// Copies the files handed over (taking them), or every shown and checked file when none
    /// were. On return `rawFolders` holds the names of the folders of the carved files
    /// recovered, each followed by ",". Success when every file was written in full, else the
    /// first failure's code. Ends idle.
    RESULT DoRecovery(std::string& rawFolders);

    /// The engine's progress callback during one copy.
    void UpdateProgress(_PROGRESS_INFO* pInfo) override;

    /// Whether `pszPath` lies on the scanned device: the scanned volume, any volume of its
    /// disk, any device stacked over them, or a mount of the scanned image. "Cannot tell"
    /// counts as yes. False for a null path.
    bool RecoveryPathIsSameDevice(char const* pszPath) const;
    /// Makes the destination folder `path` ready: its deepest existing folder (links followed)
    /// must take writes and lie off the scanned device, and only then are the missing folders
    /// made. kResultDestinationNotWritable, kResultDestinationOnScannedDevice (nothing made), or
    /// kResultNoDestinationPath when it cannot hold a folder or one cannot be made.
    RESULT PrepareDestination(std::string const& path) const;
    /// Whether writing the file `pszPath` would write over the scanned image or device itself
    /// (links followed). False for a null path or a file that does not exist.
    bool PathIsScannedImage(char const* pszPath) const;

    /// The destination path of one file node below `destination`, made ready on disk: the
    /// numbered folder and the node's folders exist, and the file is claimed (created empty)
    /// under a name nothing else has. A folder node gets its folders and no path. Nothing for
    /// a null or hidden node, a node without a searcher, or a path that cannot be made.
    std::optional<std::string> CreateRecoveryFilePathByNode(IFileNode* pNode, std::filesystem::path const& destination);
    /// Whether the destination's file system (FAT, exFAT, NTFS) refuses names holding
    /// : ? * < > | " \\; such names are written with "_" in their place there, and logged.
    bool WritesWindowsNames(std::filesystem::path const& destination);

private:
    /// A claimed destination file: its path, and the path the copy writes it through (inside
    /// the held folder).
    struct ClaimedFile {
        std::string path;
        std::string writePath;
    };
    /// CreateRecoveryFilePathByNode, keeping the file's folder open for the files after it.
    std::optional<ClaimedFile> ClaimFileFor(IFileNode* pNode, std::filesystem::path const& destination);
    /// Closes the held folder: a recovery ended, or the next one starts afresh.
    void LetGoOfHeldFolder();
    /// One file: path, reader, copy; a full destination fails it.
    RESULT RecoverNode(IFileNode* pNode, IDataRecovery* pCopyOut, std::filesystem::path const& destination);
    IDataRecovery* CopyOutFor(IFileNode* pNode, std::string& rawFolders);
    /// Empties the copy-out map under the lock and answers what it held.
    std::vector<IDataRecovery*> TakeCopyOut();
    /// Releases copy-out objects; called without the lock held (each takes its own).
    static void ReleaseCopyOut(std::vector<IDataRecovery*> const& outgoing);
    void FinishFile(IFileNode* pNode, std::string const& path, RESULT result, std::string const& note = {});
    /// Counts a file not recovered whole under its reason; with the lock held.
    void CountReason(RESULT result, std::string const& note);
    /// The destination stopped taking bytes (the file already failed and removed): counted, and
    /// the recovery paused for the user to make room. Whether to go on with the next file:
    /// false after a stop, and at once when nobody waits.
    bool PauseForRoom();
    /// Moves the total by what the node's opened reader (null: nothing is written) tells
    /// beyond the plan BytesToWrite made without it.
    void SettleTotal(IFileNode* pNode, IDataRecovery* pCopyOut, IFileReader const* pReader);

    QNUIScan& m_scan;
    FileReport m_report;
    IRecoveryController* m_pController = nullptr;  // the scan's; not owned
    std::string m_recoveryPath;
    std::uint64_t m_u64TotalSize = 0;
    std::uint64_t m_u64TotalFiles = 0;
    std::uint64_t m_u64RecoveredSize = 0;
    std::uint64_t m_u64LastDone = 0;
    std::uint64_t m_u64FileDone = 0;  // bytes of the file being copied, taken back when it fails on a full destination
    std::uint64_t m_u64FileTotal = 0;
    std::uint64_t m_u64RecoveredFiles = 0;
    std::uint64_t m_u64FailedFiles = 0;
    std::uint64_t m_u64NotedFiles = 0;
    std::vector<RecoveryNote> m_notes;
    std::vector<ReasonCount> m_reasons;
    CopyOutlooks m_outlooks;
    bool m_bWaitsForRoom = true;
    std::uint64_t m_u64DestinationFull = 0;
    std::map<_tagSearcherType, IDataRecovery*> m_copyOut;   // owned
    std::map<_tagSearcherType, IDataRecovery*> m_previews;  // owned
    // Preview objects a running scan outgrew; a thumbnail may still read through one, so they
    // go with the others when the scan's results are released.
    std::vector<IDataRecovery*> m_outgrownPreviews;  // owned
    // The scan's roots when the copy-out or preview objects were made while it ran; none when
    // they were made after it. A deep scan keeps finding volumes: objects made meanwhile know
    // only the volumes found by then, and would read a later volume's files through another's.
    std::optional<std::size_t> m_copyOutMadeAtRoots;
    std::optional<std::size_t> m_previewsMadeAtRoots;
    std::optional<std::vector<IFileNode*>> m_filesToRecover;
    std::map<_tagSearcherType, int> m_folderIndexes;
    std::map<std::string, int> m_nextClashCounters;  // by claimed folder and name, for one recovery
    std::mutex m_folderMutex;                        // the held folder's; never taken while m_mutex is held
    CHeldFolder m_heldFolder;                        // the last file's folder, for one recovery
    std::map<std::string, bool> m_windowsNames;  // by destination: its file system refuses Windows' reserved characters
    IFileNode* m_pCurrentNode = nullptr;
    bool m_bDeep = false;

    /// The number of the scan's roots while it runs or is paused; none once it ended. Takes the
    /// scan's lock: never call it holding this operation's.
    std::optional<std::size_t> RunningScanRoots() const;
    /// Whether objects made at `madeAt` know fewer volumes than the scan may have now.
    static bool Outgrown(std::optional<std::size_t> madeAt, std::optional<std::size_t> now) {
        return madeAt && madeAt != now;
    }
};

}  // namespace uimodel
