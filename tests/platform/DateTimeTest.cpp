#include "platform/DateTime.h"
#include "platform/ConversionError.h"
#include "platform/DateText.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace platform;

namespace {

bool Leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// The clock is fixed at a known moment for every test of this file that reads it.
class FixedClock : public ::testing::Test {
protected:
    void SetUp() override { Clock::SetFixed(EncodeDate(2026, 5, 14) + EncodeTime(9, 30, 0)); }
    void TearDown() override { Clock::Reset(); }
};

std::string Full(TDateTime value) {
    return DateToStrFull(value);
}

} // namespace

// Walks the calendar day by day with its own month lengths and checks both directions; the
// origin pins every day of the walk, the calendar's ends are pinned apart.
TEST(DayNumbers, EncodeDecodeEveryDayFrom1600To2400) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
    static const int kLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int y = 1600;
    int m = 1;
    int d = 1;
    double expected = EncodeDate(1600, 1, 1);
    int mismatches = 0;
    while (y < 2400) {
        const double got = EncodeDate(y, m, d);
        // Before the origin a time of day is subtracted: it counts forward from midnight.
        const DateParts back = DecodeDate(got >= 0 ? got + 0.75 : got - 0.75);
        if (got != expected || back.year != y || back.month != m || back.day != d) {
            if (++mismatches < 5)
                ADD_FAILURE() << d << "/" << m << "/" << y << " -> " << got << " expected "
                              << expected << ", decoded " << back.day << "/" << back.month << "/"
                              << back.year;
        }
        const int length = (m == 2 && Leap(y)) ? 29 : kLength[m - 1];
        EXPECT_EQ(DaysInMonth(y, m), length);
        if (++d > length) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
        expected += 1;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(DayNumbers, InvalidDatesAndTimes) {
    TDateTime r = 123;
    EXPECT_FALSE(TryEncodeDate(2021, 2, 29, r));
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, r));
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, r));
    EXPECT_FALSE(TryEncodeDate(2020, 13, 1, r));
    EXPECT_FALSE(TryEncodeDate(2020, 4, 31, r));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, r));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, r));
    EXPECT_FALSE(TryEncodeTime(10, 60, 0, 0, r));
    EXPECT_THROW(EncodeDate(2021, 2, 29), ConversionError);
    EXPECT_THROW(EncodeTime(1, 2, 60), ConversionError);

    // Only a day that a four-digit year names has a date text that reads back.
    EXPECT_EQ(EncodeDate(1, 1, 1), kFirstDay);
    EXPECT_EQ(EncodeDate(9999, 12, 31), kLastDay);
    for (const TDateTime day : {kFirstDay, kFirstDay - 0.5, kLastDay, kLastDay + 0.5, -0.5, 0.0})
        EXPECT_TRUE(FitsDateText(day)) << day;
    // The last instant of 31/12/9999 rounds to the next day, as its text would.
    const TDateTime past = kLastDay + 0.999999999;
    EXPECT_EQ(DecodeDate(past).year, 10000);
    for (const TDateTime day :
         {kFirstDay - 1, kLastDay + 1, past, 5.0e6, -1.0e300,
          std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(FitsDateText(day)) << day;
}

TEST(DayNumbers, TimeOfDay) {
    EXPECT_EQ(EncodeTime(12, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0), 0.25);
    const TDateTime v = EncodeDate(2024, 6, 9) + EncodeTime(13, 5, 7, 250);
    const TimeParts t = DecodeTime(v);
    EXPECT_EQ(t.hour, 13);
    EXPECT_EQ(t.minute, 5);
    EXPECT_EQ(t.second, 7);
    EXPECT_EQ(t.millisecond, 250);
    EXPECT_EQ(DateOf(v), EncodeDate(2024, 6, 9));
    EXPECT_NEAR(TimeOf(v), EncodeTime(13, 5, 7, 250), 1e-12);
    // The last millisecond of a day stays on that day.
    const TimeParts last = DecodeTime(EncodeDate(2024, 6, 9) + EncodeTime(23, 59, 59, 999));
    EXPECT_EQ(last.hour, 23);
    EXPECT_EQ(last.millisecond, 999);
    EXPECT_EQ(DecodeDate(EncodeDate(2024, 6, 9) + EncodeTime(23, 59, 59, 999)).day, 9);
}

TEST(DayNumbers, BeforeTheOriginTimeCountsForward) {
    const TDateTime v = StrToDateTime("29/12/1899 06:00");
    EXPECT_EQ(v, -1.25);
    EXPECT_EQ(DateOf(v), -1);
    EXPECT_EQ(TimeOf(v), 0.25);
    const DateParts d = DecodeDate(v);
    EXPECT_EQ(d.year, 1899);
    EXPECT_EQ(d.month, 12);
    EXPECT_EQ(d.day, 29);
    EXPECT_EQ(DecodeTime(v).hour, 6);
    EXPECT_EQ(DateTimeToStr(v), "29/12/99 06:00:00");
    EXPECT_EQ(Full(EncodeDate(1850, 7, 14)), "14/07/1850");
}

TEST(DayNumbers, DayOfWeekSundayIsOne) {
    EXPECT_EQ(DayOfWeek(EncodeDate(2000, 1, 1)), 7);   // Saturday
    EXPECT_EQ(DayOfWeek(0), 7);                        // 30/12/1899, Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(1900, 1, 1)), 2);   // Monday
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 29)), 6); // Friday
    EXPECT_EQ(DayOfWeek(EncodeDate(1800, 1, 1)), 4);   // Wednesday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 6, 9) + 0.99), 1);
    for (int i = 0; i < 70; ++i) // from Sunday 9/6/2024
        EXPECT_EQ(DayOfWeek(EncodeDate(2024, 6, 9) + i), i % 7 + 1);
}

