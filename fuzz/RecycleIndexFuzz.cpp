// A recycle bin's "$I" index file as the tree builder reads it (at most its first 1,024 bytes).
// Any name given must be safe as one path component: not empty, ".", or "..", free of '/' and
// NUL, within the name bound, and valid UTF-8 as far as the first byte of each character goes.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/ByteView.h"
#include "engine/core/tree/RecycleIndex.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    std::optional<std::string> const name = recycle::OriginalName(engine::ByteView(pData, size));
    if (!name) return 0;
    if (name->empty() || *name == "." || *name == ".." || name->size() > recycle::kMaxNameBytes) std::abort();
    if (name->find('/') != std::string::npos || name->find('\0') != std::string::npos) std::abort();
    if ((static_cast<unsigned char>(name->front()) & 0xC0) == 0x80) std::abort();
    return 0;
}
