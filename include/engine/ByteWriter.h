#pragma once
// Writes fixed stored layouts field by field into a caller's buffer. A write that does not
// fit is dropped and remembered, so one Ok() check after the last field covers them all.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace engine {

class ByteWriter {
public:
    explicit ByteWriter(std::span<std::uint8_t> bytes) : m_bytes(bytes) {}

    bool Ok() const { return m_ok; }

    void U8(std::size_t offset, std::uint8_t value) { Le(offset, value, 1); }
    void Le16(std::size_t offset, std::uint16_t value) { Le(offset, value, 2); }
    void Le32(std::size_t offset, std::uint32_t value) { Le(offset, value, 4); }
    void Le64(std::size_t offset, std::uint64_t value) { Le(offset, value, 8); }
    void Be16(std::size_t offset, std::uint16_t value) { Be(offset, value, 2); }
    void Be32(std::size_t offset, std::uint32_t value) { Be(offset, value, 4); }
    void Be64(std::size_t offset, std::uint64_t value) { Be(offset, value, 8); }
    void LeDouble(std::size_t offset, double value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        Le64(offset, bits);
    }
    void Bytes(std::size_t offset, std::span<std::uint8_t const> value) {
        if (!Fits(offset, value.size())) return;
        if (!value.empty()) std::memcpy(m_bytes.data() + offset, value.data(), value.size());
    }

private:
    bool Fits(std::size_t offset, std::size_t length) {
        if (offset <= m_bytes.size() && length <= m_bytes.size() - offset) return true;
        m_ok = false;
        return false;
    }
    void Le(std::size_t offset, std::uint64_t value, std::size_t width) {
        if (!Fits(offset, width)) return;
        for (std::size_t i = 0; i < width; ++i) m_bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    void Be(std::size_t offset, std::uint64_t value, std::size_t width) {
        if (!Fits(offset, width)) return;
        for (std::size_t i = 0; i < width; ++i)
            m_bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
    }

    std::span<std::uint8_t> m_bytes;
    bool m_ok = true;
};

/// Reads an IEEE double stored little-endian.
inline double LeDoubleFromBits(std::uint64_t bits) {
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace engine
