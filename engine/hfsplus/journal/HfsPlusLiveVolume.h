#pragma once
// What the journal's deleted-record pass asks of the live volume it belongs to: its header, its
// bytes, what its live trees still hold, and where the records only the journal holds go. The
// volume answers it, so the journal knows no volume.
#include <cstdint>

#include "engine/Result.h"

namespace hfsplus {

struct HFSPlusVolumeHeader;
struct LiveVolumeQuery;
class CHFSPlusDeletedRecords;

class IHFSPlusLiveVolume {
public:
    virtual ~IHFSPlusLiveVolume() = default;

    virtual RESULT GetLastError() const = 0;
    /// Null until a valid header was read.
    virtual HFSPlusVolumeHeader const* GetHeader() const = 0;
    /// Copies `u64Length` bytes from volume byte `u64Offset`; returns the bytes delivered.
    virtual std::uint64_t Read(std::uint64_t u64Offset, void* pBuffer, std::uint64_t u64Length) = 0;
    /// What the live trees answer; valid while the volume lives.
    virtual LiveVolumeQuery LiveQuery() const = 0;
    virtual CHFSPlusDeletedRecords& DeletedRecords() = 0;

protected:
    IHFSPlusLiveVolume() = default;
    IHFSPlusLiveVolume(IHFSPlusLiveVolume const&) = delete;
    IHFSPlusLiveVolume& operator=(IHFSPlusLiveVolume const&) = delete;
};

}  // namespace hfsplus
