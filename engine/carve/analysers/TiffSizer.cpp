#include "engine/carve/analysers/TiffSizer.h"

#include <algorithm>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/RawFileBuffer.h"

namespace {

constexpr std::size_t kMaxTextBytes = 63;
constexpr std::uint32_t kMaxSubIfdOffsets = 512;
constexpr std::size_t kMaxModelForName = 40;
// Where a Nikon (after "Nikon\0", version and its own TIFF header) and an Epson maker note
// (after "EPSON\0" and version) hold their directory, from the note's start.
constexpr std::uint64_t kNikonNoteDirectory = 18;
constexpr std::uint64_t kEpsonNoteDirectory = 8;
// An embedded JPEG with EXIF: its TIFF header stands 12 bytes in (FF D8, the APP1 marker and
// length, "Exif\0\0"), its first-directory offset 16 bytes in.
constexpr std::uint64_t kEmbeddedTiffHeader = 12;
constexpr std::uint64_t kEmbeddedFirstIfd = 16;

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

TiffSizer::TiffSizer(RawFileBuffer& reader, std::uint64_t u64TiffStart, engine::ByteOrder order, bool bFujiContainer)
    : m_reader(reader), m_u64TiffStart(u64TiffStart), m_order(order), m_bFujiContainer(bFujiContainer) {}

void TiffSizer::Raise(std::uint64_t u64End) { m_facts.u64Running = std::max(m_facts.u64Running, u64End); }

void TiffSizer::RaiseStructure(std::uint64_t u64End) {
    Raise(u64End);
    m_facts.u64Structure = std::max(m_facts.u64Structure, u64End);
}

void TiffSizer::RaiseData(std::uint64_t u64Start, std::uint32_t u32Bytes, DirectoryState const& state, bool bTile) {
    tiff::ImageGeometry const& geometry = state.geometry;
    // An uncompressed strip or tile holds its pixels and no more, whatever its count claims.
    std::uint64_t const u64Raw = geometry.bCompressed ? 0 : geometry.RawPieceBytes(bTile);
    if (u64Raw != 0)
        Raise(u64Start + std::min<std::uint64_t>(u32Bytes, u64Raw));
    else if (u32Bytes <= geometry.MaxDataBytes())
        Raise(u64Start + u32Bytes);
}

bool TiffSizer::ReadU16(std::uint64_t u64Pos, std::uint32_t& u32Value) {
    engine::ByteView const bytes = m_reader.Read(m_u64TiffStart + u64Pos, 2);
    if (bytes.Empty()) return false;
    u32Value = bytes.U16(0, m_order);
    return true;
}

bool TiffSizer::ReadU32(std::uint64_t u64Pos, std::uint32_t& u32Value) {
    engine::ByteView const bytes = m_reader.Read(m_u64TiffStart + u64Pos, 4);
    if (bytes.Empty()) return false;
    u32Value = bytes.U32(0, m_order);
    return true;
}

bool TiffSizer::ReadElement(ArrayRef const& array, std::uint64_t u64Base, std::uint32_t u32Index,
                            std::uint32_t& u32Value) {
    std::uint64_t const u64Pos = u64Base + array.u64Pos + std::uint64_t{u32Index} * array.u32ElementBytes;
    if (array.u32ElementBytes == 2) return ReadU16(u64Pos, u32Value);
    if (array.u32ElementBytes == 4) return ReadU32(u64Pos, u32Value);
    return false;
}

TiffSizer::ArrayRef TiffSizer::ArrayOf(tiff::Entry const& entry, std::uint64_t u64Dir) {
    return {entry.DataAt(u64Dir), entry.u32Count, tiff::TypeBytes(entry.u16Type)};
}

std::string TiffSizer::ReadText(tiff::Entry const& entry, std::uint64_t u64Dir, std::uint64_t u64Base) {
    std::uint32_t const u32Bytes =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(entry.u64DataBytes, kMaxTextBytes));
    if (u32Bytes == 0) return {};
    engine::ByteView const bytes = m_reader.ReadUpTo(m_u64TiffStart + u64Base + entry.DataAt(u64Dir), u32Bytes);
    std::size_t length = 0;
    while (length < bytes.Size() && bytes.U8(length) != 0) ++length;
    return std::string(reinterpret_cast<char const*>(bytes.Data()), length);
}