TEST_F(FixedClock, TodayAndNowFollowTheClock) {
    EXPECT_EQ(Now(), EncodeDate(2026, 5, 14) + EncodeTime(9, 30, 0));
    EXPECT_EQ(Date(), EncodeDate(2026, 5, 14));
    Clock::SetFixed(EncodeDate(2031, 1, 2));
    EXPECT_EQ(Date(), EncodeDate(2031, 1, 2));
    Clock::Reset();
    // Back on the system clock, which is certainly past the fixed moments above.
    EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
    EXPECT_LT(Now(), EncodeDate(2200, 1, 1));
}

TEST_F(FixedClock, TwoDigitYearWindowAroundCurrentYear) {
    EXPECT_EQ(Full(StrToDate("01/01/76")), "01/01/1976");
    EXPECT_EQ(Full(StrToDate("31/12/75")), "31/12/2075");
    EXPECT_EQ(Full(StrToDate("01/01/70")), "01/01/2070");
    EXPECT_EQ(Full(StrToDate("30/12/99")), "30/12/1999");
    EXPECT_EQ(Full(StrToDate("1/2/00")), "01/02/2000");
    EXPECT_EQ(Full(StrToDate("5/6/7")), "05/06/2007");
    Clock::SetFixed(EncodeDate(2050, 6, 1));
    EXPECT_EQ(ExpandTwoDigitYear(0), 2000);
    EXPECT_EQ(ExpandTwoDigitYear(99), 2099);
    Clock::SetFixed(EncodeDate(2051, 6, 1));
    EXPECT_EQ(ExpandTwoDigitYear(0), 2100);
    EXPECT_EQ(ExpandTwoDigitYear(1), 2001);
}

TEST_F(FixedClock, FourDigitAndOmittedYears) {
    EXPECT_EQ(Full(StrToDate("01/01/1970")), "01/01/1970");
    EXPECT_EQ(Full(StrToDate("29/02/2024")), "29/02/2024");
    EXPECT_EQ(Full(StrToDate("14/07/1789")), "14/07/1789");
    EXPECT_EQ(Full(StrToDate("14/07")), "14/07/2026");
    EXPECT_EQ(Full(StrToDate("  03.04.2005 ")), "03/04/2005");
    EXPECT_EQ(Full(StrToDate("03-04-2005")), "03/04/2005");
}

TEST_F(FixedClock, BadDatesThrowWithFrenchMessage) {
    for (const char* text : {"32/01/20", "aa", "", "29/02/21", "01/13/20", "00/01/20", "01/01/20x",
                             "01//20", "1/1/20000", "12:30", "01/01/20 10:00"}) {
        EXPECT_THROW(StrToDate(text), ConversionError) << text;
        TDateTime r = 42;
        EXPECT_FALSE(TryStrToDate(text, r)) << text;
        EXPECT_EQ(r, 42) << text;
    }
    try {
        StrToDate("xx");
        ADD_FAILURE() << "no exception";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'xx' n'est pas une date correcte");
    }
}

TEST(TimeTexts, ParseTimes) {
    EXPECT_EQ(StrToTime("12:00"), 0.5);
    EXPECT_EQ(StrToTime(" 9:05 "), EncodeTime(9, 5, 0));
    EXPECT_EQ(StrToTime("23:59:59"), EncodeTime(23, 59, 59));
    for (const char* text : {"24:00", "12:60", "12", "12:5x", "", "ab:cd", "1:2:3:4", "-1:00"})
        EXPECT_THROW(StrToTime(text), ConversionError) << text;
    try {
        StrToTime("25:00");
        ADD_FAILURE() << "no exception";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'25:00' n'est pas une heure correcte");
    }
}

TEST_F(FixedClock, ParseDateTimes) {
    EXPECT_EQ(StrToDateTime("25/12/2023 10:30"), EncodeDate(2023, 12, 25) + EncodeTime(10, 30, 0));
    EXPECT_EQ(StrToDateTime("25/12/23"), EncodeDate(2023, 12, 25));
    EXPECT_EQ(StrToDateTime("10:30:15"), EncodeTime(10, 30, 15));
    EXPECT_THROW(StrToDateTime("25/12/2023 25:00"), ConversionError);
    EXPECT_THROW(StrToDateTime("demain"), ConversionError);
}

TEST(DateTexts, FormatsOfTheProgram) {
    const TDateTime v = EncodeDate(2005, 3, 7) + EncodeTime(8, 4, 9);
    EXPECT_EQ(DateToStr(v), "07/03/05");
    EXPECT_EQ(DateToStrFull(v), "07/03/2005");
    EXPECT_EQ(TimeToStr(v), "08:04:09");
    EXPECT_EQ(ShortTimeToStr(v), "08:04");
    EXPECT_EQ(DateTimeToStr(v), "07/03/05 08:04:09");
    EXPECT_EQ(FormatDateTime("dd/mm", v), "07/03");
    EXPECT_EQ(FormatDateTime("hh:nn", v), "08:04");
    EXPECT_EQ(FormatDateTime("hh:mm", v), "08:04"); // minutes after an hour
    EXPECT_EQ(FormatDateTime("hh dd/mm", v), "08 07/03");
    EXPECT_EQ(FormatDateTime("d/m/yyyy h:n:s", v), "7/3/2005 8:4:9");
    EXPECT_EQ(FormatDateTime("DD/MM/YY", v), "07/03/05");
    EXPECT_EQ(FormatDateTime("'le' dd \"à\" hh", v), "le 07 à 08");
    EXPECT_EQ(FormatDateTime("dddd d mmmm", v), "lundi 7 mars");
    EXPECT_EQ(FormatDateTime("ddd mmm", EncodeDate(2024, 2, 4)), "dim. févr.");
}

TEST_F(FixedClock, DateTextsRoundTripWithinTheWindow) {
    for (TDateTime d = EncodeDate(1976, 1, 1); d <= EncodeDate(2075, 12, 31); d += 7) {
        ASSERT_EQ(StrToDate(DateToStr(d)), d) << DateToStr(d);
        ASSERT_EQ(StrToDate(DateToStrFull(d)), d);
    }
    for (int minute = 0; minute < 24 * 60; minute += 13) {
        const TDateTime t = EncodeTime(minute / 60, minute % 60, minute % 59);
        ASSERT_EQ(StrToTime(TimeToStr(t)), t) << TimeToStr(t);
    }
}
