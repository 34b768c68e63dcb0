#include "support/ExFatBytes.h"

#include <algorithm>
#include <cstring>

#include "engine/ByteWriter.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"

namespace exfattest {

std::vector<std::uint8_t> BootSector(std::uint32_t u32Clusters, std::uint8_t u8ClusterShift,
                                     std::uint32_t u32FatSectors) {
    std::vector<std::uint8_t> b(512, 0);
    b[0] = 0xEB;
    b[1] = 0x76;
    b[2] = 0x90;
    std::memcpy(&b[3], "EXFAT   ", 8);
    std::uint64_t const u64Length = 256 + (std::uint64_t{u32Clusters} << u8ClusterShift) + 8;
    engine::ByteWriter(b).Le64(72, u64Length);
    engine::ByteWriter(b).Le32(80, 128);
    engine::ByteWriter(b).Le32(84, u32FatSectors);
    engine::ByteWriter(b).Le32(88, 256);
    engine::ByteWriter(b).Le32(92, u32Clusters);
    engine::ByteWriter(b).Le32(96, Volume::kRootCluster);
    b[108] = 9;
    b[109] = u8ClusterShift;
    b[110] = 1;
    engine::ByteWriter(b).Le16(510, 0xAA55);
    return b;
}

std::vector<std::uint8_t> EntrySet(SetShape const& shape) {
    std::size_t const nameEntries = (shape.name.size() + 14) / 15;
    std::vector<std::uint8_t> b((2 + nameEntries) * 32, 0);
    b[0] = 0x85;
    b[1] = static_cast<std::uint8_t>(1 + nameEntries);
    engine::ByteWriter(b).Le16(4, shape.bFolder ? 0x10 : 0x20);
    engine::ByteWriter(b).Le32(8, kDosTime);
    engine::ByteWriter(b).Le32(12, kDosTime);
    engine::ByteWriter(b).Le32(16, kDosTime);
    b[32] = 0xC0;
    b[33] = shape.bNoFatChain ? 3 : 1;
    b[35] = static_cast<std::uint8_t>(shape.name.size());
    engine::ByteWriter(b).Le64(40, shape.u64Size);
    engine::ByteWriter(b).Le32(52, shape.u32FirstCluster);
    engine::ByteWriter(b).Le64(56, shape.u64Size);
    for (std::size_t i = 0; i < nameEntries; ++i) {
        b[64 + 32 * i] = 0xC1;
        for (std::size_t c = 0; c < 15 && 15 * i + c < shape.name.size(); ++c)
            engine::ByteWriter(b).Le16(64 + 32 * i + 2 + 2 * c, static_cast<std::uint16_t>(shape.name[15 * i + c]));
    }
    engine::ByteWriter(b).Le16(2, exfat::EntrySetChecksum(engine::ByteView(b.data(), b.size())));
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

void Volume::SetFat(std::uint32_t u32Cluster, std::uint32_t u32Next) {
    engine::ByteWriter(m_bytes).Le32(128 * 512 + 4 * u32Cluster, u32Next);
}

}  // namespace exfattest
