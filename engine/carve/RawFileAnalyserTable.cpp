#include "engine/carve/RawFileAnalyserTable.h"

#include <array>
#include <iterator>

#include "engine/carve/RawFileType.h"

namespace {

using enum RawAnalyserClass;

// One row per class, in the order of RawAnalyserClass; a null factory: not built yet.
constexpr RawAnalyserClassRow kClasses[] = {
    {File3DSAnalyser, "File3DSAnalyser", 1, &CreateFile3DSAnalyser},
    {File3GPAnalyser, "File3GPAnalyser", 2, &CreateFile3GPAnalyser},
    {FileASFAnalyser, "FileASFAnalyser", 6, &CreateFileASFAnalyser},
    {FileAUAnalyser, "FileAUAnalyser", 9, &CreateFileAUAnalyser},
    {FileBMPAnalyser, "FileBMPAnalyser", 11, &CreateFileBMPAnalyser},
    {FileCABAnalyser, "FileCABAnalyser", 12, &CreateFileCABAnalyser},
    {FileCHMAnalyser, "FileCHMAnalyser", 14, &CreateFileCHMAnalyser},
    {FileCPTAnalyser, "FileCPTAnalyser", 17, &CreateFileCPTAnalyser},
    {FileCRWAnalyser, "FileCRWAnalyser", 18, &CreateFileCRWAnalyser},
    {FileDBXAnalyser, "FileDBXAnalyser", 21, &CreateFileDBXAnalyser},
    {FileDWGAnalyser, "FileDWGAnalyser", 24, &CreateFileDWGAnalyser},
    {FileDXFAnalyser, "FileDXFAnalyser", 25, &CreateFileDXFAnalyser},
    {FileEMFAnalyser, "FileEMFAnalyser", 26, &CreateFileEMFAnalyser},
    {FileEPSAnalyser, "FileEPSAnalyser", 27, &CreateFileEPSAnalyser},
    {FileFH11Analyser, "FileFH11Analyser", 29, &CreateFileFH11Analyser},
    {FileGIFAnalyser, "FileGIFAnalyser", 30, &CreateFileGIFAnalyser},
    {FileGZAnalyser, "FileGZAnalyser", 31, &CreateFileGZAnalyser},
    {FileHLPAnalyser, "FileHLPAnalyser", 32, &CreateFileHLPAnalyser},
    {FileHTMAnalyser, "FileHTMAnalyser", 33, &CreateFileHTMAnalyser},
    {FileICOAnalyser, "FileICOAnalyser", 34, &CreateFileICOAnalyser},
    {FileJPGAnalyser, "FileJPGAnalyser", 35, &CreateFileJPGAnalyser},
    {FileLowDocAnalyser, "FileLowDocAnalyser", 23, &CreateFileLowDocAnalyser},
    {FileLZHAnalyser, "FileLZHAnalyser", 36, &CreateFileLZHAnalyser},
    {FileMDBAnalyser, "FileMDBAnalyser", 39, &CreateFileMDBAnalyser},
    {FileMIDAnalyser, "FileMIDAnalyser", 38, &CreateFileMIDAnalyser},
    {FileMNYAnalyser, "FileMNYAnalyser", 40, &CreateFileMNYAnalyser},
    {FileMOVAnalyser, "FileMOVAnalyser", 42, &CreateFileMOVAnalyser},
    {FileMP3Analyser, "FileMP3Analyser", 43, &CreateFileMP3Analyser},
    {FileMP4Analyser, "FileMP4Analyser", 44, &CreateFileMP4Analyser},
    {FileOLEAnalyser, "FileOLEAnalyser", 48, &CreateFileOLEAnalyser},
    {FileONEAnalyser, "FileONEAnalyser", 49, &CreateFileONEAnalyser},
    {FilePDFAnalyser, "FilePDFAnalyser", 50, &CreateFilePDFAnalyser},
    {FilePNGAnalyser, "FilePNGAnalyser", 51, &CreateFilePNGAnalyser},
    {FilePSDAnalyser, "FilePSDAnalyser", 54, &CreateFilePSDAnalyser},
    {FilePSPAnalyser, "FilePSPAnalyser", 55, &CreateFilePSPAnalyser},
    {FilePSTAnalyser, "FilePSTAnalyser", 56, &CreateFilePSTAnalyser},
    {FileRARAnalyser, "FileRARAnalyser", 58, &CreateFileRARAnalyser},
    {FileRIFFAnalyser, "FileRIFFAnalyser", 59, &CreateFileRIFFAnalyser},
    {FileRTFAnalyser, "FileRTFAnalyser", 60, &CreateFileRTFAnalyser},
    {FileSWFAnalyser, "FileSWFAnalyser", 62, &CreateFileSWFAnalyser},
    {FileTARAnalyser, "FileTARAnalyser", 63, &CreateFileTARAnalyser},
    {FileTIFAnalyser, "FileTIFAnalyser", 64, &CreateFileTIFAnalyser},
    {FileTTFAnalyser, "FileTTFAnalyser", 65, &CreateFileTTFAnalyser},
    {FileUnicodeHTMAnalyser, "FileUnicodeHTMAnalyser", 33, &CreateFileUnicodeHTMAnalyser},
    {FileWMFAnalyser, "FileWMFAnalyser", 70, &CreateFileWMFAnalyser},
    {FileWPDAnalyser, "FileWPDAnalyser", 68, &CreateFileWPDAnalyser},
    {FileZIPAnalyser, "FileZIPAnalyser", 72, &CreateFileZIPAnalyser},
    {CustomFileAnalyser, "CustomFileAnalyser", kNoOwnRawFileType, &CreateCustomFileAnalyser},
    {CFileAIFAnalyzer, "CFileAIFAnalyzer", 80, &CreateFileAIFFAnalyser},
    {CFileAPEAnalyser, "CFileAPEAnalyser", kNoOwnRawFileType, &CreateFileAPEAnalyser},
    {CFileOggAnalyser, "CFileOggAnalyser", 82, &CreateFileOggAnalyser},
    {FileFLVAnalyser, "FileFLVAnalyser", 90, &CreateFileFLVAnalyser},
    {FileSVGAnalyser, "FileSVGAnalyser", 91, &CreateFileSVGAnalyser},
    {FileSITAnalyser, "FileSITAnalyser", 92, &CreateFileSITAnalyser},
    {FileRM_RMVBAnalyser, "FileRM_RMVBAnalyser", 94, &CreateFileRMAnalyser},
    {FileMKVAnalyser, "FileMKVAnalyser", 96, &CreateFileMKVAnalyser},
    {FileX3FAnalyser, "FileX3FAnalyser", 108, &CreateFileX3FAnalyser},
    {FileFCPEVENTAnalyser, "FileFCPEVENTAnalyser", 115, &CreateFileFCPEVENTAnalyser},
    {FileMPGAnalyser, "FileMPGAnalyser", 109, &CreateFileMPGAnalyser},
    {FileDMGAnalyser, "FileDMGAnalyser", 113, &CreateFileDMGAnalyser},
    {FileMRWAnalyser, "FileMRWAnalyser", 102, &CreateFileMRWAnalyser},
};
static_assert(std::size(kClasses) == static_cast<std::size_t>(RawAnalyserClass::kCount));

constexpr bool ClassRowsInEnumOrder() {
    for (std::size_t i = 0; i < std::size(kClasses); ++i)
        if (static_cast<std::size_t>(kClasses[i].eClass) != i) return false;
    return true;
}
static_assert(ClassRowsInEnumOrder(), "kClasses is indexed by RawAnalyserClass");

// The FAT search asks every class but the last (MRW) in the order of RawAnalyserClass.
constexpr auto kList1 = [] {
    std::array<RawAnalyserClass, static_cast<std::size_t>(FileMRWAnalyser)> list{};
    for (std::size_t i = 0; i < list.size(); ++i) list[i] = static_cast<RawAnalyserClass>(i);
    return list;
}();
static_assert(static_cast<std::size_t>(FileMRWAnalyser) + 1 == static_cast<std::size_t>(kCount));
static_assert(std::size(kList1) == 60);

// One row per key; each key gets its own analyser object.
constexpr RawSignatureRow kSignatures[] = {
    {{0x50, 0x4B, 0x03, 0x04}, FileZIPAnalyser},     {{0xFF, 0x57, 0x50, 0x43}, FileWPDAnalyser},
    {{0x01, 0x00, 0x09, 0x00}, FileWMFAnalyser},     {{0xD7, 0xCD, 0xC6, 0x9A}, FileWMFAnalyser},
    {{0x00, 0x01, 0x00, 0x00}, FileTTFAnalyser},     {{0x4D, 0x4D, 0x00, 0x2A}, FileTIFAnalyser},
    {{0x49, 0x49, 0x2A, 0x00}, FileTIFAnalyser},     {{0x49, 0x49, 0x55, 0x00}, FileTIFAnalyser},
    {{0x49, 0x49, 0x52, 0x4F}, FileTIFAnalyser},     {{0x49, 0x49, 0x52, 0x53}, FileTIFAnalyser},
    {{0x46, 0x55, 0x4A, 0x49}, FileTIFAnalyser},     {{0x53, 0x74, 0x75, 0x66}, FileSITAnalyser},
    {{0x7B, 0x5C, 0x72, 0x74}, FileRTFAnalyser},     {{0x52, 0x49, 0x46, 0x46}, FileRIFFAnalyser},
    {{0x52, 0x61, 0x72, 0x21}, FileRARAnalyser},     {{0x21, 0x42, 0x44, 0x4E}, FilePSTAnalyser},
    {{0x50, 0x61, 0x69, 0x6E}, FilePSPAnalyser},     {{0x38, 0x42, 0x50, 0x53}, FilePSDAnalyser},
    {{0x89, 0x50, 0x4E, 0x47}, FilePNGAnalyser},     {{0x25, 0x50, 0x44, 0x46}, FilePDFAnalyser},
    {{0xE4, 0x52, 0x5C, 0x7B}, FileONEAnalyser},     {{0xD0, 0xCF, 0x11, 0xE0}, FileOLEAnalyser},
    {{0x4F, 0x67, 0x67, 0x53}, CFileOggAnalyser},    {{0x4D, 0x54, 0x68, 0x64}, FileMIDAnalyser},
    {{0xDB, 0xA5, 0x2D, 0x00}, FileLowDocAnalyser},  {{0x94, 0xA6, 0x2E, 0x00}, FileLowDocAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xE0}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xE1}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xDB}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xE2}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xE3}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xE4}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xE5}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xE6}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xE7}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xE8}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xE9}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xEA}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xEB}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xEC}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xED}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xEE}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xEF}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xFE}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xC4}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xDD}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xC0}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xC1}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xC2}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xC3}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xC5}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xC6}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xC7}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xC9}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xCA}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xCB}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xCD}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xCE}, FileJPGAnalyser},
    {{0xFF, 0xD8, 0xFF, 0xCF}, FileJPGAnalyser},     {{0xFF, 0xD8, 0xFF, 0xCC}, FileJPGAnalyser},
    {{0x00, 0x00, 0x01, 0x00}, FileICOAnalyser},     {{0x00, 0x00, 0x02, 0x00}, FileICOAnalyser},
    {{0x3F, 0x5F, 0x03, 0x00}, FileHLPAnalyser},     {{0x47, 0x49, 0x46, 0x38}, FileGIFAnalyser},
    {{0x46, 0x4F, 0x52, 0x4D}, CFileAIFAnalyzer},    {{0x1C, 0x01, 0x00, 0x00}, FileFH11Analyser},
    {{0xC5, 0xD0, 0xD3, 0xC6}, FileEPSAnalyser},     {{0x25, 0x21, 0x50, 0x53}, FileEPSAnalyser},
    {{0x20, 0x20, 0x30, 0x0D}, FileDXFAnalyser},     {{0x41, 0x43, 0x31, 0x30}, FileDWGAnalyser},
    {{0x4A, 0x4D, 0x46, 0x36}, FileDBXAnalyser},     {{0xCF, 0xAD, 0x12, 0xFE}, FileDBXAnalyser},
    {{0x49, 0x49, 0x1A, 0x00}, FileCRWAnalyser},     {{0x4D, 0x4D, 0x1A, 0x00}, FileCRWAnalyser},
    {{0x43, 0x50, 0x54, 0x37}, FileCPTAnalyser},     {{0x43, 0x50, 0x54, 0x38}, FileCPTAnalyser},
    {{0x43, 0x50, 0x54, 0x39}, FileCPTAnalyser},     {{0x4D, 0x53, 0x43, 0x46}, FileCABAnalyser},
    {{0x6D, 0x73, 0x63, 0x66}, FileCABAnalyser},     {{0x2E, 0x73, 0x6E, 0x64}, FileAUAnalyser},
    {{0x4D, 0x41, 0x43, 0x20}, CFileAPEAnalyser},    {{0x30, 0x26, 0xB2, 0x75}, FileASFAnalyser},
    {{0x3C, 0x3F, 0x78, 0x6D}, FileSVGAnalyser},     {{0x1A, 0x45, 0xDF, 0xA3}, FileMKVAnalyser},
    {{0x49, 0x54, 0x53, 0x46}, FileCHMAnalyser},     {{0x00, 0x4D, 0x52, 0x4D}, FileMRWAnalyser},
    {{0x46, 0x4F, 0x56, 0x62}, FileX3FAnalyser},     {{0x53, 0x51, 0x4C, 0x69}, FileFCPEVENTAnalyser},
    {{0x2E, 0x52, 0x4D, 0x46}, FileRM_RMVBAnalyser}, {{0x00, 0x00, 0x01, 0xB3}, FileMPGAnalyser},
    {{0x00, 0x00, 0x01, 0xBA}, FileMPGAnalyser},     {{0x42, 0x5A, 0x68, 0x31}, FileDMGAnalyser},
};
static_assert(std::size(kSignatures) == 92);

// The analysers without a key, by type id; the order decides which wins a sector two accept.
constexpr RawKeylessRow kKeyless[] = {
    {1, File3DSAnalyser},  {2, File3GPAnalyser},  {11, FileBMPAnalyser},        {26, FileEMFAnalyser},
    {31, FileGZAnalyser},  {33, FileHTMAnalyser}, {33, FileUnicodeHTMAnalyser}, {36, FileLZHAnalyser},
    {39, FileMDBAnalyser}, {40, FileMNYAnalyser}, {42, FileMOVAnalyser},        {43, FileMP3Analyser},
    {44, FileMP4Analyser}, {62, FileSWFAnalyser}, {63, FileTARAnalyser},        {90, FileFLVAnalyser},
};

}  // namespace

std::span<RawAnalyserClassRow const> RawAnalyserClasses() { return kClasses; }

RawAnalyserClassRow const& RawAnalyserClassOf(RawAnalyserClass eClass) {
    return kClasses[static_cast<std::size_t>(eClass)];
}

std::span<RawAnalyserClass const> RawAnalyserList1() { return kList1; }

std::span<RawSignatureRow const> RawSignatureRows() { return kSignatures; }

std::span<RawKeylessRow const> RawKeylessRows() { return kKeyless; }
