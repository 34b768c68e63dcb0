#pragma once
// The factories of the format analysers, one per analyser class, each defined in the file of
// its format family in this folder (one file per family: Pictures, Jpeg, TiffRaw, ...).
//
// Adding an analyser:
//   1. write the class in its family's file, with its factory
//        std::unique_ptr<IRawFileAnalyser> CreateFilePNGAnalyser() { return std::make_unique<FilePNGAnalyser>(); }
//   2. declare the factory below;
//   3. put the factory into the class's row of kClasses in engine/carve/RawFileAnalyserTable.cpp,
//      where the row already stands with a null factory.
// List 0, list 1 and the signature map then hold the analyser at their places; a class whose
// factory is still null is simply absent from them.
//
// What the registry relies on: AnalyseBuffer reads no more than the readable count it is given;
// an analyser reached through a signature key checks its key bytes itself (list 1 is asked
// without the map); GetRawFileSize reads only through a RawFileBuffer and ends every walk at a
// bound or at the device's end.
#include <memory>

class IRawFileAnalyser;

using RawFileAnalyserFactory = std::unique_ptr<IRawFileAnalyser> (*)();

std::unique_ptr<IRawFileAnalyser> CreateCustomFileAnalyser();

// Pictures: Bmp.cpp, Gif.cpp, Ico.cpp, Metafile.cpp, Png.cpp, Psd.cpp, Psp.cpp.
std::unique_ptr<IRawFileAnalyser> CreateFileBMPAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileEMFAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileGIFAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileICOAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFilePNGAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFilePSDAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFilePSPAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileWMFAnalyser();

// Photographs: Jpeg.cpp, TiffRaw.cpp (with TiffSizer and the EXIF reader), Crw.cpp, Mrw.cpp, X3f.cpp.
std::unique_ptr<IRawFileAnalyser> CreateFileJPGAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileTIFAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileCRWAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileMRWAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileX3FAnalyser();

// Audio and video: Mp3.cpp, BoxMedia.cpp, Riff.cpp, Asf.cpp, Matroska.cpp, MpegProgram.cpp,
// RealMedia.cpp, Flash.cpp, KeyedMedia.cpp (MIDI, AU, Ogg, APE), Sqlite.cpp.
std::unique_ptr<IRawFileAnalyser> CreateFileMP3Analyser();
std::unique_ptr<IRawFileAnalyser> CreateFile3GPAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileMP4Analyser();
std::unique_ptr<IRawFileAnalyser> CreateFileMOVAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileRIFFAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileAIFFAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileASFAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileMKVAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileMPGAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileRMAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileFLVAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileSWFAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileMIDAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileAUAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileOggAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileAPEAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileFCPEVENTAnalyser();
