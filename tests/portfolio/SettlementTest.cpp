// Settlement dates of the deferred-settlement market, their roll-forward at each load of the
// settings, and the trades still waiting for the coming settlement.

#include "FeeSchedules.h"

#include "platform/DateText.h"
#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using feetest::AddTrade;
using platform::EncodeDate;

TEST(Settlement, EveryDayOfAMonthGivesItsSettlementDate) {
    TCorv corv(".");
    // Four business days counted back from the month's end from October 2000 on, and in
    // October to December of earlier years; five else.
    const int cas[][3] = {{2026, 12, 27}, {2000, 9, 24}, {2000, 10, 25}, {2000, 6, 25},
                          {1999, 11, 24}, {1999, 9, 23}, {2000, 12, 25}, {2024, 2, 25}};
    for (const auto& c : cas) {
        const double attendu = EncodeDate(c[0], c[1], c[2]);
        for (int jour = 1; jour <= platform::DaysInMonth(c[0], c[1]); ++jour) {
            double date = EncodeDate(c[0], c[1], jour) + 0.75; // no time of day comes out
            corv.LiquidationDate(date);
            EXPECT_EQ(date, attendu) << c[1] << "/" << c[0] << " day " << jour;
        }
    }
    EXPECT_EQ(platform::DayOfWeek(EncodeDate(2026, 12, 27)), 1); // a Sunday
}

// The document's settings, loaded on fixed days.
class LoadSettingsTest : public ::testing::Test {
protected:
    ~LoadSettingsTest() override { platform::Clock::Reset(); }

    // The mark of a date never set, under the two-digit window of the fixed day.
    double Jamais(double today) {
        platform::Clock::SetFixed(today);
        return platform::StrToDate("01/01/70");
    }

    // Sets the settings, then loads them on the given day (or loads what the last call gave
    // back when no dates are given), and notes the dates given back to be kept.
    void Load(double today, std::optional<double> dateLiqP = {}, double dateLiqC = 0.0) {
        platform::Clock::SetFixed(today);
        if (dateLiqP)
            reglages = ReglagesDocument{"francs", 6.55957, *dateLiqP, dateLiqC};
        corv.LoadSettings(reglages);
        storedP = reglages.DateLiqP;
        storedC = reglages.DateLiqC;
    }

    void ExpectDates(double p, double c) {
        EXPECT_EQ(corv.DateLiqP, p);
        EXPECT_EQ(corv.DateLiqC, c);
        EXPECT_EQ(storedP, p);
        EXPECT_EQ(storedC, c);
    }

    ReglagesDocument reglages;
    TCorv corv{"."};
    double storedP = -1.0;
    double storedC = -1.0;
};

TEST_F(LoadSettingsTest, ReadsTheCurrencyAndKeepsDatesNotYetDue) {
    Load(EncodeDate(2000, 10, 20) + 0.5, EncodeDate(2000, 9, 24), EncodeDate(2000, 10, 25) + 0.4);
    EXPECT_EQ(corv.LibLocal, "francs");
    EXPECT_EQ(corv.Taux, 6.55957f);
    // Nothing rolls, but what is written back is whole days.
    EXPECT_EQ(corv.DateLiqC, EncodeDate(2000, 10, 25) + 0.4);
    EXPECT_EQ(storedC, EncodeDate(2000, 10, 25));
}

TEST_F(LoadSettingsTest, FirstUseTakesLastMonthAndThisMonth) {
    const double octobre = EncodeDate(2000, 10, 15);
    Load(octobre, Jamais(octobre), Jamais(octobre));
    ExpectDates(EncodeDate(2000, 9, 24), EncodeDate(2000, 10, 25));

    // January looks back to December of the year before.
    const double janvier = EncodeDate(2001, 1, 10);
    Load(janvier, Jamais(janvier), Jamais(janvier));
    ExpectDates(EncodeDate(2000, 12, 25), EncodeDate(2001, 1, 25));

    // After this month's settlement day the first use rolls at once.
    const double apres = EncodeDate(2000, 10, 26);
    Load(apres, Jamais(apres), Jamais(apres));
    ExpectDates(EncodeDate(2000, 10, 25), EncodeDate(2000, 11, 26));
}

