#pragma once

// The cents arithmetic of the position computations. Fields are 32-bit and wrap as a 32-bit
// register would; every intermediate is formed wide enough never to overflow, and a zero
// divisor gives 0 instead of trapping.

#include "platform/Checked.h"

#include <cstdint>

namespace position_arith {

// Products of a 32-bit value by a 64-bit intermediate, and their sums, need more than 64 bits
// in the worst case (a hand-edited file can hold any 32-bit quantity or price).
using Wide = __int128;

inline std::int32_t Low32(Wide value) {
    // Modular since C++20: the low 32 bits, which is what the records' 32-bit fields keep.
    return platform::Wrap32(static_cast<std::int64_t>(value));
}

inline Wide DivWide(Wide a, Wide b) {
    return b == 0 ? 0 : a / b;
}

inline void Add32(std::int32_t& field, std::int64_t value) {
    field = platform::Wrap32(std::int64_t{field} + value);
}

inline double Quotient(double num, double den) {
    return den == 0.0 ? 0.0 : num / den;
}

} // namespace position_arith
