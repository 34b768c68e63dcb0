#pragma once
// Sizes a TIFF file (and the camera raw files built on TIFF) from its directories: the file is
// taken to end at the furthest byte that a directory, a value, a strip or a tile refers to. It
// also collects the make, model, date and DNG mark that type and name the file. Directories are
// decoded by TiffDirectory.h. Sub-directories come from tags 330 (SubIFDs), 34665 (EXIF), 37500
// (maker note) and 46 (an embedded JPEG's EXIF TIFF).
//
// Every walk is bounded: the main chain by links that must move forward and stay below
// kMaxIfdOffset (a multi-page TIFF may have any number of pages), 15 sub-directories per file,
// 512 entries per directory, kMaxWalkedEntries entries per file in all (an entry may cost a
// read elsewhere: this keeps a hostile chain of full directories as cheap as it ever was);
// arrays are never walked, only their last element read; all sums are 64-bit. Only valid
// entries (TiffEntryRules.h) count, and a strip or tile only as long as its image allows.
#include <cstdint>
#include <string>

#include "engine/carve/analysers/TiffDirectory.h"
#include "engine/carve/analysers/TiffEntryRules.h"

class RawFileBuffer;

/// What the directories told about the file.
struct TiffFacts {
    std::string strMake;              // tag 271, at most 63 bytes
    std::string strModel;             // tag 272, at most 63 bytes
    std::string strTime;              // tag 306, else the EXIF date taken (36867)
    bool bDng = false;                // tag 50706 met
    std::uint64_t u64Running = 0;     // the furthest end met, from the TIFF header
    std::uint64_t u64LastIfdEnd = 0;  // the end of the last main directory read
    /// The furthest end of the directories and their values (an embedded preview among them),
    /// the image data left out: what the walked structure itself places.
    std::uint64_t u64Structure = 0;
    /// Whether the main chain held up to its end: every directory it links to read and decoded,
    /// the last linking to none. Only then does the furthest end tell the file's length.
    bool bWalkedToEnd = false;
};

class TiffSizer {
public:
    static constexpr int kMaxSubIfds = 15;
    static constexpr std::uint32_t kMaxEntries = 512;
    /// As many as 256 full directories: thousands of pages of a real file.
    static constexpr std::uint32_t kMaxWalkedEntries = 256 * kMaxEntries;
    static constexpr std::uint64_t kMaxIfdOffset = 0x4E000000;

    /// `u64TiffStart`: where the TIFF header stands in the file (160 in a Fuji container).
    /// With `bFujiContainer` the walk ends at the first model, or after the first directory.
    TiffSizer(RawFileBuffer& reader, std::uint64_t u64TiffStart, engine::ByteOrder order, bool bFujiContainer);

    /// Walks the main chain from the first directory, following its sub-directories.
    void WalkMainChain(std::uint32_t u32FirstIfd);
    TiffFacts const& Facts() const { return m_facts; }
    /// Raises the running size (from the TIFF header) to `u64End`.
    void Raise(std::uint64_t u64End);
    /// Raises the running size and the structure's end to `u64End`.
    void RaiseStructure(std::uint64_t u64End);
    /// Whether a Fuji container's walk reached its end (a model or the first directory's end).
    bool FujiFinished() const { return m_bFujiFinished; }

private:
    struct ArrayRef {
        std::uint64_t u64Pos = 0;
        std::uint32_t u32Count = 0;
        std::uint32_t u32ElementBytes = 0;
    };
    /// Per directory: strips and tiles pair up inside one directory only, and are bounded by its image.
    struct DirectoryState {
        std::uint64_t u64LastStripOffset = 0;
        ArrayRef tileOffsets;
        ArrayRef tileCounts;
        tiff::ImageGeometry geometry;
        std::uint32_t u32Entries = 0;  // as the directory holds them, valid or not
    };

    /// Decodes the directory at `u64Dir` (from `u64Base`) into `directory`, its valid entries
    /// only (TiffEntryRules.h); false when it cannot be read, has more than 512 (or, with
    /// `bNeedEntries`, no) entries, more than are left, or is no directory.
    bool ReadDirectory(std::uint64_t u64Dir, std::uint64_t u64Base, bool bNeedEntries, tiff::Directory& directory,
                       DirectoryState& state);
    /// An entry of the directory at `u64Dir` (from `u64Base`).
    void ProcessEntry(tiff::Entry const& entry, std::uint64_t u64Dir, std::uint64_t u64Base, bool bSub,
                      DirectoryState& state);
    /// Walks a chain of sub-directories, every offset taken from `u64Base`.
    void GetSubIFDSize(std::uint64_t u64Dir, std::uint64_t u64Base);
    void CalcFileSizeFromTiles(DirectoryState const& state, std::uint64_t u64Base);
    /// Raises the running size to the end of a strip or tile (`bTile`) of `u32Bytes` at
    /// `u64Start`: uncompressed, of as many as its pixels fill at most; else when its directory's
    /// image can hold that many.
    void RaiseData(std::uint64_t u64Start, std::uint32_t u32Bytes, DirectoryState const& state, bool bTile);

    bool ReadU16(std::uint64_t u64Pos, std::uint32_t& u32Value);
    bool ReadU32(std::uint64_t u64Pos, std::uint32_t& u32Value);
    /// The array's element `u32Index` (2- or 4-byte elements); false for other sizes.
    bool ReadElement(ArrayRef const& array, std::uint64_t u64Base, std::uint32_t u32Index, std::uint32_t& u32Value);
    std::string ReadText(tiff::Entry const& entry, std::uint64_t u64Dir, std::uint64_t u64Base);
    static ArrayRef ArrayOf(tiff::Entry const& entry, std::uint64_t u64Dir);

    RawFileBuffer& m_reader;
    std::uint64_t m_u64TiffStart;
    engine::ByteOrder m_order;
    bool m_bFujiContainer;
    bool m_bFujiFinished = false;
    bool m_bEpson = false;
    bool m_bNikon = false;
    bool m_bA100 = false;
    bool m_bA100SubIfd = false;
    std::uint64_t m_u64A100SubIfd = 0;
    int m_iSubIFDNum = 1;
    std::uint32_t m_u32EntriesLeft = kMaxWalkedEntries;
    TiffFacts m_facts;
};