bool TiffSizer::ReadDirectory(std::uint64_t u64Dir, std::uint64_t u64Base, bool bNeedEntries,
                              tiff::Directory& directory, DirectoryState& state) {
    std::uint32_t u32Count = 0;
    if (!ReadU16(u64Base + u64Dir, u32Count) || u32Count > std::min(kMaxEntries, m_u32EntriesLeft) ||
        (bNeedEntries && u32Count == 0))
        return false;
    m_u32EntriesLeft -= u32Count;
    // Decoded at once: walking an entry reads elsewhere and reuses the reader's window.
    engine::ByteView const bytes =
        m_reader.Read(m_u64TiffStart + u64Base + u64Dir, static_cast<std::uint32_t>(tiff::DirectoryBytes(u32Count)));
    if (bytes.Empty() || !tiff::DecodeDirectory(bytes, m_order, kMaxEntries, directory)) return false;
    state.u32Entries = u32Count;
    state.geometry = tiff::GeometryOf(directory);
    return tiff::KeepValidEntries(directory, state.geometry);
}

void TiffSizer::WalkMainChain(std::uint32_t u32FirstIfd) {
    // Links must move forward and stay below the bound: the chain ends, and no directory is
    // read twice, however many pages the file has.
    tiff::Directory directory;
    std::uint64_t u64Ifd = u32FirstIfd;
    while (u64Ifd <= kMaxIfdOffset) {
        DirectoryState state;
        if (!ReadDirectory(u64Ifd, 0, true, directory, state)) return;
        m_facts.bWalkedToEnd = false;
        for (tiff::Entry const& entry : directory.entries) {
            ProcessEntry(entry, u64Ifd, 0, false, state);
            if (m_bFujiFinished) return;
        }
        m_facts.u64LastIfdEnd = u64Ifd + tiff::DirectoryBytes(state.u32Entries);
        m_facts.u64Structure = std::max(m_facts.u64Structure, m_facts.u64LastIfdEnd);
        if (m_bFujiContainer) {
            m_bFujiFinished = true;
            return;
        }
        if (!directory.next) return;
        std::uint32_t const u32Next = *directory.next;
        m_facts.bWalkedToEnd = u32Next == 0;
        if (u32Next <= u64Ifd) return;
        u64Ifd = u32Next;
    }
    m_facts.bWalkedToEnd = false;
}

void TiffSizer::GetSubIFDSize(std::uint64_t u64Dir, std::uint64_t u64Base) {
    // Links must move forward, and every directory of the chain counts against the cap.
    tiff::Directory directory;
    while (m_iSubIFDNum <= kMaxSubIfds && u64Dir <= kMaxIfdOffset) {
        ++m_iSubIFDNum;
        DirectoryState state;
        if (!ReadDirectory(u64Dir, u64Base, false, directory, state)) return;
        for (tiff::Entry const& entry : directory.entries) ProcessEntry(entry, u64Dir, u64Base, true, state);
        RaiseStructure(u64Base + u64Dir + tiff::DirectoryBytes(state.u32Entries));
        std::uint32_t const u32Next = directory.next.value_or(0);
        if (u32Next <= u64Dir) return;
        u64Dir = u32Next;
    }
}

void TiffSizer::CalcFileSizeFromTiles(DirectoryState const& state, std::uint64_t u64Base) {
    ArrayRef const& offsets = state.tileOffsets;
    ArrayRef const& counts = state.tileCounts;
    // Each array is read at its own width: writers may store the byte counts as shorts beside
    // long offsets, and such a file is sized by its tiles all the same.
    if (offsets.u32Count == 0 || offsets.u32Count != counts.u32Count) return;
    std::uint32_t u32LastOffset = 0;
    std::uint32_t u32LastCount = 0;
    if (ReadElement(offsets, u64Base, offsets.u32Count - 1, u32LastOffset) &&
        ReadElement(counts, u64Base, counts.u32Count - 1, u32LastCount))
        RaiseData(u64Base + u32LastOffset, u32LastCount, state, true);
}

