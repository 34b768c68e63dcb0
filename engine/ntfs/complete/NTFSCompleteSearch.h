#pragma once
// The complete (deep) NTFS search: every sector of the device, in ascending order, is tested
// for what betrays an NTFS partition: boot sectors (primary and backup), FILE records (the
// system records heading an MFT, folders with an index allocation), INDX blocks, $LogFile
// restart and record pages, and $AttrDef contents. Each piece of evidence proposes or confirms
// a candidate (CNTFSCandidateSet); at the end the candidates are scored, the weak dropped, and
// each survivor's MFT is walked into the tree (searcher type 35, root record 5), its nodes
// marked with the survivor's index so that copy-out reads them through its geometry.
//
// Structures up to 4 KiB may straddle two blocks: the last sectors of a block wait, with their
// bytes, for the next one, and are analysed once, joined with its first sectors. All joining
// state lives here and PreparetoSearch clears it, so searches never mix. Blocks are read where
// the complete controller's read-ahead cache holds them, without a copy.
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "engine/ByteView.h"
#include "engine/IFileSystemSearchController.h"
#include "engine/core/crossvolume/FoundVolumes.h"
#include "engine/ntfs/NTFSMftReader.h"
#include "engine/ntfs/complete/NTFSCandidateSet.h"
#include "engine/ntfs/complete/NTFSContentCount.h"
#include "engine/ntfs/complete/NTFSFolderEvidence.h"
#include "engine/ntfs/complete/NTFSLogFileEvidence.h"
#include "engine/ntfs/complete/NTFSMetaFileGroups.h"
#include "engine/ntfs/complete/NTFSSpanSet.h"

class CNTFSDBR;
class CNTFSFileRecord;
class CNTFSQuickSearch;

class CNTFSCompleteSearch final : public ICompleteFileSystemSearchController, IVolumeReporter {
public:
    /// The largest structure joined across blocks: an INDX block, a log page, a 4 KiB record.
    static constexpr std::size_t kMaxStructureBytes = 4096;
    static constexpr std::size_t kMaxRecordRuns = 500000;
    static constexpr std::uint64_t kMaxLooseFiles = 1000000;
    /// FILE records read to rebuild lost MFTs, all partitions together: boot-sector copies by
    /// the hundred over one disk of records cost no more than reading this many once.
    static constexpr std::uint64_t kMaxRebuildReads = std::uint64_t{1} << 23;
    /// Loose files have no record number of the MFT that shows them: their ids start here,
    /// above every 48-bit record number, plus their sector.
    static constexpr long long kLooseFileIds = 1LL << 48;
    /// The runs of found $MFT records weighed as other volumes' MFTs: forged ones by the
    /// thousand cost no more than this many.
    static constexpr std::size_t kMaxClaimedSpans = 65536;

    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override { m_pBuilder = pBuilder; }
    /// New copies of the partitions whose trees were built (NTFS records, index k for the k-th);
    /// answers how many there are and fills nothing when `iCount` is smaller.
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    void SetDevice(IStorageDevice* pDevice) override { m_pDevice = pDevice; }
    void SetBlockSize(int iSectors) override { m_s32BlockSectors = iSectors; }
    /// Forgets every earlier search; module 0x23, code 5 without a device or block size, or for
    /// a sector size that is not a multiple of 512.
    RESULT PreparetoSearch() override;
    /// Scores the candidates and builds the survivors' trees when `iBuild` is non-zero;
    /// otherwise builds nothing and leaves the tree builder untouched. A survivor the found
    /// volumes read through the file holding it is not built here.
    void EndSearch(int iBuild) override;
    void SetFoundVolumes(CFoundVolumes* pVolumes) override { m_pFoundVolumes = pVolumes; }
    IVolumeReporter* VolumeReporter() override { return this; }
    /// Scores the candidates and opens the survivors' MFTs (rebuilt where lost): those with an MFT
    /// to read, numbered by their place among the survivors.
    FoundVolumeList ListVolumes() override;
    void ReportUse(std::size_t number, CVolumeUse& use) override;
    /// Module 0x23: code 5 when not prepared or the block is larger than the block size, 1 when
    /// it cannot be read (nothing of it is analysed).
    RESULT AnalyzeBlock(long long s64First, long long s64Count) override;
    RESULT AnalyzeBlockBytes(engine::ByteView block, long long s64First, long long s64Count) override;

