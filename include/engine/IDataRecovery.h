#pragma once
// Copy-out: writes the data of found file nodes to files, and reads their previews. One object
// serves the partitions of one searcher type of one scan.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Result.h"

class CSearchedPartitionInfo;
class IFileNode;
class IFileReader;
class IFileSystemSearchController;
class IProgress;
class IStorageDevice;

/// Copy-out's own codes (module 0x0D).
constexpr std::uint32_t kCodeNoPartitions = 0xD01;
constexpr std::uint32_t kCodeNoReader = 0xD02;
constexpr std::uint32_t kCodeShortWrite = 0xD03;
constexpr std::uint32_t kCodeCannotCreate = 0xF;
/// A deleted file's clusters belong to other files now: its bytes are gone.
constexpr std::uint32_t kCodeOverwritten = 0xD04;
/// The file's runs reach past its volume's end.
constexpr std::uint32_t kCodePastEnd = 0xD05;
/// The file's volume lies inside a virtual machine's disk (qcow2, VHD, VHDX, VMDK, VDI), whose
/// container is not read: its bytes are not where the volume's own clusters would put them.
constexpr std::uint32_t kCodeInVirtualDisk = 0xD09;

/// Notes on a copy that was written. Where the file's clusters are was guessed: its chain is
/// lost, so they are taken to follow its first one.
constexpr std::uint32_t kCodeChainLost = 0xD06;
/// Another deleted file claims the same clusters and nothing tells which was written last: the
/// copy may hold the other file's bytes. Written, but not counted as recovered.
constexpr std::uint32_t kCodePossiblyOverwritten = 0xD07;

/// The recorded size exceeds what the file's runs hold (a damaged size field): the copy holds
/// the runs' bytes only. Written, but not counted as recovered.
constexpr std::uint32_t kCodeShortData = 0xD08;

/// A deleted or lost file whose clusters read back as nothing but zeros although its runs say it
/// has data: they were overwritten with zeros or trimmed (an SSD after a delete or a format).
/// Written, but not counted as recovered.
constexpr std::uint32_t kCodeZeroed = 0xD0A;

/// Whether a node's copy-out code is a note on a copy that goes ahead, not a refusal.
constexpr bool IsCopyNote(std::uint32_t u32Code) {
    return u32Code == kCodeChainLost || u32Code == kCodePossiblyOverwritten;
}
/// A successful copy's result carrying a note.
constexpr RESULT CopyNoteResult(std::uint32_t u32Code) { return (RESULT{kModuleCopyOut} << 48) | u32Code; }
/// Whether the copy was written with a note ("chain lost", "possibly overwritten", "short", "zeroed"): its
/// bytes may not be the file's, so it is counted apart from the files recovered.
constexpr bool IsNotedCopy(RESULT result) {
    return Succeeded(result) && ResultModule(result) == kModuleCopyOut &&
           (ResultCode(result) == kCodeChainLost || ResultCode(result) == kCodePossiblyOverwritten ||
            ResultCode(result) == kCodeShortData || ResultCode(result) == kCodeZeroed);
}
/// Whether the copy gave the file back: written, and not in doubt.
constexpr bool IsRecoveredCopy(RESULT result) { return Succeeded(result) && !IsNotedCopy(result); }

/// The short word that says why a copy failed: "overwritten", "past-end", "virtual disk", "unreadable" (some
/// data could not be read, or the metadata that locates it is unsound), "destination full"; for a copy written with
/// a note, "chain lost", "possibly overwritten", "short" or "zeroed: overwritten or trimmed"; null otherwise.
constexpr char const* CopyRefusalWord(RESULT result) {
    if (Succeeded(result)) {
        if (ResultModule(result) != kModuleCopyOut) return nullptr;
        switch (ResultCode(result)) {
            case kCodeChainLost:
                return "chain lost";
            case kCodePossiblyOverwritten:
                return "possibly overwritten";
            case kCodeShortData:
                return "short";
            case kCodeZeroed:
                return "zeroed: overwritten or trimmed";
            default:
                return nullptr;
        }
    }
    switch (ResultCode(result)) {
        case kCodeOverwritten:
            return "overwritten";
        case kCodePastEnd:
            return "past-end";
        case kCodeInVirtualDisk:
            return "virtual disk";
        case kCodeIoFailure:
            return "unreadable";
        case kCodeShortWrite:
            return "destination full";
        default:
            return nullptr;
    }
}

class IDataRecovery {
public:
    virtual ~IDataRecovery() = default;
    /// Takes the searcher's partitions and keeps the device (not owned); code 5 for a null
    /// argument, 0xD01 when the searcher found no partition.
    virtual RESULT Initialize(IFileSystemSearchController* pSearcher, IStorageDevice* pDevice) = 0;
    /// Selects the node to copy; a clone of its reader that the caller releases, or null when
    /// the node cannot be read.
    virtual IFileReader* SetRecoverNode(IFileNode* pNode) = 0;
    /// The bytes a copy of the node would write, learnt from the node and its runs alone: no
    /// device read and no selection, so totalling many nodes stays cheap. Resident data and a
    /// compressed file count their recorded size (resident data up to the largest value a
    /// record holds); their reader tells the exact count once selected. 0 for a node that
    /// cannot be copied.
    virtual long long GetWritableSize(IFileNode* pNode) = 0;
    /// Copies the selected node's data (its first `iByteLimit` bytes when that is positive) to
    /// `pszPath`. 0 on success (CopyNoteResult when the node carries a note, or with
    /// kCodeShortData when its runs hold less than its size: the file ends with their data; with
    /// kCodeZeroed when a deleted or lost file's clusters read as nothing but zeros);
    /// code 1 when some data could not be read (the file keeps its length, with zeros there) or
    /// the device's end cuts the runs; 0xD03 when the
    /// destination stops taking bytes; 0xD02 with no node selected; 0xF when the destination
    /// cannot be created; 5 for a null path. A stop request ends it early with 0.
    virtual RESULT RecoverTo(char const* pszPath, IProgress* pProgress, int iByteLimit) = 0;
    /// Copies a JPEG picture embedded in the node's first 64 KiB into the buffer; its length,
    /// 0 when there is none.
    virtual unsigned int ReadSmallJPG(char* pBuffer, unsigned int u32Size) = 0;
    /// For the results-file writer: the partitions copy-out chooses from (they stay this
    /// object's); none for a recovery that keeps no partitions.
    virtual std::vector<CSearchedPartitionInfo*> GetSearchedPartitions() const { return {}; }
    /// Why the node selected last is not copied, as RecoverTo answers it (overwritten, past-end,
    /// virtual disk...), and what that refusal names beyond its code: for a file of a volume
    /// inside a virtual disk, the container file and its format ("vm.qcow2 (qcow2)"). Success
    /// and no note for a node that is copied.
    struct Refusal {
        RESULT result = kResultSuccess;
        std::string note;
    };
    virtual Refusal GetRefusal() const { return {}; }
    /// What copying `pNode` would answer, told before any copy and without selecting it: its
    /// refusal (a failure code, as GetRefusal gives it) or its note (CopyNoteResult: chain lost,
    /// possibly overwritten), judged as SetRecoverNode judges, and as cheaply as GetWritableSize;
    /// success for a file copied plainly. For a folder, a volume's root among them: what every
    /// file below it is refused whatever its sectors (a volume inside a virtual disk).
    virtual Refusal JudgeBeforeCopy(IFileNode* pNode) {
        (void)pNode;
        return {};
    }
    virtual void Release() = 0;
};

/// A new copy-out object; the caller frees it with Release().
IDataRecovery* CreateDataRecoveryObj();
