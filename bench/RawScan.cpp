// raw_scan [MiB]: measures the signature search on a built image (default 1024 MiB): 75 %
// random sectors, 20 % zero runs, 5 % planted files (PNG, BMP, JPEG, TIFF, PDF, HTML, RTF, DXF,
// SVG, PST, MP3, MP4, MPG). Prints (a) MB/s over a memory-backed device, (b) ns per sector that
// no analyser accepts, (c) MB/s of the scan of the page-cached image file next to a plain
// sequential 4 MiB pread and their ratio, (d) the share of sizing reads served by the ring.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/core/device/MemoryDevice.h"
#include "scanbench/CarveScan.h"

namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::size_t kBlockBytes = 0x400000;

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t u32Value) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(u32Value >> (i * 8)));
}

/// A PNG of `size` bytes or so: signature, IHDR, one IDAT of random bytes, IEND (CRCs zero:
/// carving does not check them).
std::vector<std::uint8_t> MakePng(std::size_t size, std::mt19937_64& random) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    PutBe32(png, 13);
    png.insert(png.end(), {'I', 'H', 'D', 'R'});
    PutBe32(png, 64);
    PutBe32(png, 64);
    png.insert(png.end(), {8, 2, 0, 0, 0});
    PutBe32(png, 0);
    std::uint32_t const u32Data = static_cast<std::uint32_t>(size);
    PutBe32(png, u32Data);
    png.insert(png.end(), {'I', 'D', 'A', 'T'});
    for (std::uint32_t i = 0; i < u32Data; ++i) png.push_back(static_cast<std::uint8_t>(random()));
    PutBe32(png, 0);
    PutBe32(png, 0);
    png.insert(png.end(), {'I', 'E', 'N', 'D'});
    PutBe32(png, 0);
    return png;
}

/// A BMP sized by its header: "BM", the size, a 40-byte info header, random pixels.
std::vector<std::uint8_t> MakeBmp(std::size_t size, std::mt19937_64& random) {
    std::vector<std::uint8_t> bmp(size);
    for (auto& b : bmp) b = static_cast<std::uint8_t>(random());
    bmp[0] = 'B';
    bmp[1] = 'M';
    for (int i = 0; i < 4; ++i) bmp[2 + i] = static_cast<std::uint8_t>(size >> (i * 8));
    std::memset(&bmp[6], 0, 8);
    bmp[10] = 54;
    std::memset(&bmp[14], 0, 4);
    bmp[14] = 40;
    return bmp;
}

/// A baseline JFIF of 1024 x 1024 pixels: APP0, frame and scan headers, `size` random bytes of
/// scan data (no FF in them, as byte stuffing guarantees), then the end marker.
std::vector<std::uint8_t> MakeJpeg(std::size_t size, std::mt19937_64& random) {
    std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0, 1,    1,    0,
                                      0,    1,    0,    1,    0,    0,    0xFF, 0xC0, 0x00, 0x11, 8, 0x04, 0x00, 0x04,
                                      0x00, 3,    1,    0x22, 0,    2,    0x11, 1,    3,    0x11, 1, 0xFF, 0xDA, 0x00,
                                      0x0C, 3,    1,    0,    2,    0x11, 3,    0x11, 0,    0x3F, 0};
    for (std::size_t i = 0; i < size; ++i) jpeg.push_back(static_cast<std::uint8_t>(random() % 0xFF));
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

