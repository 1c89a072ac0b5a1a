#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <utility>

using namespace platform;

TEST(ScanInt, ReadsAsFarAsTheNumberGoesAndWrapsTo32Bits) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"42", 42},
        {" \t\n-17abc", -17},
        {"+5 6", 5},
        {"007", 7},
        {"12.75", 12},
        {"3000000000", -1294967296},
        {"2147483648", std::numeric_limits<std::int32_t>::min()},
        {"-2147483649", std::numeric_limits<std::int32_t>::max()},
        {"4294967297", 1},
        {"9223372036854775806", -2}, // the widest long read exactly
        // Beyond 64 bits the C library saturates its long first.
        {"99999999999999999999999", -1},
        {"-99999999999999999999999", 0},
    };
    for (const auto& [text, value] : cases) {
        std::int32_t v = 99;
        EXPECT_TRUE(ScanInt(text, v)) << text;
        EXPECT_EQ(v, value) << text;
    }
}

TEST(ScanInt, NoNumberLeavesTheTarget) {
    for (const char* text : {"", "   ", "abc", "-", "+", "- 5", "+-1", ".5", "x12"}) {
        std::int32_t v = 99;
        EXPECT_FALSE(ScanInt(text, v)) << text;
        EXPECT_EQ(v, 99) << text;
    }
}

TEST(ScanFloat, ReadsLikeTheCConversion) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<const char*, float> floats[] = {
        {" 3.25xyz", 3.25f}, {"0.1", 0.1f}, // rounded once, straight to float
        {"-.5", -0.5f},      {"+1e3;", 1000.0f}, {"12,5", 12.0f}, {"1e40", static_cast<float>(inf)},
    };
    for (const auto& [text, value] : floats) {
        float f = -1;
        EXPECT_TRUE(ScanFloat(text, f)) << text;
        EXPECT_EQ(f, value) << text;
    }
    const std::pair<const char*, double> doubles[] = {
        {"\t123456.789012", 123456.789012},
        {"-1e999", -inf},
        {"1e-999", 0.0},
        {"0.0000000000000000000000000000000000000000000001e-300", 0.0},
        {"0x1.8p1", 3.0},
        {"0xz", 0.0},
        {"1e5x", 100000.0},
    };
    for (const auto& [text, value] : doubles) {
        double d = -1;
        EXPECT_TRUE(ScanDouble(text, d)) << text;
        EXPECT_EQ(d, value) << text;
    }
    for (const char* text : {"", "  ", "abc", ".", "-", "+-1", "e5", "- 1"}) {
        float g = 7;
        double h = 7;
        EXPECT_FALSE(ScanFloat(text, g)) << text;
        EXPECT_FALSE(ScanDouble(text, h)) << text;
        EXPECT_EQ(g, 7) << text;
        EXPECT_EQ(h, 7) << text;
    }
}

// The C library in the "C" locale is the reference for the ordinary cases.
TEST(NumberTexts, AgreeWithTheCLibraryInTheCLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    std::mt19937_64 rng(2024);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-8, 15);
    char expected[512];
    for (int i = 0; i < 20000; ++i) {
        const double value = mantissa(rng) * std::pow(10.0, exponent(rng));
        const int decimals = i % 9;
        std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
        ASSERT_EQ(FormatFixed(value, decimals), expected) << value;
        std::snprintf(expected, sizeof expected, "%.17g", value);
        double back = 0;
        ASSERT_TRUE(ScanDouble(expected, back));
        ASSERT_EQ(back, value) << expected;
        float f = 0;
        float reference = 0;
        std::sscanf(expected, "%f", &reference);
        ASSERT_TRUE(ScanFloat(expected, f));
        ASSERT_EQ(f, reference) << expected;
    }
    for (const double halfway : {0.125, 2.675, 1.005, 0.5, 1.5, 2.5, -0.375, 1e15 + 0.5}) {
        std::snprintf(expected, sizeof expected, "%.2f", halfway);
        EXPECT_EQ(FormatFixed(halfway, 2), expected);
        std::snprintf(expected, sizeof expected, "%f", halfway);
        EXPECT_EQ(FormatFixed(halfway), expected);
    }
    EXPECT_EQ(FormatFixed(1.0 / 3.0), "0.333333");
    EXPECT_EQ(FormatFixed(-2.5, 0), "-2");
    EXPECT_EQ(FormatInt(-2147483648LL), "-2147483648");
    EXPECT_EQ(FormatInt(1234567), "1234567");
}

