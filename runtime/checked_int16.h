#pragma once

// Signed 16-bit arithmetic that reports overflow instead of wrapping: the cipher's counters and
// codes are 16-bit, and their limits are part of its behaviour.

#include <concepts>
#include <cstdint>
#include <optional>
#include <utility>

namespace kestrune::runtime {

template <std::integral T> constexpr std::optional<std::int16_t> toInt16(T value) {
    return std::in_range<std::int16_t>(value) ? std::optional(static_cast<std::int16_t>(value))
                                              : std::nullopt;
}

constexpr std::optional<std::int16_t> addInt16(std::int16_t a, std::int16_t b) {
    return toInt16(std::int32_t{a} + std::int32_t{b});
}

} // namespace kestrune::runtime
