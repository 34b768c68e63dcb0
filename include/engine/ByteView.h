#pragma once
// A read-only window on bytes read from a device or a file. Every read is bounds-checked: a
// read outside the window yields 0 (and trips an assertion in fuzz builds, where a forgotten
// Has() check must be loud). Parsers use it instead of casting buffers to structs.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace engine {

/// The order of a value's bytes: least significant first (Intel, "II") or most significant
/// first (Motorola, "MM").
enum class ByteOrder { Little, Big };

class ByteView {
public:
    ByteView() = default;
    explicit ByteView(std::span<std::uint8_t const> bytes) : m_bytes(bytes) {}
    ByteView(void const* pData, std::size_t size)
        : m_bytes(static_cast<std::uint8_t const*>(pData), pData ? size : 0) {}

    std::size_t Size() const { return m_bytes.size(); }
    bool Empty() const { return m_bytes.empty(); }
    std::uint8_t const* Data() const { return m_bytes.data(); }
    std::span<std::uint8_t const> Span() const { return m_bytes; }

    /// Whether [offset, offset + length) lies inside the view; overflow-safe.
    bool Has(std::size_t offset, std::size_t length) const {
        return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
    }
    /// The sub-window, or an empty view when it does not fit.
    ByteView Sub(std::size_t offset, std::size_t length) const {
        return Has(offset, length) ? ByteView(m_bytes.subspan(offset, length)) : ByteView();
    }
    /// Everything from `offset` on; empty past the end.
    ByteView From(std::size_t offset) const {
        return offset <= m_bytes.size() ? ByteView(m_bytes.subspan(offset)) : ByteView();
    }

    std::uint8_t U8(std::size_t offset) const { return Has(offset, 1) ? m_bytes[offset] : Miss(); }
    std::uint16_t Le16(std::size_t offset) const { return static_cast<std::uint16_t>(Le(offset, 2)); }
    std::uint32_t Le32(std::size_t offset) const { return static_cast<std::uint32_t>(Le(offset, 4)); }
    std::uint64_t Le64(std::size_t offset) const { return Le(offset, 8); }
    std::uint16_t Be16(std::size_t offset) const { return static_cast<std::uint16_t>(Be(offset, 2)); }
    std::uint32_t Be32(std::size_t offset) const { return static_cast<std::uint32_t>(Be(offset, 4)); }
    std::uint64_t Be64(std::size_t offset) const { return Be(offset, 8); }
    /// Reads in an order known only at run time (a TIFF header's "II" or "MM").
    std::uint16_t U16(std::size_t offset, ByteOrder order) const {
        return static_cast<std::uint16_t>(In(order, offset, 2));
    }
    std::uint32_t U32(std::size_t offset, ByteOrder order) const {
        return static_cast<std::uint32_t>(In(order, offset, 4));
    }
    std::uint64_t U64(std::size_t offset, ByteOrder order) const { return In(order, offset, 8); }

    /// Whether the bytes at `offset` equal `expected`; false when they do not fit.
    bool Equals(std::size_t offset, std::string_view expected) const {
        if (!Has(offset, expected.size())) return false;
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (m_bytes[offset + i] != static_cast<std::uint8_t>(expected[i])) return false;
        return true;
    }
    bool Equals(std::size_t offset, std::span<std::uint8_t const> expected) const {
        if (!Has(offset, expected.size())) return false;
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (m_bytes[offset + i] != expected[i]) return false;
        return true;
    }

private:
    std::uint64_t In(ByteOrder order, std::size_t offset, std::size_t width) const {
        return order == ByteOrder::Big ? Be(offset, width) : Le(offset, width);
    }
    std::uint64_t Le(std::size_t offset, std::size_t width) const {
        if (!Has(offset, width)) return Miss();
        std::uint64_t value = 0;
        for (std::size_t i = width; i-- > 0;) value = (value << 8) | m_bytes[offset + i];
        return value;
    }
    std::uint64_t Be(std::size_t offset, std::size_t width) const {
        if (!Has(offset, width)) return Miss();
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) value = (value << 8) | m_bytes[offset + i];
        return value;
    }
    static std::uint8_t Miss();

    std::span<std::uint8_t const> m_bytes;
};

}  // namespace engine
