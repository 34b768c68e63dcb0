#include "ExFatBytes.h"

#include <algorithm>
#include <cstring>

#include "engine/exfat/ondisk/ExFatDirEntry.h"

namespace exfattest {

namespace {

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put64(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> BootSector(std::uint32_t u32Clusters, std::uint8_t u8ClusterShift, std::uint32_t u32FatSectors) {
    std::vector<std::uint8_t> b(512, 0);
    b[0] = 0xEB;
    b[1] = 0x76;
    b[2] = 0x90;
    std::memcpy(&b[3], "EXFAT   ", 8);
    std::uint64_t const u64Length = 256 + (std::uint64_t{u32Clusters} << u8ClusterShift) + 8;
    Put64(b, 72, u64Length);
    Put32(b, 80, 128);
    Put32(b, 84, u32FatSectors);
    Put32(b, 88, 256);
    Put32(b, 92, u32Clusters);
    Put32(b, 96, Volume::kRootCluster);
    b[108] = 9;
    b[109] = u8ClusterShift;
    b[110] = 1;
    Put16(b, 510, 0xAA55);
    return b;
}

std::vector<std::uint8_t> EntrySet(SetShape const& shape) {
    std::size_t const nameEntries = (shape.name.size() + 14) / 15;
    std::vector<std::uint8_t> b((2 + nameEntries) * 32, 0);
    b[0] = 0x85;
    b[1] = static_cast<std::uint8_t>(1 + nameEntries);
    Put16(b, 4, shape.bFolder ? 0x10 : 0x20);
    Put32(b, 8, kDosTime);
    Put32(b, 12, kDosTime);
    Put32(b, 16, kDosTime);
    b[32] = 0xC0;
    b[33] = shape.bNoFatChain ? 3 : 1;
    b[35] = static_cast<std::uint8_t>(shape.name.size());
    Put64(b, 40, shape.u64Size);
    Put32(b, 52, shape.u32FirstCluster);
    Put64(b, 56, shape.u64Size);
    for (std::size_t i = 0; i < nameEntries; ++i) {
        b[64 + 32 * i] = 0xC1;
        for (std::size_t c = 0; c < 15 && 15 * i + c < shape.name.size(); ++c)
            Put16(b, 64 + 32 * i + 2 + 2 * c, static_cast<std::uint16_t>(shape.name[15 * i + c]));
    }
    Put16(b, 2, exfat::EntrySetChecksum(engine::ByteView(b.data(), b.size())));
    if (shape.bDeleted)
        for (std::size_t i = 0; i < b.size(); i += 32) b[i] &= 0x7F;
    return b;
}

Volume::Volume() : m_bytes((256 + kClusters + 8) * 512, 0) {
    std::vector<std::uint8_t> const boot = BootSector(kClusters, 0, 8);
    std::copy(boot.begin(), boot.end(), m_bytes.begin());
    SetFat(0, 0xFFFFFFF8);
    SetFat(1, 0xFFFFFFFF);
    SetFat(kRootCluster, 0xFFFFFFFF);
}

void Volume::PutCluster(std::uint32_t u32Cluster, std::vector<std::uint8_t> const& bytes) {
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(SectorOf(u32Cluster) * 512));
}

void Volume::SetFat(std::uint32_t u32Cluster, std::uint32_t u32Next) { Put32(m_bytes, 128 * 512 + 4 * u32Cluster, u32Next); }

}  // namespace exfattest
