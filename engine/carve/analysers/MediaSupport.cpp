#include "engine/carve/analysers/MediaSupport.h"

#include <algorithm>

#include "engine/IStorageDevice.h"

namespace {
constexpr std::uint32_t kDefaultSectorSize = 512;

char Lower(std::uint8_t u8Byte) {
    return static_cast<char>(u8Byte >= 'A' && u8Byte <= 'Z' ? u8Byte + ('a' - 'A') : u8Byte);
}
}  // namespace

bool EqualsNoCase(engine::ByteView bytes, std::size_t offset, std::string_view text) {
    if (!bytes.Has(offset, text.size())) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (Lower(bytes.U8(offset + i)) != Lower(static_cast<std::uint8_t>(text[i]))) return false;
    return true;
}

bool EqualsAnyNoCase(engine::ByteView bytes, std::size_t offset, std::span<std::string_view const> texts) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](std::string_view text) { return EqualsNoCase(bytes, offset, text); });
}

std::optional<std::size_t> FindBytes(engine::ByteView bytes, std::string_view pattern, std::size_t from) {
    if (pattern.empty() || from > bytes.Size()) return std::nullopt;
    auto const* pBegin = bytes.Data() + from;
    auto const* pEnd = bytes.Data() + bytes.Size();
    auto const* pFound = std::search(pBegin, pEnd, pattern.begin(), pattern.end(),
                                     [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
    if (pFound == pEnd) return std::nullopt;
    return static_cast<std::size_t>(pFound - bytes.Data());
}

std::uint32_t SectorSizeOf(IStorageDevice* pDevice) {
    int const iSize = pDevice != nullptr ? pDevice->GetSectorSize() : 0;
    return iSize > 0 ? static_cast<std::uint32_t>(iSize) : kDefaultSectorSize;
}
