#include "QuoteTestSupport.h"

#include "quotescan/Search.h"

#include "platform/ConversionError.h"
#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using quotescan::CSearch;
using quotescan_test::PageText;

namespace {

// The text from the cursor to the page's end, "" once exhausted.
std::string Rest(const CSearch& search) {
    return search.Courant ? search.Courant : "";
}

// A cursor over its own test page, which it reads and writes while it lives.
struct PageHolder {
    std::vector<char> page;
};
struct Scan : PageHolder, CSearch {
    explicit Scan(const std::string& text) : PageHolder{PageText(text)}, CSearch(page.data()) {}
};

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override { platform::Clock::SetFixed(platform::EncodeDate(2024, 6, 15) + 0.5); }
    void TearDown() override { platform::Clock::Reset(); }
};

TEST_F(SearchTest, EmptyPageFailsEverySearchAndRead) {
    Scan search("");
    EXPECT_TRUE(search.Exhausted());
    EXPECT_FALSE(search.Find("a", 1, false));
    EXPECT_FALSE(search.Find("a", 0, false));
    std::int32_t value = 7;
    EXPECT_FALSE(search.ReadInt(&value));
    EXPECT_FALSE(search.ReadCents(&value));
    EXPECT_EQ(value, 7);
    char dest[4] = {'x', 'x', 'x', 'x'};
    EXPECT_TRUE(search.CopyUntil(dest, sizeof dest, '&'));
    EXPECT_STREQ(dest, "");
    CSearch none(nullptr);
    EXPECT_TRUE(none.Exhausted());
}

TEST_F(SearchTest, FindCountsOccurrencesAndExhaustsOnMiss) {
    Scan search("a<TR>b<TR>c<TR>d");
    EXPECT_TRUE(search.Find("<TR>", 2, false));
    EXPECT_EQ(Rest(search), "c<TR>d");
    EXPECT_EQ(std::string(search.Marque), "b<TR>c<TR>d"); // where the last pass began
    EXPECT_TRUE(search.Find("<TR>", 0, false));
    EXPECT_EQ(Rest(search), "c<TR>d");
    EXPECT_FALSE(search.Find("<TR>", 2, false));
    EXPECT_TRUE(search.Exhausted());
    // Exhausted for good: a marker that is there is not found any more.
    EXPECT_FALSE(search.Find("d", 1, false));
}

TEST_F(SearchTest, FindOfMarkerEndingThePageExhausts) {
    Scan search("xx value=");
    EXPECT_FALSE(search.Find("value=", 1, false));
    EXPECT_TRUE(search.Exhausted());
    Scan empty("abc");
    EXPECT_FALSE(empty.Find("", 1, false)); // an empty marker matches nothing
}

TEST_F(SearchTest, FindRetriesWithCaseChangedMarker) {
    // The exact marker wins whenever it is anywhere ahead, even behind a case-changed one.
    Scan search("<FONT SIZE=2>12 <font size=2>13");
    EXPECT_TRUE(search.Find("size=2>", 1, false));
    EXPECT_EQ(Rest(search), "13");

    Scan retry("<td>Prix variation 1,5");
    EXPECT_TRUE(retry.Find("Variation", 1, false));
    EXPECT_EQ(Rest(retry), " 1,5");

    Scan caps("<PARAM NAME=\"NB\" VALUE=\"3\">");
    EXPECT_TRUE(caps.Find("<param name=\"nb\"", 1, false));
    EXPECT_EQ(Rest(caps), " VALUE=\"3\">");

    // Each pass retries on its own: first occurrence exact, second in capitals.
    Scan both("size=2>a SIZE=2>b");
    EXPECT_TRUE(both.Find("size=2>", 2, false));
    EXPECT_EQ(Rest(both), "b");

    // A marker whose case change is itself finds nothing more.
    Scan identical("<td nowrap>1");
    EXPECT_FALSE(identical.Find("<TD NOWRAP", 1, false));

    Scan exact("SIZE=2>b");
    EXPECT_FALSE(exact.Find("size=2>", 1, true));

    // Record after record, what one search learnt of the page ahead never hides the exact
    // marker from a later one, nor stands for a place the cursor has passed.
    Scan records("ABC>1 ABC>2 abc>3 ABC>4 <I>5 ABC>6");
    EXPECT_TRUE(records.Find("abc>", 1, false));
    EXPECT_EQ(Rest(records), "3 ABC>4 <I>5 ABC>6");
    EXPECT_TRUE(records.Find("<i>", 1, false));
    EXPECT_EQ(Rest(records), "5 ABC>6");
    EXPECT_TRUE(records.Find("abc>", 1, false));
    EXPECT_EQ(Rest(records), "6");
    EXPECT_FALSE(records.Find("abc>", 1, false));
}

