#include "engine/ntfs/ondisk/NTFSUpdateSequence.h"

#include <algorithm>

namespace ntfs {

namespace {
std::size_t LastWord(std::size_t stride) { return stride * kUpdateSequenceStride + kUpdateSequenceStride - 2; }
bool ArrayFits(engine::ByteView buffer, std::uint16_t u16Offset, std::uint16_t u16Count) {
    return u16Count != 0 && buffer.Has(u16Offset, std::size_t{u16Count} * 2);
}
}  // namespace

std::size_t CoveredStrides(std::size_t bufferSize, std::uint16_t u16Count) {
    return u16Count < 2 ? 0 : std::min<std::size_t>(u16Count - 1u, bufferSize / kUpdateSequenceStride);
}

bool IsUpdateSequenceIntact(engine::ByteView buffer, std::uint16_t u16Offset, std::uint16_t u16Count) {
    if (!ArrayFits(buffer, u16Offset, u16Count)) return false;
    std::uint16_t const u16Check = buffer.Le16(u16Offset);
    for (std::size_t i = 0; i < CoveredStrides(buffer.Size(), u16Count); ++i)
        if (buffer.Le16(LastWord(i)) != u16Check) return false;
    return true;
}

bool UndoUpdateSequence(std::span<std::uint8_t> buffer, std::uint16_t u16Offset, std::uint16_t u16Count) {
    if (!IsUpdateSequenceIntact(engine::ByteView(buffer), u16Offset, u16Count)) return false;
    for (std::size_t i = 0; i < CoveredStrides(buffer.size(), u16Count); ++i) {
        std::size_t const saved = u16Offset + 2 + 2 * i;
        buffer[LastWord(i)] = buffer[saved];
        buffer[LastWord(i) + 1] = buffer[saved + 1];
    }
    return true;
}

bool ApplyUpdateSequence(std::span<std::uint8_t> buffer, std::uint16_t u16Offset, std::uint16_t u16Count) {
    if (!ArrayFits(engine::ByteView(buffer), u16Offset, u16Count)) return false;
    for (std::size_t i = 0; i < CoveredStrides(buffer.size(), u16Count); ++i) {
        std::size_t const saved = u16Offset + 2 + 2 * i;
        buffer[saved] = buffer[LastWord(i)];
        buffer[saved + 1] = buffer[LastWord(i) + 1];
        buffer[LastWord(i)] = buffer[u16Offset];
        buffer[LastWord(i) + 1] = buffer[u16Offset + 1];
    }
    return true;
}

}  // namespace ntfs
