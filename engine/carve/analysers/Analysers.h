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

// Documents, drawings, mail, help and fonts: Html.cpp, Drawings.cpp, Dwg.cpp, PostScript.cpp,
// WordProcessors.cpp, Databases.cpp, MailAndNotes.cpp, Help.cpp, Fonts.cpp, Cpt.cpp.
std::unique_ptr<IRawFileAnalyser> CreateFileHTMAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileUnicodeHTMAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileDXFAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileFH11Analyser();
std::unique_ptr<IRawFileAnalyser> CreateFileSVGAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFile3DSAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileDWGAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFilePDFAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileEPSAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileRTFAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileLowDocAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileWPDAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileMDBAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileMNYAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFilePSTAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileDBXAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileONEAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileHLPAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileCHMAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileTTFAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileCPTAnalyser();
// Office documents and archives: Ole.cpp (OleKind), Zip.cpp (ZipKind), Rar.cpp, Gzip.cpp, Lzh.cpp,
// Tar.cpp, Sit.cpp, Cab.cpp, Dmg.cpp.
std::unique_ptr<IRawFileAnalyser> CreateFileOLEAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileZIPAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileRARAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileGZAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileLZHAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileTARAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileSITAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileCABAnalyser();
std::unique_ptr<IRawFileAnalyser> CreateFileDMGAnalyser();
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
