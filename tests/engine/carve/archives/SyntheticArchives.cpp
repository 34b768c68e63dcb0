// The archives no Debian tool writes, built from their published layouts with payloads of
// printable bytes (so that no payload byte string looks like a record or a marker).
#include <string>

#include "CarvedSamples.h"
#include "engine/ByteWriter.h"
#include "support/TempDir.h"

namespace archivetest {
namespace {

/// `count` printable bytes, the same for the same seed.
Bytes Payload(std::uint32_t count, std::uint32_t u32Seed) {
    Bytes bytes(count);
    for (std::uint8_t& byte : bytes) {
        u32Seed = u32Seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(0x21 + (u32Seed >> 16) % 90);
    }
    return bytes;
}

void Append(Bytes& bytes, Bytes const& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
void Append(Bytes& bytes, std::string_view more) { bytes.insert(bytes.end(), more.begin(), more.end()); }

constexpr std::string_view kRarMarker{"Rar!\x1A\x07\x00", 7};
constexpr std::string_view kRarEnd{"\xC4\x3D\x7B\x00\x40\x07\x00", 7};
constexpr std::uint16_t kRarFileHeaderBytes = 32;

}  // namespace

Bytes MakeRar(std::vector<std::uint32_t> const& members, bool bEndBlock) {
    Bytes rar;
    Append(rar, kRarMarker);
    Bytes archive(13, 0);  // CRC, type 73, flags, size 13, 6 reserved bytes
    archive[2] = 0x73;
    engine::ByteWriter(archive).Le16(5, 13);
    Append(rar, archive);
    for (std::size_t i = 0; i < members.size(); ++i) {
        std::string const name = "member" + std::to_string(i) + ".txt";
        Bytes header(kRarFileHeaderBytes, 0);
        header[2] = 0x74;
        engine::ByteWriter(header).Le16(3, 0x8000);
        engine::ByteWriter(header).Le16(5, static_cast<std::uint16_t>(kRarFileHeaderBytes + name.size()));
        engine::ByteWriter(header).Le32(7, members[i]);       // packed
        engine::ByteWriter(header).Le32(11, members[i] + 9);  // unpacked
        header[15] = 3;                                       // Unix
        header[24] = 29;                                      // version 2.9
        header[25] = 0x30;                                    // stored
        engine::ByteWriter(header).Le16(26, static_cast<std::uint16_t>(name.size()));
        Append(rar, header);
        Append(rar, name);
        Append(rar, Payload(members[i], static_cast<std::uint32_t>(i + 1)));
    }
    if (bEndBlock) Append(rar, kRarEnd);
    return rar;
}

Bytes MakeSit(std::uint32_t u32Bytes) {
    Bytes sit;
    Append(sit, "StuffIt (c)1997-2002 Aladdin Systems, Inc., http://www.aladdinsys.com/StuffIt/\r\n\x1A");
    sit.resize(88, 0);
    sit[82] = 5;  // version
    engine::ByteWriter(sit).Be32(84, u32Bytes);
    Append(sit, Payload(u32Bytes - static_cast<std::uint32_t>(sit.size()), 7));
    return sit;
}

Bytes MakeSitx(std::uint32_t u32Payload) {
    Bytes sitx;
    Append(sitx, "StuffIt!");
    Append(sitx, Payload(u32Payload, 11));
    Append(sitx, std::string_view("\x02\xD7\x0A\x19\x98\xF6\x42\x88\x01\x02\x03\x04", 12));
    return sitx;
}

Bytes MakeDmg(std::string const& folder, std::uint32_t u32Data) {
    if (!WriteFile(folder + "/image.data", Payload(u32Data, 13)) ||
        testsupport::RunCommand("bzip2 -1 -f '" + folder + "/image.data' >/dev/null 2>&1") != 0)
        return {};
    Bytes dmg = ReadFile(folder + "/image.data.bz2");
    if (dmg.empty()) return {};
    std::uint64_t const u64Data = dmg.size();
    dmg.resize((dmg.size() + 511) / 512 * 512, 0);
    Bytes trailer(512, 0);
    trailer[0] = 'k', trailer[1] = 'o', trailer[2] = 'l', trailer[3] = 'y';
    engine::ByteWriter(trailer).Be32(4, 4);                                     // version
    engine::ByteWriter(trailer).Be32(8, 512);                                   // header size
    engine::ByteWriter(trailer).Be32(12, 1);                                    // flags
    engine::ByteWriter(trailer).Be32(36, static_cast<std::uint32_t>(u64Data));  // data fork length (low half)
    Append(dmg, trailer);
    return dmg;
}

}  // namespace archivetest
