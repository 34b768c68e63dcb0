#include "UsedDiskSamples.h"

#include <algorithm>
#include <string_view>

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
    char const* pszNamePrefix = "";  // the carved name's prefix: a stored name or camera model
};

constexpr char const* kCameraModel = "DMC-GH1";  // names the carved camera files

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
    // The EPS attached uncompressed: its "%%EOF" and line end stand right before "endstream".
    {"pdf with a %%EOF in a stream", RAW_FILE_TYPE_PDF,
     "qpdf page.pdf --add-attachment page.eps -- --compress-streams=n --object-streams=disable attached.pdf", "attached.pdf"},
    {"pdf without a final line end", RAW_FILE_TYPE_PDF, "head -c -1 page.pdf > unended.pdf", "unended.pdf"},
    // Written where zip cannot seek back: data descriptors and ZIP64 sizes.
    {"zip from a pipe", RAW_FILE_TYPE_ZIP, "seq 1 3000 | zip -q - - | cat > piped.zip", "piped.zip", "-"},
    {"zip with ZIP64 end records", RAW_FILE_TYPE_ZIP, "seq 1 4000 > seq.txt && zip -q -fz zip64.zip seq.txt", "zip64.zip", "seq.txt"},
    // exiftool lays the strip out last and pads its odd length.
    {"tiff padded by exiftool", RAW_FILE_TYPE_TIF,
     "convert -seed 5 -size 37x29 plasma: -compress rle padded.tif && exiftool -q -overwrite_original -Artist=abc -Copyright=xyz1 padded.tif",
     "padded.tif"},
    {"tiff stripped", RAW_FILE_TYPE_TIF, "convert -seed 11 -size 120x80 plasma: -compress none stripped.tif", "stripped.tif"},
    {"tiff of a Panasonic camera", RAW_FILE_TYPE_RW2,
     "convert -seed 12 -size 100x60 plasma: -compress none camera.tif && exiftool -q -overwrite_original -Make=Panasonic -Model=DMC-GH1 camera.tif",
     "camera.tif", kCameraModel},
};

/// A little-endian TIFF whose last strip offset is FFFFFFFF (far past any device); with
/// `bPanasonic` its magic is Panasonic's 55 (an RW2). Empty when it holds no strip offsets.
Bytes StripOffDevice(Bytes tiff, bool bPanasonic) {
    auto const le = [&tiff](std::size_t at, std::size_t width) {
        std::uint32_t u32 = 0;
        for (std::size_t i = width; i-- > 0;) u32 = u32 << 8 | tiff.at(at + i);
        return u32;
    };
    engine::ByteWriter w(tiff);
    std::uint32_t const u32Ifd = le(4, 4);
    bool bPatched = false;
    for (std::uint32_t e = 0, n = le(u32Ifd, 2); e < n; ++e) {
        std::size_t const entry = u32Ifd + 2 + 12 * std::size_t{e};
        if (le(entry, 2) != 273) continue;
        std::size_t const width = le(entry + 2, 2) == 4 ? 4 : 2;
        std::uint32_t const u32Count = le(entry + 4, 4);
        std::size_t const last = u32Count * width <= 4 ? entry + 8 + (u32Count - 1) * width : le(entry + 8, 4) + (u32Count - 1) * width;
        if (width == 4) w.Le32(last, 0xFFFFFFFF);
        else w.Le16(last, 0xFFFF);
        bPatched = true;
    }
    if (bPanasonic) w.U8(2, 0x55);
    return bPatched && w.Ok() ? tiff : Bytes();
}

/// A BMP whose header declares 3,000,000 x 2,000,000 pixels in a file of 0xF0000000 bytes:
/// no need can be computed, and bfSize is beyond belief.
Bytes HugeDeclaredBmp(Bytes bmp) {
    engine::ByteWriter w(bmp);
    w.Le32(2, 0xF0000000);
    w.Le32(18, 3000000);
    w.Le32(22, 2000000);
    return w.Ok() ? bmp : Bytes();
}

/// A PDF and an incremental update after its "%%EOF": an object, a cross-reference section,
/// a trailer and a second "%%EOF".
Bytes Updated(Bytes pdf) {
    std::string const update = "1 0 obj\n<< /Title (Updated) >>\nendobj\nxref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 2 >>\n"
                               "startxref\n" + std::to_string(pdf.size()) + "\n%%EOF\n";
    pdf.insert(pdf.end(), update.begin(), update.end());
    return pdf;
}

CarvedSample Exact(std::string name, RAW_FILE_TYPE eType, Bytes bytes, std::string namePrefix = "") {
    return {"used disk " + std::move(name), eType, std::move(bytes), SizeRule::Exact, 0, std::move(namePrefix)};
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
    for (char const* pszTool : {"convert", "exiftool", "gs", "ffmpeg", "tidy", "qpdf", "zip"})
        if (!testsupport::HaveTool(pszTool)) return std::string(pszTool) + " is missing";
    return {};
}

bool UsedDiskFamily(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error) {
    for (Made const& made : kMade) {
        if (testsupport::RunCommand("cd " + folder + " && " + made.pszCommand) != 0) {
            error = std::string(made.pszName) + ": " + made.pszCommand;
            return false;
        }
        samples.push_back(Exact(made.pszName, made.eType, testsupport::ReadFileBytes(folder + "/" + made.pszFile), made.pszNamePrefix));
    }
    // Sizes nothing bears out: each ends where the next file starts.
    auto const toNextFile = [&samples](std::string name, RAW_FILE_TYPE eType, Bytes bytes, std::string namePrefix = "") {
        samples.push_back({"used disk " + std::move(name), eType, std::move(bytes), SizeRule::ToNextFile, 0, std::move(namePrefix)});
    };
    toNextFile("bmp declaring more than it holds", RAW_FILE_TYPE_BMP, HugeDeclaredBmp(testsupport::ReadFileBytes(folder + "/v3.bmp")));
    toNextFile("tiff whose strip lies off the device", RAW_FILE_TYPE_TIF, StripOffDevice(testsupport::ReadFileBytes(folder + "/stripped.tif"), false));
    toNextFile("rw2 whose strip lies off the device", RAW_FILE_TYPE_RW2, StripOffDevice(testsupport::ReadFileBytes(folder + "/camera.tif"), true),
               kCameraModel);
    Bytes eps = testsupport::ReadFileBytes(folder + "/page.eps");
    constexpr std::string_view kEpsEnd = "%%EOF\n";
    if (eps.size() > kEpsEnd.size() && std::equal(kEpsEnd.begin(), kEpsEnd.end(), eps.end() - static_cast<std::ptrdiff_t>(kEpsEnd.size()))) {
        eps.resize(eps.size() - kEpsEnd.size());
        toNextFile("eps without its %%EOF", RAW_FILE_TYPE_EPS, std::move(eps));
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
