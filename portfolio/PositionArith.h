#pragma once

// The cents arithmetic of the position computations. Fields are 32-bit and wrap as a 32-bit
// register would; every intermediate is formed wide enough never to overflow, and a zero
// divisor gives 0 instead of trapping.

#include "platform/Checked.h"

#include <cstddef>
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

// The sums that the document keeps in 32-bit fields. The first ones are both a security's sums
// and the portfolio's totals of the same name (the totals are the securities' sums added up);
// the cash totals are the portfolio's only, the counts of shares bought, sold and settled the
// securities' only.
enum class Somme : unsigned {
    NbInPort,
    ARealBrut,
    ARealNet,
    VRealBrut,
    VRealNet,
    AchRMBrut,
    VenRMBrut,
    AchRMNet,
    VenRMNet,
    CoutBrut,
    CoutNet,
    ValorBrut,
    ValorNet,
    ValorBrutAct,
    ValorNetAct,
    RealNetRM,
    RealNetTOT,
    TotFrais,
    PlValBrut,
    PlValNet,
    PlValLatBrut,
    PlValLatNet,
    PlValLatNetSRD,
    Cash,
    CashLiq,
    NbAchat,
    NbVentes,
    Regle,
};

// The totals of the portfolio: every Somme up to CashLiq.
inline constexpr std::size_t kTotaux = static_cast<std::size_t>(Somme::CashLiq) + 1;
// The totals that add up one field of each security's position.
inline constexpr std::size_t kTotauxDesTitres = static_cast<std::size_t>(Somme::PlValLatNetSRD) + 1;

// One bit per Somme: the sums that could not be held exactly.
using MasqueSommes = std::uint32_t;

inline constexpr MasqueSommes Bit(Somme somme) {
    return MasqueSommes{1} << static_cast<unsigned>(somme);
}

// The sums of a position as its fields hold them, each addition wrapping as Add32 does, and
// which of them went beyond the fields on the way: a change that would take one more of them
// beyond is refused rather than stored in its wrapped form.
class Cumul {
public:
    void Add(Somme somme, std::int32_t& field, std::int64_t value) {
        const Wide sum = Wide{field} + value;
        field = Low32(sum);
        Check(somme, sum);
    }
    void Check(Somme somme, Wide value) {
        if (!Fits32(value))
            horsLimite_ |= Bit(somme);
    }
    void Check(Somme somme, double value) {
        if (!Fits32(value))
            horsLimite_ |= Bit(somme);
    }
    MasqueSommes HorsLimite() const { return horsLimite_; }
    bool Tient() const { return horsLimite_ == 0; }

private:
    MasqueSommes horsLimite_ = 0;
};

// The same sums where nobody asks whether they held: the replay of every recomputation.
class Modulo {
public:
    void Add(Somme, std::int32_t& field, std::int64_t value) { Add32(field, value); }
    void Check(Somme, Wide) {}
    void Check(Somme, double) {}
};

} // namespace position_arith