/// A little-endian TIFF: one directory with a single strip of `size` random bytes after it.
std::vector<std::uint8_t> MakeTiff(std::size_t size, std::mt19937_64& random) {
    std::uint32_t const u32Strip = 8 + 2 + 2 * 12 + 4;
    std::uint32_t const u32Size = static_cast<std::uint32_t>(size);
    std::vector<std::uint8_t> tiff = {
        'I', 'I', 0x2A, 0,    8,    0, 0, 0, 2, 0, 0x11, 0x01, 4, 0, 1, 0, 0, 0, static_cast<std::uint8_t>(u32Strip),
        0,   0,   0,    0x17, 0x01, 4, 0, 1, 0, 0, 0};
    for (int i = 0; i < 4; ++i) tiff.push_back(static_cast<std::uint8_t>(u32Size >> (8 * i)));
    tiff.insert(tiff.end(), {0, 0, 0, 0});
    for (std::size_t i = 0; i < size; ++i) tiff.push_back(static_cast<std::uint8_t>(random()));
    return tiff;
}

/// A text file sized by its end mark: `head`, `size` random letters, `tail`.
std::vector<std::uint8_t> MakeText(std::string_view head, std::size_t size, std::string_view tail,
                                   std::mt19937_64& random) {
    std::vector<std::uint8_t> text(head.begin(), head.end());
    for (std::size_t i = 0; i < size; ++i)
        text.push_back(static_cast<std::uint8_t>(i % 64 == 63 ? '\n' : 'a' + random() % 26));
    text.insert(text.end(), tail.begin(), tail.end());
    return text;
}

/// A Unicode Outlook store sized by its header: "!BDN", byte 10 = 23, the u64 end at 184.
std::vector<std::uint8_t> MakePst(std::size_t size, std::mt19937_64& random) {
    std::vector<std::uint8_t> pst(size);
    for (auto& b : pst) b = static_cast<std::uint8_t>(random());
    std::memcpy(pst.data(), "!BDN", 4);
    pst[10] = 23;
    for (int i = 0; i < 8; ++i) pst[184 + i] = static_cast<std::uint8_t>(std::uint64_t{size} >> (8 * i));
    return pst;
}

/// An MP3 of about `size` bytes without tags: 128 kbit/s MPEG 1 Layer III frames of 417 bytes,
/// random audio data (the frame walk sizes it).
std::vector<std::uint8_t> MakeMp3(std::size_t size, std::mt19937_64& random) {
    constexpr std::size_t kFrameBytes = 417;
    std::vector<std::uint8_t> mp3;
    while (mp3.size() + kFrameBytes <= size) {
        mp3.insert(mp3.end(), {0xFF, 0xFB, 0x90, 0x00});
        for (std::size_t i = 4; i < kFrameBytes; ++i) mp3.push_back(static_cast<std::uint8_t>(random()));
    }
    return mp3;
}

/// An MP4 of `size` bytes or so: "ftyp", an "mdat" of random bytes, a small "moov".
std::vector<std::uint8_t> MakeMp4(std::size_t size, std::mt19937_64& random) {
    std::vector<std::uint8_t> mp4;
    PutBe32(mp4, 24);
    mp4.insert(mp4.end(), {'f', 't', 'y', 'p', 'i', 's', 'o', 'm', 0, 0, 2, 0, 'i', 's', 'o', 'm', 'm', 'p', '4', '1'});
    PutBe32(mp4, static_cast<std::uint32_t>(size + 8));
    mp4.insert(mp4.end(), {'m', 'd', 'a', 't'});
    for (std::size_t i = 0; i < size; ++i) mp4.push_back(static_cast<std::uint8_t>(random()));
    PutBe32(mp4, 108);
    mp4.insert(mp4.end(), {'m', 'o', 'o', 'v'});
    mp4.resize(mp4.size() + 100, 0);
    return mp4;
}