TEST_F(SearchTest, SkipAndCopyUntilStayWithinThePage) {
    Scan search("ab&c");
    search.Skip(1);
    EXPECT_EQ(Rest(search), "b&c");
    char dest[10];
    EXPECT_TRUE(search.CopyUntil(dest, sizeof dest, '&'));
    EXPECT_STREQ(dest, "b");
    EXPECT_EQ(Rest(search), "&c"); // stays on the stop character, page unchanged
    search.Skip(2);                // over the last character
    EXPECT_TRUE(search.Exhausted());

    Scan toEnd("12345");
    EXPECT_TRUE(toEnd.CopyUntil(dest, sizeof dest, '&'));
    EXPECT_STREQ(dest, "12345");
    EXPECT_TRUE(toEnd.Exhausted());
}

TEST_F(SearchTest, CopyUntilNeverWritesPastItsDestination) {
    Scan search("ABCDEFGHIJKLMNOP&rest");
    char dest[8 + 4];
    std::memset(dest, '#', sizeof dest);
    EXPECT_FALSE(search.CopyUntil(dest, 8, '&')); // cut: reported
    EXPECT_STREQ(dest, "ABCDEFG");
    EXPECT_EQ(std::string(dest + 8, 4), "####");
    EXPECT_EQ(Rest(search), "&rest"); // the excess is passed over

    Scan fits("ABCDEFG&");
    EXPECT_TRUE(fits.CopyUntil(dest, 8, '&'));
    EXPECT_STREQ(dest, "ABCDEFG");
}

TEST_F(SearchTest, ReadCentsExamples) {
    struct Case {
        const char* text;
        std::int32_t cents;
        const char* rest;
    };
    const Case cases[] = {
        {"x 12,5<", 1250, ""},
        {"12.50 ", 1250, ""},
        {"12,345x", 1234, "x"},
        {"12 titres", 1200, "titres"},
        {"-3,2%", -320, ""},
        {"prix .75 ", 75, ""},
        {"1 234,56 ", 100, "234,56 "},
        {"- ", 0, ""},
        {"+7,1;", 710, ""},
        {"a,5 ", 500, ""}, // a comma before the value is skipped like any other character
    };
    for (const Case& c : cases) {
        Scan search(c.text);
        std::int32_t cents = -1;
        ASSERT_TRUE(search.ReadCents(&cents)) << c.text;
        EXPECT_EQ(cents, c.cents) << c.text;
        EXPECT_EQ(Rest(search), c.rest) << c.text;
    }
}

