// ZIP archives and the packages built on them (DOCX, XLSX, PPTX, PAGES, KEY, NUMBERS, EPUB, CDR).
// Records as in ZipRecords.h, and (from PKWARE's APPNOTE)
//   data descriptor after a member's data (flag bit 3): ["PK" 07 08] crc, compressed size,
//       uncompressed size (4 bytes each, or 8 for the sizes of a ZIP64 member)
// An archive written where it could not seek back (`zip` to a pipe) has descriptors, ZIP64
// fields and a ZIP64 end record whose locator leads to the end record: that still ends it.
// The archive is sized by walking its records from the first local header to the end record.
// A member whose sizes are not in its header is walked through to its data descriptor: the
// first whose compressed size is the bytes since the data's start and a record follows. Without
// one the walk stops there; the end record is then searched for in the sectors that follow
// (ZipEndSearch.h), and a sector that ends in zeros ends an archive without one.
// The carved file is named after its first member. Every local header that starts a sector
// starts a ZIP too: the search takes those the walk read as the archive's own members
// (CRawFileInfo::m_memberStarts), so one archive is one file; an archive stored as a member
// starts within a member's data and is carved on its own as well.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"
#include "engine/carve/analysers/SectorTail.h"
#include "engine/carve/analysers/ZipEndSearch.h"
#include "engine/carve/analysers/ZipKind.h"
#include "engine/carve/analysers/ZipRecords.h"

namespace {

using zip::CentralLength;
using zip::EndChecksOut;
using zip::kCentralBytes;
using zip::kCentralSignature;
using zip::kEndBytes;
using zip::KindOf;
using zip::kLocalBytes;
using zip::kLocalSignature;
using zip::kMaxOffset;
using zip::Record;

constexpr std::string_view kDescriptorSignature{"PK\x07\x08", 4};
/// A descriptor without its signature stands this far (32- or 64-bit sizes) before the next record.
constexpr std::uint32_t kBareDescriptorBytes = 12;
constexpr std::uint32_t kBareDescriptor64Bytes = 20;
/// With its signature it is this long; the record after it follows.
constexpr std::uint32_t kSignedDescriptorBytes = 16;
constexpr std::uint32_t kSignedDescriptor64Bytes = 24;
constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
constexpr std::uint32_t kSizeInZip64 = 0xFFFFFFFF;
constexpr std::uint16_t kMaxNameBytes = 4096;
constexpr std::uint32_t kAfterNameBytes = 1024;
/// How far an archive whose end record does not check out is widened, at most.
constexpr std::uint64_t kMaxWidening = 0x500001;
constexpr std::uint32_t kEndCheckTailBytes = 4;
constexpr std::uint32_t kZeroTailBytes = 16;

/// The compression methods APPNOTE 4.4.5 defines: stored, shrunk, reduced (2-5), imploded,
/// deflated, deflate64, DCL imploded, bzip2, LZMA, IBM CMPSC, TERSE, LZ77 z and the old zstd
/// (16-20), then zstd, MP3, xz, JPEG, WavPack, PPMd and the AES marker (93-99). 7, 11, 13, 15
/// and 17 are reserved.
bool IsDefinedMethod(std::uint16_t u16Method) {
    constexpr std::uint32_t kDefinedBelow21 =
        0x1FFFFF & ~((1u << 7) | (1u << 11) | (1u << 13) | (1u << 15) | (1u << 17));
    return u16Method <= 20 ? (kDefinedBelow21 >> u16Method & 1) != 0 : u16Method >= 93 && u16Method <= 99;
}

/// A local header whose method is defined and whose name length is in range.
bool IsValidLocal(engine::ByteView header) {
    return header.Has(0, kLocalBytes) && IsDefinedMethod(header.Le16(8)) && header.Le16(26) <= kMaxNameBytes;
}

class ZipWalk {
public:
    ZipWalk(RawFileBuffer& reader, std::uint32_t u32SectorSize)
        : m_reader(reader), m_u32SectorSize(std::max<std::uint32_t>(u32SectorSize, 1)) {}

