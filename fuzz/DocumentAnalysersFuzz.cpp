// Every analyser of documents, drawings, mail stores, help files and fonts over the input
// (AnalyserRun.h): end-marker searches that never find their marker, chains and lengths from
// the input.
#include "AnalyserRun.h"

namespace {

constexpr RawFileAnalyserFactory kDocumentAnalysers[] = {
    &CreateFileHTMAnalyser, &CreateFileUnicodeHTMAnalyser, &CreateFileDXFAnalyser,    &CreateFileFH11Analyser,
    &CreateFileSVGAnalyser, &CreateFile3DSAnalyser,        &CreateFileDWGAnalyser,    &CreateFilePDFAnalyser,
    &CreateFileEPSAnalyser, &CreateFileRTFAnalyser,        &CreateFileLowDocAnalyser, &CreateFileWPDAnalyser,
    &CreateFileMDBAnalyser, &CreateFileMNYAnalyser,        &CreateFilePSTAnalyser,    &CreateFileDBXAnalyser,
    &CreateFileONEAnalyser, &CreateFileHLPAnalyser,        &CreateFileCHMAnalyser,    &CreateFileTTFAnalyser,
    &CreateFileCPTAnalyser,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    RunAnalysers(pData, size, kDocumentAnalysers);
    return 0;
}
