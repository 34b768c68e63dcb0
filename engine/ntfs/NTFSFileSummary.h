#pragma once
// What one file's FILE records say about it, gathered across its base and extension records:
// the name to show, its parent, its size and the runs of its unnamed data.
#include <cstdint>
#include <optional>

#include "engine/ntfs/NTFSMultiFileRecord.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"
#include "engine/ntfs/ondisk/NTFSFileName.h"

struct NtfsFileSummary {
    bool bInUse = false;
    bool bFolder = false;
    bool bHasAttributeList = false;
    /// A Win32 or POSIX name when the file has one, else its DOS 8.3 name.
    std::optional<NtfsFileName> name;
    bool bHasData = false;
    bool bResident = false;
    std::int64_t s64Size = 0;        // real size of VCN 0, or the resident value's length
    std::uint16_t u16DataFlags = 0;  // flags of the VCN-0 instance (compressed, encrypted, sparse)
    /// The VCN-0 instance's initialised size: bytes past it read as zeros. None when resident.
    std::optional<std::int64_t> initializedSize;
    CNTFSDataRunList runs;  // in VCN order; empty when resident
};

/// Null when the file holds no valid base record.
std::optional<NtfsFileSummary> SummarizeNtfsFile(CNTFSMultiFileRecord const& file);
