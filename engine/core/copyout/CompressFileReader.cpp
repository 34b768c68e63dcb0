#include "engine/core/copyout/CompressFileReader.h"

#include <algorithm>
#include <cstring>

#include "engine/ByteView.h"
#include "engine/CatchExeception.h"
#include "engine/IProgress.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/copyout/DestinationFile.h"
#include "engine/core/copyout/Lznt1.h"

namespace {

/// Progress is reported, and a stop request honoured, once per this many bytes.
constexpr std::uint64_t kProgressStep = 0x400000;

void LogFailure(char const* pszOperation, int iLine) { CatchExeception::WriteLog("%s %d\r\n", pszOperation, iLine); }

}  // namespace

CCompressFileReader::CCompressFileReader() : m_input(kUnitBufferSize), m_output(kUnitBufferSize) {}

IFileReader* CreateNtfsCompressFileReader() { return new CCompressFileReader(); }

CCompressFileReader::CCompressFileReader(CCompressFileReader const& other)
    : CFileReader(other), m_input(kUnitBufferSize), m_output(kUnitBufferSize) {}

IFileReader* CCompressFileReader::Clone() { return new CCompressFileReader(*this); }

RESULT CCompressFileReader::Recovery(char const* pszPath, IProgress* pProgress, bool& bFallback) {
    bFallback = false;
    CDestinationFile file;
    if (pszPath == nullptr || GetDataSize() <= 0 || !file.Create(pszPath)) {
        LogFailure("Recovery", __LINE__);
        return ENGINE_RESULT(kModuleCopyOut, kCodeIoFailure);
    }
    if (IsResidentData()) {
        bFallback = true;
        return file.Finish() ? kResultSuccess : ENGINE_RESULT(kModuleCopyOut, kCodeIoFailure);
    }
    m_written = {};
    ExpandOutcome const outcome = Expand(0, static_cast<std::uint64_t>(GetDataSize()), pProgress,
                                         [this, &file](std::span<std::uint8_t const> bytes) {
                                             m_written.See(bytes);
                                             return file.Write(bytes);
                                         });
    bool const bClosed = file.Finish();
    if (outcome.bWriteFailed || !bClosed) {
        LogFailure("Recovery", __LINE__);
        return ENGINE_RESULT(kModuleCopyOut, kCodeIoFailure);
    }
    if (outcome.bStopped) return kResultSuccess;
    if (outcome.bReadFailed || outcome.bRunsEnded) {
        LogFailure("Recovery", __LINE__);
        return ENGINE_RESULT(kModuleCopyOut, kCodeIoFailure);
    }
    return kResultSuccess;
}

bool CCompressFileReader::Recovery(char* pBuffer, int iCapacity, IProgress* pProgress) {
    if (pBuffer == nullptr || iCapacity <= 0 || GetDataSize() <= 0) return false;
    if (IsResidentData()) return CFileReader::ReadData(0, pBuffer, static_cast<unsigned int>(iCapacity)) != 0;
    std::size_t written = 0;
    ExpandOutcome const outcome =
        Expand(0, static_cast<std::uint64_t>(iCapacity), pProgress, [&](std::span<std::uint8_t const> bytes) {
            std::memcpy(pBuffer + written, bytes.data(), bytes.size());
            written += bytes.size();
            return true;
        });
    return !outcome.bReadFailed && written > 0;
}

unsigned int CCompressFileReader::ReadData(long long s64Offset, char* pDestination, unsigned int u32Length) {
    if (pDestination == nullptr || s64Offset < 0 || s64Offset >= GetDataSize()) {
        LogFailure("ReadData", __LINE__);
        return 0;
    }
    if (IsResidentData()) return CFileReader::ReadData(s64Offset, pDestination, u32Length);
    std::size_t written = 0;
    ExpandOutcome const outcome =
        Expand(static_cast<std::uint64_t>(s64Offset), u32Length, nullptr, [&](std::span<std::uint8_t const> bytes) {
            std::memcpy(pDestination + written, bytes.data(), bytes.size());
            written += bytes.size();
            return true;
        });
    if (outcome.bReadFailed) {
        LogFailure("ReadData", __LINE__);
        return 0;
    }
    return static_cast<unsigned int>(written);
}

