#include "MediaSamples.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>
#include <utility>

#include "engine/ByteWriter.h"
#include "engine/carve/RawFileType.h"
#include "support/TempDir.h"

namespace mediatest {
namespace {

constexpr char const* kVideo = "-f lavfi -i testsrc=duration=3:size=320x240:rate=25";
constexpr char const* kAudio = "-f lavfi -i sine=duration=3";

using corpustest::SizeRule;

struct ToolRecipe {
    char const* pszName;
    RAW_FILE_TYPE eType;
    char const* pszPrefix;  // "" for the default
    char const* pszTime;
    SizeRule eRule;
    char const* pszOutput;  // the file the command writes
    std::string command;
};

std::string Ffmpeg(std::string const& arguments, char const* pszOutput) {
    return std::string("ffmpeg -nostdin -loglevel error -y -bitexact ") + arguments + " " + pszOutput;
}

std::string AudioVideo(std::string const& options) {
    return std::string(kVideo) + " " + kAudio + " -shortest " + options;
}

std::vector<ToolRecipe> ToolRecipes() {
    std::string const audio = kAudio;
    std::string const tagged =
        " -c:a libmp3lame -id3v2_version 3 -metadata title=Song -metadata artist=Band -metadata date=2019";
    return {
        {"Mp3Id3v23", RAW_FILE_TYPE_MP3, "Song_Band", "2019", SizeRule::Exact, "id3.mp3",
         Ffmpeg(audio + tagged, "id3.mp3")},
        {"Mp3Id3v1", RAW_FILE_TYPE_MP3, "Tune_Group", "2020", SizeRule::Exact, "v1.mp3",
         Ffmpeg(audio + " -c:a libmp3lame -id3v2_version 3 -write_id3v1 1 -metadata title=Tune -metadata artist=Group "
                        "-metadata date=2020",
                "v1.mp3")},
        {"Mp3Xing", RAW_FILE_TYPE_MP3, "", "", SizeRule::Exact, "xing.mp3",
         Ffmpeg(audio + " -c:a libmp3lame -b:a 320k -ac 2 -id3v2_version 0", "xing.mp3")},
        {"Mp3Frames", RAW_FILE_TYPE_MP3, "", "", SizeRule::Exact, "frames.mp3",
         Ffmpeg(audio + " -c:a libmp3lame -id3v2_version 0 -write_xing 0", "frames.mp3")},
        {"Mp4", RAW_FILE_TYPE_MP4, "", "", SizeRule::Exact, "a.mp4", Ffmpeg(AudioVideo(""), "a.mp4")},
        {"Mp4Mp42", RAW_FILE_TYPE_MP4, "", "", SizeRule::Exact, "b.mp4", Ffmpeg(AudioVideo("-brand mp42"), "b.mp4")},
        {"M4a", RAW_FILE_TYPE_M4A, "", "", SizeRule::Exact, "a.m4a", Ffmpeg(audio + " -c:a aac", "a.m4a")},
        {"M4v", RAW_FILE_TYPE_M4V, "", "", SizeRule::Exact, "c.mp4",
         Ffmpeg(std::string(kVideo) + " -brand 'M4V '", "c.mp4")},
        {"Mov", RAW_FILE_TYPE_MOV, "", "", SizeRule::Exact, "a.mov", Ffmpeg(AudioVideo(""), "a.mov")},
        // Boxes of every brand: fragments (moof, mdat, mfra) and a PSP's uuid, under brands that
        // are no MPEG-4 one.
        {"Mp4Fragmented", RAW_FILE_TYPE_MP4, "", "", SizeRule::Exact, "f.mp4",
         Ffmpeg(AudioVideo("-movflags frag_keyframe+empty_moov"), "f.mp4")},
        {"Iso5Fragmented", RAW_FILE_TYPE_MOV, "", "", SizeRule::Exact, "i5.mp4",
         Ffmpeg(AudioVideo("-movflags frag_keyframe+empty_moov -brand iso5"), "i5.mp4")},
        {"PspClip", RAW_FILE_TYPE_MOV, "", "", SizeRule::Exact, "psp.mp4",
         Ffmpeg(AudioVideo("-c:v mpeg4 -c:a aac -f psp"), "psp.mp4")},
        {"ThreeGp4", RAW_FILE_TYPE_3GP, "", "", SizeRule::Exact, "a.3gp",
         Ffmpeg(AudioVideo("-c:v h263 -s 176x144 -c:a aac -ar 8000 -ac 1"), "a.3gp")},
        {"ThreeGp5", RAW_FILE_TYPE_3GP, "", "", SizeRule::Exact, "b.3gp",
         Ffmpeg(AudioVideo("-c:v h263 -s 176x144 -c:a aac -ar 8000 -ac 1 -brand 3gp5"), "b.3gp")},
        // QuickTime's layout under MPEG-4 brands: a "wide" box before "mdat" (layouts checked below).
        {"M4aWide", RAW_FILE_TYPE_M4A, "", "", SizeRule::Exact, "w.m4a",
         Ffmpeg(audio + " -c:a aac -f mov -brand 'M4A '", "w.m4a")},
        {"Mp4Wide", RAW_FILE_TYPE_MP4, "", "", SizeRule::Exact, "w.mp4",
         Ffmpeg(AudioVideo("-c:v mpeg4 -c:a aac -f mov -brand mp42 -movflags +faststart"), "w.mp4")},
        {"ThreeGpWide", RAW_FILE_TYPE_3GP, "", "", SizeRule::Exact, "w.3gp",
         Ffmpeg(AudioVideo("-c:v h263 -s 176x144 -c:a aac -ar 8000 -ac 1 -f mov -brand 3gp5"), "w.3gp")},
        {"Mkv", RAW_FILE_TYPE_MKV, "", "", SizeRule::Exact, "a.mkv", Ffmpeg(AudioVideo(""), "a.mkv")},
        {"Flv", RAW_FILE_TYPE_FLV, "", "", SizeRule::Exact, "a.flv",
         Ffmpeg(AudioVideo("-c:v flv1 -c:a libmp3lame -ar 44100"), "a.flv")},
        {"Wmv", RAW_FILE_TYPE_WMV, "", "", SizeRule::Exact, "a.wmv",
         Ffmpeg(AudioVideo("-c:v wmv2 -c:a wmav2"), "a.wmv")},
        {"Wma", RAW_FILE_TYPE_WMA, "", "", SizeRule::Exact, "a.wma", Ffmpeg(audio + " -c:a wmav2", "a.wma")},
        {"Mpeg1", RAW_FILE_TYPE_MPG, "", "", SizeRule::Exact, "a.mpg", Ffmpeg(AudioVideo("-f mpeg"), "a.mpg")},
        {"Mpeg2Vob", RAW_FILE_TYPE_MPG, "", "", SizeRule::Exact, "a.vob", Ffmpeg(AudioVideo("-f vob"), "a.vob")},
        {"Avi", RAW_FILE_TYPE_AVI, "", "", SizeRule::Exact, "a.avi", Ffmpeg(AudioVideo(""), "a.avi")},
        {"Wav", RAW_FILE_TYPE_WAV, "", "", SizeRule::Exact, "a.wav", Ffmpeg(audio, "a.wav")},
        {"Ogg", RAW_FILE_TYPE_OGG, "", "", SizeRule::Exact, "a.ogg", Ffmpeg(audio + " -c:a libvorbis", "a.ogg")},
        {"Aiff", RAW_FILE_TYPE_AIFF, "", "", SizeRule::Exact, "a.aiff", Ffmpeg(audio, "a.aiff")},
        {"Au", RAW_FILE_TYPE_AU, "", "", SizeRule::Exact, "a.au", Ffmpeg(audio, "a.au")},
        // ffmpeg's DATA chunk claims 10 bytes more than it writes; its packets end the file.
        {"Rm", RAW_FILE_TYPE_RM, "", "", SizeRule::Exact, "a.rm", Ffmpeg(audio + " -c:a ac3 -ar 44100", "a.rm")},
        // No closing empty index: the file ends with its packets and eight zero bytes.
        {"Rmvb", RAW_FILE_TYPE_RMVB, "", "", SizeRule::Exact, "b.rm",
         Ffmpeg(AudioVideo("-c:v rv10 -s 176x144 -c:a ac3 -ar 44100"), "b.rm")},
        {"Swf", RAW_FILE_TYPE_SWF, "", "", SizeRule::Exact, "a.swf", Ffmpeg(std::string(kVideo) + " -f swf", "a.swf")},
        // The same movie LZMA-compressed ("ZWS"): the LZMA data's length, its 5 property bytes, the data.
        {"SwfLzma", RAW_FILE_TYPE_SWF, "", "", SizeRule::Exact, "z.swf",
         "python3 -c \"import lzma, struct; d = open('a.swf', 'rb').read(); "
         "c = lzma.compress(d[8:], format=lzma.FORMAT_ALONE); "
         "open('z.swf', 'wb').write(b'ZWS' + bytes([max(d[3], 13)]) + d[4:8] + struct.pack('<I', len(c) - 13) + "
         "c[:5] + c[13:])\""},
        {"Midi", RAW_FILE_TYPE_MID, "", "", SizeRule::Exact, "a.mid",
         "printf 'X:1\\nT:Two bars\\nM:4/4\\nL:1/8\\nK:C\\nCDEF GABc|cBAG FEDC|\\n' > a.abc && abc2midi a.abc -o "
         "a.mid"},
        {"SqliteRows", RAW_FILE_TYPE_FCPEVENT, "", "", SizeRule::Exact, "rows.db",
         "sqlite3 rows.db 'create table t(a integer primary key, b text); create index i on t(b); with recursive c(x) "
         "as "
         "(select 1 union all select x+1 from c where x<3000) insert into t(b) select \"row \" || x from c;'"},
        {"SqliteBlob", RAW_FILE_TYPE_FCPEVENT, "", "", SizeRule::Exact, "blob.db",
         "sqlite3 blob.db 'create table b(v blob); insert into b values(randomblob(300000));'"},
        {"Sqlite32KiBPages", RAW_FILE_TYPE_FCPEVENT, "", "", SizeRule::Exact, "big.db",
         "sqlite3 big.db 'pragma page_size=32768; create table t(a); insert into t values(1);'"},
        {"WebP", RAW_FILE_TYPE_RIFF, "", "", SizeRule::Exact, "a.webp", "convert -size 64x64 plasma: a.webp"},
    };
}

/// The types of a box file's top-level boxes, space-separated.
std::string TopLevelBoxes(Bytes const& bytes) {
    std::string types;
    for (std::size_t at = 0; at + 8 <= bytes.size();) {
        std::uint64_t const u64Length =
            std::uint64_t{bytes[at]} << 24 | std::uint64_t{bytes[at + 1]} << 16 | bytes[at + 2] << 8 | bytes[at + 3];
        types += (types.empty() ? "" : " ") + std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                                          bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
        if (u64Length < 8) break;
        at += static_cast<std::size_t>(u64Length);
    }
    return types;
}

/// The layouts the "wide" rows are made for.
constexpr std::pair<char const*, char const*> kWideLayouts[] = {
    {"M4aWide", "ftyp wide mdat moov"}, {"Mp4Wide", "ftyp moov wide mdat"}, {"ThreeGpWide", "ftyp wide mdat moov"}};

void Put(Bytes& bytes, std::size_t offset, std::string_view text) {
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

/// A RIFF form: header, form type, a first chunk of `u32Body` bytes of 0x5A; `atTwenty` over
/// the chunk's start when given (the CMX meta-file text).
Bytes MakeRiff(std::string_view form, std::string_view firstChunk, std::uint32_t u32Body,
               std::string_view atTwenty = {}) {
    Bytes bytes(20 + u32Body, 0x5A);
    Put(bytes, 0, "RIFF");
    engine::ByteWriter(bytes).Le32(4, static_cast<std::uint32_t>(bytes.size() - 8));
    Put(bytes, 8, form);
    Put(bytes, 12, firstChunk);
    engine::ByteWriter(bytes).Le32(16, u32Body);
    if (!atTwenty.empty()) Put(bytes, 20, atTwenty);
    return bytes;
}

/// An ASF of a header without streams and a data object of `u32Data` bytes.
Bytes MakeStreamlessAsf(std::uint32_t u32Data) {
    constexpr std::string_view kHeader("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
    constexpr std::string_view kData("\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
    Bytes bytes(30 + 24 + u32Data, 0x42);
    Put(bytes, 0, kHeader);
    engine::ByteWriter(bytes).Le32(16, 30);
    engine::ByteWriter(bytes).Le32(20, 0);
    engine::ByteWriter(bytes).Le32(24, 0);
    bytes[28] = 1;
    bytes[29] = 2;
    Put(bytes, 30, kData);
    engine::ByteWriter(bytes).Le32(46, 24 + u32Data);
    engine::ByteWriter(bytes).Le32(50, 0);
    return bytes;
}

/// A Monkey's Audio file of version 3990: descriptor, header, seek table, frames, then an
/// APEv2 tag with header and footer.
Bytes MakeApeWithDescriptor() {
    constexpr std::uint32_t kDescriptor = 52, kHeader = 24, kSeek = 16, kFrames = 5000;
    Bytes bytes(kDescriptor + kHeader + kSeek + kFrames, 0x33);
    Put(bytes, 0, "MAC ");
    engine::ByteWriter(bytes).Le16(4, 3990);
    engine::ByteWriter(bytes).Le32(8, kDescriptor);
    engine::ByteWriter(bytes).Le32(12, kHeader);
    engine::ByteWriter(bytes).Le32(16, kSeek);
    engine::ByteWriter(bytes).Le32(20, 0);
    engine::ByteWriter(bytes).Le32(24, kFrames);
    engine::ByteWriter(bytes).Le32(28, 0);
    engine::ByteWriter(bytes).Le32(32, 0);
    Bytes tag(32 + 40 + 32, 0x61);
    for (std::size_t at : {std::size_t{0}, std::size_t{72}}) {
        Put(tag, at, "APETAGEX");
        engine::ByteWriter(tag).Le32(at + 8, 2000);
        engine::ByteWriter(tag).Le32(at + 12, 40 + 32);
        engine::ByteWriter(tag).Le32(at + 16, 1);
        engine::ByteWriter(tag).Le32(at + 20, at == 0 ? 0xA0000000 : 0x80000000);
    }
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    return bytes;
}

/// A Monkey's Audio file of version 3960: header, a seek table of three frames at 40, frames
/// of non-zero words, the last 1,000 bytes long.
Bytes MakeApeWithSeekTable() {
    Bytes bytes(52 + 3000, 0x11);
    Put(bytes, 0, "MAC ");
    engine::ByteWriter(bytes).Le16(4, 3960);
    for (std::uint32_t i = 0; i < 3; ++i) engine::ByteWriter(bytes).Le32(40 + 4 * i, 52 + 1000 * i);
    return bytes;
}

/// An ISO file of "ftyp", an "mdat" with a 64-bit length, and "moov".
Bytes MakeLargeMdatMp4() {
    Bytes bytes(24 + 16 + 3000 + 8 + 200, 0x21);
    engine::ByteWriter(bytes).Be32(0, 24);
    Put(bytes, 4, "ftypisom");
    engine::ByteWriter(bytes).Be32(24, 1);
    Put(bytes, 28, "mdat");
    engine::ByteWriter(bytes).Be32(32, 0);
    engine::ByteWriter(bytes).Be32(36, 16 + 3000);
    engine::ByteWriter(bytes).Be32(24 + 16 + 3000, 208);
    Put(bytes, 24 + 16 + 3000 + 4, "moov");
    return bytes;
}

/// `swf` with its body compressed by zlib: a "CWS" movie.
Bytes Compressed(Bytes const& swf) {
    if (swf.size() < 8) return {};
    uLongf compressedBytes = compressBound(static_cast<uLong>(swf.size() - 8));
    Bytes bytes(8 + compressedBytes);
    if (compress2(bytes.data() + 8, &compressedBytes, swf.data() + 8, static_cast<uLong>(swf.size() - 8), 9) != Z_OK)
        return {};
    bytes.resize(8 + compressedBytes);
    std::copy(swf.begin(), swf.begin() + 8, bytes.begin());
    bytes[0] = 'C';
    bytes[3] = std::max<std::uint8_t>(swf[3], 6);
    return bytes;
}

/// An ID3v2.2 song: the tagged song with its version byte set to 2.
Bytes AsId3v22(Bytes song) {
    if (song.size() > 3) song[3] = 2;
    return song;
}

}  // namespace

bool RunIn(std::string const& folder, std::string const& command) {
    return testsupport::RunCommand("cd " + folder + " && { " + command + "; } >/dev/null 2>&1") == 0;
}

Bytes ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string MissingMediaTools() {
    for (char const* pszTool : {"ffmpeg", "abc2midi", "sqlite3", "convert"})
        if (!testsupport::HaveTool(pszTool))
            return std::string(pszTool) + " is not installed (scripts/setup.sh installs it)";
    return {};
}

Bytes SampleBytes(std::vector<CarvedSample> const& samples, std::string const& name) {
    for (CarvedSample const& sample : samples)
        if (sample.name == name) return sample.bytes;
    return {};
}

bool MediaFamily(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error) {
    std::vector<CarvedSample> made;
    for (ToolRecipe const& recipe : ToolRecipes()) {
        if (!RunIn(folder, recipe.command)) {
            error = recipe.command;
            return false;
        }
        made.push_back({recipe.pszName, recipe.eType, ReadFile(folder + "/" + recipe.pszOutput), recipe.eRule, 0,
                        recipe.pszPrefix, recipe.pszTime});
    }
    for (auto const& [pszName, pszLayout] : kWideLayouts) {
        if (std::string const layout = TopLevelBoxes(SampleBytes(made, pszName)); layout != pszLayout) {
            error = std::string(pszName) + " is laid out " + layout + ", not " + pszLayout;
            return false;
        }
    }
    auto const built = [&](char const* pszName, RAW_FILE_TYPE eType, Bytes bytes) {
        made.push_back({pszName, eType, std::move(bytes), SizeRule::Exact, 0, "", ""});
    };
    built("Ani", RAW_FILE_TYPE_ANI, MakeRiff("ACON", "anih", 36));
    built("Cmx", RAW_FILE_TYPE_CMX, MakeRiff("CMX1", "cont", 900, "{Corel Binary Meta File}"));
    built("Clk", RAW_FILE_TYPE_CLK, MakeRiff("CARC", "vrsn", 1300));
    built("Csl", RAW_FILE_TYPE_CSL, MakeRiff("CSL2", "vrsn", 700));
    built("Cdr", RAW_FILE_TYPE_CDR, MakeRiff("CDR9", "vrsn", 2000));
    built("AsfWithoutStreams", RAW_FILE_TYPE_ASF, MakeStreamlessAsf(6000));
    built("ApeDescriptor", RAW_FILE_TYPE_APE, MakeApeWithDescriptor());
    built("ApeSeekTable", RAW_FILE_TYPE_APE, MakeApeWithSeekTable());
    built("Mp4LargeMdat", RAW_FILE_TYPE_MP4, MakeLargeMdatMp4());
    built("SwfCompressed", RAW_FILE_TYPE_SWF, Compressed(SampleBytes(made, "Swf")));
    samples.insert(samples.end(), std::make_move_iterator(made.begin()), std::make_move_iterator(made.end()));
    return true;
}

std::vector<RefusedSample> RefusedSamples(std::vector<CarvedSample> const& samples) {
    return {{"Mp3Id3v22", AsId3v22(SampleBytes(samples, "Mp3Id3v23"))}};
}

}  // namespace mediatest
