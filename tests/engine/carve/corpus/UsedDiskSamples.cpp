#include "UsedDiskSamples.h"

#include "engine/ByteWriter.h"
#include "engine/carve/RawFileType.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

namespace corpustest {
namespace {

struct Made {
    char const* pszName;
    RAW_FILE_TYPE eType;
    char const* pszCommand;  // run in the family's folder
    char const* pszFile;     // what it writes there
};

constexpr char const* kPage = "gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile=page.pdf -c "
                              "'/Helvetica findfont 24 scalefont setfont 72 720 moveto (A page to carve) show showpage'";

Made const kMade[] = {
    {"jpeg baseline", RAW_FILE_TYPE_JPG, "convert -seed 3 -size 320x240 plasma: -quality 85 base.jpg", "base.jpg"},
    {"jpeg progressive", RAW_FILE_TYPE_JPG, "convert -seed 4 -size 300x200 plasma: -interlace Plane prog.jpg", "prog.jpg"},
    {"jpeg grey", RAW_FILE_TYPE_JPG, "convert -seed 5 -size 200x150 plasma: -colorspace Gray grey.jpg", "grey.jpg"},
    {"jpeg with an EXIF thumbnail", RAW_FILE_TYPE_JPG,
     "convert -seed 6 -size 64x48 plasma: small.jpg && convert -seed 6 -size 320x240 plasma: thumb.jpg"
     " && exiftool -q -overwrite_original '-ThumbnailImage<=small.jpg' thumb.jpg",
     "thumb.jpg"},
    {"jpeg starting with IPTC", RAW_FILE_TYPE_JPG,
     "convert -seed 8 -size 320x240 plasma: iptc.jpg && exiftool -q -overwrite_original -JFIF:all= -Keywords=carving iptc.jpg", "iptc.jpg"},
    {"bmp os2", RAW_FILE_TYPE_BMP, "convert -seed 9 -size 41x30 plasma: bmp2:os2.bmp", "os2.bmp"},
    {"bmp v3", RAW_FILE_TYPE_BMP, "convert -seed 9 -size 41x30 plasma: bmp3:v3.bmp", "v3.bmp"},
    {"bmp v5", RAW_FILE_TYPE_BMP, "convert -seed 9 -size 41x30 plasma: v5.bmp", "v5.bmp"},
    {"tiff tiny", RAW_FILE_TYPE_TIF, "convert -seed 10 -size 16x16 plasma: tiny.tif", "tiny.tif"},
    {"tiff lzw", RAW_FILE_TYPE_TIF, "convert -seed 10 -size 300x200 plasma: -compress lzw lzw.tif", "lzw.tif"},
    {"pdf", RAW_FILE_TYPE_PDF, kPage, "page.pdf"},
    {"eps", RAW_FILE_TYPE_EPS,
     "gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=eps2write -sOutputFile=page.eps -c "
     "'/Helvetica findfont 24 scalefont setfont 72 720 moveto (Drawn to carve) show showpage'",
     "page.eps"},
    {"avi", RAW_FILE_TYPE_AVI, "ffmpeg -loglevel error -f lavfi -i testsrc=duration=1:size=160x120:rate=10 -c:v mpeg4 -y v.avi", "v.avi"},
    {"wav", RAW_FILE_TYPE_WAV, "ffmpeg -loglevel error -f lavfi -i sine=duration=1 -y a.wav", "a.wav"},
    // tidy answers 1 when it only warned.
    {"html by tidy", RAW_FILE_TYPE_HTM,
     "printf '<title>Found</title>\\n<h1>A page</h1><p>Kept whole.<p>Twice.' > in.html"
     " && { tidy -q --show-warnings no --tidy-mark no -o lower.html in.html; [ $? -le 1 ]; }",
     "lower.html"},
    {"html by tidy, upper case", RAW_FILE_TYPE_HTM,
     "tidy -q --show-warnings no --tidy-mark no -upper -o upper.html in.html; [ $? -le 1 ]", "upper.html"},
    {"html in mixed case with CR LF", RAW_FILE_TYPE_HTM,
     "printf '<!DOCTYPE html>\\r\\n<Html>\\r\\n<Body>\\r\\n<P>Hand-written.</P>\\r\\n</Body>\\r\\n</Html>\\r\\n' > mixed.html",
     "mixed.html"},
    // Its end tag quoted by a script and a comment, and none closing its last line.
    {"html quoting its end tag", RAW_FILE_TYPE_HTM,
     "printf '%s' '<html><head><script>document.write(\"<p>later</p></html>\");</script></head>"
     "<body><!-- the old footer </HTML> --><p>Kept.</p></body></html>' > quoting.html",
     "quoting.html"},
    {"mkv", RAW_FILE_TYPE_MKV, "ffmpeg -loglevel error -f lavfi -i testsrc=duration=1:size=160x120:rate=10 -c:v mpeg4 -y v.mkv", "v.mkv"},
};

/// A PDF and an incremental update after its "%%EOF": an object, a cross-reference section,
/// a trailer and a second "%%EOF".
Bytes Updated(Bytes pdf) {
    std::string const update = "1 0 obj\n<< /Title (Updated) >>\nendobj\nxref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 2 >>\n"
                               "startxref\n" + std::to_string(pdf.size()) + "\n%%EOF\n";
    pdf.insert(pdf.end(), update.begin(), update.end());
    return pdf;
}

CarvedSample Exact(std::string name, RAW_FILE_TYPE eType, Bytes bytes) {
    return {"used disk " + std::move(name), eType, std::move(bytes), SizeRule::Exact, 0, ""};
}

}  // namespace

Bytes MultiPicture(Bytes const& first, Bytes const& second, std::uint32_t u32SecondExtra) {
    constexpr std::size_t kHeaderAt = 10;  // SOI, the APP2 marker and length, "MPF\0"
    constexpr std::size_t kSegment = 2 + 4 + 8 + 2 + 12 + 4 + 32;
    Bytes app2(2 + kSegment, 0);
    engine::ByteWriter w(app2);
    w.Be16(0, 0xFFE2);
    w.Be16(2, static_cast<std::uint16_t>(kSegment));
    constexpr std::uint8_t kIdentifierAndHeader[] = {'M', 'P', 'F', 0, 'I', 'I', '*', 0};
    w.Bytes(4, kIdentifierAndHeader);
    w.Le32(12, 8);                     // the index directory, from the MP header
    w.Le16(16, 1);                     // one entry: the MP entries (tag B002, undefined, 32 bytes at 26)
    w.Le16(18, 0xB002);
    w.Le16(20, 7);
    w.Le32(22, 32);
    w.Le32(26, 26);
    std::size_t const firstSize = first.size() + app2.size();
    w.Le32(34 + 4, static_cast<std::uint32_t>(firstSize));  // the first image: its size, offset 0
    w.Le32(50 + 4, static_cast<std::uint32_t>(second.size() + u32SecondExtra));
    w.Le32(50 + 8, static_cast<std::uint32_t>(firstSize - kHeaderAt));
    Bytes mpo;
    mpo.reserve(firstSize + second.size());
    mpo.push_back(first.at(0));
    mpo.push_back(first.at(1));
    mpo.insert(mpo.end(), app2.begin(), app2.end());
    mpo.insert(mpo.end(), first.begin() + 2, first.end());
    mpo.insert(mpo.end(), second.begin(), second.end());
    return mpo;
}

std::string MissingUsedDiskTools() {
    for (char const* pszTool : {"convert", "exiftool", "gs", "ffmpeg", "tidy"})
        if (!testsupport::HaveTool(pszTool)) return std::string(pszTool) + " is missing";
    return {};
}

bool UsedDiskFamily(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error) {
    for (Made const& made : kMade) {
        if (testsupport::RunCommand("cd " + folder + " && " + made.pszCommand) != 0) {
            error = std::string(made.pszName) + ": " + made.pszCommand;
            return false;
        }
        samples.push_back(Exact(made.pszName, made.eType, testsupport::ReadFileBytes(folder + "/" + made.pszFile)));
    }
    Bytes const pdf = testsupport::ReadFileBytes(folder + "/page.pdf");
    samples.push_back(Exact("pdf with an incremental update", RAW_FILE_TYPE_PDF, Updated(pdf)));
    Bytes const base = testsupport::ReadFileBytes(folder + "/base.jpg");
    Bytes const grey = testsupport::ReadFileBytes(folder + "/grey.jpg");
    samples.push_back(Exact("mpo", RAW_FILE_TYPE_JPG, MultiPicture(base, grey)));
    for (CarvedSample const& sample : samples)
        if (sample.bytes.empty()) {
            error = sample.name + " is empty";
            return false;
        }
    return true;
}

}  // namespace corpustest
