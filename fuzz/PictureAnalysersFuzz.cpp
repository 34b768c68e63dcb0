// Every picture analyser over the input (AnalyserRun.h).
#include "AnalyserRun.h"

namespace {

constexpr RawFileAnalyserFactory kPictureAnalysers[] = {
    &CreateFileBMPAnalyser, &CreateFileEMFAnalyser, &CreateFileWMFAnalyser, &CreateFileICOAnalyser,
    &CreateFileGIFAnalyser, &CreateFilePNGAnalyser, &CreateFilePSDAnalyser, &CreateFilePSPAnalyser,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    RunAnalysers(pData, size, kPictureAnalysers);
    return 0;
}
