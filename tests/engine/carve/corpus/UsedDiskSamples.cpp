#include "UsedDiskSamples.h"

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

#include "../photos/PhotoSamples.h"
#include "engine/ByteWriter.h"
#include "engine/carve/RawFileType.h"
#include "support/ByteFields.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

namespace corpustest {
namespace {

struct Made {
    char const* pszName;
    RAW_FILE_TYPE eType;
    char const* pszCommand;          // run in the family's folder
    char const* pszFile;             // what it writes there
    char const* pszNamePrefix = "";  // the carved name's prefix: a stored name or camera model
};

constexpr char const* kCameraModel = "DMC-GH1";  // names the carved camera files

constexpr char const* kPadded =
    "convert -seed 5 -size 37x29 plasma: -compress rle padded.tif && exiftool -q -overwrite_original -Artist=abc "
    "-Copyright=xyz1 padded.tif";

constexpr char const* kPage =
    "gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile=page.pdf -c "
    "'/Helvetica findfont 24 scalefont setfont 72 720 moveto (A page to carve) show showpage'";

Made const kMade[] = {
    {"jpeg baseline", RAW_FILE_TYPE_JPG, "convert -seed 3 -size 320x240 plasma: -quality 85 base.jpg", "base.jpg"},
    {"jpeg progressive", RAW_FILE_TYPE_JPG, "convert -seed 4 -size 300x200 plasma: -interlace Plane prog.jpg",
     "prog.jpg"},
    {"jpeg grey", RAW_FILE_TYPE_JPG, "convert -seed 5 -size 200x150 plasma: -colorspace Gray grey.jpg", "grey.jpg"},
    {"jpeg with an EXIF thumbnail", RAW_FILE_TYPE_JPG,
     "convert -seed 6 -size 64x48 plasma: small.jpg && convert -seed 6 -size 320x240 plasma: thumb.jpg"
     " && exiftool -q -overwrite_original '-ThumbnailImage<=small.jpg' thumb.jpg",
     "thumb.jpg"},
    {"jpeg starting with IPTC", RAW_FILE_TYPE_JPG,
     "convert -seed 8 -size 320x240 plasma: iptc.jpg && exiftool -q -overwrite_original -JFIF:all= -Keywords=carving "
     "iptc.jpg",
     "iptc.jpg"},
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
    {"avi", RAW_FILE_TYPE_AVI,
     "ffmpeg -loglevel error -f lavfi -i testsrc=duration=1:size=160x120:rate=10 -c:v mpeg4 -y v.avi", "v.avi"},
    {"wav", RAW_FILE_TYPE_WAV, "ffmpeg -loglevel error -f lavfi -i sine=duration=1 -y a.wav", "a.wav"},
    // tidy answers 1 when it only warned.
    {"html by tidy", RAW_FILE_TYPE_HTM,
     "printf '<title>Found</title>\\n<h1>A page</h1><p>Kept whole.<p>Twice.' > in.html"
     " && { tidy -q --show-warnings no --tidy-mark no -o lower.html in.html; [ $? -le 1 ]; }",
     "lower.html"},
    {"html by tidy, upper case", RAW_FILE_TYPE_HTM,
     "tidy -q --show-warnings no --tidy-mark no -upper -o upper.html in.html; [ $? -le 1 ]", "upper.html"},
    {"html in mixed case with CR LF", RAW_FILE_TYPE_HTM,
     "printf '<!DOCTYPE html>\\r\\n<Html>\\r\\n<Body>\\r\\n<P>Hand-written.</P>\\r\\n</Body>\\r\\n</Html>\\r\\n' > "
     "mixed.html",
     "mixed.html"},
    // Its end tag quoted by a script and a comment, and none closing its last line.
    {"html quoting its end tag", RAW_FILE_TYPE_HTM,
     "printf '%s' '<html><head><script>document.write(\"<p>later</p></html>\");</script></head>"
     "<body><!-- the old footer </HTML> --><p>Kept.</p></body></html>' > quoting.html",
     "quoting.html"},
    {"movies whose index comes last", RAW_FILE_TYPE_MP4,
     "ffmpeg -loglevel error -f lavfi -i testsrc=duration=3:size=320x240:rate=25,noise=alls=100:allf=t -c:v mpeg4 -q:v "
     "2 -y cut.mp4"
     " && ffmpeg -loglevel error -i cut.mp4 -c copy -y cut.mov",
     "cut.mp4"},
    {"mkv", RAW_FILE_TYPE_MKV,
     "ffmpeg -loglevel error -f lavfi -i testsrc=duration=1:size=160x120:rate=10 -c:v mpeg4 -y v.mkv", "v.mkv"},
    // The EPS attached uncompressed: its "%%EOF" and line end stand right before "endstream".
    {"pdf with a %%EOF in a stream", RAW_FILE_TYPE_PDF,
     "qpdf page.pdf --add-attachment page.eps -- --compress-streams=n --object-streams=disable attached.pdf",
     "attached.pdf"},
    {"pdf without a final line end", RAW_FILE_TYPE_PDF, "head -c -1 page.pdf > unended.pdf", "unended.pdf"},
    // Written where zip cannot seek back: data descriptors and ZIP64 sizes.
    {"zip from a pipe", RAW_FILE_TYPE_ZIP, "seq 1 3000 | zip -q - - | cat > piped.zip", "piped.zip", "-"},
    {"zip with ZIP64 end records", RAW_FILE_TYPE_ZIP, "seq 1 4000 > seq.txt && zip -q -fz zip64.zip seq.txt",
     "zip64.zip", "seq.txt"},
    {"tiff stripped", RAW_FILE_TYPE_TIF, "convert -seed 11 -size 120x80 plasma: -compress none stripped.tif",
     "stripped.tif"},
    // Pillow lays the image data out after the directory and leaves its odd length unpadded.
    {"tiff by Pillow of odd length", RAW_FILE_TYPE_TIF,
     "/usr/bin/python3 -c \"from PIL import Image; Image.new('RGB', (3, 3), (200, 10, 10)).save('odd.tif')\"",
     "odd.tif"},
    {"tiff tiled by libtiff", RAW_FILE_TYPE_TIF, "tiffcp -t -w 16 -l 16 lzw.tif tiled.tif", "tiled.tif"},
    {"tiff planar by libtiff", RAW_FILE_TYPE_TIF,
     "convert -seed 11 -size 60x40 plasma: -depth 8 -interlace plane planar.tif", "planar.tif"},
    // Pillow appends a revision straight after the "%%EOF" before it, and ends without a line end.
    {"pdf with a revision appended by Pillow", RAW_FILE_TYPE_PDF,
     "/usr/bin/python3 -c \"from PIL import Image; Image.new('RGB', (3, 3), (5, 5, 5)).save('appended.pdf');"
     " Image.new('RGB', (4, 4), (9, 9, 9)).save('appended.pdf', append=True)\"",
     "appended.pdf"},
    // Methods beyond deflate: bzip2 (12) and LZMA (14).
    {"zip of bzip2 members by Python", RAW_FILE_TYPE_ZIP,
     "/usr/bin/python3 -c \"import zipfile; z = zipfile.ZipFile('bzip2.zip', 'w', zipfile.ZIP_BZIP2); "
     "z.write('seq.txt'); z.close()\"",
     "bzip2.zip", "seq.txt"},
    {"zip of LZMA members by Python", RAW_FILE_TYPE_ZIP,
     "/usr/bin/python3 -c \"import zipfile; z = zipfile.ZipFile('lzma.zip', 'w', zipfile.ZIP_LZMA); "
     "z.write('seq.txt'); z.close()\"",
     "lzma.zip", "seq.txt"},
    {"zip of bzip2 members by 7-Zip", RAW_FILE_TYPE_ZIP, "7z a -bd -bso0 -tzip -mm=BZip2 7zbzip2.zip seq.txt",
     "7zbzip2.zip", "seq.txt"},
    {"tiff of a Panasonic camera", RAW_FILE_TYPE_RW2,
     "convert -seed 12 -size 100x60 plasma: -compress none camera.tif && exiftool -q -overwrite_original "
     "-Make=Panasonic -Model=DMC-GH1 camera.tif",
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
        std::size_t const last =
            u32Count * width <= 4 ? entry + 8 + (u32Count - 1) * width : le(entry + 8, 4) + (u32Count - 1) * width;
        if (width == 4)
            w.Le32(last, 0xFFFFFFFF);
        else
            w.Le16(last, 0xFFFF);
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

/// A little-endian Panasonic raw file: its first directory declares the preview JPEG
/// (JpgFromRaw, tag 46) at 1,536 and raw data of `u32RawBytes` at `u32RawAt`; the file ends
/// after the preview and any raw data up to `u64FileBytes`.
Bytes PanasonicRaw(Bytes const& preview, std::uint32_t u32RawAt, std::uint32_t u32RawBytes, std::size_t fileBytes) {
    constexpr std::uint32_t kPreviewAt = 1536;
    constexpr std::uint32_t kIfd = 8;
    constexpr std::uint16_t kEntries = 6;
    constexpr std::uint32_t kValues = kIfd + 2 + 12 * kEntries + 4;
    constexpr char kMake[] = "Panasonic";
    constexpr char kModel[] = "DMC-GH1";
    Bytes rw2(std::max<std::size_t>(fileBytes, kPreviewAt + preview.size()), 0);
    engine::ByteWriter w(rw2);
    w.Bytes(0, std::span<std::uint8_t const>(reinterpret_cast<std::uint8_t const*>("IIU\0"), 4));
    w.Le32(4, kIfd);
    testsupport::TiffEntry const entries[kEntries] = {
        {46, 7, static_cast<std::uint32_t>(preview.size()), kPreviewAt},
        {271, 2, sizeof kMake, kValues},
        {272, 2, sizeof kModel, kValues + 16},
        {273, 4, 1, u32RawAt},
        {278, 4, 1, 60},
        {279, 4, 1, u32RawBytes},
    };
    testsupport::LeTiffDirectory(w, kIfd, entries);
    w.Bytes(kValues, std::span<std::uint8_t const>(reinterpret_cast<std::uint8_t const*>(kMake), sizeof kMake));
    w.Bytes(kValues + 16, std::span<std::uint8_t const>(reinterpret_cast<std::uint8_t const*>(kModel), sizeof kModel));
    w.Bytes(kPreviewAt, preview);
    for (std::size_t i = kPreviewAt + preview.size(); i < rw2.size(); ++i)
        rw2[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return w.Ok() ? rw2 : Bytes();
}

/// A Fuji RAF container's header and its TIFF at 160, without what the header places: its
/// preview at 148 and its raw sections, 1.8 and 5.9 MB in.
Bytes FujiWithoutPreview(Bytes const& tiff) {
    constexpr std::size_t kTiffAt = 160;
    Bytes raf(kTiffAt + tiff.size(), 0);
    engine::ByteWriter w(raf);
    w.Bytes(kTiffAt, tiff);
    std::string_view const magic = "FUJIFILMCCD-RAW 0201FF129502";
    w.Bytes(0, std::span<std::uint8_t const>(reinterpret_cast<std::uint8_t const*>(magic.data()), magic.size()));
    w.Be32(84, 148);
    w.Be32(88, 1800000);
    w.Be32(92, 1870000);
    w.Be32(96, 1024);
    w.Be32(100, 1871024);
    w.Be32(104, 4000000);
    return w.Ok() ? raf : Bytes();
}

/// A PDF and an incremental update after its "%%EOF": an object, a cross-reference section,
/// a trailer and a second "%%EOF".
Bytes Updated(Bytes pdf) {
    std::string const update =
        "1 0 obj\n<< /Title (Updated) >>\nendobj\nxref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 2 >>\n"
        "startxref\n" +
        std::to_string(pdf.size()) + "\n%%EOF\n";
    pdf.insert(pdf.end(), update.begin(), update.end());
    return pdf;
}

/// A PDF whose last line end is gone and an update follows its "%%EOF" at once, as appending
/// writers put it: "%%EOF7 0 obj".
Bytes RevisionAfterEof(Bytes pdf) {
    while (!pdf.empty() && (pdf.back() == '\n' || pdf.back() == '\r')) pdf.pop_back();
    std::string update = "7 0 obj\n<< /Title (Appended) >>\nendobj\n";
    std::size_t const xref = pdf.size() + update.size();
    update +=
        "xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 8 >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
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
    w.Le32(12, 8);  // the index directory, from the MP header
    w.Le16(16, 1);  // one entry: the MP entries (tag B002, undefined, 32 bytes at 26)
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
    for (char const* pszTool : {"convert", "exiftool", "gs", "ffmpeg", "tidy", "qpdf", "zip", "7z", "tiffcp"})
        if (!testsupport::HaveTool(pszTool)) return std::string(pszTool) + " is missing";
    if (testsupport::RunCommand("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") != 0)
        return "python3-pil is not installed (scripts/setup.sh installs it)";
    return {};
}

bool UsedDiskFamily(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error) {
    for (Made const& made : kMade) {
        if (testsupport::RunCommand("cd " + folder + " && " + made.pszCommand) != 0) {
            error = std::string(made.pszName) + ": " + made.pszCommand;
            return false;
        }
        samples.push_back(Exact(made.pszName, made.eType, testsupport::ReadFileBytes(folder + "/" + made.pszFile),
                                made.pszNamePrefix));
    }
    // Sizes nothing bears out: each ends where the next file starts.
    auto const toNextFile = [&samples](std::string name, RAW_FILE_TYPE eType, Bytes bytes,
                                       std::string namePrefix = "") {
        samples.push_back(
            {"used disk " + std::move(name), eType, std::move(bytes), SizeRule::ToNextFile, 0, std::move(namePrefix)});
    };
    toNextFile("bmp declaring more than it holds", RAW_FILE_TYPE_BMP,
               HugeDeclaredBmp(testsupport::ReadFileBytes(folder + "/v3.bmp")));
    toNextFile("tiff whose strip lies off the device", RAW_FILE_TYPE_TIF,
               StripOffDevice(testsupport::ReadFileBytes(folder + "/stripped.tif"), false));
    toNextFile("rw2 whose strip lies off the device", RAW_FILE_TYPE_RW2,
               StripOffDevice(testsupport::ReadFileBytes(folder + "/camera.tif"), true), kCameraModel);
    Bytes eps = testsupport::ReadFileBytes(folder + "/page.eps");
    constexpr std::string_view kEpsEnd = "%%EOF\n";
    if (eps.size() > kEpsEnd.size() &&
        std::equal(kEpsEnd.begin(), kEpsEnd.end(), eps.end() - static_cast<std::ptrdiff_t>(kEpsEnd.size()))) {
        eps.resize(eps.size() - kEpsEnd.size());
        toNextFile("eps without its %%EOF", RAW_FILE_TYPE_EPS, std::move(eps));
    }
    Bytes const preview = testsupport::ReadFileBytes(folder + "/base.jpg");
    toNextFile("rw2 whose raw data lies off the device, its preview in its first directory", RAW_FILE_TYPE_RW2,
               PanasonicRaw(preview, 0xFFFFFF00, 36000, 0), kCameraModel);
    samples.push_back(Exact("rw2 with its preview", RAW_FILE_TYPE_RW2,
                            PanasonicRaw(preview, 0x10000, 36000, 0x10000 + 36000), kCameraModel));
    toNextFile("raf whose preview is not where its header says", RAW_FILE_TYPE_RAF,
               FujiWithoutPreview(testsupport::ReadFileBytes(folder + "/tiny.tif")));
    // Its leading block alone, which claims a 3,008 x 2,000 sensor of 12 bits behind it.
    toNextFile("mrw without its sensor data", RAW_FILE_TYPE_MRW, phototest::MakeMrw(56, 2000, 3008, 12));
    // Cut in the media data, its index never written: what the "mdat" claims is not there.
    for (char const* pszCut : {"cut.mp4", "cut.mov"}) {
        Bytes movie = testsupport::ReadFileBytes(folder + "/" + pszCut);
        if (movie.size() > 262) movie.resize(262);
        toNextFile(std::string("movie cut in its media data, ") + pszCut,
                   std::string_view(pszCut).ends_with("mp4") ? RAW_FILE_TYPE_MP4 : RAW_FILE_TYPE_MOV, std::move(movie));
    }
    Bytes const pdf = testsupport::ReadFileBytes(folder + "/page.pdf");
    samples.push_back(Exact("pdf with an incremental update", RAW_FILE_TYPE_PDF, Updated(pdf)));
    samples.push_back(Exact("pdf whose revision follows its %%EOF", RAW_FILE_TYPE_PDF, RevisionAfterEof(pdf)));
    // exiftool lays the strip out last and pads its odd length outside it: the pad is not the file's.
    if (testsupport::RunCommand("cd " + folder + " && " + kPadded) != 0) {
        error = kPadded;
        return false;
    }
    Bytes padded = testsupport::ReadFileBytes(folder + "/padded.tif");
    std::uint64_t const u64Unpadded = padded.size() - 1;
    samples.push_back(
        {"used disk tiff padded by exiftool", RAW_FILE_TYPE_TIF, std::move(padded), SizeRule::Stated, u64Unpadded, ""});
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
