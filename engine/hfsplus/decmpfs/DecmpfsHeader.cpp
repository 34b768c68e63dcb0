#include "engine/hfsplus/decmpfs/DecmpfsHeader.h"

namespace hfsplus {

namespace {
constexpr std::size_t kHeaderSize = 16;
}

std::optional<DecmpfsHeader> ParseDecmpfsHeader(engine::ByteView attribute) {
    if (!attribute.Has(0, kHeaderSize) || !attribute.Equals(0, "fpmc")) return std::nullopt;
    DecmpfsHeader header;
    header.u32Type = attribute.Le32(4);
    header.u64UncompressedSize = attribute.Le64(8);
    header.payload = attribute.From(kHeaderSize);
    return header;
}

bool IsKnownDecmpfsKind(std::uint32_t u32Type) {
    switch (static_cast<DecmpfsKind>(u32Type)) {
        case DecmpfsKind::RawAttribute:
        case DecmpfsKind::ZlibAttribute:
        case DecmpfsKind::ZlibResource:
        case DecmpfsKind::LzvnAttribute:
        case DecmpfsKind::LzvnResource:
            return true;
    }
    return false;
}

bool IsResourceDecmpfsKind(std::uint32_t u32Type) {
    return u32Type == static_cast<std::uint32_t>(DecmpfsKind::ZlibResource) ||
           u32Type == static_cast<std::uint32_t>(DecmpfsKind::LzvnResource);
}

}  // namespace hfsplus
