#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "CarvedSamples.h"
#include "SampleMaker.h"
#include "engine/ByteWriter.h"
#include "support/TempDir.h"

namespace archivetest {
namespace {

constexpr char kText[] = "Recovered documents keep their words.\nA second line, so the file is more than a line.\n";
constexpr char kCsv[] = "name,count,price\napples,3,1.20\npears,5,0.80\n";
// A flat presentation of one slide: LibreOffice converts it to PPT and PPTX.
constexpr char kFlatPresentation[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:body><office:presentation>
  <draw:page draw:name="one"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="10cm" svg:height="3cm"><draw:text-box><text:p>Carved slide</text:p></draw:text-box></draw:frame></draw:page>
 </office:presentation></office:body>
</office:document>
)";

constexpr std::uint32_t kOleHeaderBytes = 512;
constexpr std::size_t kFirstDirectoryOffset = 0x30;
constexpr std::size_t kClassIdOffset = 0x50;

/// Fills the root entry's class identifier (E0 is the first entry of the first directory sector).
void SetRootClassId(Bytes& document, std::uint8_t u8Fill) {
    std::uint32_t const u32Directory = document.at(kFirstDirectoryOffset) | document.at(kFirstDirectoryOffset + 1) << 8;
    std::size_t const at = (std::size_t{u32Directory} + 1) * kOleHeaderBytes + kClassIdOffset;
    std::fill(document.begin() + static_cast<std::ptrdiff_t>(at),
              document.begin() + static_cast<std::ptrdiff_t>(at + 16), u8Fill);
}

/// A compound document whose streams have these names, in this order after the root. A path
/// ("VBA/VBAProject/VBA") is a stream inside storages: gsf lists a folder depth first.
bool GsfDocument(SampleMaker& maker, std::string const& file, std::initializer_list<std::string> streams) {
    std::string command = "cd streams && gsf createole ../" + file;
    for (std::string const& stream : streams) {
        std::size_t const slash = stream.rfind('/');
        std::string const name = stream.substr(slash + 1);
        std::string content = "stream " + name + ": ";
        while (content.size() < 900) content += name + " ";
        if (slash != std::string::npos && !maker.Run("mkdir -p 'streams/" + stream.substr(0, slash) + "'"))
            return false;
        if (!maker.Write("streams/" + stream, content)) return false;
        command += " '" + stream.substr(0, stream.find('/')) + "'";
    }
    return maker.Run(command);
}

bool MakeLibreOfficeSamples(SampleMaker& maker) {
    std::string const office =
        "soffice -env:UserInstallation=file://" + maker.Path("profile") + " --headless --convert-to ";
    if (!maker.Write("letter.txt", kText) || !maker.Write("sheet.csv", kCsv) ||
        !maker.Write("slides.fodp", kFlatPresentation))
        return false;
    for (char const* pszFormat : {"doc", "docx", "epub", "odt"})
        if (!maker.Run(office + pszFormat + " letter.txt")) return false;
    for (char const* pszFormat : {"xls", "xlsx", "ods"})
        if (!maker.Run(office + pszFormat + " sheet.csv")) return false;
    for (char const* pszFormat : {"ppt", "pptx"})
        if (!maker.Run(office + pszFormat + " slides.fodp")) return false;
    // LibreOffice puts WordDocument and PowerPoint Document sixth in the directory.
    return maker.Add("LibreOffice DOC", "letter.doc", RAW_FILE_TYPE_DOC, "") &&
           maker.Add("LibreOffice XLS", "sheet.xls", RAW_FILE_TYPE_XLS, "") &&
           maker.Add("LibreOffice PPT", "slides.ppt", RAW_FILE_TYPE_PPT, "") &&
           // First member "_rels/.rels", sizes in data descriptors.
           maker.Add("LibreOffice DOCX", "letter.docx", RAW_FILE_TYPE_DOCX, "_rels_.rels") &&
           maker.Add("LibreOffice XLSX", "sheet.xlsx", RAW_FILE_TYPE_XLSX, "_rels_.rels") &&
           maker.Add("LibreOffice PPTX", "slides.pptx", RAW_FILE_TYPE_PPTX, "_rels_.rels") &&
           maker.Add("LibreOffice EPUB", "letter.epub", RAW_FILE_TYPE_EPUB, "mimetype") &&
           maker.Add("LibreOffice ODT", "letter.odt", RAW_FILE_TYPE_ZIP, "mimetype") &&
           // Every deflated member with a data descriptor.
           maker.Add("LibreOffice ODS", "sheet.ods", RAW_FILE_TYPE_ZIP, "mimetype");
}

/// A workbook whose FAT's last two sectors are reserved and free, as no Debian tool writes it:
/// 512-byte sectors, FAT sectors 0 to 2, the directory in sector 3 (the root, then "Workbook"),
/// the stream in sectors 4 to 23. 12,800 bytes.
Bytes WorkbookWithFreeFatSectors() {
    constexpr std::uint32_t kSector = 512;
    constexpr std::uint32_t kEnd = 0xFFFFFFFE;
    constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
    constexpr std::uint32_t kNone = 0xFFFFFFFF;
    Bytes bytes(kSector * 25, 0);
    auto const at = [](std::uint32_t u32Sector, std::uint32_t u32Offset) {
        return (std::size_t{u32Sector} + 1) * kSector + u32Offset;
    };
    std::string_view const signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    std::copy(signature.begin(), signature.end(), bytes.begin());
    engine::ByteWriter(bytes).Le16(0x18, 0x3E);
    engine::ByteWriter(bytes).Le16(0x1A, 3);
    engine::ByteWriter(bytes).Le16(0x1C, 0xFFFE);
    engine::ByteWriter(bytes).Le16(0x1E, 9);
    engine::ByteWriter(bytes).Le16(0x20, 6);
    engine::ByteWriter(bytes).Le32(0x2C, 3);
    engine::ByteWriter(bytes).Le32(0x30, 3);
    engine::ByteWriter(bytes).Le32(0x38, 4096);
    engine::ByteWriter(bytes).Le32(0x3C, kEnd);
    engine::ByteWriter(bytes).Le32(0x44, kEnd);
    for (std::uint32_t i = 0; i < 109; ++i) engine::ByteWriter(bytes).Le32(0x4C + 4 * i, i < 3 ? i : kNone);
    // FAT sector 0 maps itself, the others, the directory and the stream; sectors 1 and 2 are free.
    for (std::uint32_t i = 0; i < 3 * 128; ++i) {
        std::uint32_t const u32Entry = i < 3 ? kFatSector : i == 3 || i == 23 ? kEnd : i > 3 && i < 23 ? i + 1 : kNone;
        engine::ByteWriter(bytes).Le32(at(0, 0) + 4 * i, u32Entry);
    }
    auto const entry = [&](std::uint32_t u32Index, std::string_view name, std::uint8_t u8Kind, std::uint32_t u32Child,
                           std::uint32_t u32Start, std::uint32_t u32Size) {
        std::size_t const base = at(3, 128 * u32Index);
        for (std::size_t i = 0; i < name.size(); ++i) bytes[base + 2 * i] = static_cast<std::uint8_t>(name[i]);
        engine::ByteWriter(bytes).Le16(base + 0x40, static_cast<std::uint16_t>(2 * (name.size() + 1)));
        bytes[base + 0x42] = u8Kind;
        bytes[base + 0x43] = 1;
        engine::ByteWriter(bytes).Le32(base + 0x44, kNone);
        engine::ByteWriter(bytes).Le32(base + 0x48, kNone);
        engine::ByteWriter(bytes).Le32(base + 0x4C, u32Child);
        engine::ByteWriter(bytes).Le32(base + 0x74, u32Start);
        engine::ByteWriter(bytes).Le32(base + 0x78, u32Size);
    };
    entry(0, "Root Entry", 5, 1, kEnd, 0);
    entry(1, "Workbook", 2, kNone, 4, 20 * kSector);
    for (std::size_t i = at(4, 0); i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(1 + i % 251);
    return bytes;
}

bool MakePythonSamples(SampleMaker& maker) {
    // Sizes in the local headers: the walk reaches the end record.
    return maker.Run(
               "/usr/bin/python3 -c \"import docx; d = docx.Document(); d.add_paragraph('carved'); "
               "d.save('python.docx')\"") &&
           maker.Run(
               "/usr/bin/python3 -c \"import openpyxl; w = openpyxl.Workbook(); w.active['A1'] = 7; "
               "w.save('python.xlsx')\"") &&
           maker.Add("python-docx DOCX", "python.docx", RAW_FILE_TYPE_DOCX, "[Content_Types].xml") &&
           maker.Add("openpyxl XLSX", "python.xlsx", RAW_FILE_TYPE_XLSX, "docProps_app.xml");
}

/// The kinds no tool here writes, by the stream names their writers use.
bool MakeClassifiedSamples(SampleMaker& maker, std::vector<CarvedSample>& samples) {
    struct Row {
        char const* pszRow;
        char const* pszFile;
        std::initializer_list<std::string> streams;
        RAW_FILE_TYPE eType;
    };
    Row const rows[] = {
        {"ADP", "a.adp", {"PropData", "Forms", "Reports"}, RAW_FILE_TYPE_ADP},
        {"ADP by its VBA storage", "b.adp", {"VBA/VBAProject/VBA"}, RAW_FILE_TYPE_ADP},
        {"MAX", "a.max", {"Scene"}, RAW_FILE_TYPE_MAX},
        {"PUB", "a.pub", {"Objects", "Quill", "Escher"}, RAW_FILE_TYPE_PUB},
        {"QPW", "a.qpw", {"NativeContent_MAIN"}, RAW_FILE_TYPE_QPW},
        {"MPP 98",
         "a.mpp",
         {"\x01"
          "CompObj",
          "   19", "   29"},
         RAW_FILE_TYPE_MPP},
        {"MPP 2000",
         "b.mpp",
         {"\x01"
          "CompObj",
          "   112", "   212"},
         RAW_FILE_TYPE_MPP},
        {"SHW", "a.shw", {"PerfectOffice_MAIN", "PerfectOffice_OBJECTS", "\x05SummaryInformation"}, RAW_FILE_TYPE_SHW},
        {"WPG", "a.wpg", {"PerfectOffice_MAIN", "PerfectOffice_OBJECTS", "Pictures1"}, RAW_FILE_TYPE_WPG},
        {"WPD", "a.wpd", {"PerfectOffice_MAIN", "PerfectOffice_OBJECTS", "Pictures1"}, RAW_FILE_TYPE_WPD},
        {"PPT 4", "b.ppt", {"PP40"}, RAW_FILE_TYPE_PPT},
        {"workbook named Book in E2", "a.xls", {"Data", "Book"}, RAW_FILE_TYPE_XLS},
        {"Book only in E3", "b.ole", {"Data", "Other", "Book"}, RAW_FILE_TYPE_MOF},
        {"PowerPoint Document in E3 over WordDocument in E1",
         "c.ppt",
         {"WordDocument", "Data", "PowerPoint Document"},
         RAW_FILE_TYPE_PPT},
        {"ObjectPool late in the directory", "d.doc", {"A1", "A2", "A3", "A4", "ObjectPool"}, RAW_FILE_TYPE_DOC},
        {"no known stream", "e.ole", {"Alpha", "Beta"}, RAW_FILE_TYPE_MOF},
    };
    if (!maker.Run("mkdir -p streams")) return false;
    for (Row const& row : rows) {
        if (!GsfDocument(maker, row.pszFile, row.streams)) return false;
        if (!maker.Add(row.pszRow, row.pszFile, row.eType, "")) return false;
        // WordPerfect graphics have no class identifier on the root; documents have one.
        if (row.eType == RAW_FILE_TYPE_WPG) SetRootClassId(samples.back().bytes, 0);
        if (row.eType == RAW_FILE_TYPE_WPD) SetRootClassId(samples.back().bytes, 0x5A);
    }
    // A Visio drawing is taken 1,024 bytes longer than its FAT says.
    if (!GsfDocument(maker, "a.vsd", {"VisioDocument"})) return false;
    Bytes visio = ReadFile(maker.Path("a.vsd"));
    std::uint64_t const u64Carved = visio.size() + 1024;
    maker.Add("VSD", std::move(visio), RAW_FILE_TYPE_VSD, SizeRule::Stated, u64Carved);
    maker.Add("XLS whose last FAT sectors are free", WorkbookWithFreeFatSectors(), RAW_FILE_TYPE_XLS);
    return maker.Run("msibuild package.msi -s 'Carved package' Tester") &&
           maker.Add("msibuild MSI", "package.msi", RAW_FILE_TYPE_MOF, "");
}

/// Packages of the page-layout, slide and spreadsheet programs and of a drawing program: no
/// tool here writes them, so Info-ZIP stores members named as theirs are.
bool MakeNamedPackages(SampleMaker& maker) {
    std::string const body(600, 'x');
    return maker.Run("mkdir -p pages/Index keynote/Index numbers cdr/content") &&
           maker.Write("pages/Index/Document.iwa", body) &&
           maker.Write("pages/Index/DocumentStylesheet.iwa", "styles: layout-style-1 " + body) &&
           maker.Write("keynote/Index/Document.iwa", body) && maker.Write("keynote/Index/Slide1.iwa", body) &&
           maker.Write("numbers/buildVersionHistory.plist",
                       "<plist><array><string>numbers-trunk-2024</string></array></plist>") &&
           maker.Write("numbers/Index.iwa", body) && maker.Write("cdr/content/riffData.cdr", "RIFF" + body) &&
           maker.Write("cdr/content/root.dat", body) &&
           maker.Run("cd pages && zip -q -X -0 ../a.pages Index/Document.iwa Index/DocumentStylesheet.iwa") &&
           maker.Run("cd keynote && zip -q -X ../a.key Index/Document.iwa Index/Slide1.iwa") &&
           maker.Run("cd numbers && zip -q -X -0 ../a.numbers buildVersionHistory.plist Index.iwa") &&
           maker.Run("cd cdr && zip -q -X ../a.cdr content/riffData.cdr content/root.dat") &&
           maker.Add("PAGES", "a.pages", RAW_FILE_TYPE_PAGES, "Index_Document.iwa") &&
           maker.Add("KEY", "a.key", RAW_FILE_TYPE_KEY, "Index_Document.iwa") &&
           maker.Add("NUMBERS", "a.numbers", RAW_FILE_TYPE_NUMBERS, "buildVersionHistory.plist") &&
           maker.Add("CDR", "a.cdr", RAW_FILE_TYPE_CDR, "content_riffData.cdr");
}

}  // namespace

std::string MissingDocumentTools() {
    std::string const missing = MissingTool({"soffice", "gsf", "msibuild", "zip"});
    if (!missing.empty()) return missing;
    if (testsupport::RunCommand("/usr/bin/python3 -c 'import docx, openpyxl' >/dev/null 2>&1") != 0)
        return "python3-docx or python3-openpyxl is not installed (scripts/setup.sh installs them)";
    return {};
}

bool DocumentSamples(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error) {
    SampleMaker maker(folder, samples, error);
    return MakeLibreOfficeSamples(maker) && MakePythonSamples(maker) && MakeClassifiedSamples(maker, samples) &&
           MakeNamedPackages(maker);
}

}  // namespace archivetest
