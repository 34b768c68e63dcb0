#pragma once
// Turns a file's FILE records (base and extension records) into its properties: the name to
// show and its parent, times and DOS attributes, deleted state, size and extents.
#include <cstdint>
#include <memory>

#include "engine/ntfs/NTFSFileProperties.h"

class CNTFSMultiFileRecord;

/// Where the base record lies: its device sector, byte and size.
struct NtfsRecordPlace {
    long long s64Sector = -1;
    std::uint64_t u64Byte = 0;
    std::uint32_t u32Size = 0;
};

class CNTFSFilePropertiesBuilder {
public:
    /// Null when the file has no valid base record or no named $FILE_NAME. The size is the
    /// VCN-0 $DATA's (the name's copy only when no such piece is found), capped at what the
    /// runs hold; runs stop at the first VCN no piece maps. `pParentReference` receives the
    /// shown name's parent reference (record number and sequence number).
    static std::unique_ptr<CNTFSFileProperties> BuildFileProperties(NtfsRecordPlace const& place,
                                                                    CNTFSMultiFileRecord const& file,
                                                                    std::uint64_t u64ClusterBytes,
                                                                    std::uint64_t* pParentReference = nullptr);
    /// A negative size becomes what the non-resident runs hold.
    static void AdjustFileSizeAccordinttoDataRunsWhenFileSizeLessThanZero(CNTFSFileProperties& properties,
                                                                          std::uint64_t u64ClusterBytes);
};
