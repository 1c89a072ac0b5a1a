#pragma once

// The cents arithmetic of the position computations. Fields are 32-bit and wrap as a 32-bit
// register would; every intermediate is formed wide enough never to overflow, and a zero
// divisor gives 0 instead of trapping.

#include "platform/Checked.h"

#include <cstdint>
#include <limits>

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

inline bool Fits32(Wide value) {
    return value >= std::numeric_limits<std::int32_t>::min() &&
           value <= std::numeric_limits<std::int32_t>::max();
}

// Whether a value that a field takes truncated toward zero fits it (never NaN).
inline bool Fits32(double value) {
    return value > -2147483649.0 && value < 2147483648.0;
}

// The sums of a position as its fields hold them, each addition wrapping as Add32 does, and
// whether every sum and every value checked was held exactly: a document whose cents cannot
// hold a sum must refuse the change that forms it rather than store its wrapped form.
class Cumul {
public:
    void Add(std::int32_t& field, std::int64_t value) {
        const Wide sum = Wide{field} + value;
        field = Low32(sum);
        Check(sum);
    }
    void Check(Wide value) { tient_ = tient_ && Fits32(value); }
    void Check(double value) { tient_ = tient_ && Fits32(value); }
    bool Tient() const { return tient_; }

private:
    bool tient_ = true;
};

// The same sums where nobody asks whether they held: the replay of every recomputation.
class Modulo {
public:
    void Add(std::int32_t& field, std::int64_t value) { Add32(field, value); }
    void Check(Wide) {}
    void Check(double) {}
};

} // namespace position_arith