/// An MPEG-1 program stream of about `size` bytes: 2048-byte packs, each a pack header and one
/// video packet of random bytes, then the end code.
std::vector<std::uint8_t> MakeMpg(std::size_t size, std::mt19937_64& random) {
    constexpr std::size_t kPackBytes = 2048;
    constexpr std::uint16_t kPacketData = kPackBytes - 12 - 6;
    std::vector<std::uint8_t> mpg;
    while (mpg.size() + kPackBytes + 4 <= size) {
        mpg.insert(mpg.end(), {0, 0, 1, 0xBA, 0x21, 0, 1, 0, 1, 0x80, 0x01, 0x01, 0, 0, 1, 0xE0});
        mpg.insert(mpg.end(), {static_cast<std::uint8_t>(kPacketData >> 8), static_cast<std::uint8_t>(kPacketData)});
        for (std::size_t i = 0; i < kPacketData; ++i) mpg.push_back(static_cast<std::uint8_t>(random()));
    }
    mpg.insert(mpg.end(), {0, 0, 1, 0xB9});
    return mpg;
}

/// 75 % random sectors, 20 % zero runs, 5 % pictures, documents and media (PNG, BMP, JPEG, TIFF,
/// PDF, HTML, RTF, DXF, SVG, PST, MP3, MP4, MPG in turn), in runs of a few hundred KiB.
std::vector<std::uint8_t> BuildImage(std::size_t bytes) {
    std::vector<std::uint8_t> image(bytes, 0);
    std::mt19937_64 random(20240601);
    std::size_t position = 0;
    int iKind = 0;
    while (position < bytes) {
        std::size_t const run = std::min<std::size_t>(bytes - position, (64 + random() % 512) * 1024);
        std::uint64_t const u64Pick = random() % 100;
        if (u64Pick < 75) {
            for (std::size_t i = position; i + 8 <= position + run; i += 8) {
                std::uint64_t const u64Value = random();
                std::memcpy(&image[i], &u64Value, 8);
            }
        } else if (u64Pick < 95) {
            // zeros already
        } else {
            std::vector<std::uint8_t> picture;
            std::size_t const body = run - 256;
            switch (iKind++ % 13) {
                case 0:
                    picture = MakePng(run - 64, random);
                    break;
                case 1:
                    picture = MakeBmp(run, random);
                    break;
                case 2:
                    picture = MakeJpeg(run - 64, random);
                    break;
                case 3:
                    picture = MakeTiff(run - 64, random);
                    break;
                case 4:
                    picture = MakeText("%PDF-1.4\n", body, "\n%%EOF\n", random);
                    break;
                case 5:
                    picture = MakeText("<!DOCTYPE html>\n<html>\n", body, "\n</html>\n", random);
                    break;
                case 6:
                    picture = MakeText("{\\rtf1\\ansi ", body, "}", random);
                    break;
                case 7:
                    picture = MakeText("  0\r\nSECTION\r\n  2\r\nHEADER\r\n", body, "\r\n  0\r\nEOF\r\n", random);
                    break;
                case 8:
                    picture = MakeText("<?xml version=\"1.0\"?>\n<svg width=\"9\">\n", body, "\n</svg>\n", random);
                    break;
                case 9:
                    picture = MakePst(run, random);
                    break;
                case 10:
                    picture = MakeMp3(run, random);
                    break;
                case 11:
                    picture = MakeMp4(run - 256, random);
                    break;
                default:
                    picture = MakeMpg(run, random);
                    break;
            }
            std::memcpy(&image[position], picture.data(), std::min(picture.size(), bytes - position));
        }
        position += (run + kSectorSize - 1) / kSectorSize * kSectorSize;
    }
    return image;
}

double SequentialPreadMbps(std::string const& path) {
    int const fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0.0;
    std::vector<std::uint8_t> buffer(kBlockBytes);
    std::uint64_t u64Bytes = 0;
    auto const start = std::chrono::steady_clock::now();
    for (;;) {
        ssize_t const got = ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(u64Bytes));
        if (got <= 0) break;
        u64Bytes += static_cast<std::uint64_t>(got);
    }
    double const dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::close(fd);
    return dSeconds > 0 ? static_cast<double>(u64Bytes) / 1e6 / dSeconds : 0.0;
}

