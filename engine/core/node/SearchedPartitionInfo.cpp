#include "engine/SearchedPartitionInfo.h"

namespace {
constexpr std::uint32_t kDefaultSectorSize = 512;
}

CSearchedPartitionInfo::CSearchedPartitionInfo(std::uint32_t u32SectorSize)
    : m_u32SectorSize(UsableSectorSize(u32SectorSize)) {}

std::uint32_t CSearchedPartitionInfo::UsableSectorSize(std::uint32_t u32SectorSize) {
    return u32SectorSize != 0 && u32SectorSize % kDefaultSectorSize == 0 ? u32SectorSize : kDefaultSectorSize;
}
