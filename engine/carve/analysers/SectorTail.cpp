#include "engine/carve/analysers/SectorTail.h"

#include "engine/ByteView.h"
#include "engine/carve/RawFileBuffer.h"

bool SectorTailIsZero(RawFileBuffer& reader, std::uint64_t u64SectorEnd, std::uint32_t u32TailBytes) {
    if (u64SectorEnd < u32TailBytes) return false;
    engine::ByteView const tail = reader.Read(u64SectorEnd - u32TailBytes, u32TailBytes);
    if (tail.Empty()) return false;
    for (std::size_t i = 0; i < tail.Size(); ++i)
        if (tail.U8(i) != 0) return false;
    return true;
}

bool SectorReadable(RawFileBuffer& reader, std::uint64_t u64SectorStart, std::uint32_t u32SectorSize) {
    return !reader.Read(u64SectorStart, u32SectorSize).Empty();
}
