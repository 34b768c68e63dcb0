#include "engine/carve/RawFileType.h"

// Rows of ten ids each; the ids past 115 stay empty.
char const g_s_strFileExtName[kRawFileTypeCount][kRawFileExtNameSize] = {
    "Raw", "3DS", "3GP",  "ADP",  "ANI",  "AI",  "ASF",   "WMA",  "WMV",     "AU",   "AVI",  "BMP",      "CAB",
    "CDR", "CHM", "CLK",  "CMX",  "CPT",  "CRW", "CSL",   "CUR",  "DBX",     "DLL",  "DOC",  "DWG",      "DXF",
    "EMF", "EPS", "EXE",  "FH11", "GIF",  "GZ",  "HLP",   "HTM",  "ICO",     "JPG",  "LZH",  "MAX",      "MID",
    "MDB", "MNY", "MOF",  "MOV",  "MP3",  "MP4", "M4A",   "M4V",  "MPP",     "OLE",  "ONE",  "PDF",      "PNG",
    "PPT", "PUB", "PSD",  "PSP",  "PST",  "QPW", "RAR",   "RIFF", "RTF",     "SHW",  "SWF",  "TAR",      "TIF",
    "TTF", "VSD", "WAV",  "WPD",  "WPG",  "WMF", "XLS",   "ZIP",  "DOCX",    "XLSX", "PPTX", "ACCDB",    "NEF",
    "NRW", "AAC", "AIFF", "APE",  "OGG",  "CR2", "SR2",   "ARW",  "RAW",     "RW2",  "DNG",  "RAF",      "FLV",
    "SVG", "SIT", "SITX", "RM",   "RMVB", "MKV", "DCR",   "KDC",  "3FR",     "ERF",  "MEF",  "MRW",      "MDC",
    "PEF", "PTX", "SRW",  "ORF",  "X3F",  "MPG", "PAGES", "KEY",  "NUMBERS", "DMG",  "EPUB", "FCPEVENT",
};

char const* RawFileExtension(std::uint32_t u32Type) {
    return u32Type < kRawFileTypeCount ? g_s_strFileExtName[u32Type] : nullptr;
}
