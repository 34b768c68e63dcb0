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

// Classes by their short names: without a leading "File" or "CFile" and the trailing "Analyser".
constexpr std::string_view kExpectedList1 =
    "3DS 3GP ASF AU BMP CAB CHM CPT CRW DBX DWG DXF EMF EPS FH11 GIF GZ HLP HTM ICO JPG LowDoc LZH MDB MID MNY MOV "
    "MP3 MP4 OLE ONE PDF PNG PSD PSP PST RAR RIFF RTF SWF TAR TIF TTF UnicodeHTM WMF WPD ZIP CustomFile AIF APE Ogg "
    "FLV SVG SIT RM_RMVB MKV X3F FCPEVENT MPG DMG";
constexpr std::string_view kExpectedList0 = "3DS 3GP BMP EMF GZ HTM UnicodeHTM LZH MDB MNY MOV MP3 MP4 SWF TAR FLV";

// Keys as the sector's bytes 0-3 read little-endian, and their classes' short names.
std::map<std::uint32_t, std::string_view> const kExpectedMap = {
    {0x04034B50, "ZIP"},     {0x435057FF, "WPD"},    {0x00090001, "WMF"}, {0x9AC6CDD7, "WMF"},
    {0x00000100, "TTF"},     {0x2A004D4D, "TIF"},    {0x002A4949, "TIF"}, {0x00554949, "TIF"},
    {0x4F524949, "TIF"},     {0x53524949, "TIF"},    {0x494A5546, "TIF"}, {0x66757453, "SIT"},
    {0x74725C7B, "RTF"},     {0x46464952, "RIFF"},   {0x21726152, "RAR"}, {0x4E444221, "PST"},
    {0x6E696150, "PSP"},     {0x53504238, "PSD"},    {0x474E5089, "PNG"}, {0x46445025, "PDF"},
    {0x7B5C52E4, "ONE"},     {0xE011CFD0, "OLE"},    {0x5367674F, "Ogg"}, {0x6468544D, "MID"},
    {0x002DA5DB, "LowDoc"},  {0x002EA694, "LowDoc"}, {0xE0FFD8FF, "JPG"}, {0xE1FFD8FF, "JPG"},
    {0xDBFFD8FF, "JPG"},     {0xE2FFD8FF, "JPG"},    {0xE3FFD8FF, "JPG"}, {0xE4FFD8FF, "JPG"},
    {0xE5FFD8FF, "JPG"},     {0xE6FFD8FF, "JPG"},    {0xE7FFD8FF, "JPG"}, {0xE8FFD8FF, "JPG"},
    {0xE9FFD8FF, "JPG"},     {0xEAFFD8FF, "JPG"},    {0xEBFFD8FF, "JPG"}, {0xECFFD8FF, "JPG"},
    {0xEDFFD8FF, "JPG"},     {0xEEFFD8FF, "JPG"},    {0xEFFFD8FF, "JPG"}, {0xFEFFD8FF, "JPG"},
    {0xC4FFD8FF, "JPG"},     {0xDDFFD8FF, "JPG"},    {0xC0FFD8FF, "JPG"}, {0xC1FFD8FF, "JPG"},
    {0xC2FFD8FF, "JPG"},     {0xC3FFD8FF, "JPG"},    {0xC5FFD8FF, "JPG"}, {0xC6FFD8FF, "JPG"},
    {0xC7FFD8FF, "JPG"},     {0xC9FFD8FF, "JPG"},    {0xCAFFD8FF, "JPG"}, {0xCBFFD8FF, "JPG"},
    {0xCDFFD8FF, "JPG"},     {0xCEFFD8FF, "JPG"},    {0xCFFFD8FF, "JPG"}, {0xCCFFD8FF, "JPG"},
    {0x00010000, "ICO"},     {0x00020000, "ICO"},    {0x00035F3F, "HLP"}, {0x38464947, "GIF"},
    {0x4D524F46, "AIF"},     {0x0000011C, "FH11"},   {0xC6D3D0C5, "EPS"}, {0x53502125, "EPS"},
    {0x0D302020, "DXF"},     {0x30314341, "DWG"},    {0x36464D4A, "DBX"}, {0xFE12ADCF, "DBX"},
    {0x001A4949, "CRW"},     {0x001A4D4D, "CRW"},    {0x37545043, "CPT"}, {0x38545043, "CPT"},
    {0x39545043, "CPT"},     {0x4643534D, "CAB"},    {0x6663736D, "CAB"}, {0x646E732E, "AU"},
    {0x2043414D, "APE"},     {0x75B22630, "ASF"},    {0x6D783F3C, "SVG"}, {0xA3DF451A, "MKV"},
    {0x46535449, "CHM"},     {0x4D524D00, "MRW"},    {0x62564F46, "X3F"}, {0x694C5153, "FCPEVENT"},
    {0x464D522E, "RM_RMVB"}, {0xB3010000, "MPG"},    {0xBA010000, "MPG"}, {0x31685A42, "DMG"},
};

std::string_view ShortName(RawAnalyserClass eClass) {
    std::string_view name = RawAnalyserClassOf(eClass).name;
    for (std::string_view const prefix : {"CFile", "File"})
        if (name.starts_with(prefix)) name.remove_prefix(prefix.size());
    for (std::string_view const suffix : {"Analyser", "Analyzer"})
        if (name.ends_with(suffix)) name.remove_suffix(suffix.size());
    return name;
}

/// The classes' short names, a space between two.
std::string ShortNames(std::vector<RawAnalyserClass> const& classes) {
    std::string names;
    for (RawAnalyserClass const eClass : classes) names.append(names.empty() ? "" : " ").append(ShortName(eClass));
    return names;
}

TEST(RegistryTablesTest, ListOneKeepsThePublishedOrder) {
    std::vector<RawAnalyserClass> const list1(RawAnalyserList1().begin(), RawAnalyserList1().end());
    EXPECT_EQ(ShortNames(list1), kExpectedList1);
}

TEST(RegistryTablesTest, KeylessAnalysersFollowTheTypeIds) {
    std::vector<RawAnalyserClass> list0;
    for (std::uint32_t u32Type = 1; u32Type <= kLastUsedRawFileType; ++u32Type)
        for (RawKeylessRow const& row : RawKeylessRows())
            if (row.u32Type == u32Type) list0.push_back(row.eClass);
    EXPECT_EQ(ShortNames(list0), kExpectedList0);
}

TEST(RegistryTablesTest, SignatureKeysAndTheirClasses) {
    std::map<std::uint32_t, std::string_view> keys;
    for (RawSignatureRow const& row : RawSignatureRows())
        EXPECT_TRUE(keys.emplace(RawSignatureKey(row.key), ShortName(row.eClass)).second) << "duplicate key";
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