double Mbps(scanbench::CarveScan const& scan) {
    return scan.dSeconds > 0 ? static_cast<double>(scan.u64Bytes) / 1e6 / scan.dSeconds : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t const mebibytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024;
    if (mebibytes == 0) {
        std::fprintf(stderr, "usage: raw_scan [MiB]\n");
        return 2;
    }
    // (a) the whole search over memory.
    CMemoryDevice memory(BuildImage(mebibytes << 20), kSectorSize);
    std::vector<std::uint8_t> const& image = memory.Bytes();
    scanbench::CarveScan memoryScan;
    scanbench::RunCarveScan(memoryScan, memory);
    CBufferStorageDevice const& ring = memoryScan.pController->GetRing();
    std::uint64_t const u64SizingReads = ring.GetMemoryReads() + ring.GetDeviceReads();

    // (b) sectors no analyser accepts: a random-only image.
    std::vector<std::uint8_t> noise(std::min<std::size_t>(image.size(), std::size_t{256} << 20));
    std::mt19937_64 random(7);
    for (std::size_t i = 0; i + 8 <= noise.size(); i += 8) {
        std::uint64_t const u64Value = random();
        std::memcpy(&noise[i], &u64Value, 8);
    }
    CMemoryDevice noiseDevice(std::move(noise), kSectorSize);
    scanbench::CarveScan noiseScan;
    scanbench::RunCarveScan(noiseScan, noiseDevice);
    double const dNsPerSector = noiseScan.dSeconds * 1e9 / static_cast<double>(noiseDevice.GetTotalSectors());

    // (c) the image file, page-cached by a first read, through the disk device.
    std::filesystem::path const folder =
        std::filesystem::temp_directory_path() / ("raw_scan." + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::string const path = (folder / "image.bin").string();
    {
        std::FILE* pFile = std::fopen(path.c_str(), "wb");
        if (pFile == nullptr || std::fwrite(image.data(), 1, image.size(), pFile) != image.size()) {
            std::fprintf(stderr, "raw_scan: cannot write %s\n", path.c_str());
            return 1;
        }
        std::fclose(pFile);
    }
    SequentialPreadMbps(path);  // warms the page cache
    double const dPreadMbps = SequentialPreadMbps(path);
    std::unique_ptr<IStorageDevice> pDisk(CreateDiskDevice(path.c_str()));
    double dFileMbps = 0.0;
    if (pDisk && pDisk->Open()) {
        scanbench::CarveScan fileScan;
        scanbench::RunCarveScan(fileScan, *pDisk);
        dFileMbps = Mbps(fileScan);
    }
    pDisk.reset();
    std::filesystem::remove_all(folder);

    CRAWSearchController::Statistics const& statistics = memoryScan.pController->GetStatistics();
    std::printf("image: %zu MiB, %zu carved files (%llu at once, %llu from the ring, %llu at the end, %llu dropped)\n",
                mebibytes, memoryScan.tree.Files().size(), static_cast<unsigned long long>(statistics.u64FiledAtOnce),
                static_cast<unsigned long long>(statistics.u64SizedFromRing),
                static_cast<unsigned long long>(statistics.u64SizedAtEnd),
                static_cast<unsigned long long>(statistics.u64Dropped));
    std::printf("(a) search over memory:        %.1f MB/s\n", Mbps(memoryScan));
    std::printf("(b) unaccepted sectors:        %.1f ns per sector\n", dNsPerSector);
    std::printf("(c) scan of the cached image:  %.1f MB/s; sequential 4 MiB pread %.1f MB/s; ratio %.3f\n", dFileMbps,
                dPreadMbps, dPreadMbps > 0 ? dFileMbps / dPreadMbps : 0.0);
    std::printf("(d) sizing reads from the ring: %.1f %% of %llu\n",
                u64SizingReads != 0
                    ? 100.0 * static_cast<double>(ring.GetMemoryReads()) / static_cast<double>(u64SizingReads)
                    : 0.0,
                static_cast<unsigned long long>(u64SizingReads));
    return 0;
}
