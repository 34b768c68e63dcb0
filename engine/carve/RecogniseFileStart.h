#pragma once
// Whether some bytes start a file the signature search knows, decided exactly as the search
// decides it for a sector: the analyser of the first four bytes' signature key first, then the
// analysers without a key. Callers outside the search (the FAT first-cluster revision) use this
// instead of asking analysers one by one: analysers found by a key trust that key, so asking
// them without it would accept almost anything.
#include <cstdint>
#include <span>

/// True when the bytes start a known file. `bytes` must hold the whole probe; analysers never
/// read beyond it. Fewer than four bytes, or four zero bytes, start nothing.
bool RecogniseFileStart(std::span<std::uint8_t const> bytes);