// Qt sets LC_NUMERIC from the environment; a French one must change nothing here.
TEST(NumberTexts, IgnoreAFrenchLocale) {
    struct RestoreC {
        ~RestoreC() { std::setlocale(LC_ALL, "C"); }
    } restore;
    ASSERT_NE(std::setlocale(LC_ALL, "fr_FR.UTF-8"), nullptr)
        << "the fr_FR.UTF-8 locale must be installed for this test";
    char probe[32];
    std::snprintf(probe, sizeof probe, "%.1f", 3.5);
    ASSERT_STREQ(probe, "3,5") << "the locale is not in effect, the test would prove nothing";
    EXPECT_EQ(FormatFixed(3.5, 1), "3.5");
    EXPECT_EQ(FormatFixed(1234.5), "1234.500000");
    double d = 0;
    ASSERT_TRUE(ScanDouble("3.5", d));
    EXPECT_EQ(d, 3.5);
    float f = 0;
    ASSERT_TRUE(ScanFloat("  -0.25", f));
    EXPECT_EQ(f, -0.25f);
    EXPECT_EQ(FormatNumber(1234.5), "1\u00A0234,50");
}

TEST(FormatNumber, GroupsThousandsWithUserSeparators) {
    EXPECT_EQ(FormatNumber(1234567.891), "1\u00A0234\u00A0567,89");
    EXPECT_EQ(FormatNumber(-1234.5), "-1\u00A0234,50");
    EXPECT_EQ(FormatNumber(0), "0,00");
    EXPECT_EQ(FormatNumber(999.5, 0), "1\u00A0000");
    EXPECT_EQ(FormatNumber(123.456), "123,46");
    EXPECT_EQ(FormatNumber(0.05, 1), "0,1");
    EXPECT_EQ(FormatNumber(100000), "100\u00A0000,00");
    FormatSettings& settings = FormatSettings::Current();
    const FormatSettings saved = settings;
    settings.ThousandSeparator = ".";
    settings.DecimalSeparator = ',';
    EXPECT_EQ(FormatNumber(-9876543.21), "-9.876.543,21");
    settings = saved;
}

TEST(FormatNumber, RoundsHalfUpOnTheDecimalDigits) {
    // Halves that are exact in binary go up, unlike printf's round-to-even.
    EXPECT_EQ(FormatNumber(0.125), "0,13");
    EXPECT_EQ(FormatNumber(-0.125), "-0,13");
    // 2.675 is slightly below in binary: it stays down.
    EXPECT_EQ(FormatNumber(2.675), "2,67");
    EXPECT_EQ(FormatNumber(999.995), "1\u00A0000,00");
    // A value that rounds to zero carries no sign.
    EXPECT_EQ(FormatNumber(-0.001), "0,00");
    // Nine significant digits first, then the decimals.
    EXPECT_EQ(FormatNumber(123456789.126), "123\u00A0456\u00A0789,00");
    EXPECT_EQ(FormatNumber(1234567.8951, 2, 9), "1\u00A0234\u00A0567,90");
    EXPECT_EQ(FormatNumber(1234567.8949, 2, 9), "1\u00A0234\u00A0567,89");
    // Too many integer digits for the precision: the general form.
    EXPECT_EQ(FormatNumber(1234567890.0), "1,23456789E9");
    EXPECT_EQ(FormatFixedUser(3.14159, 3), "3,142");
    EXPECT_EQ(FormatFixedUser(1234567.5, 1), "1234567,5");
    EXPECT_EQ(FormatFixedUser(0.000012345, 5, 9), "0,00001");
}

TEST(FormatMask, GroupsThousandsAndKeepsTheMasksDecimals) {
    EXPECT_EQ(FormatMask("0,.00", 1234567.891), "1\u00A0234\u00A0567,89");
    EXPECT_EQ(FormatMask("0,.00", -1234.5), "-1\u00A0234,50");
    EXPECT_EQ(FormatMask("0,.00", 0.0), "0,00");
    // Fifteen significant digits, where the windows' figures keep nine.
    EXPECT_EQ(FormatMask("0,.00", 123456789012.34), "123\u00A0456\u00A0789\u00A0012,34");
    EXPECT_EQ(FormatMask("0.000", 1234.5), "1234,500");
    EXPECT_EQ(FormatMask("0,", 1234.6), "1\u00A0235");
}
