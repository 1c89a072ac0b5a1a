#pragma once

// A document built by hand for the position tests: today is fixed, the previous settlement
// was on 28/05/2024, and trades are appended in date order.

#include "portfolio/Cv.h"

#include "platform/DateTime.h"
#include "support/Builders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace positions_test {

inline double Day(int year, int month, int day) {
    return platform::EncodeDate(year, month, day);
}

class PositionsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Clock::SetFixed(Day(2024, 6, 14) + 0.625);
        doc.DateLiqP = Day(2024, 5, 28);
        doc.DateLiqC = Day(2024, 6, 25);
    }
    void TearDown() override { platform::Clock::Reset(); }

    Valeurs* AddSecurity(const std::string& code, std::int32_t cours = 0, bool srd = false) {
        return build::AddSecurity(doc, code, "Titre " + code, {.cours = cours, .srd = srd});
    }

    // A schedule row that charges a flat amount (no VAT) on any trade of at least 0 cents.
    static void AddFlatFee(ListeTranches& schedule, std::int32_t montant) {
        build::AddBracket(schedule, 0, 0.0f, montant);
    }

    void Compute(Valeurs* titre) { build::Recompute(doc, *titre); }

    TCorv doc{"/tmp/corvane-positions-tests"};
};

} // namespace positions_test
