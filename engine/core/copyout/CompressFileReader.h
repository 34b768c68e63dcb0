#pragma once
// The reader of NTFS-compressed files: the plain reader's mapping, plus the regrouping of the
// runs into compression units of 16 clusters and their expansion (stored units as read,
// compressed units through LZNT1, sparse units as zeros).
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "engine/Result.h"
#include "engine/core/copyout/CompressUnits.h"
#include "engine/core/copyout/FileReader.h"
#include "engine/core/copyout/ZeroWatch.h"

class IProgress;

class CCompressFileReader : public CFileReader {
public:
    /// The unit buffers: 16 clusters of 4 KiB, the largest cluster size NTFS compresses with.
    /// Larger units read as zeros and count as unreadable.
    static constexpr std::size_t kUnitBufferSize = 0x10000;

    /// A closed reader; Open gives it a node.
    CCompressFileReader();

    /// Expands the node's data into the file at `pszPath` (created with mode 0666 under the
    /// umask, truncated), reporting progress to and asking `pProgress` (may be null) whether to
    /// go on. 0 when written, also after a stop request; code 1 when the destination cannot be
    /// created or written, when a unit could not be read (its bytes are zeros; the file keeps
    /// its full length), or when the runs end before the data size (the file ends there).
    /// For resident data it writes nothing and sets `bFallback`: the caller copies through
    /// the plain read.
    RESULT Recovery(char const* pszPath, IProgress* pProgress, bool& bFallback);
    /// Expands the data's first `iCapacity` bytes into `pBuffer`; false for a null buffer, a
    /// closed reader, or when a unit could not be read.
    bool Recovery(char* pBuffer, int iCapacity, IProgress* pProgress);
    /// Whether the last expansion into a file wrote nothing but zeros.
    bool WroteOnlyZeros() const { return m_written.OnlyZeros(); }

    /// Expands only the units that cover the range; 0 when one of them could not be read.
    unsigned int ReadData(long long s64Offset, char* pDestination, unsigned int u32Length) override;
    IFileReader* Clone() override;
    /// Compressed runs hold less than the data they expand to: the whole data size.
    long long GetWritableSize() const override { return GetDataSize(); }

private:
    struct ExpandOutcome {
        std::uint64_t u64Produced = 0;
        bool bReadFailed = false;   // some unit is zeros in place of its data
        bool bRunsEnded = false;    // the runs stop before the range does
        bool bWriteFailed = false;  // the sink refused bytes
        bool bStopped = false;      // the progress sink asked to stop
    };
    using Emit = std::function<bool(std::span<std::uint8_t const>)>;

    CCompressFileReader(CCompressFileReader const& other);

    /// Expands the units covering [u64Offset, u64Offset + u64Length), cut at the data size,
    /// and hands the range's bytes to `emit` in order.
    ExpandOutcome Expand(std::uint64_t u64Offset, std::uint64_t u64Length, IProgress* pProgress, Emit const& emit);
    /// Fills `output` (the unit's size) with one unit's data; false when some of it could not
    /// be read and is zeros.
    bool ExpandUnit(std::span<tagCompressDataRun const> pieces, std::span<std::uint8_t> output);
    bool ExpandCompressedUnit(std::span<tagCompressDataRun const> pieces, std::span<std::uint8_t> output);
    /// Reads whole clusters; when that fails, cluster by cluster, with zeros for those that
    /// do not read. False when any failed.
    bool ReadSalvaging(std::int64_t s64Lcn, std::span<std::uint8_t> destination);

    std::vector<std::uint8_t> m_input;   // a compressed unit as read
    std::vector<std::uint8_t> m_output;  // one unit's data
    CZeroWatch m_written;                // what the last expansion into a file wrote
};
