// Fees of a trade from the three schedules.

#include "FeeSchedules.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using build::Bracket;
using feetest::MakeCorv;
using feetest::Request;

TEST(Fees, SinglePrecisionRatesGiveTheBrokerFigures) {
    // 0.0065f lies above 0.0065: one cent more than the decimal product suggests.
    auto corv = MakeCorv({.frais1 = {Bracket(0, 0.0065f)}});
    CalculFrais c = Request(500, 1000);
    EXPECT_EQ(corv->ComputeFrais(c), 3251);
    EXPECT_EQ(c.Frais1, 3251);
    EXPECT_EQ(c.Frais2, 0);

    // 0.0075f lies below 0.0075; a product rounded to float first would give 7 501.
    corv = MakeCorv({.frais1 = {Bracket(0, 0.0075f)}});
    c = Request(1000, 1000);
    EXPECT_EQ(corv->ComputeFrais(c), 7500);

    // VAT rounds down from the float rate: 1 000 at 0.196 carries 195, at 0.206 carries 206,
    // and 500 at 0.196 carries 97. A rate of 0 without minimum charges nothing, VAT or not.
    corv = MakeCorv({.srd = {Bracket(0, 0.0f, 0, 0.196f)},
                     .frais1 = {Bracket(0, 0.0f, 1000, 0.196f)},
                     .frais2 = {Bracket(0, 0.0f, 1000, 0.206f)}});
    c = Request(1, 100, true);
    EXPECT_EQ(corv->ComputeFrais(c), 1195 + 1206);
    EXPECT_EQ(c.Frais1, 1195);
    EXPECT_EQ(c.Frais2, 1206);
    EXPECT_EQ(c.FraisSRD, 0);
    corv = MakeCorv({.frais1 = {Bracket(0, 0.001f, 500, 0.196f)}});
    c = Request(1, 1000);
    EXPECT_EQ(corv->ComputeFrais(c), 597);
    c = Request(10000, 1000); // 10 000 + 1 is above the minimum
    EXPECT_EQ(corv->ComputeFrais(c), 10001 + 1960);
}

TEST(Fees, PlValChargesAboveTheThresholdExceptOnTheDeferredSchedule) {
    const TrancheFrais plVal = Bracket(100000, 0.0065f, 0, 0.0f, true);
    auto corv = MakeCorv({.srd = {plVal}, .frais1 = {plVal}, .frais2 = {plVal}});
    CalculFrais c = Request(500, 1000, true);
    EXPECT_EQ(corv->ComputeFrais(c), 3251 + 2601 + 2601);
    EXPECT_EQ(c.FraisSRD, 3251); // the whole 500 000
    EXPECT_EQ(c.Frais1, 2601);   // the 400 000 above the threshold
    EXPECT_EQ(c.Frais2, 2601);
}

TEST(Fees, BracketsAtAndBelowThresholds) {
    auto corv = MakeCorv({.frais1 = {Bracket(0, 0.01f), Bracket(100000, 0.005f),
                                     Bracket(500000, 0.002f, 0, 0.196f)}});
    CalculFrais c = Request(99999, 1);
    EXPECT_EQ(corv->ComputeFrais(c), 1000);
    c = Request(100000, 1);
    EXPECT_EQ(corv->ComputeFrais(c), 500); // 0.005f × 100 000 is just below 500
    c = Request(500000, 1);
    EXPECT_EQ(corv->ComputeFrais(c), 1001 + 196);

    TrancheFrais t = Bracket(7, 7.0f, 7, 7.0f, true);
    EXPECT_TRUE(corv->FindTranche(499999, corv->TranchesFrais1, t));
    EXPECT_EQ(t.Seuil, 100000);
    EXPECT_FALSE(t.PlVal);

    // Below the lowest threshold: nothing from that schedule, and the bracket comes back clear.
    corv = MakeCorv({.frais1 = {Bracket(100000, 0.01f)}, .frais2 = {Bracket(0, 0.001f)}});
    c = Request(99999, 1);
    EXPECT_EQ(corv->ComputeFrais(c), 100);
    EXPECT_EQ(c.Frais1, 0);
    t = Bracket(7, 7.0f, 7, 7.0f, true);
    EXPECT_FALSE(corv->FindTranche(99999, corv->TranchesFrais1, t));
    EXPECT_TRUE(t.Seuil == 0 && t.Frais == 0.0f && t.MntMin == 0 && t.Tva == 0.0f && !t.PlVal);
}

TEST(Fees, DeferredSettlementAndAddedCashSchedule) {
    // On 100 000 cents each float rate lies just above its decimal value.
    auto corv = MakeCorv({.srd = {Bracket(0, 0.001f)},
                          .frais1 = {Bracket(0, 0.002f)},
                          .frais2 = {Bracket(0, 0.003f)}});
    CalculFrais c = Request(100, 1000, true);
    EXPECT_EQ(corv->ComputeFrais(c), 101 + 201 + 301);
    EXPECT_EQ(c.FraisSRD, 101);

    corv->AjoutFrais1SRD = false;
    c = Request(100, 1000, true);
    EXPECT_EQ(corv->ComputeFrais(c), 101 + 301);
    EXPECT_EQ(c.Frais1, 0);

    // A cash trade never pays the deferred schedule, whatever AjoutFrais1SRD says.
    for (const bool ajout : {false, true}) {
        corv->AjoutFrais1SRD = ajout;
        c = Request(100, 1000, false);
        EXPECT_EQ(corv->ComputeFrais(c), 201 + 301);
        EXPECT_EQ(c.FraisSRD, 0);
    }
}

TEST(Fees, ZeroQuantityZeroAndNegativeAmounts) {
    auto corv = MakeCorv({.srd = {Bracket(0, 0.01f)},
                          .frais1 = {Bracket(0, 0.01f)},
                          .frais2 = {Bracket(0, 0.0f, 300)}});
    CalculFrais c = Request(0, 1000, true);
    c.Frais1 = c.Frais2 = c.FraisSRD = 99;
    EXPECT_EQ(corv->ComputeFrais(c), 0);
    EXPECT_TRUE(c.Frais1 == 0 && c.Frais2 == 0 && c.FraisSRD == 0);

    // An amount of 0 takes the bracket at 0: one cent for a rate, the minimum when larger.
    c = Request(10, 0, true);
    EXPECT_EQ(corv->ComputeFrais(c), 1 + 1 + 300);
    c = Request(10, -1000, true);
    EXPECT_EQ(corv->ComputeFrais(c), 0);
}

TEST(Fees, LargeTradesAreComputedBeyondThirtyTwoBits) {
    // 100 000 × 100 000 cents is 10^10; wrapped to 32 bits it would take the first bracket.
    auto corv = MakeCorv({.frais1 = {Bracket(0, 0.01f), Bracket(2000000000, 0.001f)},
                          .frais2 = {Bracket(2000000000, 0.001f, 0, 0.0f, true)}});
    CalculFrais c = Request(100000, 100000);
    EXPECT_EQ(corv->ComputeFrais(c), 10000001 + 8000001);

    // Fees that no longer fit in 32-bit cents saturate, the total too.
    constexpr std::int32_t max = std::numeric_limits<std::int32_t>::max();
    corv = MakeCorv({.frais1 = {Bracket(0, 1.0f, 0, 0.5f)}, .frais2 = {Bracket(0, 1.0f)}});
    c = Request(100000, 100000);
    EXPECT_EQ(corv->ComputeFrais(c), max);
    EXPECT_TRUE(c.Frais1 == max && c.Frais2 == max);
}

} // namespace
