#pragma once
// The update sequence of multi-sector NTFS structures (FILE records, INDX blocks, RCRD pages):
// the last word of every 512-byte stride is replaced on disk by a check value kept at the
// array's offset; the real words follow it. A torn write leaves a stride with another value.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/ByteView.h"

namespace ntfs {

constexpr std::size_t kUpdateSequenceStride = 512;

/// The strides a count of `u16Count` covers (count minus one) that the buffer holds whole.
std::size_t CoveredStrides(std::size_t bufferSize, std::uint16_t u16Count);
/// Whether the array fits and each covered stride ends with the check value.
bool IsUpdateSequenceIntact(engine::ByteView buffer, std::uint16_t u16Offset, std::uint16_t u16Count);
/// Puts the saved words back; false, changing nothing, when the sequence is not intact.
bool UndoUpdateSequence(std::span<std::uint8_t> buffer, std::uint16_t u16Offset, std::uint16_t u16Count);
/// Saves each covered stride's last word and writes the check value there; false when the
/// array does not fit.
bool ApplyUpdateSequence(std::span<std::uint8_t> buffer, std::uint16_t u16Offset, std::uint16_t u16Count);

}  // namespace ntfs