    /// Sizes and types the archive, or hands back the search for its end; neither when its first
    /// record is no local header.
    Sizing Run() {
        engine::ByteView const first = m_reader.Read(0, kLocalBytes);
        if (!IsValidLocal(first) || KindOf(first) != Record::Local) return {};
        std::string_view const name = MemberName(0, first.Le16(26));
        m_firstName = std::string(name);
        m_kind.JudgeFirstMember(name);

        std::uint64_t u64Position = 0;
        bool bEnd = false;
        bool bEndChecksOut = false;
        // Every record moves on by at least 22 bytes and the position is capped: the walk ends.
        while (u64Position <= kMaxOffset) {
            auto const step = Judge(u64Position);
            if (!step) break;
            u64Position += step->u64Length;
            if (step->bEnd) {
                bEnd = true;
                bEndChecksOut = step->bEndChecksOut;
                break;
            }
            if (step->bStops) break;
        }
        if (u64Position == 0) return {};
        if (!bEnd) return {std::nullopt, MakeZipEndSearch(m_u32SectorSize, u64Position, m_kind)};
        return {EndOfArchive(u64Position, bEndChecksOut), nullptr};
    }

    RAW_FILE_TYPE Type() const { return m_kind.Final(); }
    std::string const& FirstName() const { return m_firstName; }
    /// The local headers read that start a sector (no other is found as a start).
    std::vector<std::uint64_t> TakeMemberStarts() { return std::move(m_memberStarts); }

private:
    struct Step {
        std::uint64_t u64Length = 0;
        bool bStops = false;  // a member whose data has no stated length
        bool bEnd = false;    // the end record
        bool bEndChecksOut = false;
    };

    /// The member name of length `u16Length` of the header at `u64Header`; empty when unreadable.
    /// It lies in the reader's window: valid until the next read.
    std::string_view MemberName(std::uint64_t u64Header, std::uint16_t u16Length,
                                std::uint32_t u32HeaderBytes = kLocalBytes) {
        if (u16Length == 0) return {};
        engine::ByteView const name = m_reader.Read(u64Header + u32HeaderBytes, u16Length);
        return {reinterpret_cast<char const*>(name.Data()), name.Size()};
    }

    /// Judges the record at `u64Position`; none when it is not one the walk goes through.
    std::optional<Step> Judge(std::uint64_t u64Position) {
        engine::ByteView const header = m_reader.ReadUpTo(u64Position, std::max(kCentralBytes, zip::kZip64EndBytes));
        switch (KindOf(header)) {
            case Record::Local: {
                if (!IsValidLocal(header)) return std::nullopt;
                if (u64Position % m_u32SectorSize == 0) m_memberStarts.push_back(u64Position);
                std::uint16_t const u16Name = header.Le16(26);
                std::uint64_t const u64Header = kLocalBytes + std::uint64_t{u16Name} + header.Le16(28);
                std::uint32_t const u32Packed = header.Le32(18);
                bool const bDescriptor = (header.Le16(6) & kFlagDataDescriptor) != 0;
                bool const bUnsized = u32Packed == kSizeInZip64 || (bDescriptor && u32Packed == 0);
                std::string const name(MemberName(u64Position, u16Name));
                m_kind.LocalMember(name, m_reader.ReadUpTo(u64Position + kLocalBytes + u16Name, kAfterNameBytes));
                std::uint64_t const u64Data = u64Position + u64Header;
                if (!bUnsized) {
                    // Sizes in the header too: a descriptor may still follow the data.
                    std::uint64_t const u64DataEnd = u64Data + u32Packed;
                    if (bDescriptor)
                        if (auto const end = DescriptorEnd(u64Data, u64DataEnd, u64DataEnd + kBareDescriptor64Bytes))
                            return Step{*end - u64Position, false, false, false};
                    return Step{u64DataEnd - u64Position, false, false, false};
                }
                if (bDescriptor)
                    if (auto const end = DescriptorEnd(u64Data, u64Data, kMaxOffset))
                        return Step{*end - u64Position, false, false, false};
                return Step{u64Header, true, false, false};
            }
            case Record::Central: {
                if (!header.Has(0, kCentralBytes)) return std::nullopt;
                std::uint64_t const u64Length = CentralLength(header);
                m_kind.CentralMember(MemberName(u64Position, header.Le16(28), kCentralBytes));
                return Step{u64Length, false, false, false};
            }
            case Record::End: {
                if (!header.Has(0, kEndBytes)) return std::nullopt;
                // Its fields may have overflowed into the ZIP64 record the walk just went through.
                bool const bChecksOut = EndChecksOut(header, u64Position) || m_u64SoundZip64End == u64Position;
                return Step{kEndBytes + std::uint64_t{header.Le16(20)}, false, true, bChecksOut};
            }
            case Record::Zip64End: {
                std::optional<std::uint64_t> const length = zip::Zip64EndLength(header);
                if (!length) return std::nullopt;
                // Sound when its directory ends right before it and the locator and end record follow.
                if (zip::Zip64EndChecksOut(header, u64Position))
                    m_u64SoundZip64End = u64Position + *length + zip::kZip64LocatorBytes;
                return Step{*length, false, false, false};
            }
            case Record::Zip64Locator:
                if (!header.Has(0, zip::kZip64LocatorBytes)) return std::nullopt;
                return Step{zip::kZip64LocatorBytes, false, false, false};
            case Record::None:
                break;
        }
        return std::nullopt;
    }