TEST_F(SearchTest, NumbersBeyondTheirOutputSaturate) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const std::string sixty(60, '9');
    struct Case {
        std::string text;
        std::int32_t value;
    };
    // 30 000 000,00 is 3e9 cents, one past 2^32 - 1 294 967 296 when wrapped.
    const Case cents[] = {
        {"30000000,00 ", kMax},    {"-30000000,00 ", kMin},    {sixty + ",99 ", kMax},
        {"21474836,47 ", kMax},    {"21474836,46 ", kMax - 1}, {"-21474836,48 ", kMin},
        {"42949672,96 ", kMax},    {"4294967296,00 ", kMax},   {"1" + sixty + " ", kMax},
        {"-" + sixty + " ", kMin}, {"21474836,5 ", kMax},      {"0,01 ", 1},
    };
    for (const Case& c : cents) {
        Scan search(c.text);
        std::int32_t value = 0;
        ASSERT_TRUE(search.ReadCents(&value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    const Case integers[] = {
        {"3000000000 ", kMax}, {"-3000000000 ", kMin},    {"4294967296 ", kMax},
        {"2147483647 ", kMax}, {"2147483646 ", kMax - 1}, {"-2147483648 ", kMin},
        {sixty + " ", kMax},   {"-" + sixty + " ", kMin}, {"+4294967297 ", kMax},
    };
    for (const Case& c : integers) {
        Scan search(c.text);
        std::int32_t value = 0;
        ASSERT_TRUE(search.ReadInt(&value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    for (const auto& [text, value] :
         {std::pair{"+" + sixty + "% ", std::numeric_limits<float>::max()},
          std::pair{"-" + sixty + ",5 ", -std::numeric_limits<float>::max()},
          std::pair{sixty.substr(0, 30) + " ", 1e30f}}) {
        Scan search(text);
        float f = 0;
        ASSERT_TRUE(search.ReadFloat(&f)) << text;
        EXPECT_FLOAT_EQ(f, value) << text;
    }
}

TEST_F(SearchTest, ReadsAtThePageEndFailWithoutWriting) {
    // A value needs a character after it; the page's end is never stepped on.
    for (const char* text : {"12", "12,5", "abc", "-", "+1.25", "x."}) {
        std::int32_t i = 5;
        float f = 5;
        Scan cents(text);
        EXPECT_FALSE(cents.ReadCents(&i)) << text;
        EXPECT_TRUE(cents.Exhausted()) << text;
        if (std::strpbrk(text, ",.") == nullptr) { // a decimal point ends an integer
            EXPECT_FALSE(Scan(text).ReadInt(&i)) << text;
        }
        EXPECT_FALSE(Scan(text).ReadFloat(&f)) << text;
        EXPECT_EQ(i, 5) << text;
        EXPECT_EQ(f, 5.0f) << text;
    }
    double d = 5;
    for (const char* text : {"12/03/01", "abc", "7"})
        EXPECT_FALSE(Scan(text).ReadDate(&d)) << text;
    for (const char* text : {"10:30", "abc", "7"})
        EXPECT_FALSE(Scan(text).ReadTime(&d)) << text;
    EXPECT_EQ(d, 5.0);
}

TEST_F(SearchTest, ReadIntAndReadFloat) {
    Scan search("vol 12.000 titres");
    std::int32_t value = 0;
    ASSERT_TRUE(search.ReadInt(&value));
    EXPECT_EQ(value, 12);
    EXPECT_EQ(Rest(search), "000 titres");

    Scan lone("a - b +42;");
    ASSERT_TRUE(lone.ReadInt(&value));
    EXPECT_EQ(value, 0); // a lone sign reads as 0
    ASSERT_TRUE(lone.ReadInt(&value));
    EXPECT_EQ(value, 42);

    Scan pct("var +1,25% ok");
    float f = 0;
    ASSERT_TRUE(pct.ReadFloat(&f));
    EXPECT_FLOAT_EQ(f, 1.25f);
    EXPECT_EQ(Rest(pct), " ok");                 // the percent sign is consumed
    EXPECT_EQ(std::string(pct.Marque), "+1.25"); // the comma became a point in the page

    Scan second("-2.5.7x");
    ASSERT_TRUE(second.ReadFloat(&f));
    EXPECT_FLOAT_EQ(f, -2.5f);
}

TEST_F(SearchTest, ReadDateAndTime) {
    Scan search("le 12/03/2001 10:30 h");
    double date = 0;
    ASSERT_TRUE(search.ReadDate(&date));
    EXPECT_EQ(date, platform::EncodeDate(2001, 3, 12));
    EXPECT_EQ(Rest(search), "10:30 h");
    double time = 0;
    ASSERT_TRUE(search.ReadTime(&time));
    EXPECT_NEAR(time, (10 * 60 + 30) / 1440.0, 1e-9);

    Scan yy("31/12/99<");
    ASSERT_TRUE(yy.ReadDate(&date));
    EXPECT_EQ(date, platform::EncodeDate(1999, 12, 31));
}

TEST_F(SearchTest, DateOrTimeThatDoesNotConvertRaises) {
    Scan search("31/02/2001 ");
    double value = 0;
    EXPECT_THROW(search.ReadDate(&value), platform::ConversionError);
    Scan clock("25:61 ");
    EXPECT_THROW(clock.ReadTime(&value), platform::ConversionError);
}

} // namespace
