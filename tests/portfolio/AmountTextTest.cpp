// Typed amount texts to numbers and back, under a French C locale as Qt leaves it.

#include "portfolio/Cv.h"

#include "platform/ConversionError.h"
#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace {

class AmountTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The conversions must not follow the C locale; a French one has "," as decimal point.
        ASSERT_NE(std::setlocale(LC_ALL, "fr_FR.UTF-8"), nullptr)
            << "the fr_FR.UTF-8 locale is missing (scripts/install-deps.sh generates it)";
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }

    std::string Trunc(float valeur) {
        std::string texte = "inchangé";
        corv.FloatToTextTrunc(2, texte, valeur);
        return texte;
    }

    TCorv corv{"."};
};

TEST_F(AmountTextTest, TextToCentsReadsEurosWithEitherSeparator) {
    EXPECT_EQ(corv.TextToCents("7"), 700);
    EXPECT_EQ(corv.TextToCents("0,05"), 5);
    EXPECT_EQ(corv.TextToCents("1.5"), 150);
    EXPECT_EQ(corv.TextToCents("12,5"), 1250);
    EXPECT_EQ(corv.TextToCents("12,34"), 1234);
    EXPECT_EQ(corv.TextToCents("12,345"), 1234); // cut, not rounded
    EXPECT_EQ(corv.TextToCents("12,"), 1200);
    EXPECT_EQ(corv.TextToCents("12,50 €"), 1250);
    EXPECT_EQ(corv.TextToCents("12 € ,"), 1200);
    EXPECT_EQ(corv.TextToCents(" 3"), 300);
    EXPECT_EQ(corv.TextToCents("-1,5"), -150);
    EXPECT_EQ(corv.TextToCents("-0,05"), -5);
    EXPECT_EQ(corv.TextToCents("21474836,47"), 2147483647);
    // Nothing left once the trailing characters are cut.
    EXPECT_EQ(corv.TextToCents(""), 0);
    EXPECT_EQ(corv.TextToCents("abc"), 0);
}

TEST_F(AmountTextTest, TextToCentsRefusesMalformedOrTooLargeAmounts) {
    for (const char* texte :
         {"12a5", ",5", "1,2,3", "1,a5", "1 2", "1,-5", "21474836,48", "30000000", "99999999999"})
        EXPECT_THROW(corv.TextToCents(texte), platform::ConversionError) << texte;
}

// A figure as the window shows it reads back: a space or a no-break space between groups of
// three digits of the integer part, and nowhere else.
TEST_F(AmountTextTest, ThousandsGroupedAsTheWindowShowsThemReadBack) {
    const std::string nbsp = "\u00A0";
    const std::string narrow = "\u202F";
    struct Cas {
        std::string texte;
        std::optional<std::int32_t> centimes; // nothing: refused
    };
    const std::vector<Cas> cas = {
        {"1 234,56", 123456},
        {"1" + nbsp + "234,56", 123456},
        {"10 000,00", 1000000},
        {"21 474 836,47", 2147483647},
        {"21" + nbsp + "474 836,47", 2147483647},
        {"-1 234,5", -123450},
        {" 1 234 €", 123400},
        {"1 234.56", 123456},
        {"999 999", 99999900},
        {"12 34,56", std::nullopt},
        {"1  234", std::nullopt},
        {"1234 567", std::nullopt},
        {"1 2345", std::nullopt},
        {"1 23", std::nullopt},
        {" 234", 23400}, // a leading blank is cut, as before
        {"1 ,5", std::nullopt},
        {"1, 234", std::nullopt},
        {"1" + narrow + "234", std::nullopt},
        {"1\t234", std::nullopt},
        {"21 474 836,48", std::nullopt},
    };
    for (const Cas& c : cas) {
        if (c.centimes) {
            EXPECT_EQ(corv.TextToCents(c.texte), *c.centimes) << c.texte;
            EXPECT_FLOAT_EQ(corv.TextToFloat(c.texte, 2), static_cast<float>(*c.centimes / 100.0))
                << c.texte;
        } else {
            EXPECT_THROW(corv.TextToCents(c.texte), platform::ConversionError) << c.texte;
        }
    }
    // What the window's number format writes, read back to the cent.
    for (const double montant : {1234.56, 10000.0, 2147483.47, -987654.32})
        EXPECT_EQ(corv.TextToCents(platform::FormatNumber(montant)),
                  static_cast<std::int32_t>(std::lround(montant * 100)))
            << platform::FormatNumber(montant);
}

