#include "support/StampedImage.h"

#include <fstream>

namespace testsupport {

namespace {

// Tagged in the high bytes so that no unit, unit 0 included, looks like zero-fill.
constexpr std::uint64_t kStampTag = 0x504D5453ULL << 32;  // "STMP"

std::uint8_t StampByte(std::uint64_t u64Unit, std::size_t offset) {
    return static_cast<std::uint8_t>((kStampTag | u64Unit) >> (8 * (offset % 8)));
}

void Stamp(std::uint8_t* pUnit, std::uint64_t u64Unit, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) pUnit[i] = StampByte(u64Unit, i);
}

}  // namespace

std::vector<std::uint8_t> StampedBytes(std::uint64_t u64Units, std::size_t tailBytes) {
    std::vector<std::uint8_t> bytes(u64Units * kStampUnit + tailBytes);
    for (std::uint64_t u = 0; u < u64Units; ++u) Stamp(bytes.data() + u * kStampUnit, u, kStampUnit);
    Stamp(bytes.data() + u64Units * kStampUnit, u64Units, tailBytes);
    return bytes;
}

bool WriteStampedImage(std::string const& path, std::uint64_t u64Units, std::size_t tailBytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<std::uint8_t> const bytes = StampedBytes(u64Units, tailBytes);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

::testing::AssertionResult IsStamped(std::span<std::uint8_t const> bytes, std::uint64_t u64FirstUnit) {
    if (bytes.size() % kStampUnit != 0)
        return ::testing::AssertionFailure() << bytes.size() << " bytes are not whole units";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::uint64_t const u64Unit = u64FirstUnit + i / kStampUnit;
        auto const expected = StampByte(u64Unit, i);
        if (bytes[i] != expected)
            return ::testing::AssertionFailure()
                   << "byte " << i << " is " << int{bytes[i]} << ", unit " << u64Unit << " expects " << int{expected};
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsZero(std::span<std::uint8_t const> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != 0) return ::testing::AssertionFailure() << "byte " << i << " is " << int{bytes[i]};
    }
    return ::testing::AssertionSuccess();
}

}  // namespace testsupport