TEST_F(LoadSettingsTest, RollsOnlyWhenTodayIsStrictlyLater) {
    // Late on the settlement day itself: today has no time of day, nothing rolls.
    Load(EncodeDate(2000, 10, 25) + 0.95, EncodeDate(2000, 9, 24), EncodeDate(2000, 10, 25));
    ExpectDates(EncodeDate(2000, 9, 24), EncodeDate(2000, 10, 25));

    Load(EncodeDate(2000, 10, 26), EncodeDate(2000, 9, 24), EncodeDate(2000, 10, 25));
    ExpectDates(EncodeDate(2000, 10, 25), EncodeDate(2000, 11, 26));

    // Early in the next month the coming date is this month's; December rolls into January.
    Load(EncodeDate(2000, 11, 2), EncodeDate(2000, 9, 24), EncodeDate(2000, 10, 25));
    ExpectDates(EncodeDate(2000, 10, 25), EncodeDate(2000, 11, 26));
    Load(EncodeDate(2000, 12, 27), EncodeDate(2000, 11, 26), EncodeDate(2000, 12, 25));
    ExpectDates(EncodeDate(2000, 12, 25), EncodeDate(2001, 1, 25));
}

TEST_F(LoadSettingsTest, LongAbsenceRollsOncePerCall) {
    // Today's own settlement date is already past: one roll now, another at the next load.
    Load(EncodeDate(2001, 3, 30), EncodeDate(2000, 9, 24), EncodeDate(2000, 10, 25));
    ExpectDates(EncodeDate(2000, 10, 25), EncodeDate(2001, 3, 26));
    Load(EncodeDate(2001, 3, 30));
    ExpectDates(EncodeDate(2001, 3, 26), EncodeDate(2001, 4, 24));

    // Only month numbers are compared: October 2000 against October 2001 skips a month.
    Load(EncodeDate(2001, 10, 28), EncodeDate(2000, 9, 24), EncodeDate(2000, 10, 25));
    ExpectDates(EncodeDate(2000, 10, 25), EncodeDate(2001, 11, 26));
}

class PendingTest : public ::testing::Test {
protected:
    PendingTest() {
        platform::Clock::SetFixed(EncodeDate(2025, 6, 1));
        titre.SRD = true;
        corv.DateLiqP = EncodeDate(2000, 8, 24);
    }
    ~PendingTest() override { platform::Clock::Reset(); }
    bool Pending(double date, bool srd) {
        return corv.IsSrdPending(&titre, AddTrade(titre, date, srd));
    }

    TCorv corv{"."};
    Valeurs titre;
};

TEST_F(PendingTest, TradesAroundTheEndOfCompulsoryDeferredSettlement) {
    for (const bool srd : {false, true}) {
        // Up to 25/09/2000 every trade of an eligible security was deferred; then only those
        // made with deferred settlement. Up to the previous settlement date: already settled.
        EXPECT_TRUE(Pending(EncodeDate(2000, 9, 20), srd));
        EXPECT_TRUE(Pending(EncodeDate(2000, 9, 25), srd));
        EXPECT_EQ(Pending(EncodeDate(2000, 9, 26), srd), srd);
        EXPECT_FALSE(Pending(EncodeDate(2000, 8, 24), srd));
    }
    corv.DateLiqP = EncodeDate(2000, 9, 26);
    EXPECT_FALSE(Pending(EncodeDate(2000, 9, 26), true));
    EXPECT_TRUE(Pending(EncodeDate(2000, 9, 26) + 0.5, true));

    // The boundary is a fixed day: a clock past 2050, where a two-digit year 00 would mean
    // 2100, changes nothing.
    platform::Clock::SetFixed(EncodeDate(2060, 1, 1));
    corv.DateLiqP = EncodeDate(2000, 8, 24);
    EXPECT_EQ(TCorv::FinSrdObligatoire(), EncodeDate(2000, 9, 25));
    for (const bool srd : {false, true}) {
        EXPECT_TRUE(Pending(EncodeDate(2000, 9, 25), srd));
        EXPECT_EQ(Pending(EncodeDate(2000, 10, 2), srd), srd);
        EXPECT_EQ(Pending(EncodeDate(2059, 12, 1), srd), srd);
    }

    titre.SRD = false;
    EXPECT_FALSE(Pending(EncodeDate(2000, 9, 20), true));
    EXPECT_FALSE(Pending(EncodeDate(2000, 10, 20), true));
}

TEST_F(PendingTest, OnlyTickedTradesKeepASecurity) {
    AddTrade(titre, EncodeDate(2000, 8, 1), true, true);   // settled
    AddTrade(titre, EncodeDate(2000, 10, 2), false, true); // cash trade
    AddTrade(titre, EncodeDate(2000, 10, 3), true, false); // pending, unticked
    EXPECT_FALSE(corv.HasPendingSrd(&titre));
    AddTrade(titre, EncodeDate(2000, 10, 4), true, true);
    EXPECT_TRUE(corv.HasPendingSrd(&titre));
    titre.SRD = false;
    EXPECT_FALSE(corv.HasPendingSrd(&titre));
}

} // namespace