TEST_F(AmountTextTest, TextToFloatReadsEitherSeparator) {
    EXPECT_EQ(corv.TextToFloat("12.5", 2), 12.5f);
    EXPECT_EQ(corv.TextToFloat("12,5", 2), 12.5f);
    EXPECT_EQ(corv.TextToFloat("12,50 €", 2), 12.5f);
    EXPECT_EQ(corv.TextToFloat("0,1", 2), 0.1f);
    EXPECT_EQ(corv.TextToFloat("-3,25", 2), -3.25f);
    EXPECT_EQ(corv.TextToFloat(",5", 2), 0.5f);
    EXPECT_EQ(corv.TextToFloat("7,", 2), 7.0f);
    EXPECT_EQ(corv.TextToFloat("6,55957", 0), 6.55957f);
    EXPECT_EQ(corv.TextToFloat("1,5E2", 2), 150.0f);
    EXPECT_EQ(corv.TextToFloat("", 2), 0.0f);
}

TEST_F(AmountTextTest, TextToFloatRefusesWhatIsNotANumber) {
    for (const char* texte : {"abc", "12a5", ",", " ", "1,2,3", "--1", "1e39", "1 00"})
        EXPECT_THROW(corv.TextToFloat(texte, 2), platform::ConversionError) << texte;
}

TEST_F(AmountTextTest, ARefusedTextIsQuotedAsTyped) {
    // The message names what the user typed, not what is left once the trailing characters
    // are cut or the part before the "," taken.
    const auto what = [](const auto& conversion) -> std::string {
        try {
            conversion();
        } catch (const platform::ConversionError& e) {
            return e.what();
        }
        return "accepté";
    };
    const auto cite = [&](const auto& conversion) {
        const std::string message = what(conversion);
        return message.substr(0, message.find('\'', 1) + 1);
    };
    for (const std::string texte : {"abc", "12a5 €", "1,2,3"})
        EXPECT_EQ(cite([&] { corv.TextToFloat(texte, 2); }), "'" + texte + "'");
    for (const std::string texte : {",5", "12a5 €", "1,a5", "1 2"})
        EXPECT_EQ(cite([&] { corv.TextToCents(texte); }), "'" + texte + "'");
    // An amount or a rate is no whole value: the message says what was expected.
    const std::string montant = what([&] { corv.TextToCents("12a5"); });
    const std::string taux = what([&] { corv.TextToFloat("12a5", 2); });
    EXPECT_EQ(montant.find("entière"), std::string::npos) << montant;
    EXPECT_NE(montant, taux);
    // Stray text past the cents is no amount either.
    EXPECT_THROW(corv.TextToCents("12,34a5"), platform::ConversionError);
}

TEST_F(AmountTextTest, FloatToTextCutsAtTheAskedDecimals) {
    EXPECT_EQ(Trunc(2.999f), "2.99");
    EXPECT_EQ(Trunc(12.349f), "12.34");
    EXPECT_EQ(Trunc(12.3496f), "12.35"); // only the dropped decimal is rounded
    EXPECT_EQ(Trunc(-0.5f), "-0.50");
    EXPECT_EQ(Trunc(1234567.0f), "1234567.00");
    // What it writes reads back.
    EXPECT_EQ(corv.TextToCents(Trunc(12.349f)), 1234);
    EXPECT_EQ(corv.TextToFloat(Trunc(2.5f), 2), 2.5f);
}

} // namespace