    /// The survivors, in start order, after EndSearch.
    std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>> const& Partitions() const { return m_partitions; }

private:
    /// Sectors [s64First, s64First + s64Count) of the loaded bytes `bytes`, which start at
    /// sector `s64BytesFirst`.
    void AnalyzeSectors(engine::ByteView bytes, std::int64_t s64BytesFirst, std::int64_t s64First,
                        std::int64_t s64Count);
    void AnalyzeSector(std::int64_t s64Sector, engine::ByteView view);
    void AnalyzeBootSector(std::int64_t s64Sector, engine::ByteView sector);
    /// The boot sector at `s64Sector` is the backup of the partition at `s64Start`.
    void NoteBackup(std::int64_t s64Sector, std::int64_t s64Start);
    void AnalyzeFileRecord(std::int64_t s64Sector, engine::ByteView view);
    void AnalyzeContent(std::int64_t s64Sector, engine::ByteView sector);
    /// Analyses the sectors waiting for a next block with what they have.
    void FlushCarry();
    /// Forgets the carried sectors and everything found.
    void ResetEvidence();

    /// A survivor and the MFT its tree is read through.
    struct Volume {
        std::unique_ptr<CSearchedNTFSPartitionInfo>* ppCandidate;
        std::int64_t s64Start;
        std::int64_t s64End;
        std::optional<CNTFSMftReader> mft;
        bool bRebuilt = false;
        /// The records inside it are its own, not those of a volume it lies in: its MFT was read
        /// from its $MFT record or rebuilt where its boot sector puts it, and a boot sector gives
        /// its size.
        bool bOwnsItsSectors = false;
        /// Where its boot sector puts the MFT, else its $MFT record puts record 0; -1 unknown. A
        /// former MFT (one a quick format replaced) lay on from there.
        std::int64_t s64MftCluster = -1;
    };
    /// The rebuild of a lost MFT.
    struct Rebuilt {
        std::optional<CNTFSMftReader> mft;
        bool bAnchored = false;  // records lie where the boot sector puts the MFT
    };

