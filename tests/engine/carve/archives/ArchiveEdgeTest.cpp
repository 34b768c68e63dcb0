// The damaged and hostile archives and the rules' corner cases, each handed to its analyser on
// an in-memory device: refused, or sized by the rules, never a crash, a hang or a read past the
// device. Built here from the formats' layouts, since no tool writes them so.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "CarvedSamples.h"
#include "engine/ByteWriter.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/core/device/MemoryDevice.h"

namespace archivetest {
namespace {

constexpr std::uint32_t kSector = 512;
constexpr std::uint32_t kFree = 0xFFFFFFFF;

/// A compound document of `sectors` sectors after its header: header FAT list `fats`, first
/// DIFAT sector `u32Difat`, directory in sector 0 holding only the root.
Bytes Ole(std::uint32_t sectors, std::vector<std::uint32_t> const& fats, std::uint32_t u32Difat = 0xFFFFFFFE) {
    Bytes ole((sectors + 1) * kSector, 0xFF);
    std::string_view const signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    std::copy(signature.begin(), signature.end(), ole.begin());
    engine::ByteWriter(ole).Le16(0x1E, 9);
    engine::ByteWriter(ole).Le32(0x30, 0);
    engine::ByteWriter(ole).Le32(0x44, u32Difat);
    for (std::size_t i = 0; i < 109; ++i) engine::ByteWriter(ole).Le32(0x4C + 4 * i, i < fats.size() ? fats[i] : kFree);
    std::fill(ole.begin() + kSector, ole.begin() + 2 * kSector, 0);  // sector 0: the directory
    std::string_view const root("R\0o\0o\0t\0", 8);
    std::copy(root.begin(), root.end(), ole.begin() + kSector);
    return ole;
}

/// Sets FAT sector `u32Fat`'s first `used` entries in use (the first one ends a chain).
void UseFatEntries(Bytes& ole, std::uint32_t u32Fat, std::uint32_t used) {
    for (std::uint32_t i = 0; i < used; ++i)
        engine::ByteWriter(ole).Le32((u32Fat + 1) * kSector + 4 * i, i == 0 ? 0xFFFFFFFE : 0xFFFFFFFD);
}

Bytes LocalHeader(std::uint16_t u16Flags, std::uint16_t u16Method, std::uint32_t u32Packed, std::string const& name) {
    Bytes zip(30 + name.size(), 0);
    std::string_view const signature("PK\x03\x04", 4);
    std::copy(signature.begin(), signature.end(), zip.begin());
    engine::ByteWriter header(zip);
    header.Le16(6, u16Flags);
    header.Le16(8, u16Method);
    header.Le32(18, u32Packed);
    header.Le32(22, u32Packed);
    header.Le16(26, static_cast<std::uint16_t>(name.size()));
    std::copy(name.begin(), name.end(), zip.begin() + 30);
    return zip;
}

/// A stored one-member zip whose end record names a central directory at `u32DirectoryOffset`.
Bytes ZipWithEnd(std::uint32_t u32DirectoryOffset) {
    Bytes zip = LocalHeader(0, 0, 40, "a.txt");
    zip.insert(zip.end(), 40, 'a');
    Bytes end(22, 0);
    end[0] = 'P', end[1] = 'K', end[2] = 5, end[3] = 6;
    engine::ByteWriter(end).Le32(16, u32DirectoryOffset);
    zip.insert(zip.end(), end.begin(), end.end());
    return zip;
}

/// A stored one-member zip (75 bytes) closed as `zip` does where it cannot seek back: a ZIP64
/// end record naming its directory (`u64DirectoryOffset`, no bytes long) and holding
/// `u64RecordLength` bytes after its length field, the locator naming it at `u64RecordAt`, and
/// an end record whose fields overflowed.
Bytes ZipWithZip64End(std::uint64_t u64DirectoryOffset, std::uint64_t u64RecordLength, std::uint64_t u64RecordAt) {
    Bytes zip = LocalHeader(0, 0, 40, "a.txt");
    zip.insert(zip.end(), 40, 'a');
    Bytes records(56 + 20 + 22, 0);
    engine::ByteWriter w(records);
    w.Le32(0, 0x06064B50);
    w.Le64(4, u64RecordLength);
    w.Le64(48, u64DirectoryOffset);
    w.Le32(56, 0x07064B50);
    w.Le64(56 + 8, u64RecordAt);
    w.Le32(76, 0x06054B50);
    w.Le32(76 + 16, 0xFFFFFFFF);
    zip.insert(zip.end(), records.begin(), records.end());
    return zip;
}

/// A ustar header of one member of `size` (the octal field as written), checksum right.
Bytes TarHeader(std::string const& name, std::string const& size) {
    Bytes header(512, 0);
    std::copy(name.begin(), name.end(), header.begin());
    std::copy(size.begin(), size.end(), header.begin() + 124);
    std::string_view const magic(
        "ustar\0"
        "00",
        8);
    std::copy(magic.begin(), magic.end(), header.begin() + 257);
    header[156] = '0';
    std::fill(header.begin() + 148, header.begin() + 156, ' ');
    unsigned sum = 0;
    for (std::uint8_t const byte : header) sum += byte;
    char sz[8];
    std::snprintf(sz, sizeof sz, "%06o", sum);
    std::copy(sz, sz + 7, header.begin() + 148);
    return header;
}

Bytes Followed(Bytes bytes, std::size_t count, std::uint8_t u8Fill) {
    bytes.insert(bytes.end(), count, u8Fill);
    return bytes;
}

/// A stored member "a.txt" whose sizes follow in a signed data descriptor, its data holding a
/// "PK 07 08" whose size does not match and zeros up to offset 512, then its central directory
/// and an end record that checks out: 801 bytes.
Bytes ZipWithDescriptorPastZeros() {
    Bytes zip = LocalHeader(8, 0, 0, "a.txt");
    std::size_t const data = zip.size();
    zip.insert(zip.end(), 300, 'a');
    Bytes fake = {'P', 'K', 7, 8, 0, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0};
    zip.insert(zip.end(), fake.begin(), fake.end());
    zip.resize(512, 0);
    zip.insert(zip.end(), 200, 'a');
    std::uint32_t const u32Packed = static_cast<std::uint32_t>(zip.size() - data);
    Bytes descriptor = {'P', 'K', 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    engine::ByteWriter(descriptor).Le32(8, u32Packed);
    engine::ByteWriter(descriptor).Le32(12, u32Packed);
    zip.insert(zip.end(), descriptor.begin(), descriptor.end());
    std::uint32_t const u32Directory = static_cast<std::uint32_t>(zip.size());
    Bytes central(46, 0);
    central[0] = 'P', central[1] = 'K', central[2] = 1, central[3] = 2;
    engine::ByteWriter(central).Le16(28, 5);
    zip.insert(zip.end(), central.begin(), central.end());
    for (char c : std::string("a.txt")) zip.push_back(static_cast<std::uint8_t>(c));
    Bytes end(22, 0);
    end[0] = 'P', end[1] = 'K', end[2] = 5, end[3] = 6;
    engine::ByteWriter(end).Le32(12, static_cast<std::uint32_t>(zip.size() - u32Directory));
    engine::ByteWriter(end).Le32(16, u32Directory);
    zip.insert(zip.end(), end.begin(), end.end());
    return zip;
}

/// A compound document listing 109 + 8,192 x 127 FAT sectors, all of them its free sector 0:
/// the header's list and a DIFAT chain of 8,192 sectors (1 to 8,192).
Bytes OleWithEveryFatSectorFree() {
    constexpr std::uint32_t kDifat = 8192;
    Bytes ole = Ole(kDifat + 1, std::vector<std::uint32_t>(109, 0), 1);
    for (std::uint32_t d = 1; d <= kDifat; ++d) {
        std::size_t const at = (std::size_t{d} + 1) * kSector;
        for (std::size_t i = 0; i < 127; ++i) engine::ByteWriter(ole).Le32(at + 4 * i, 0);
        engine::ByteWriter(ole).Le32(at + 508, d < kDifat ? d + 1 : 0xFFFFFFFE);
    }
    std::fill(ole.begin() + kSector, ole.begin() + 2 * kSector, 0xFF);  // sector 0: all free
    return ole;
}

struct EdgeCase {
    char const* pszName;
    std::function<Bytes()> make;
    RawFileAnalyserFactory factory;
    std::optional<std::uint64_t> size;  // none: refused
    RAW_FILE_TYPE eType = RAW_FILE_TYPE_GENERIC;
    std::string name{};  // the carved name's prefix
};

std::vector<EdgeCase> const kCases = {
    // (2 x 128 + 10) x 512 + 512: the header and every sector the last FAT sector uses.
    {"OleSizedByItsLastFatSector",
     [] {
         Bytes ole = Ole(4, {1, 2, 3});
         UseFatEntries(ole, 1, 4);
         UseFatEntries(ole, 3, 10);
         return ole;
     },
     &CreateFileOLEAnalyser, 136704, RAW_FILE_TYPE_MOF},
    // The DIFAT sector names itself as the next: one more FAT sector, no loop.
    {"OleDifatChainThatLoopsEnds",
     [] {
         Bytes ole = Ole(6, {1, 2, 3}, 4);
         std::fill(ole.begin() + 5 * kSector, ole.begin() + 6 * kSector, 0xFF);
         engine::ByteWriter(ole).Le32(5 * kSector, 5);
         engine::ByteWriter(ole).Le32(5 * kSector + 508, 4);
         UseFatEntries(ole, 1, 6);
         UseFatEntries(ole, 5, 2);
         return ole;
     },
     &CreateFileOLEAnalyser, (3 * 128 + 2) * 512 + 512, RAW_FILE_TYPE_MOF},
    {"OleWithoutFatSectorsIsRefused", [] { return Ole(2, {}); }, &CreateFileOLEAnalyser, std::nullopt},
    // Looked at backwards, each FAT sector once: none in use, no document.
    {"OleWithEveryListedFatSectorFreeIsRefused", &OleWithEveryFatSectorFree, &CreateFileOLEAnalyser, std::nullopt},
    {"OleFatSectorNear2To32IsRefused", [] { return Ole(2, {0xFFFFFFF9}); }, &CreateFileOLEAnalyser, std::nullopt},
    // 13 is reserved (12 is bzip2, 14 LZMA), 21 past the methods defined below zstd's 93.
    {"ZipReservedMethod13IsRefused", [] { return Followed(LocalHeader(0, 13, 10, "a"), 600, 0); },
     &CreateFileZIPAnalyser, std::nullopt},
    {"ZipUndefinedMethod21IsRefused", [] { return Followed(LocalHeader(0, 21, 10, "a"), 600, 0); },
     &CreateFileZIPAnalyser, std::nullopt},
    {"Zip4097ByteNameIsRefused", [] { return Followed(LocalHeader(0, 8, 10, std::string(4097, 'n')), 600, 0); },
     &CreateFileZIPAnalyser, std::nullopt},
    {"ZipEndRecordWithDirectoryOutsideEndsWhereZerosFollow", [] { return ZipWithEnd(0x7FFFFFFF); },
     &CreateFileZIPAnalyser, 97, RAW_FILE_TYPE_ZIP, "a.txt"},
    // Widened to the next sector whose last 16 bytes are zero: none in 6 MiB, so about 5 MiB.
    {"ZipEndRecordWithDirectoryOutsideWidensAtMost5MiB",
     [] { return Followed(ZipWithEnd(0x7FFFFFFF), 0x600000, 0x55); }, &CreateFileZIPAnalyser, 0x500200,
     RAW_FILE_TYPE_ZIP, "a.txt"},
    {"ZipZip64EndThatChecksOutEndsExactlyBeforeRandomBytes",
     [] { return Followed(ZipWithZip64End(75, 44, 75), 2000, 0x55); }, &CreateFileZIPAnalyser, 173, RAW_FILE_TYPE_ZIP,
     "a.txt"},
    // Lengths and offsets of 2^64 - 1: no record is believed, and the zeros after it end the archive.
    {"ZipZip64EndPointingPast2To64EndsWithItsZeroTailedSector",
     [] { return Followed(ZipWithZip64End(UINT64_MAX, UINT64_MAX, UINT64_MAX), 600, 0); }, &CreateFileZIPAnalyser, 512,
     RAW_FILE_TYPE_ZIP, "a.txt"},
    {"ZipEndRecordThatChecksOutEndsExactlyBeforeRandomBytes", [] { return Followed(ZipWithEnd(75), 2000, 0x55); },
     &CreateFileZIPAnalyser, 97, RAW_FILE_TYPE_ZIP, "a.txt"},
    // Sizes in a data descriptor and no end record: the end of the first zero-tailed sector.
    {"ZipWithoutEndRecordEndsWithItsZeroTailedSector",
     [] { return Followed(Followed(LocalHeader(8, 8, 0, "a.txt"), 1000, 0x55), 2000, 0); }, &CreateFileZIPAnalyser,
     1536, RAW_FILE_TYPE_ZIP, "a.txt"},
    // Walked through to the descriptor whose size checks out, past a zero-tailed sector.
    {"ZipDescriptorPastAFalseOneAndZerosEndsAtItsEndRecord",
     [] { return Followed(ZipWithDescriptorPastZeros(), 2000, 0x55); }, &CreateFileZIPAnalyser, 801, RAW_FILE_TYPE_ZIP,
     "a.txt"},
    // No descriptor checks out up to the device's end: the zero-tailed sector ends it.
    {"ZipDescriptorNeverCheckingOutEndsWithItsZeroTailedSector",
     [] { return Followed(Followed(LocalHeader(8, 0, 0xFFFFFFFF, "a.txt"), 3000, 'P'), 600, 0); },
     &CreateFileZIPAnalyser, 3072, RAW_FILE_TYPE_ZIP, "a.txt"},
    {"RarWithoutEndBlockEndsAfterItsLastBlock",
     [] {
         return Followed(MakeRar({100, 200}, false), 600, 0);
     },
     &CreateFileRARAnalyser, MakeRar({100, 200}, false).size(), RAW_FILE_TYPE_RAR},
    {"RarFileBlockPackedAboveUnpackedEndsBeforeIt",
     [] {
         Bytes rar = MakeRar({100, 200}, true);
         engine::ByteWriter(rar).Le32(20 + 43 + 100 + 11, 10);
         return rar;
     },
     &CreateFileRARAnalyser, 20 + 43 + 100, RAW_FILE_TYPE_RAR},
    {"Rar5IsRefused",
     [] {
         return Followed(Bytes{'R', 'a', 'r', '!', 0x1A, 7, 1, 0}, 600, 0);
     },
     &CreateFileRARAnalyser, std::nullopt},
    {"RarBlockPast4GiBIsSizedBeyondTheWalkLimit",
     [] {
         Bytes rar = MakeRar({100}, true);
         engine::ByteWriter(rar).Le32(20 + 7, 0xFFFFFFF0);
         engine::ByteWriter(rar).Le32(20 + 11, 0xFFFFFFFF);
         return rar;
     },
     &CreateFileRARAnalyser, 20 + 43 + std::uint64_t{0xFFFFFFF0}, RAW_FILE_TYPE_RAR},
    {"GzipNameWithoutTerminatorIsRefused",
     [] {
         return Followed(Bytes{0x1F, 0x8B, 8, 8, 0, 0, 0, 0, 0, 3}, 137 * 512 - 10, 'n');
     },
     &CreateFileGZAnalyser, std::nullopt},
    {"GzipOf200BytesEndsWithItsSector",
     [] {
         return Followed(Bytes{0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3}, 190, 0x55);
     },
     &CreateFileGZAnalyser, 512, RAW_FILE_TYPE_GZ},
    // A file name holds 255 bytes: the stored name is cut, its control characters replaced.
    {"GzipStoredNameIsCutAndCleaned",
     [] {
         Bytes gz{0x1F, 0x8B, 8, 8, 0, 0, 0, 0, 0, 3, 'a', 1};
         gz.insert(gz.end(), 298, 'b');
         return Followed(Followed(gz, 1, 0), 100, 0x55);
     },
     &CreateFileGZAnalyser, 512, RAW_FILE_TYPE_GZ, "a_" + std::string(198, 'b')},
    {"TarSizeOfNonDigitsIsRefused", [] { return Followed(TarHeader("a.txt", "0000000001x"), 1024, 0); },
     &CreateFileTARAnalyser, std::nullopt},
    {"TarEndsBeforeAMemberWithANonDigitSize",
     [] {
         Bytes tar = Followed(TarHeader("a.txt", "00000000001"), 512, 'a');
         Bytes bad = TarHeader("b.txt", "0000000001x");
         tar.insert(tar.end(), bad.begin(), bad.end());
         return Followed(tar, 1024, 0);
     },
     &CreateFileTARAnalyser, 1024, RAW_FILE_TYPE_TAR},
    {"CabOfVersion1Point2IsRefused",
     [] {
         Bytes cab(600, 0);
         cab[0] = 'M', cab[1] = 'S', cab[2] = 'C', cab[3] = 'F';
         engine::ByteWriter(cab).Le32(8, 600);
         cab[24] = 2, cab[25] = 1;
         return cab;
     },
     &CreateFileCABAnalyser, std::nullopt},
    {"SitOfLengthZeroIsRefused",
     [] {
         Bytes sit = MakeSit(200);
         engine::ByteWriter(sit).Be32(84, 0);
         return sit;
     },
     &CreateFileSITAnalyser, std::nullopt},
};

class ArchiveEdgeTest : public testing::TestWithParam<EdgeCase> {};

TEST_P(ArchiveEdgeTest, IsRefusedOrSizedByTheRules) {
    EdgeCase const& edge = GetParam();
    Bytes bytes = edge.make();
    bytes.resize((bytes.size() + kSector - 1) / kSector * kSector, 0);
    CMemoryDevice device(bytes, static_cast<int>(kSector));
    std::unique_ptr<IRawFileAnalyser> const pAnalyser = edge.factory();
    CRawFileInfo info;
    int const iAccepted = pAnalyser->AnalyseBuffer(bytes.data(), info, kSector);
    int const iSized = iAccepted != 0 ? pAnalyser->GetRawFileSize(info, &device) : 0;
    if (!edge.size) {
        EXPECT_TRUE(iSized == 0 || info.m_u64Size == 0) << "sized " << info.m_u64Size;
        return;
    }
    ASSERT_NE(iAccepted, 0);
    ASSERT_NE(iSized, 0);
    EXPECT_EQ(info.m_u64Size, *edge.size);
    EXPECT_EQ(info.m_u32Type, edge.eType);
    EXPECT_EQ(info.GetRawFileName(), edge.name);
}

INSTANTIATE_TEST_SUITE_P(Archives, ArchiveEdgeTest, testing::ValuesIn(kCases),
                         [](testing::TestParamInfo<EdgeCase> const& param) {
                             return std::string(param.param.pszName);
                         });

}  // namespace
}  // namespace archivetest
