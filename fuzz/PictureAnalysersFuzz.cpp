// Every picture, audio and video analyser over the input (AnalyserRun.h).
#include "AnalyserRun.h"

namespace {

constexpr RawFileAnalyserFactory kPictureAnalysers[] = {
    &CreateFileBMPAnalyser,      &CreateFileEMFAnalyser,  &CreateFileWMFAnalyser, &CreateFileICOAnalyser,
    &CreateFileGIFAnalyser,      &CreateFilePNGAnalyser,  &CreateFilePSDAnalyser, &CreateFilePSPAnalyser,
    &CreateFileMP3Analyser,      &CreateFile3GPAnalyser,  &CreateFileMP4Analyser, &CreateFileMOVAnalyser,
    &CreateFileRIFFAnalyser,     &CreateFileAIFFAnalyser, &CreateFileASFAnalyser, &CreateFileMKVAnalyser,
    &CreateFileMPGAnalyser,      &CreateFileRMAnalyser,   &CreateFileFLVAnalyser, &CreateFileSWFAnalyser,
    &CreateFileMIDAnalyser,      &CreateFileAUAnalyser,   &CreateFileOggAnalyser, &CreateFileAPEAnalyser,
    &CreateFileFCPEVENTAnalyser,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    RunAnalysers(pData, size, kPictureAnalysers);
    return 0;
}