CCompressFileReader::ExpandOutcome CCompressFileReader::Expand(std::uint64_t u64Offset, std::uint64_t u64Length,
                                                               IProgress* pProgress, Emit const& emit) {
    ExpandOutcome outcome;
    std::uint64_t const u64DataSize = static_cast<std::uint64_t>(std::max<long long>(GetDataSize(), 0));
    std::uint64_t const u64End = std::min(u64DataSize, engine::CheckedAdd(u64Offset, u64Length).value_or(u64DataSize));
    if (u64Offset >= u64End) return outcome;

    std::uint64_t const u64UnitBytes = std::uint64_t{CCompressUnits::kUnitClusters} * ClusterSize();
    std::uint64_t const u64FirstUnit = u64Offset / u64UnitBytes;
    CCompressUnits units(Runs());
    if (!units.Seek(static_cast<std::int64_t>(u64FirstUnit))) {
        outcome.bRunsEnded = true;
        return outcome;
    }

    _PROGRESS_INFO record;
    record.u32State = PROGRESS_STATE_RUNNING;
    record.u64Total = u64End - u64Offset;
    std::uint64_t u64NextReport = kProgressStep;

    CCompressUnits::UnitPieces pieces;
    std::uint64_t u64Position = u64FirstUnit * u64UnitBytes;
    while (u64Position < u64End) {
        std::size_t const count = units.NextUnit(pieces);
        if (count == 0) {
            outcome.bRunsEnded = true;
            break;
        }
        std::span<tagCompressDataRun const> const unit(pieces.data(), count);
        std::uint64_t u64Clusters = 0;
        for (tagCompressDataRun const& piece : unit) u64Clusters += static_cast<std::uint64_t>(piece.s32Count);
        std::uint64_t const u64Bytes = u64Clusters * ClusterSize();
        std::uint64_t const u64SliceStart = std::max(u64Position, u64Offset);
        std::uint64_t const u64SliceEnd = std::min(u64Position + u64Bytes, u64End);
        if (u64SliceEnd <= u64SliceStart) {  // a short last unit that stops before the range
            outcome.bRunsEnded = true;
            break;
        }

        std::uint64_t const u64Initialized = static_cast<std::uint64_t>(std::max<long long>(GetInitializedEnd(), 0));
        if (u64Bytes <= kUnitBufferSize) {
            std::span<std::uint8_t> const output(m_output.data(), static_cast<std::size_t>(u64Bytes));
            // A unit wholly past the initialised size is zeros and is not read; a unit across it
            // keeps only the bytes before it.
            if (u64Position >= u64Initialized)
                std::fill(output.begin(), output.end(), std::uint8_t{0});
            else if (!ExpandUnit(unit, output))
                outcome.bReadFailed = true;
            if (u64Initialized < u64Position + u64Bytes && u64Initialized > u64Position)
                std::fill(output.begin() + static_cast<std::ptrdiff_t>(u64Initialized - u64Position), output.end(),
                          std::uint8_t{0});
            auto const slice = output.subspan(static_cast<std::size_t>(u64SliceStart - u64Position),
                                              static_cast<std::size_t>(u64SliceEnd - u64SliceStart));
            if (!emit(slice)) outcome.bWriteFailed = true;
        } else {
            // Clusters above 4 KiB: NTFS never compresses them, so this list is damaged.
            bool const bAllSparse =
                std::all_of(unit.begin(), unit.end(), [](auto const& piece) { return piece.s64LCN < 0; });
            if (!bAllSparse && u64Position < u64Initialized) outcome.bReadFailed = true;
            std::fill(m_output.begin(), m_output.end(), std::uint8_t{0});
            for (std::uint64_t u64Left = u64SliceEnd - u64SliceStart; u64Left > 0 && !outcome.bWriteFailed;) {
                std::size_t const step = static_cast<std::size_t>(std::min<std::uint64_t>(u64Left, kUnitBufferSize));
                if (!emit(std::span<std::uint8_t const>(m_output.data(), step))) outcome.bWriteFailed = true;
                u64Left -= step;
            }
        }
        if (outcome.bWriteFailed) break;
        outcome.u64Produced += u64SliceEnd - u64SliceStart;
        u64Position += u64Bytes;

        if (pProgress != nullptr && (outcome.u64Produced >= u64NextReport || u64Position >= u64End)) {
            u64NextReport = outcome.u64Produced + kProgressStep;
            record.u64Done = outcome.u64Produced;
            pProgress->UpdateProgress(&record);
            if (u64Position < u64End && !pProgress->Continued()) {
                outcome.bStopped = true;
                break;
            }
        }
    }
    return outcome;
}