void TiffSizer::ProcessEntry(tiff::Entry const& entry, std::uint64_t u64Dir, std::uint64_t u64Base, bool bSub,
                             DirectoryState& state) {
    using namespace tiff;
    std::uint64_t const u64Data = entry.DataAt(u64Dir);
    if (entry.u64DataBytes > 4) RaiseStructure(u64Base + u64Data + entry.u64DataBytes);
    std::uint32_t u32Element = 0;
    switch (entry.u16Tag) {
        case kTagStripOffsets:
        case kTagJpegOffset:
            if (entry.u32Count != 0 && ReadElement(ArrayOf(entry, u64Dir), u64Base, entry.u32Count - 1, u32Element))
                state.u64LastStripOffset = u32Element;
            return;
        case kTagStripByteCounts:
        case kTagJpegLength:
            if (entry.u32Count != 0 && ReadElement(ArrayOf(entry, u64Dir), u64Base, entry.u32Count - 1, u32Element))
                RaiseData(u64Base + state.u64LastStripOffset, u32Element, state, false);
            return;
        case kTagTileOffsets:
        case kTagTileByteCounts:
            (entry.u16Tag == kTagTileOffsets ? state.tileOffsets : state.tileCounts) = ArrayOf(entry, u64Dir);
            CalcFileSizeFromTiles(state, u64Base);
            return;
        case kTagExifIfd:
            GetSubIFDSize(entry.u32Value, u64Base);
            return;
        case kTagDngVersion:
            m_facts.bDng = true;
            return;
        default:
            break;
    }
    if (bSub) {
        if (entry.u16Tag == kTagDateTimeOriginal && m_facts.strTime.empty())
            m_facts.strTime = ReadText(entry, u64Dir, u64Base);
        if (entry.u16Tag == kTagMakerNote)
            GetSubIFDSize(entry.u32Value + (m_bNikon   ? kNikonNoteDirectory
                                            : m_bEpson ? kEpsonNoteDirectory
                                                       : 0),
                          u64Base);
        return;
    }
    switch (entry.u16Tag) {
        case kTagMake:
            m_facts.strMake = ReadText(entry, u64Dir, u64Base);
            m_bEpson = m_facts.strMake.find("EPSON") != std::string::npos;
            m_bNikon = m_bNikon || m_facts.strMake == "nikon";
            break;
        case kTagModel: {
            std::string model = ReadText(entry, u64Dir, u64Base);
            m_bNikon = m_bNikon || StartsWith(model, "NIKON");
            m_bA100 = StartsWith(model, "DSLR-A100");
            // A text this long is no camera model: the file is still sized, but not named.
            m_facts.strModel = model.size() > kMaxModelForName ? std::string() : std::move(model);
            if (m_bFujiContainer) m_bFujiFinished = true;
            break;
        }
        case kTagDateTime:
            m_facts.strTime = ReadText(entry, u64Dir, u64Base);
            break;
        case kTagSubIfds: {
            ArrayRef const offsets = ArrayOf(entry, u64Dir);
            std::uint32_t const u32Walk = std::min(entry.u32Count, kMaxSubIfdOffsets);
            for (std::uint32_t i = 0; i < u32Walk && m_iSubIFDNum <= kMaxSubIfds; ++i) {
                if (!ReadElement(offsets, u64Base, i, u32Element)) break;
                if (m_bA100) {
                    // The A100 keeps its raw data's length in the DNG private data instead.
                    m_u64A100SubIfd = u32Element;
                    m_bA100SubIfd = true;
                    break;
                }
                GetSubIFDSize(u32Element, u64Base);
            }
            break;
        }
        case kTagEmbeddedJpeg: {
            std::uint32_t u32EmbeddedIfd = 0;
            if (entry.u64DataBytes > 4 && ReadU32(u64Base + u64Data + kEmbeddedFirstIfd, u32EmbeddedIfd))
                GetSubIFDSize(u32EmbeddedIfd, u64Base + u64Data + kEmbeddedTiffHeader);
            break;
        }
        case kTagDngPrivateData: {
            std::uint32_t u32HeaderBytes = 0;
            std::uint32_t u32Length = 0;
            if (m_bA100 && m_bA100SubIfd && ReadU16(u64Base + u64Data + 4, u32HeaderBytes) &&
                ReadU32(u64Base + u64Data + u32HeaderBytes + 4, u32Length))
                Raise(u64Base + m_u64A100SubIfd + u32Length);
            break;
        }
        default:
            break;
    }
}
