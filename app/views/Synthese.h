#pragma once

// The figures of the portfolio summary, from the document's totals: positions now and after
// the coming settlement with their shares, deferred-settlement trades, and the coverage of
// deferred positions. Amounts in cents (64 bits: sums and differences of 32-bit totals).

#include <cstdint>

class TCorv;

struct FiguresSynthese {
    // Current position.
    std::int64_t CashPo = 0;
    std::int64_t EvalTi = 0;
    std::int64_t EvalGlo = 0;
    double CashPoP = 0.0; // percent
    double EvalTiP = 0.0;
    // After the coming settlement.
    std::int64_t CashPoL = 0;
    std::int64_t EvalTiL = 0;
    std::int64_t EvalGloL = 0;
    double CashPoPL = 0.0;
    double EvalTiPL = 0.0;
    // Deferred-settlement trades.
    std::int64_t AchRMB = 0;
    std::int64_t VeRMB = 0;
    std::int64_t SoLiqB = 0;
    std::int64_t AchRMN = 0;
    std::int64_t VeRMN = 0;
    std::int64_t SoLiqN = 0;
    // Coverage: total, engaged, available.
    std::int64_t CouvT = 0;
    std::int64_t CouvE = 0;
    std::int64_t CouvD = 0;
};

FiguresSynthese CalculeSynthese(const TCorv& doc);
