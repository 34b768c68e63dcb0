// TAR (POSIX ustar): 512-byte member headers, each followed by its data rounded up to 512
// bytes, and an all-zero block at the end. Header fields (ASCII):
//   0 100 name;  124 12 size in octal;  148 8 header checksum in octal;  156 1 type;  257 6 "ustar"
// A member without data (a folder, a link) takes its header alone. The archive ends at its zero
// blocks: the first, and the zero blocks after it up to the end of the 10,240-byte record they
// lie in, which writers fill with zeros (GNU tar, bsdtar and Python's tarfile by default): the
// second end block comes first, and where the first ends a record, the record after it; or
// before the first header that is not one (no magic, a bad checksum, a size that is not octal),
// and the last member's data, which no header follows then, is a guess.
// Every member header of an archive starts a TAR too: the search takes those the archive's walk
// read as part of it (CRawFileInfo::m_memberStarts), so one archive is one file.
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

constexpr std::uint32_t kBlockBytes = 512;
constexpr std::uint64_t kRecordBytes = 20 * kBlockBytes;
constexpr std::size_t kSizeOffset = 124;
constexpr std::size_t kSizeDigits = 11;
constexpr std::size_t kChecksumOffset = 148;
constexpr std::size_t kChecksumDigits = 8;
constexpr std::uint16_t kMagicOffset = 257;
constexpr std::string_view kMagic = "ustar";

bool TarProbe(engine::ByteView bytes) { return bytes.Equals(kMagicOffset, kMagic); }

/// An octal field: leading blanks, digits 0-7, then a NUL or blank or the field's end; none
/// for anything else.
std::optional<std::uint64_t> Octal(engine::ByteView field) {
    std::size_t i = 0;
    while (i < field.Size() && field.U8(i) == ' ') ++i;
    std::uint64_t u64Value = 0;
    bool bDigits = false;
    for (; i < field.Size(); ++i) {
        std::uint8_t const u8Char = field.U8(i);
        if (u8Char == 0 || u8Char == ' ') break;
        if (u8Char < '0' || u8Char > '7') return std::nullopt;
        u64Value = u64Value * 8 + (u8Char - '0');  // at most 12 digits: below 2^36
        bDigits = true;
    }
    if (!bDigits) return std::nullopt;
    return u64Value;
}

/// Whether the stored checksum is the sum of the header's bytes, its own field taken as blanks.
bool ChecksumHolds(engine::ByteView header) {
    auto const stored = Octal(header.Sub(kChecksumOffset, kChecksumDigits));
    if (!stored) return false;
    std::uint64_t u64Sum = 0;
    for (std::size_t i = 0; i < kBlockBytes; ++i)
        u64Sum += (i >= kChecksumOffset && i < kChecksumOffset + kChecksumDigits) ? ' ' : header.U8(i);
    return u64Sum == *stored;
}

bool AllZero(engine::ByteView block) {
    for (std::size_t i = 0; i < block.Size(); ++i)
        if (block.U8(i) != 0) return false;
    return true;
}

/// Past the zero blocks from `u64Position` (just after the end blocks) up to the end of
/// their record: the end of the first block that is not zero, or cannot be read.
std::uint64_t PastRecordPadding(RawFileBuffer& reader, std::uint64_t u64Position) {
    while (u64Position % kRecordBytes != 0) {
        engine::ByteView const block = reader.Read(u64Position, kBlockBytes);
        if (block.Empty() || !AllZero(block)) break;
        u64Position += kBlockBytes;
    }
    return u64Position;
}

/// The archive's length. A member's data is borne out by the header or end block that follows
/// it; the last member's is not when what follows is neither (a cut archive, or one header
/// whose size claims data that is not there): its size is then a guess.
std::optional<KeyedFile> TarSize(RawFileBuffer& reader, std::uint32_t) {
    KeyedFile file{0, RAW_FILE_TYPE_TAR, {}};
    std::uint64_t u64Position = 0;
    std::uint64_t u64Confirmed = 0;  // the end of what headers bear out
    bool bEnded = false;
    // Every member moves on by at least 512 bytes and the position is capped: the walk ends.
    while (u64Position <= RawFileBuffer::kMaxWalkBytes) {
        engine::ByteView const header = reader.Read(u64Position, kBlockBytes);
        if (header.Empty()) break;
        if (AllZero(header)) {
            u64Position += kBlockBytes;
            engine::ByteView const second = reader.Read(u64Position, kBlockBytes);
            if (!second.Empty() && AllZero(second)) u64Position += kBlockBytes;
            u64Position = PastRecordPadding(reader, u64Position);
            bEnded = true;
            break;
        }
        if (!header.Equals(kMagicOffset, kMagic) || !ChecksumHolds(header)) break;
        auto const size = Octal(header.Sub(kSizeOffset, kSizeDigits));
        if (!size) break;
        u64Confirmed = u64Position + kBlockBytes;
        file.memberStarts.push_back(u64Position);
        u64Position += kBlockBytes + (*size + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
    }
    if (u64Position == 0) return std::nullopt;
    file.u64Size = u64Position;
    file.bGuessed = !bEnded && u64Position > u64Confirmed;
    file.u64Borne = u64Confirmed;
    return file;
}

constexpr KeyedFormat kTar = {.eType = RAW_FILE_TYPE_TAR,
                              .keys = {},
                              .sizer = nullptr,
                              .probe = &TarProbe,
                              .describe = &TarSize,
                              .landmark = RawLandmark{kMagicOffset, static_cast<std::uint8_t>(kMagic[0])}};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileTARAnalyser() { return CreateKeyedAnalyser(kTar); }
