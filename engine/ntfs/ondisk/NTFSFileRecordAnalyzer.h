#pragma once
// What a whole FILE record says: its unnamed data runs, the cluster size they imply, whether
// it is one of the NTFS metafiles, a folder with an index allocation, or the $Volume record and
// its label.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/ntfs/ondisk/NTFSDataRunList.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"

class CNTFSFileRecordAnalyzer {
public:
    /// Appends the runs of every unnamed non-resident $DATA instance in this record; writes the
    /// real size of the instance starting at VCN 0. True without $DATA; false for an invalid
    /// record, a resident unnamed $DATA, runs that do not decode, or (with `bCheck`, for an
    /// uncompressed instance) runs whose clusters differ from its VCN span.
    static bool AddDataRunListfromFileRecordBuffer(CNTFSFileRecord const& record, CNTFSDataRunList& runs, bool bCheck,
                                                   std::int64_t* pRealSize);
    /// The sectors per cluster the first $DATA's real size and all its runs imply (0 when none
    /// can be told); null when the runs cannot be read.
    static std::optional<std::uint32_t> GetSectorsPerClusterfrom0x80(CNTFSFileRecord const& record,
                                                                     std::uint32_t u32SectorSize);
};

class CMetaFileRecordTypeAnalyzer {
public:
    static constexpr std::uint32_t kNotMetaFile = 0xFFFFFFFF;
    static constexpr std::uint32_t kMetaFileCount = 15;

    /// The row of the metafile table whose name the first $FILE_NAME carries ($MFT 0 .. $Extend
    /// 11 are also their record numbers; $Quota 12, $ObjId 13, $Reparse 14 live under $Extend
    /// at numbers that vary); kNotMetaFile for other, invalid or extension records.
    static std::uint32_t GetMetaFileRecordIndex(CNTFSFileRecord const& record);
    static std::u16string_view GetMetaFileName(std::uint32_t u32Row);
    /// A named metafile whose standard information says hidden and system.
    static bool IsValidMetaFileRecord(CNTFSFileRecord const& record);
    /// The record is valid, hidden and system, and its first name is `name`.
    static bool IsValidMetaFileRecord(CNTFSFileRecord const& record, std::u16string_view name);
    static bool IsValidMFTFileRecord(CNTFSFileRecord const& record) { return IsValidMetaFileRecord(record, u"$MFT"); }
    static bool IsValidMFTMirrFileRecord(CNTFSFileRecord const& record) {
        return IsValidMetaFileRecord(record, u"$MFTMirr");
    }
    static bool IsValidLogFileRecord(CNTFSFileRecord const& record) {
        return IsValidMetaFileRecord(record, u"$LogFile");
    }
    static bool IsValidVolumeFileRecord(CNTFSFileRecord const& record) {
        return IsValidMetaFileRecord(record, u"$Volume");
    }
    static bool IsValidAttrDefFileRecord(CNTFSFileRecord const& record) {
        return IsValidMetaFileRecord(record, u"$AttrDef");
    }
    static bool IsValidBitmapFileRecord(CNTFSFileRecord const& record) {
        return IsValidMetaFileRecord(record, u"$Bitmap");
    }
    static bool IsValidUpCaseFileRecord(CNTFSFileRecord const& record) {
        return IsValidMetaFileRecord(record, u"$UpCase");
    }
};

class CFolderFileRecordAnalyzer {
public:
    /// A folder record whose first $INDEX_ALLOCATION is non-resident.
    static bool IsValidFolderFileRecordHavingIndexAllocation(CNTFSFileRecord const& record);
};

class CVolumeFileAnalyzer {
public:
    /// The label of a $Volume record, as UTF-8 of at most `maxBytes` bytes (never splitting a
    /// character); null when the record is not $Volume or has no volume name attribute.
    static std::optional<std::string> GetLabel(CNTFSFileRecord const& record, std::size_t maxBytes);
};
