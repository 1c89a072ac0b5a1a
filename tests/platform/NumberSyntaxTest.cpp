#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

using namespace platform;

namespace {

struct NormalCase {
    const char* text;
    std::optional<std::string> expected;
};

void ExpectNormalised(const NumberSyntax& syntax, const std::vector<NormalCase>& cases) {
    for (const auto& c : cases)
        EXPECT_EQ(NormaliseNumber(c.text, syntax), c.expected) << '"' << c.text << '"';
}

} // namespace

TEST(Trim, CutsEachSideByItsOwnBlanks) {
    EXPECT_EQ(Trim(" \t12\t \r\n"), "12");
    // A line end before the text is not a cell's blank.
    EXPECT_EQ(Trim("\n12"), "\n12");
    EXPECT_EQ(Trim("  \t "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim(" a b "), "a b");
    EXPECT_EQ(Trim("  7  ", Blanks{" ", ""}), "7  ");
    EXPECT_EQ(TrimLeft("\v\f\r 3", kCBlanks), "3");
    EXPECT_EQ(TrimRight("3\v\f\r ", kCBlanks), "3");
    EXPECT_EQ(TrimLeft("x ", kCBlanks), "x ");
}

TEST(NormaliseNumber, CellDecimalsTakeEitherPointAndGroupSpaces) {
    ExpectNormalised(kCellDecimal, {
                                       {"12,5", "12.5"},
                                       {"12.5", "12.5"},
                                       {" +1 234,50\r\n", "1234.50"},
                                       {"1\xC2\xA0"
                                        "234",
                                        "1234"},
                                       {"1\xE2\x80\xAF"
                                        "234",
                                        "1234"},
                                       {"- 5", "-5"},
                                       {",5", "0.5"},
                                       {"-.5", "-0.5"},
                                       {"5.", "5."},
                                       {"1e5", "1e5"},
                                       {"1,5E-3", "1.5e-3"},
                                       {"1 e 5", "1e5"},
                                       {"", std::nullopt},
                                       {",", std::nullopt},
                                       {"-", std::nullopt},
                                       {"1e", std::nullopt},
                                       {"1e+", std::nullopt},
                                       {"1,2,3", std::nullopt},
                                       {"1.2,3", std::nullopt},
                                       {"+-5", std::nullopt},
                                       {"--5", std::nullopt},
                                       {"12a", std::nullopt},
                                       {"1\t2", std::nullopt},
                                       {"-INF", "-INF"},
                                       {"Infinity", "Infinity"},
                                       {"nan", "nan"},
                                       {"nan(1)", std::nullopt},
                                       {"1inf", std::nullopt},
                                       {"0x1p3", std::nullopt},
                                       // A lone lead byte of a no-break space is no blank.
                                       {"1\xC2"
                                        "2",
                                        std::nullopt},
                                   });
}

TEST(NormaliseNumber, AmountDecimalsTakeACommaOnly) {
    ExpectNormalised(kAmountDecimal, {
                                         {" 12,5 ", "12.5"},
                                         {"-,25", "-0.25"},
                                         {"3e2", "3e2"},
                                         {"12.5", std::nullopt},
                                         {"1 000", "1000"},
                                         {"1 00", std::nullopt},
                                         {"\t12", std::nullopt},
                                         {"12\r\n", std::nullopt},
                                         {"inf", std::nullopt},
                                         {"nan", std::nullopt},
                                     });
}

TEST(NormaliseNumber, WholeNumbersHaveNoPointNorExponent) {
    ExpectNormalised(kCellInteger, {
                                       {" +42\t\r\n", "42"},
                                       {"-007", "-007"},
                                       {"1 000", std::nullopt},
                                       {"4.0", std::nullopt},
                                       {"4,0", std::nullopt},
                                       {"1e3", std::nullopt},
                                   });
    ExpectNormalised(kAmountCents, {
                                       {"  12", "12"},
                                       {"12 ", std::nullopt},
                                       {"\t12", std::nullopt},
                                   });
}

TEST(ParseInt32, KeepsToThe32BitRange) {
    EXPECT_EQ(ParseInt32("2147483647", kCellInteger), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ParseInt32("-2147483648", kCellInteger), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ParseInt32("2147483648", kCellInteger), std::nullopt);
    EXPECT_EQ(ParseInt32("-2147483649", kCellInteger), std::nullopt);
    EXPECT_EQ(ParseInt32("99999999999999999999999", kCellInteger), std::nullopt);
    EXPECT_EQ(ParseInt32("000000000000000000000012", kAmountCents), 12);
    EXPECT_EQ(ParseInt32("-0", kAmountCents), 0);
    EXPECT_EQ(ParseInt32(" -17", kAmountCents), -17);
    // The syntax's decimal point and exponent do not apply to a whole number.
    EXPECT_EQ(ParseInt32("12,0", kCellDecimal), std::nullopt);
    EXPECT_EQ(ParseInt32("1 200", kCellDecimal), 1200);
}

TEST(ParseCents, ReadsWholeCentsOrNothing) {
    const struct {
        const char* text;
        std::optional<std::int32_t> cents;
    } cases[] = {
        {"12", 1200},
        {"12,5", 1250},
        {"12.50", 1250},
        {"12,500", 1250},
        {",5", 50},
        {"-0,05", -5},
        {"21 474 836,47", std::numeric_limits<std::int32_t>::max()},
        {"-21474836,48", std::numeric_limits<std::int32_t>::min()},
        // Nothing rather than another amount: cut decimals, overflow, other forms of number.
        {"12,345", std::nullopt},
        {"12,0001", std::nullopt},
        {"21474836,48", std::nullopt},
        {"0x10", std::nullopt},
        {"1e3", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"12;30", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseCents(c.text, kCellDecimal), c.cents) << '"' << c.text << '"';
}

TEST(ParseDouble, ReadsExactlyAndRefusesOutOfRange) {
    EXPECT_EQ(ParseDouble("0,1", kCellDecimal), 0.1);
    EXPECT_EQ(ParseDouble("-1 234,5e1", kCellDecimal), -12345.0);
    EXPECT_EQ(ParseDouble("1.7976931348623157e308", kCellDecimal),
              std::numeric_limits<double>::max());
    EXPECT_EQ(ParseDouble("1e309", kCellDecimal), std::nullopt);
    EXPECT_EQ(ParseDouble("-1e309", kCellDecimal), std::nullopt);
    EXPECT_EQ(ParseDouble("abc", kCellDecimal), std::nullopt);
    // Let through for a caller that tells its own range refusal.
    EXPECT_EQ(ParseDouble(" -inf ", kCellDecimal), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(ParseDouble("NaN", kCellDecimal).value_or(0.0)));
}

TEST(ParseSingle, NarrowsAndRefusesBeyondTheFloatRange) {
    EXPECT_EQ(ParseSingle("12,5", kAmountDecimal), 12.5f);
    EXPECT_EQ(ParseSingle("0,1", kAmountDecimal), 0.1f);
    EXPECT_EQ(ParseSingle("-3,4e38", kAmountDecimal), -3.4e38f);
    EXPECT_EQ(ParseSingle("3,5e38", kAmountDecimal), std::nullopt);
    EXPECT_EQ(ParseSingle("1e300", kAmountDecimal), std::nullopt);
    // Far below the float range the value narrows to zero rather than being refused.
    EXPECT_EQ(ParseSingle("1e-60", kAmountDecimal), 0.0f);
    EXPECT_EQ(ParseSingle("1.5", kAmountDecimal), std::nullopt);
}
