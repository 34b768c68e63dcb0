// The analyser registry against the published orders: list 1, list 0 during a search, and the
// 92 signature keys with their classes. The expected tables are written out by hand.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/carve/RawFileAnalyserListSingle.h"
#include "engine/carve/RawFileAnalyserTable.h"

namespace {

std::vector<std::string_view> const kExpectedList1 = {
    "File3DSAnalyser",  "File3GPAnalyser",    "FileASFAnalyser",      "FileAUAnalyser",         "FileBMPAnalyser",
    "FileCABAnalyser",  "FileCHMAnalyser",    "FileCPTAnalyser",      "FileCRWAnalyser",        "FileDBXAnalyser",
    "FileDWGAnalyser",  "FileDXFAnalyser",    "FileEMFAnalyser",      "FileEPSAnalyser",        "FileFH11Analyser",
    "FileGIFAnalyser",  "FileGZAnalyser",     "FileHLPAnalyser",      "FileHTMAnalyser",        "FileICOAnalyser",
    "FileJPGAnalyser",  "FileLowDocAnalyser", "FileLZHAnalyser",      "FileMDBAnalyser",        "FileMIDAnalyser",
    "FileMNYAnalyser",  "FileMOVAnalyser",    "FileMP3Analyser",      "FileMP4Analyser",        "FileOLEAnalyser",
    "FileONEAnalyser",  "FilePDFAnalyser",    "FilePNGAnalyser",      "FilePSDAnalyser",        "FilePSPAnalyser",
    "FilePSTAnalyser",  "FileRARAnalyser",    "FileRIFFAnalyser",     "FileRTFAnalyser",        "FileSWFAnalyser",
    "FileTARAnalyser",  "FileTIFAnalyser",    "FileTTFAnalyser",      "FileUnicodeHTMAnalyser", "FileWMFAnalyser",
    "FileWPDAnalyser",  "FileZIPAnalyser",    "CustomFileAnalyser",   "CFileAIFAnalyzer",       "CFileAPEAnalyser",
    "CFileOggAnalyser", "FileFLVAnalyser",    "FileSVGAnalyser",      "FileSITAnalyser",        "FileRM_RMVBAnalyser",
    "FileMKVAnalyser",  "FileX3FAnalyser",    "FileFCPEVENTAnalyser", "FileMPGAnalyser",        "FileDMGAnalyser",
};

std::vector<std::string_view> const kExpectedList0 = {
    "File3DSAnalyser", "File3GPAnalyser", "FileBMPAnalyser",        "FileEMFAnalyser",
    "FileGZAnalyser",  "FileHTMAnalyser", "FileUnicodeHTMAnalyser", "FileLZHAnalyser",
    "FileMDBAnalyser", "FileMNYAnalyser", "FileMOVAnalyser",        "FileMP3Analyser",
    "FileMP4Analyser", "FileSWFAnalyser", "FileTARAnalyser",        "FileFLVAnalyser",
};

// Keys as the sector's bytes 0-3 read little-endian.
std::map<std::uint32_t, std::string_view> const kExpectedMap = {
    {0x04034B50, "FileZIPAnalyser"},      {0x435057FF, "FileWPDAnalyser"},     {0x00090001, "FileWMFAnalyser"},
    {0x9AC6CDD7, "FileWMFAnalyser"},      {0x00000100, "FileTTFAnalyser"},     {0x2A004D4D, "FileTIFAnalyser"},
    {0x002A4949, "FileTIFAnalyser"},      {0x00554949, "FileTIFAnalyser"},     {0x4F524949, "FileTIFAnalyser"},
    {0x53524949, "FileTIFAnalyser"},      {0x494A5546, "FileTIFAnalyser"},     {0x66757453, "FileSITAnalyser"},
    {0x74725C7B, "FileRTFAnalyser"},      {0x46464952, "FileRIFFAnalyser"},    {0x21726152, "FileRARAnalyser"},
    {0x4E444221, "FilePSTAnalyser"},      {0x6E696150, "FilePSPAnalyser"},     {0x53504238, "FilePSDAnalyser"},
    {0x474E5089, "FilePNGAnalyser"},      {0x46445025, "FilePDFAnalyser"},     {0x7B5C52E4, "FileONEAnalyser"},
    {0xE011CFD0, "FileOLEAnalyser"},      {0x5367674F, "CFileOggAnalyser"},    {0x6468544D, "FileMIDAnalyser"},
    {0x002DA5DB, "FileLowDocAnalyser"},   {0x002EA694, "FileLowDocAnalyser"},  {0xE0FFD8FF, "FileJPGAnalyser"},
    {0xE1FFD8FF, "FileJPGAnalyser"},      {0xDBFFD8FF, "FileJPGAnalyser"},     {0xE2FFD8FF, "FileJPGAnalyser"},
    {0xE3FFD8FF, "FileJPGAnalyser"},      {0xE4FFD8FF, "FileJPGAnalyser"},     {0xE5FFD8FF, "FileJPGAnalyser"},
    {0xE6FFD8FF, "FileJPGAnalyser"},      {0xE7FFD8FF, "FileJPGAnalyser"},     {0xE8FFD8FF, "FileJPGAnalyser"},
    {0xE9FFD8FF, "FileJPGAnalyser"},      {0xEAFFD8FF, "FileJPGAnalyser"},     {0xEBFFD8FF, "FileJPGAnalyser"},
    {0xECFFD8FF, "FileJPGAnalyser"},      {0xEDFFD8FF, "FileJPGAnalyser"},     {0xEEFFD8FF, "FileJPGAnalyser"},
    {0xEFFFD8FF, "FileJPGAnalyser"},      {0xFEFFD8FF, "FileJPGAnalyser"},     {0xC4FFD8FF, "FileJPGAnalyser"},
    {0xDDFFD8FF, "FileJPGAnalyser"},      {0xC0FFD8FF, "FileJPGAnalyser"},     {0xC1FFD8FF, "FileJPGAnalyser"},
    {0xC2FFD8FF, "FileJPGAnalyser"},      {0xC3FFD8FF, "FileJPGAnalyser"},     {0xC5FFD8FF, "FileJPGAnalyser"},
    {0xC6FFD8FF, "FileJPGAnalyser"},      {0xC7FFD8FF, "FileJPGAnalyser"},     {0xC9FFD8FF, "FileJPGAnalyser"},
    {0xCAFFD8FF, "FileJPGAnalyser"},      {0xCBFFD8FF, "FileJPGAnalyser"},     {0xCDFFD8FF, "FileJPGAnalyser"},
    {0xCEFFD8FF, "FileJPGAnalyser"},      {0xCFFFD8FF, "FileJPGAnalyser"},     {0xCCFFD8FF, "FileJPGAnalyser"},
    {0x00010000, "FileICOAnalyser"},      {0x00020000, "FileICOAnalyser"},     {0x00035F3F, "FileHLPAnalyser"},
    {0x38464947, "FileGIFAnalyser"},      {0x4D524F46, "CFileAIFAnalyzer"},    {0x0000011C, "FileFH11Analyser"},
    {0xC6D3D0C5, "FileEPSAnalyser"},      {0x53502125, "FileEPSAnalyser"},     {0x0D302020, "FileDXFAnalyser"},
    {0x30314341, "FileDWGAnalyser"},      {0x36464D4A, "FileDBXAnalyser"},     {0xFE12ADCF, "FileDBXAnalyser"},
    {0x001A4949, "FileCRWAnalyser"},      {0x001A4D4D, "FileCRWAnalyser"},     {0x37545043, "FileCPTAnalyser"},
    {0x38545043, "FileCPTAnalyser"},      {0x39545043, "FileCPTAnalyser"},     {0x4643534D, "FileCABAnalyser"},
    {0x6663736D, "FileCABAnalyser"},      {0x646E732E, "FileAUAnalyser"},      {0x2043414D, "CFileAPEAnalyser"},
    {0x75B22630, "FileASFAnalyser"},      {0x6D783F3C, "FileSVGAnalyser"},     {0xA3DF451A, "FileMKVAnalyser"},
    {0x46535449, "FileCHMAnalyser"},      {0x4D524D00, "FileMRWAnalyser"},     {0x62564F46, "FileX3FAnalyser"},
    {0x694C5153, "FileFCPEVENTAnalyser"}, {0x464D522E, "FileRM_RMVBAnalyser"}, {0xB3010000, "FileMPGAnalyser"},
    {0xBA010000, "FileMPGAnalyser"},      {0x31685A42, "FileDMGAnalyser"},
};

std::string_view NameOf(RawAnalyserClass eClass) { return RawAnalyserClassOf(eClass).name; }

TEST(RegistryTablesTest, ListOneKeepsThePublishedOrder) {
    std::vector<std::string_view> names;
    for (RawAnalyserClass const eClass : RawAnalyserList1()) names.push_back(NameOf(eClass));
    EXPECT_EQ(names, kExpectedList1);
}

TEST(RegistryTablesTest, KeylessAnalysersFollowTheTypeIds) {
    std::vector<std::string_view> names;
    for (std::uint32_t u32Type = 1; u32Type <= kLastUsedRawFileType; ++u32Type)
        for (RawKeylessRow const& row : RawKeylessRows())
            if (row.u32Type == u32Type) names.push_back(NameOf(row.eClass));
    EXPECT_EQ(names, kExpectedList0);
}

TEST(RegistryTablesTest, SignatureKeysAndTheirClasses) {
    std::map<std::uint32_t, std::string_view> keys;
    for (RawSignatureRow const& row : RawSignatureRows())
        EXPECT_TRUE(keys.emplace(RawSignatureKey(row.key), NameOf(row.eClass)).second) << "duplicate key";
    EXPECT_EQ(keys, kExpectedMap);
}

TEST(RegistryTablesTest, RegistryHoldsTheBuiltClassesInTableOrder) {
    // Classes whose factory is still missing are absent; the others stand in table order.
    std::vector<std::uint32_t> expectedTypes;
    for (RawAnalyserClass const eClass : RawAnalyserList1())
        if (RawAnalyserClassOf(eClass).factory != nullptr)
            expectedTypes.push_back(RawAnalyserClassOf(eClass).u32OwnType);
    std::vector<std::uint32_t> types;
    for (auto const& pAnalyser : CRawFileAnalyserListSingle::CreateInstance().GetAnalyserList(1))
        types.push_back(pAnalyser->GetOwnRawFileType());
    EXPECT_EQ(types, expectedTypes);
    EXPECT_FALSE(expectedTypes.empty()) << "CustomFileAnalyser stands in list 1";
}

TEST(RegistryTablesTest, CustomAnalyserRefusesAndLeavesTheRecord) {
    for (auto const& pAnalyser : CRawFileAnalyserListSingle::CreateInstance().GetAnalyserList(1)) {
        if (pAnalyser->GetOwnRawFileType() != kNoOwnRawFileType) continue;
        unsigned char const sector[512] = {0x89, 'P', 'N', 'G'};
        CRawFileInfo info;
        EXPECT_EQ(pAnalyser->AnalyseBuffer(sector, info, sizeof sector), 0);
        EXPECT_EQ(info.m_u32Type, 0u);
        EXPECT_EQ(info.m_u32BaseType, CRawFileInfo::kNoBaseType);
    }
}

}  // namespace
