#include "DocumentSamples.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>

#include "engine/ByteWriter.h"
#include "engine/carve/RawFileType.h"
#include "support/TempDir.h"

namespace documenttest {
namespace {

using namespace std::string_view_literals;
using corpustest::SizeRule;

constexpr char const* kTools[] = {"groff",   "ps2pdf",  "gs",       "qpdf",   "exiftool",
                                  "epstool", "gnuplot", "unix2dos", "chmcmd", "iconv"};
constexpr char const* kPython = "/usr/bin/python3";
constexpr char const* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

Bytes ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

/// `u32Bytes` bytes of `u8Fill` with `head` at the start.
Bytes Filled(std::uint32_t u32Bytes, std::uint8_t u8Fill, std::string_view head = {}) {
    Bytes bytes(u32Bytes, u8Fill);
    std::copy(head.begin(), head.end(), bytes.begin());
    return bytes;
}

void Put(Bytes& bytes, std::size_t offset, std::string_view text) {
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::uint64_t LastOffsetOf(Bytes const& bytes, std::string_view text) {
    auto const it = std::find_end(bytes.begin(), bytes.end(), text.begin(), text.end(),
                                  [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
    return static_cast<std::uint64_t>(it - bytes.begin());
}

/// Lines of prose enough to fill several sectors.
std::string Prose(int iLines, char const* pszBefore, char const* pszAfter) {
    std::string text;
    for (int i = 0; i < iLines; ++i)
        text += std::string(pszBefore) + "Line " + std::to_string(i) + " of a document that was lost and found again." +
                pszAfter + "\n";
    return text;
}

bool Set(CarvedSample& sample, std::uint32_t u32Type, Bytes bytes, SizeRule rule = SizeRule::Exact,
         std::uint64_t u64Size = 0) {
    sample.u32Type = u32Type;
    sample.bytes = std::move(bytes);
    sample.rule = rule;
    sample.u64Size = u64Size;
    return !sample.bytes.empty();
}

// ---- Tool-made files. ----

constexpr char const* kGroffPage = "printf '.PP\\nA page of text set by groff.\\n' | groff -Tps > page.ps";

/// PDF ends with its last "%%EOF" and the line end after it.
bool PdfSample(Bytes bytes, CarvedSample& sample) { return Set(sample, RAW_FILE_TYPE_PDF, std::move(bytes)); }

bool Pdf(DocumentMaker& maker, CarvedSample& sample) {
    return PdfSample(maker.Made(std::string(kGroffPage) + " && ps2pdf page.ps page.pdf", "page.pdf"), sample);
}

// Linearised: a first "%%EOF" ends the first-page section mid-file.
bool LinearPdf(DocumentMaker& maker, CarvedSample& sample) {
    return PdfSample(
        maker.Made(std::string(kGroffPage) + " && ps2pdf page.ps page.pdf && qpdf --linearize page.pdf linear.pdf",
                   "linear.pdf"),
        sample);
}

/// A ghostscript PDF of groff text whose last "%%EOF" lies where `fits` wants it in a 512-byte
/// sector, the number of lines varied until it does; empty when none of them fits.
template <typename Fits>
Bytes FittedPdf(DocumentMaker& maker, Fits fits) {
    for (int iLines = 10; iLines < 200; ++iLines) {
        if (!maker.Write("lines.tr", ".PP\n" + Prose(iLines, "", ""))) return {};
        Bytes bytes = maker.Made("groff -Tps lines.tr > lines.ps && ps2pdf lines.ps lines.pdf", "lines.pdf");
        if (bytes.empty()) return {};
        if (fits(LastOffsetOf(bytes, "%%EOF") % 512, bytes.size() % 512)) return bytes;
    }
    return {};
}

/// A PDF ending "%%EOF" LF with at least six zero bytes after it in its sector (at either size),
/// its LF then replaced by `lineEnd`.
bool PdfEndingWith(DocumentMaker& maker, CarvedSample& sample, std::string_view lineEnd) {
    Bytes bytes = FittedPdf(maker, [](std::uint64_t, std::uint64_t u64Tail) { return u64Tail != 0 && u64Tail <= 506; });
    if (bytes.empty() || bytes.back() != '\n') return false;
    bytes.pop_back();
    bytes.insert(bytes.end(), lineEnd.begin(), lineEnd.end());
    return PdfSample(std::move(bytes), sample);
}
bool PdfLf(DocumentMaker& maker, CarvedSample& sample) { return PdfEndingWith(maker, sample, "\n"); }
bool PdfCr(DocumentMaker& maker, CarvedSample& sample) { return PdfEndingWith(maker, sample, "\r"); }
bool PdfCrLf(DocumentMaker& maker, CarvedSample& sample) { return PdfEndingWith(maker, sample, "\r\n"); }
bool PdfWithoutLineEnd(DocumentMaker& maker, CarvedSample& sample) { return PdfEndingWith(maker, sample, ""); }

// A PDF followed on the disk by the PostScript it was made from ("%!PS-Adobe..."): a "%" after
// the last "%%EOF" is old data, not an update, and the PDF ends with its own bytes.
bool PdfFollowedByAComment(DocumentMaker& maker, CarvedSample& sample) {
    Bytes bytes = maker.Made(std::string(kGroffPage) + " && ps2pdf page.ps page.pdf", "page.pdf");
    Bytes const old = maker.Made("true", "page.ps");
    std::uint64_t const u64Pdf = bytes.size();
    bytes.insert(bytes.end(), old.begin(), old.end());
    return !old.empty() && u64Pdf != 0 && Set(sample, RAW_FILE_TYPE_PDF, std::move(bytes), SizeRule::Stated, u64Pdf);
}

// A one-page PDF that qpdf compacts to well under 1 KiB.
bool TinyPdf(DocumentMaker& maker, CarvedSample& sample) {
    Bytes bytes = maker.Made(
        "gs -q -o blank.pdf -sDEVICE=pdfwrite -g200x200 -c showpage && "
        "qpdf --empty --pages blank.pdf 1 -- --object-streams=generate tiny.pdf",
        "tiny.pdf");
    return bytes.size() < 1024 && PdfSample(std::move(bytes), sample);
}

// exiftool's incremental update of about 450 bytes after a "%%EOF" in its sector's first 56
// bytes: both markers share the file's last sector.
bool UpdatedPdf(DocumentMaker& maker, CarvedSample& sample) {
    Bytes const original = FittedPdf(maker, [](std::uint64_t u64Eof, std::uint64_t) { return u64Eof < 56; });
    if (original.empty()) return false;
    Bytes bytes = maker.Made("exiftool -q -overwrite_original '-PDF:Title=A page found again' lines.pdf", "lines.pdf");
    std::uint64_t const u64First = LastOffsetOf(original, "%%EOF");
    std::uint64_t const u64Last = LastOffsetOf(bytes, "%%EOF");
    return u64Last > u64First && u64Last / 512 == u64First / 512 && bytes.size() % 512 <= 506 &&
           PdfSample(std::move(bytes), sample);
}

// Binary EPS: eps2write, then a TIFF preview (header C5 D0 D3 C6, checksum FF FF, "%!" at 30).
bool BinaryEps(DocumentMaker& maker, CarvedSample& sample) {
    return Set(sample, RAW_FILE_TYPE_EPS,
               maker.Made(std::string(kGroffPage) +
                              " && gs -q -dNOPAUSE -dBATCH -sDEVICE=eps2write -sOutputFile=page.eps page.ps"
                              " && epstool --quiet --add-tiff-preview --device tiffg3 page.eps preview.eps",
                          "preview.eps"));
}

// Text EPS without Illustrator's end mark: it ends with "%%EOF" and LF (an earlier "%%EOF"
// lies mid-file).
bool TextEps(DocumentMaker& maker, CarvedSample& sample) {
    return Set(sample, RAW_FILE_TYPE_EPS,
               maker.Made(std::string(kGroffPage) +
                              " && gs -q -dNOPAUSE -dBATCH -sDEVICE=eps2write -sOutputFile=text.eps page.ps",
                          "text.eps"));
}

// AutoCAD writes CR LF; the DXF key holds them.
bool Dxf(DocumentMaker& maker, CarvedSample& sample) {
    std::string const script =
        "import ezdxf\n"
        "d = ezdxf.new('R2010')\n"
        "m = d.modelspace()\n"
        "for i in range(40):\n"
        "    m.add_line((0, i), (10, i + 5))\n"
        "    m.add_circle((i, 3), 2)\n"
        "d.saveas('drawing.dxf')\n";
    if (!maker.Write("drawing.py", script)) return false;
    return Set(sample, RAW_FILE_TYPE_DXF,
               maker.Made(std::string(kPython) + " drawing.py && unix2dos -q drawing.dxf", "drawing.dxf"));
}

// gnuplot's SVG ends with "</svg>" and a line end: "\n</svg>" + 9 covers them.
bool Svg(DocumentMaker& maker, CarvedSample& sample) {
    Bytes bytes = maker.Made("gnuplot -e 'set terminal svg size 400,300; set output \"plot.svg\"; plot sin(x), cos(x)'",
                             "plot.svg");
    std::uint64_t const u64End = LastOffsetOf(bytes, "\n</svg>") + 9;
    return Set(sample, RAW_FILE_TYPE_SVG, std::move(bytes), SizeRule::Stated, u64End);
}

bool Chm(DocumentMaker& maker, CarvedSample& sample) {
    bool const bWritten =
        maker.Write("one.html", "<html><body><h1>One</h1>" + Prose(40, "<p>", "</p>") + "</body></html>\n") &&
        maker.Write("two.html", "<html><body><h1>Two</h1>" + Prose(30, "<p>", "</p>") + "</body></html>\n") &&
        maker.Write(
            "book.hhp",
            "[OPTIONS]\nCompiled file=book.chm\nDefault topic=one.html\nTitle=Book\n\n[FILES]\none.html\ntwo.html\n");
    return bWritten && Set(sample, RAW_FILE_TYPE_CHM, maker.Made("chmcmd book.hhp", "book.chm"));
}

bool Ttf(DocumentMaker&, CarvedSample& sample) { return Set(sample, RAW_FILE_TYPE_TTF, ReadFile(kFont)); }

// 8-bit HTML: it ends with "</html>" and its line end, as zeros follow.
bool Html(DocumentMaker&, CarvedSample& sample) {
    std::string const page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head><title>Found</title></head>\n<body>\n" +
                             Prose(120, "<p>", "</p>") + "</body>\n</html>\n";
    return Set(sample, RAW_FILE_TYPE_HTM, Text(page), SizeRule::Exact);
}

// UTF-16 HTML (iconv writes FF FE first): it ends one code unit after "</HTML>".
bool UnicodeHtml(DocumentMaker& maker, CarvedSample& sample) {
    std::string const page = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\n<HTML>\n<BODY>\n" +
                             Prose(60, "<P>", "</P>") + "</BODY>\n</HTML>\n";
    if (!maker.Write("page.html", page)) return false;
    Bytes bytes = maker.Made("iconv -f UTF-8 -t UTF-16 -o page16.html page.html", "page16.html");
    std::uint64_t const u64End = LastOffsetOf(bytes, "<\0/\0H\0T\0M\0L\0>\0"sv) + 16;
    return Set(sample, RAW_FILE_TYPE_HTM, std::move(bytes), SizeRule::Stated, u64End);
}

// RTF: one group; escaped braces in the text do not count.
bool Rtf(DocumentMaker&, CarvedSample& sample) {
    std::string const text =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times;}}\n{\\info{\\title Found}}\n\\f0\\fs24 " +
        Prose(80, "{\\b Braces \\{ and \\} in text.} ", "\\par") + "}";
    return Set(sample, RAW_FILE_TYPE_RTF, Text(text));
}

// ---- Built from the formats' layouts: no Debian tool writes them. ----

// Adobe Illustrator saved as PDF: "%!PS-Adobe" and "Adobe Illustrator" in the first 1,024 bytes.
bool Illustrator(DocumentMaker&, CarvedSample& sample) {
    std::string const text = "%PDF-1.6\n%\xE2\xE3\xCF\xD3\n%!PS-Adobe-3.0 \n%%Creator: Adobe Illustrator(R) 24.0\n" +
                             Prose(60, "% ", "") + "trailer\n<< /Root 1 0 R >>\n%%EOF\n";
    Bytes bytes = Text(text);
    return Set(sample, RAW_FILE_TYPE_AI, std::move(bytes));
}

// Illustrator's text EPS ends with "%AI9_PrivateDataEnd" and CR LF.
bool IllustratorEps(DocumentMaker&, CarvedSample& sample) {
    std::string const text = "%!PS-Adobe-3.0 EPSF-3.0\r\n%%Creator: Adobe Illustrator(R) 24.0\r\n" +
                             Prose(70, "% ", "\r") + "%AI9_PrivateDataBegin\r\n" + Prose(20, "%", "\r") +
                             "%AI9_PrivateDataEnd\r\n";
    return Set(sample, RAW_FILE_TYPE_EPS, Text(text));
}

// FH11: 1C 01 00 00 02 00 04 1C 01 14 00 02 00 14 1C 01, "11" at 34; the end lies 9 bytes past
// "Decode" 00 FF FF FF FF.
bool Fh11(DocumentMaker&, CarvedSample& sample) {
    Bytes bytes = Filled(5000, 0x46, "\x1C\x01\x00\x00\x02\x00\x04\x1C\x01\x14\x00\x02\x00\x14\x1C\x01"sv);
    Put(bytes, 34, "11");
    Put(bytes, 5000 - 20, "Decode\0\xFF\xFF\xFF\xFF"sv);
    return Set(sample, RAW_FILE_TYPE_FH11, std::move(bytes));
}

// DWG R13-2000 (AC1015): image-data address at 13 pointing at the 16-byte sentinel, 3 section
// locators (u8 number, u32 address, u32 size) from 25; the furthest ends the file.
bool DwgLocators(DocumentMaker&, CarvedSample& sample) {
    Bytes bytes = Filled(6000, 0x5A, "AC1015\0\0"sv);
    engine::ByteWriter writer(bytes);
    writer.Le32(13, 0x80);
    writer.Le32(21, 3);
    std::uint32_t const locators[3][2] = {{0x100, 1000}, {2600, 3400}, {0x600, 2000}};
    for (std::uint32_t i = 0; i < 3; ++i) {
        writer.U8(25 + 9 * i, static_cast<std::uint8_t>(i));
        writer.Le32(26 + 9 * i, locators[i][0]);
        writer.Le32(30 + 9 * i, locators[i][1]);
    }
    Put(bytes, 0x80, "\x1F\x25\x6D\x07\xD4\x36\x28\x28\x9D\x57\xCA\x3F\x9D\x44\x10\x2B"sv);
    return Set(sample, RAW_FILE_TYPE_DWG, std::move(bytes));
}

/// DWG 2004 and later: 16 bytes at 128, repeated `u32Tail` bytes before the file's end.
Bytes DwgWithCopy(std::string_view version, std::string_view mark, std::uint32_t u32Bytes, std::uint32_t u32Tail) {
    Bytes bytes = Filled(u32Bytes, 0x5A, version);
    Put(bytes, 128, mark);
    Put(bytes, u32Bytes - u32Tail, mark);
    return bytes;
}

bool Dwg2004(DocumentMaker&, CarvedSample& sample) {
    return Set(
        sample, RAW_FILE_TYPE_DWG,
        DwgWithCopy("AC1018\0\0"sv, "\x68\x40\xF8\xF7\x92\x2A\xB5\xEF\x18\xDD\x0B\xF1\xF1\xBB\xE9\xEB"sv, 9000, 108));
}
bool Dwg2007(DocumentMaker&, CarvedSample& sample) {
    return Set(sample, RAW_FILE_TYPE_DWG, DwgWithCopy("AC1021\0\0"sv, "drawing-2007-mk!"sv, 9000, 1024));
}
bool Dwg2010(DocumentMaker&, CarvedSample& sample) {
    return Set(sample, RAW_FILE_TYPE_DWG, DwgWithCopy("AC1024\0\0"sv, "drawing-2010-mk!"sv, 10500, 108));
}

// CPT: "CPT9FILE"; N = 2 at 40; the table at 316; its last entry points at L = 600; L + 32 holds
// 0 (no skip); at L + 60 A = 1000, B = 1; at A - 8 the final block: offset 2000, length 1500.
bool Cpt(DocumentMaker&, CarvedSample& sample) {
    Bytes bytes = Filled(3500, 0x33, "CPT9FILE");
    engine::ByteWriter writer(bytes);
    writer.Le32(40, 2);
    writer.Le32(52, 316);
    writer.Le32(316, 400);
    writer.Le32(324, 600);
    writer.Le32(632, 0);
    writer.Le32(660, 1000);
    writer.Le32(664, 1);
    writer.Le32(992, 2000);
    writer.Le32(996, 1500);
    return Set(sample, RAW_FILE_TYPE_CPT, std::move(bytes));
}

// Word for Windows 2: DB A5 2D 00; text end (u32 at 292) + tables (u16 at 296) in 512-byte pages.
bool Word2(DocumentMaker&, CarvedSample& sample) {
    Bytes bytes = Filled(3584, 0x20, "\xDB\xA5\x2D\x00"sv);
    engine::ByteWriter writer(bytes);
    writer.Le32(292, 2900);
    writer.Le16(296, 300);
    return Set(sample, RAW_FILE_TYPE_DOC, std::move(bytes));
}

/// An Access file of `u32Pages` 4,096-byte pages, each starting with a non-zero type byte, and
/// the zero page that follows it on the disk.
bool Access(CarvedSample& sample, std::string_view engineName, std::uint32_t u32Type, std::uint32_t u32Pages) {
    Bytes bytes((u32Pages + 1) * 4096, 0);
    for (std::uint32_t i = 0; i < u32Pages; ++i)
        std::fill_n(bytes.begin() + i * 4096, 4096, static_cast<std::uint8_t>(1 + i % 7));
    Put(bytes, 0, "\x00\x01\x00\x00"sv);
    Put(bytes, 4, engineName);
    return Set(sample, u32Type, std::move(bytes), SizeRule::Stated, std::uint64_t{u32Pages} * 4096);
}
bool Mdb(DocumentMaker&, CarvedSample& sample) { return Access(sample, "Standard Jet DB\0"sv, RAW_FILE_TYPE_MDB, 12); }
bool Accdb(DocumentMaker&, CarvedSample& sample) {
    return Access(sample, "Standard ACE DB\0"sv, RAW_FILE_TYPE_ACCDB, 5);
}

// Money: "MSISAM Database" at 4; always 1 MiB.
bool Mny(DocumentMaker&, CarvedSample& sample) {
    Bytes bytes = Filled(0x100000, 0x4D, "\x00\x01\x00\x00MSISAM Database"sv);
    return Set(sample, RAW_FILE_TYPE_MNY, std::move(bytes));
}

/// `u32Bytes` bytes with `head` at 0 and the u32 `u32Length` at `at`.
Bytes WithLength(std::string_view head, std::uint32_t u32Bytes, std::size_t at, std::uint32_t u32Length) {
    Bytes bytes = Filled(u32Bytes, 0x4F, head);
    engine::ByteWriter(bytes).Le32(at, u32Length);
    return bytes;
}

bool One(DocumentMaker&, CarvedSample& sample) {
    return Set(sample, RAW_FILE_TYPE_ONE,
               WithLength("\xE4\x52\x5C\x7B\x8C\xD8\xA7\x4D\xAE\xB1\x53\x78\xD0\x29\x96\xD3"sv, 5000, 196, 5000));
}

// PST: byte 10 is 23 (Unicode, u64 end at 184) or 14 (ANSI, u32 end at 168).
bool PstUnicode(DocumentMaker&, CarvedSample& sample) {
    Bytes bytes = Filled(7000, 0x50, "!BDN");
    bytes[10] = 23;
    engine::ByteWriter(bytes).Le64(184, 7000);
    return Set(sample, RAW_FILE_TYPE_PST, std::move(bytes));
}
bool PstAnsi(DocumentMaker&, CarvedSample& sample) {
    Bytes bytes = WithLength("!BDN", 6000, 168, 6000);
    bytes[10] = 14;
    return Set(sample, RAW_FILE_TYPE_PST, std::move(bytes));
}

// Outlook Express message store: its class identifier, the length at 124.
bool Dbx(DocumentMaker&, CarvedSample& sample) {
    return Set(
        sample, RAW_FILE_TYPE_DBX,
        WithLength("\xCF\xAD\x12\xFE\xC5\xFD\x74\x6F\x66\xE3\xD1\x11\x9A\x4E\x00\xC0\x4F\xA3\x09"sv, 4500, 124, 4500));
}

// WinHelp: the directory at 512 (u32 at 4), the length at 12.
bool Hlp(DocumentMaker&, CarvedSample& sample) {
    Bytes bytes = WithLength("\x3F\x5F\x03\x00"sv, 3000, 12, 3000);
    engine::ByteWriter(bytes).Le32(4, 512);
    return Set(sample, RAW_FILE_TYPE_HLP, std::move(bytes));
}

/// WordPerfect: FF "WPC", product and type at 8-11, version at 14-17, the length at 20.
bool WordPerfect(CarvedSample& sample, std::string_view product, std::string_view version, std::uint32_t u32Type) {
    Bytes bytes = WithLength("\xFFWPC\x10\x00\x00\x00"sv, 2500, 20, 2500);
    Put(bytes, 8, product);
    Put(bytes, 14, version);
    return Set(sample, u32Type, std::move(bytes));
}
bool Wpd(DocumentMaker&, CarvedSample& sample) {
    return WordPerfect(sample, "\x01\x0A\x02\x01"sv, "\x00\x02\x05\x00"sv, RAW_FILE_TYPE_WPD);
}
bool Wpg(DocumentMaker&, CarvedSample& sample) {
    return WordPerfect(sample, "\x01\x16\x02\x00"sv, "\x00\x00\x03\x00"sv, RAW_FILE_TYPE_WPG);
}
bool Shw(DocumentMaker&, CarvedSample& sample) {
    return WordPerfect(sample, "\x0F\x0F\x01\x00"sv, "\x00\x00\x03\x00"sv, RAW_FILE_TYPE_SHW);
}

// 3DS: main chunk 4D4D (length at 2), version chunk 0002 at 6, editor chunk 3D3D at 16.
bool ThreeDs(DocumentMaker&, CarvedSample& sample) {
    Bytes bytes = Filled(4000, 0x3C, "\x4D\x4D"sv);
    engine::ByteWriter writer(bytes);
    writer.Le32(2, 4000);
    writer.Le16(6, 0x0002);
    writer.Le32(8, 10);
    writer.Le32(12, 3);
    writer.Le16(16, 0x3D3D);
    writer.Le32(18, 3000);
    return Set(sample, RAW_FILE_TYPE_3DS, std::move(bytes));
}

constexpr DocumentRow kRows[] = {
    {"Dxf", &Dxf},
    {"Fh11", &Fh11},
    {"Html", &Html},
    {"UnicodeHtml", &UnicodeHtml},
    {"Pdf", &Pdf},
    {"LinearisedPdf", &LinearPdf},
    {"PdfLf", &PdfLf},
    {"PdfCr", &PdfCr},
    {"PdfCrLf", &PdfCrLf},
    {"PdfWithoutLineEnd", &PdfWithoutLineEnd},
    {"TinyPdf", &TinyPdf},
    {"PdfFollowedByAComment", &PdfFollowedByAComment},
    {"UpdatedPdf", &UpdatedPdf},
    {"Illustrator", &Illustrator},
    {"Rtf", &Rtf},
    {"Dwg2000", &DwgLocators},
    {"Dwg2004", &Dwg2004},
    {"Dwg2007", &Dwg2007},
    {"Dwg2010", &Dwg2010},
    {"BinaryEps", &BinaryEps},
    {"IllustratorEps", &IllustratorEps},
    {"TextEps", &TextEps},
    {"Cpt", &Cpt},
    {"Word2", &Word2},
    {"Mdb", &Mdb},
    {"Accdb", &Accdb},
    {"Mny", &Mny},
    {"One", &One},
    {"PstUnicode", &PstUnicode},
    {"PstAnsi", &PstAnsi},
    {"Dbx", &Dbx},
    {"Hlp", &Hlp},
    {"Chm", &Chm},
    {"Wpd", &Wpd},
    {"Wpg", &Wpg},
    {"Shw", &Shw},
    {"Ttf", &Ttf},
    {"Svg", &Svg},
    {"ThreeDs", &ThreeDs},
};

}  // namespace

Bytes DocumentMaker::Made(std::string const& command, std::string const& name) {
    if (testsupport::RunCommand("cd " + m_folder + " && " + command + " >/dev/null 2>&1") != 0) {
        if (m_error.empty()) m_error = command;
        return {};
    }
    return ReadFile(m_folder + "/" + name);
}

bool DocumentMaker::Write(std::string const& name, std::string const& text) {
    std::ofstream out(m_folder + "/" + name, std::ios::binary);
    out << text;
    if (!out && m_error.empty()) m_error = "writing " + name;
    return static_cast<bool>(out);
}

std::span<DocumentRow const> DocumentRows() { return kRows; }

void PrintTo(DocumentRow const& row, std::ostream* pOut) { *pOut << row.pszName; }

std::string MissingDocumentTools() {
    for (char const* pszTool : kTools)
        if (!testsupport::HaveTool(pszTool))
            return std::string(pszTool) + " is not installed (scripts/setup.sh installs it)";
    if (testsupport::RunCommand(std::string(kPython) + " -c 'import ezdxf' >/dev/null 2>&1") != 0)
        return "python3-ezdxf is not installed (scripts/setup.sh installs it)";
    if (!std::ifstream(kFont)) return "fonts-dejavu-core is not installed (scripts/setup.sh installs it)";
    return {};
}

bool DocumentFamily(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error) {
    DocumentMaker maker(folder);
    for (DocumentRow const& row : kRows) {
        CarvedSample sample;
        sample.name = row.pszName;
        if (!row.make(maker, sample)) {
            error = std::string(row.pszName) + ": " + maker.Error();
            return false;
        }
        samples.push_back(std::move(sample));
    }
    return true;
}

}  // namespace documenttest
