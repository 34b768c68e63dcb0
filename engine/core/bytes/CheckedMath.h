#pragma once
// Overflow-checked arithmetic for sector numbers, byte offsets and counts read from disk.
#include <cstdint>
#include <optional>
#include <type_traits>

namespace engine {

template <class T>
requires std::is_integral_v<T>
constexpr std::optional<T> CheckedAdd(T a, T b) {
    T result{};
    if (__builtin_add_overflow(a, b, &result)) return std::nullopt;
    return result;
}

template <class T>
requires std::is_integral_v<T>
constexpr std::optional<T> CheckedMul(T a, T b) {
    T result{};
    if (__builtin_mul_overflow(a, b, &result)) return std::nullopt;
    return result;
}

template <class T>
requires std::is_integral_v<T>
constexpr std::optional<T> CheckedSub(T a, T b) {
    T result{};
    if (__builtin_sub_overflow(a, b, &result)) return std::nullopt;
    return result;
}

/// True when `value` is a power of two within [low, high].
constexpr bool IsPowerOfTwoBetween(std::uint64_t value, std::uint64_t low, std::uint64_t high) {
    return value != 0 && value >= low && value <= high && (value & (value - 1)) == 0;
}

}  // namespace engine
