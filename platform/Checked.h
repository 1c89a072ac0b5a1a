#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Helpers for the 32-bit cents arithmetic: products are formed in 64 bits, conversions back
// to 32 bits are defined (wrap or saturate, never undefined behaviour).

namespace platform {

inline std::int64_t Mul64(std::int32_t a, std::int32_t b) {
    return static_cast<std::int64_t>(a) * static_cast<std::int64_t>(b);
}

// Two's complement wrap, as a 32-bit int register would hold it.
inline std::int32_t Wrap32(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

inline std::int32_t Saturate32(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// Truncation toward zero of a floating value into 32 bits; out of range saturates, NaN is 0.
inline std::int32_t Trunc32(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// Truncation toward zero into 64 bits for amounts computed in floating point. It saturates at
// +/-9e18, below the type's limits, so that a difference of two such values cannot overflow;
// NaN is 0.
inline std::int64_t Trunc64(double value) {
    constexpr double kLimit = 9.0e18;
    if (std::isnan(value))
        return 0;
    if (value >= kLimit)
        return static_cast<std::int64_t>(kLimit);
    if (value <= -kLimit)
        return -static_cast<std::int64_t>(kLimit);
    return static_cast<std::int64_t>(value);
}

// Integer division that never traps: a zero divisor gives 0.
inline std::int64_t SafeDiv(std::int64_t a, std::int64_t b) {
    if (b == 0 || (b == -1 && a == std::numeric_limits<std::int64_t>::min()))
        return 0;
    return a / b;
}

} // namespace platform