bool CCompressFileReader::ExpandUnit(std::span<tagCompressDataRun const> pieces, std::span<std::uint8_t> output) {
    std::fill(output.begin(), output.end(), std::uint8_t{0});
    if (pieces.front().eType == COMPRESSED_UNIT && pieces.front().s64LCN >= 0)
        return ExpandCompressedUnit(pieces, output);

    bool ok = true;
    std::size_t offset = 0;
    for (tagCompressDataRun const& piece : pieces) {
        std::size_t const bytes = static_cast<std::size_t>(piece.s32Count) * ClusterSize();
        if (piece.s64LCN < 0) {
            if (piece.eType == NONECOMPRESSED_UNIT) ok = false;  // a hole inside a stored unit
        } else if (piece.eType != NONECOMPRESSED_UNIT || piece.s64LCN == 0) {
            ok = false;  // compressed clusters out of place, or cluster 0 (the boot sector)
        } else if (!ReadSalvaging(piece.s64LCN, output.subspan(offset, bytes))) {
            ok = false;
        }
        offset += bytes;
    }
    return ok;
}

bool CCompressFileReader::ReadSalvaging(std::int64_t s64Lcn, std::span<std::uint8_t> destination) {
    if (ReadClusters(s64Lcn, destination)) return true;
    // Keep every cluster that still reads: only the unreadable ones become zeros.
    for (std::size_t offset = 0; offset < destination.size(); offset += ClusterSize()) {
        std::span<std::uint8_t> const cluster = destination.subspan(offset, ClusterSize());
        auto const lcn = engine::CheckedAdd<std::int64_t>(s64Lcn, static_cast<std::int64_t>(offset / ClusterSize()));
        if (!lcn || !ReadClusters(*lcn, cluster)) std::fill(cluster.begin(), cluster.end(), std::uint8_t{0});
    }
    return false;
}

bool CCompressFileReader::ExpandCompressedUnit(std::span<tagCompressDataRun const> pieces,
                                               std::span<std::uint8_t> output) {
    bool ok = true;
    std::size_t filled = 0;
    bool bInTail = false;
    for (tagCompressDataRun const& piece : pieces) {
        if (piece.s64LCN < 0) {
            bInTail = true;
            continue;
        }
        if (bInTail || piece.s64LCN == 0) {  // stored clusters after the sparse tail, or the boot sector
            ok = false;
            continue;
        }
        std::size_t const bytes = static_cast<std::size_t>(piece.s32Count) * ClusterSize();
        std::span<std::uint8_t> const target(m_input.data() + filled, bytes);
        if (!ReadSalvaging(piece.s64LCN, target)) ok = false;
        filled += bytes;
    }
    std::span<std::uint8_t const> const input(m_input.data(), filled);
    engine::ByteView const view(input);

    // A unit that starts without a chunk header holds its data as is.
    if (!view.Has(0, 2) || view.Le16(0) == 0) {
        std::memcpy(output.data(), input.data(), std::min(filled, output.size()));
        return ok;
    }
    // Each chunk stands for 4 KiB of the unit; one that expands to less leaves zeros behind it.
    std::size_t position = 0;
    for (std::size_t slot = 0; view.Has(position, 2) && slot < output.size(); slot += engine::kLznt1ChunkOutput) {
        std::uint16_t const header = view.Le16(position);
        if (header == 0) break;
        engine::DecompressBlock(input.subspan(position),
                                output.subspan(slot, std::min(engine::kLznt1ChunkOutput, output.size() - slot)));
        position += (header & 0x0FFFu) + 3u;
    }
    return ok;
}
