#pragma once
// The registry's tables: every analyser class with its own type id and factory, list 1 in its
// order, the signature keys, and the analysers without a key by type id. The registry builds
// its lists and map from these rows alone.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "engine/carve/analysers/Analysers.h"

/// In list 1's order, then the classes list 1 leaves out (MRW).
enum class RawAnalyserClass : std::uint8_t {
    File3DSAnalyser,
    File3GPAnalyser,
    FileASFAnalyser,
    FileAUAnalyser,
    FileBMPAnalyser,
    FileCABAnalyser,
    FileCHMAnalyser,
    FileCPTAnalyser,
    FileCRWAnalyser,
    FileDBXAnalyser,
    FileDWGAnalyser,
    FileDXFAnalyser,
    FileEMFAnalyser,
    FileEPSAnalyser,
    FileFH11Analyser,
    FileGIFAnalyser,
    FileGZAnalyser,
    FileHLPAnalyser,
    FileHTMAnalyser,
    FileICOAnalyser,
    FileJPGAnalyser,
    FileLowDocAnalyser,
    FileLZHAnalyser,
    FileMDBAnalyser,
    FileMIDAnalyser,
    FileMNYAnalyser,
    FileMOVAnalyser,
    FileMP3Analyser,
    FileMP4Analyser,
    FileOLEAnalyser,
    FileONEAnalyser,
    FilePDFAnalyser,
    FilePNGAnalyser,
    FilePSDAnalyser,
    FilePSPAnalyser,
    FilePSTAnalyser,
    FileRARAnalyser,
    FileRIFFAnalyser,
    FileRTFAnalyser,
    FileSWFAnalyser,
    FileTARAnalyser,
    FileTIFAnalyser,
    FileTTFAnalyser,
    FileUnicodeHTMAnalyser,
    FileWMFAnalyser,
    FileWPDAnalyser,
    FileZIPAnalyser,
    CustomFileAnalyser,
    CFileAIFAnalyzer,
    CFileAPEAnalyser,
    CFileOggAnalyser,
    FileFLVAnalyser,
    FileSVGAnalyser,
    FileSITAnalyser,
    FileRM_RMVBAnalyser,
    FileMKVAnalyser,
    FileX3FAnalyser,
    FileFCPEVENTAnalyser,
    FileMPGAnalyser,
    FileDMGAnalyser,
    FileMRWAnalyser,
    kCount
};

struct RawAnalyserClassRow {
    RawAnalyserClass eClass;
    std::string_view name;
    std::uint32_t u32OwnType;        // kNoOwnRawFileType for none
    RawFileAnalyserFactory factory;  // null while the class is not built
};

struct RawSignatureRow {
    std::array<std::uint8_t, 4> key;  // the sector's bytes 0-3 as they stand
    RawAnalyserClass eClass;
};

struct RawKeylessRow {
    std::uint32_t u32Type;
    RawAnalyserClass eClass;
};

/// Every class, indexed by RawAnalyserClass.
std::span<RawAnalyserClassRow const> RawAnalyserClasses();
RawAnalyserClassRow const& RawAnalyserClassOf(RawAnalyserClass eClass);
/// List 1 in its order.
std::span<RawAnalyserClass const> RawAnalyserList1();
/// The signature keys, by class in the order of their rows.
std::span<RawSignatureRow const> RawSignatureRows();
/// The analysers without a key, by ascending type id (two for 33).
std::span<RawKeylessRow const> RawKeylessRows();

/// A sector's first four bytes as the map's key (little-endian).
constexpr std::uint32_t RawSignatureKey(std::array<std::uint8_t, 4> const& bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}