    /// The end of the data descriptor that closes the data from `u64Data`, its "PK" (or that of
    /// the record after it) in [u64From, u64Last]; none within that, the walk's limit or the
    /// device. Candidates are found by their "PK" (memchr), one window at a time.
    std::optional<std::uint64_t> DescriptorEnd(std::uint64_t u64Data, std::uint64_t u64From, std::uint64_t u64Last) {
        constexpr std::uint64_t kBefore = kBareDescriptor64Bytes;
        constexpr std::uint64_t kAfter = kSignedDescriptor64Bytes + 4;
        u64Last = std::min(u64Last, kMaxOffset);
        std::uint64_t u64Next = u64From;  // the first position not yet looked at
        // Each window moves the position on by all but its last bytes (a window is far longer
        // than a descriptor), and the position is capped: the search ends.
        while (u64Next <= u64Last) {
            std::uint64_t const u64Base = u64Next - std::min(u64Next - u64Data, kBefore);
            engine::ByteView const window = m_reader.ReadUpTo(u64Base, m_reader.GetWindowSize());
            if (window.Size() <= u64Next - u64Base) return std::nullopt;
            bool const bLast = window.Size() < m_reader.GetWindowSize();  // the device ends in it
            std::uint64_t u64Stop = bLast ? window.Size() : window.Size() - kAfter;
            u64Stop = std::min(u64Stop, u64Last + 1 - u64Base);
            for (std::size_t i = static_cast<std::size_t>(u64Next - u64Base); i < u64Stop; ++i) {
                void const* const pHit = std::memchr(window.Data() + i, 'P', static_cast<std::size_t>(u64Stop - i));
                if (pHit == nullptr) break;
                i = static_cast<std::size_t>(static_cast<std::uint8_t const*>(pHit) - window.Data());
                if (auto const end = DescriptorAt(window, i, u64Base, u64Data)) return end;
            }
            if (bLast) return std::nullopt;
            u64Next = u64Base + u64Stop;
        }
        return std::nullopt;
    }