    void ScoreAndDrop();
    /// What the blocks showed, scored, and the survivors opened (once).
    void Settle();
    void BuildTrees();
    /// Every survivor with its MFT, in start order: read from its $MFT record, else rebuilt.
    std::vector<Volume> OpenVolumes(CNTFSCandidateSet::Map& all);
    /// The sectors of the volumes that start inside `outer`, after it, and own their sectors.
    static CNTFSSpanSet NestedVolumes(std::vector<Volume> const& volumes, Volume const& outer);
    /// The device sectors every volume's MFT lies on: a FILE record there is that volume's.
    static CNTFSSpanSet MftSectors(std::vector<Volume> const& volumes, std::uint32_t u32DeviceSectorSize);
    /// The survivor's MFT: through its MFT group, else its primary or backup boot sector.
    std::optional<CNTFSMftReader> OpenVolume(CSearchedNTFSPartitionInfo const& candidate) const;
    /// The MFT of a survivor whose $MFT record and mirror copy are lost, put together from the
    /// records found inside it but outside `nested` (other volumes' sectors); null without a
    /// boot sector to vouch for its geometry, or when no record lies where that boot sector puts
    /// the MFT. When no record inside stores its own number (a volume older than NTFS 3.1), an
    /// MFT of no records: its records are all loose.
    Rebuilt RebuildMft(CSearchedNTFSPartitionInfo const& candidate, CNTFSSpanSet const& nested);
    /// The candidate's own boot sector, else one of its backups; null when neither reads sound.
    std::optional<CNTFSDBR> VouchingBootSector(CSearchedNTFSPartitionInfo const& candidate) const;
    /// Whether a FILE record was found inside the candidate.
    bool HoldsRecords(CSearchedNTFSPartitionInfo const& candidate) const;
    /// Notes a FILE record, `u32Sectors` long, that stores number `s64Number` (-1: none); the
    /// next record of its MFT stores that number plus `u32NumberStep`.
    void NoteFileRecord(std::int64_t s64Sector, std::uint32_t u32Sectors, std::int64_t s64Number,
                        std::uint32_t u32NumberStep);
    /// The files of records found inside the volume but outside its MFT (an earlier MFT's, left
    /// by a quick format), as its lost files; answers how many the builder took. A record that
    /// stores its number is the volume's where its former MFT put that number: in the stretch
    /// where the boot sector puts the MFT, or in a later fragment of it (CNTFSFormerMft) outside
    /// `claimed` (the sectors of other volumes' MFTs); one that does not, only outside
    /// `mftSectors` (every volume's MFT, in device sectors). Records inside `nested` (volumes
    /// lying in this one) or inside a live file of the volume (a volume image stored as a file)
    /// are not its own.
    std::size_t HandOverLooseFiles(CNTFSQuickSearch& walker, Volume const& volume, CNTFSSpanSet const& nested,
                                   CNTFSSpanSet const& mftSectors, CNTFSSpanSet const& claimed);
    /// The device sectors the $MFT records found place an MFT on, but those of a volume starting
    /// at `s64VolumeStart` (its own, now or before a format) and the mirror copies'.
    CNTFSSpanSet MftsClaimedBesides(std::int64_t s64VolumeStart) const;
    /// Where a former MFT of the candidate lay: see Volume::s64MftCluster.
    std::int64_t FormerMftCluster(CSearchedNTFSPartitionInfo const& candidate, CNTFSMftReader const& mft) const;

    IStorageDevice* m_pDevice = nullptr;          // not owned
    IDirecotryTreeBuilder* m_pBuilder = nullptr;  // not owned
    int m_s32BlockSectors = 0;
    std::uint32_t m_u32SectorSize = 0;
    std::int64_t m_s64DeviceSectors = 0;

    // The sectors carried to the next block, then that block's first sectors joined to them.
    std::vector<std::uint8_t> m_join;
    std::vector<std::uint8_t> m_block;  // a block read here when no bytes are handed over
    std::size_t m_carryCapacity = 0;    // in sectors
    std::size_t m_carrySectors = 0;
    std::int64_t m_s64NextSector = -1;  // where the carried sectors' block ended

    CNTFSCandidateSet m_candidates;
    CNTFSMetaFileGroups m_groups;
    CNTFSFolderEvidence m_folders;
    CNTFSLogFileEvidence m_logFiles;
    CNTFSContentCount m_attrDefs;
    CNTFSContentCount m_upCases;
    // Boot sectors found to be another candidate's backup: by their sector, that candidate's start.
    std::unordered_map<std::int64_t, std::int64_t> m_backupOf;
    /// Runs of FILE records, each record `u32Sectors` after the one before; where they store
    /// their numbers, each one's is `u32NumberStep` past the one before (one extent of an MFT).
    struct RecordRun {
        std::int64_t s64First;
        std::int64_t s64Count;
        std::uint32_t u32Sectors;
        std::int64_t s64FirstNumber = -1;  // -1: the records store no number
        std::uint32_t u32NumberStep = 1;
    };
    std::vector<RecordRun> m_recordRuns;  // ascending
    /// The first run that reaches sector `s64Sector` or lies past it.
    std::vector<RecordRun>::const_iterator FirstRecordRunFrom(std::int64_t s64Sector) const;
    std::uint64_t m_u64LooseFiles = 0;
    std::uint64_t m_u64RebuildReads = 0;
    std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>> m_partitions;
    CFoundVolumes* m_pFoundVolumes = nullptr;  // not owned
    bool m_bSettled = false;
    std::vector<Volume> m_volumes;  // the survivors, from Settle to BuildTrees
};
