// Yields of a period, for one security and for the portfolio.

#include "PositionsFixture.h"

namespace {

using build::AddTrade;
using positions_test::Day;
using Yields = positions_test::PositionsFixture;

TEST_F(Yields, RealisedAndLatentYieldsOfABuyThenSale) {
    Valeurs* t = AddSecurity("1", 1200);
    AddFlatFee(doc.TranchesFrais1, 1000);
    AddTrade(t, Day(2024, 3, 1), 'A', 100, 1000, 1500);
    AddTrade(t, Day(2024, 4, 2), 'V', 40, 1300, 800);
    Compute(t);

    EXPECT_TRUE(doc.ComputeRentabilite(t, Day(2024, 1, 1)));
    EXPECT_EQ(t->Bilan.TotFraisPer, 2300);
    EXPECT_EQ(t->Bilan.RentBrut, 3000);
    EXPECT_EQ(t->Bilan.RentNet, 2610);
    EXPECT_EQ(t->Bilan.RentLatBrut, 2000);
    EXPECT_EQ(t->Bilan.RentLatNet, 1658);

    // The period starts on the day of the sale: its fees only, its gain still counts.
    EXPECT_TRUE(doc.ComputeRentabilite(t, Day(2024, 4, 2)));
    EXPECT_EQ(t->Bilan.TotFraisPer, 800);
    EXPECT_EQ(t->Bilan.RentBrut, 3000);

    EXPECT_FALSE(doc.ComputeRentabilite(t, Day(2024, 4, 3)));
    EXPECT_EQ(t->Bilan.TotFraisPer, 0);
    EXPECT_EQ(t->Bilan.RentBrut, 0);
    EXPECT_EQ(t->Bilan.RentNet, 0);
}

TEST_F(Yields, CoverIsMeasuredAgainstTheShortSalePrices) {
    Valeurs* t = AddSecurity("2", 1100);
    AddTrade(t, Day(2024, 1, 10), 'A', 100, 1000, 2500);
    AddTrade(t, Day(2024, 2, 10), 'V', 150, 1200, 1500);
    AddTrade(t, Day(2024, 3, 10), 'A', 80, 1100, 800);
    Compute(t);

    // Mean of 20 000 / (150 x 1 000) and 5 000 / (80 x 1 200); net alike.
    EXPECT_TRUE(doc.ComputeRentabilite(t, Day(2024, 1, 1)));
    EXPECT_EQ(t->Bilan.RentBrut, 927);
    EXPECT_EQ(t->Bilan.RentNet, 746);
}

TEST_F(Yields, ZeroDenominatorCountsAsAZeroYield) {
    // Shares received for nothing: both purchase averages are 0.
    Valeurs* t = AddSecurity("3", 500);
    t->BilanPurge.NbAchat = 20;
    t->BilanPurge.NbInPort = 20;
    AddTrade(t, Day(2024, 2, 1), 'V', 10, 500, 0);
    AddTrade(t, Day(2024, 2, 2), 'A', 10, 1000, 0);
    AddTrade(t, Day(2024, 2, 3), 'V', 10, 600, 0);
    Compute(t);
    ASSERT_EQ(t->Operes[0]->PlValBrut, 5000);

    // (0 + 1 000 / (10 x 500)) / 2 trades.
    EXPECT_TRUE(doc.ComputeRentabilite(t, Day(2024, 1, 1)));
    EXPECT_EQ(t->Bilan.RentBrut, 1000);
    EXPECT_EQ(t->Bilan.RentNet, 1000);

    Valeurs* cadeau = AddSecurity("4", 500);
    cadeau->BilanPurge.NbAchat = 10;
    cadeau->BilanPurge.NbInPort = 10;
    Compute(cadeau);
    ASSERT_EQ(cadeau->Bilan.PlValLatBrut, 5000);
    EXPECT_FALSE(doc.ComputeRentabilite(cadeau, Day(2024, 1, 1)));
    EXPECT_EQ(cadeau->Bilan.RentLatBrut, 0);
    EXPECT_EQ(cadeau->Bilan.RentLatNet, 0);
}

TEST_F(Yields, PortfolioYieldIsTheMeanOverSecuritiesThatRealised) {
    AddFlatFee(doc.TranchesFrais1, 1000);
    Valeurs* a = AddSecurity("1", 1200);
    AddTrade(a, Day(2024, 3, 1), 'A', 100, 1000, 1500);
    AddTrade(a, Day(2024, 4, 2), 'V', 40, 1300, 800);
    Valeurs* b = AddSecurity("2", 1100);
    AddTrade(b, Day(2024, 3, 1), 'A', 10, 1000, 0);
    AddTrade(b, Day(2024, 4, 2), 'V', 10, 1100, 0);
    Valeurs* c = AddSecurity("3", 1100);
    AddTrade(c, Day(2024, 3, 1), 'A', 10, 1000, 70);
    for (const auto& t : doc.Titres)
        Compute(t.get());

    doc.ComputeRentabilites(Day(2024, 1, 1));
    EXPECT_EQ(doc.TotFraisPer, 2370);
    EXPECT_EQ(doc.RentBrut, 2000);
    EXPECT_EQ(doc.RentNet, 1805);
    EXPECT_EQ(doc.RentRes1, 0);

    doc.ComputeRentabilites(Day(2024, 5, 1));
    EXPECT_EQ(doc.TotFraisPer, 0);
    EXPECT_EQ(doc.RentBrut, 0);
    EXPECT_EQ(doc.RentNet, 0);
}

} // namespace