    /// The end of a descriptor marked by the "PK" at `i` of `window` (which starts at `u64Base`):
    /// its own signature, or the record that follows one without; none when its size is not
    /// the bytes from `u64Data` or no record follows it.
    static std::optional<std::uint64_t> DescriptorAt(engine::ByteView window, std::size_t i, std::uint64_t u64Base,
                                                     std::uint64_t u64Data) {
        std::uint64_t const u64At = u64Base + i;
        auto const recordAt = [&](std::size_t at) { return window.Has(at, 4) && window.Equals(at, "PK"); };
        if (window.Equals(i, kDescriptorSignature)) {
            // The signature, the crc, then the compressed size.
            if (window.Has(i + 8, 4) && window.Le32(i + 8) == u64At - u64Data && recordAt(i + kSignedDescriptorBytes))
                return u64At + kSignedDescriptorBytes;
            if (window.Has(i + 8, 8) && window.Le64(i + 8) == u64At - u64Data && recordAt(i + kSignedDescriptor64Bytes))
                return u64At + kSignedDescriptor64Bytes;
            return std::nullopt;
        }
        if (!window.Equals(i, kLocalSignature) && !window.Equals(i, kCentralSignature)) return std::nullopt;
        // The crc, then the compressed size, then the uncompressed one, right before the record.
        if (i >= kBareDescriptorBytes && u64At - kBareDescriptorBytes >= u64Data &&
            window.Le32(i - 8) == u64At - kBareDescriptorBytes - u64Data)
            return u64At;
        if (i >= kBareDescriptor64Bytes && u64At - kBareDescriptor64Bytes >= u64Data &&
            window.Le64(i - 16) == u64At - kBareDescriptor64Bytes - u64Data)
            return u64At;
        return std::nullopt;
    }

    /// The walk reached the end record. One whose directory lies right before it ends the
    /// archive exactly, whatever follows; another is trusted only when its sector ends in zeros,
    /// else the archive is widened to the next sector that does, by at most about 5 MiB.
    std::uint64_t EndOfArchive(std::uint64_t u64WalkEnd, bool bChecksOut) {
        if (bChecksOut) return u64WalkEnd;
        std::uint64_t const u64Sector = u64WalkEnd / m_u32SectorSize * m_u32SectorSize;
        if (!SectorReadable(m_reader, u64Sector, m_u32SectorSize)) return u64Sector;
        if (SectorTailIsZero(m_reader, u64Sector + m_u32SectorSize, kEndCheckTailBytes)) return u64WalkEnd;
        if (u64Sector > kMaxOffset) return u64Sector;
        std::uint64_t u64Next = u64Sector + m_u32SectorSize;
        for (; u64Next - u64Sector < kMaxWidening && u64Next <= kMaxOffset; u64Next += m_u32SectorSize) {
            if (!SectorReadable(m_reader, u64Next, m_u32SectorSize)) break;
            if (SectorTailIsZero(m_reader, u64Next + m_u32SectorSize, kZeroTailBytes)) break;
        }
        return u64Next;
    }

    RawFileBuffer& m_reader;
    std::uint32_t m_u32SectorSize;
    ZipKind m_kind;
    std::string m_firstName;
    /// Where the end record stands after a ZIP64 end record that checks out and its locator.
    std::uint64_t m_u64SoundZip64End = UINT64_MAX;
    std::vector<std::uint64_t> m_memberStarts;
};

/// A sector that holds the whole local header must hold a valid one.
bool ZipProbe(engine::ByteView bytes) { return !bytes.Has(0, kLocalBytes) || IsValidLocal(bytes); }

Sizing ZipSize(RawFileBuffer& reader, std::uint32_t u32SectorSize, KeyedFile& file) {
    ZipWalk walk(reader, u32SectorSize);
    Sizing sizing = walk.Run();
    file.eType = walk.Type();
    file.name = walk.FirstName();
    file.memberStarts = walk.TakeMemberStarts();
    return sizing;
}

constexpr std::string_view kKeys[] = {kLocalSignature};
constexpr KeyedFormat kZip = {RAW_FILE_TYPE_ZIP, kKeys, nullptr, &ZipProbe, nullptr, {}, &ZipSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileZIPAnalyser() { return CreateKeyedAnalyser(kZip); }
