// Quote pages of the four sites, read through the library's exported functions.

#include "QuoteTestSupport.h"

#include "quotescan/AskWeb.h"

#include "platform/ConversionError.h"
#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

using namespace quotescan_test;

namespace {

// Every test quote page holds the same quote.
InfosCours ExpectedQuote(int site) {
    InfosCours q{};
    q.Cours = 4530;
    q.Variation = 1.25f;
    q.Volume = site == 3 ? 1250 : 1250000; // site 3 gives shares, the others thousands
    q.Ouverture = 4480;
    q.Bas = 4450;
    q.Haut = 4600;
    return q;
}

void ExpectValues(const InfosCours& got, const InfosCours& want, const std::string& what) {
    EXPECT_EQ(got.Cours, want.Cours) << what;
    EXPECT_EQ(got.Variation, want.Variation) << what;
    EXPECT_EQ(got.Volume, want.Volume) << what;
    EXPECT_EQ(got.Ouverture, want.Ouverture) << what;
    EXPECT_EQ(got.Bas, want.Bas) << what;
    EXPECT_EQ(got.Haut, want.Haut) << what;
}

struct QuotePage {
    int site;
    const char* name; // test name
    const char* file;
};
const QuotePage kQuotePages[] = {
    {0, "Site0", "site0_quote.html"}, {0, "Site0Case", "site0_quote_case.html"},
    {1, "Site1", "site1_quote.html"}, {1, "Site1Case", "site1_quote_case.html"},
    {2, "Site2", "site2_quote.html"}, {2, "Site2Case", "site2_quote_case.html"},
    {3, "Site3", "site3_quote.html"}, {3, "Site3Case", "site3_quote_case.html"},
};

void PrintTo(const QuotePage& p, std::ostream* out) {
    *out << p.file;
}

class QuotePageOfSite : public ::testing::TestWithParam<QuotePage> {};

TEST_P(QuotePageOfSite, GivesTheQuoteStampedNow) {
    const QuotePage& p = GetParam();
    AskWeb ask = Request(p.site, AskKind::Quote);
    ask.Infos.Date = 1;
    std::vector<char> page = PageFile(p.file);
    const double before = platform::Clock::Now();
    ASSERT_TRUE(AnalyseRep(&ask, page.data()));
    const double after = platform::Clock::Now();
    ExpectValues(ask.Infos, ExpectedQuote(p.site), p.file);
    // The moment of reading, never the page's own date (site 2 gives 12/03/01).
    EXPECT_GE(ask.Infos.Date + ask.Infos.Heure, before - 1e-6);
    EXPECT_LE(ask.Infos.Date + ask.Infos.Heure, after + 1e-6);
    EXPECT_EQ(ask.Infos.Date, platform::DateOf(ask.Infos.Date));
    EXPECT_LT(ask.Infos.Heure, 1.0);
}

TEST_P(QuotePageOfSite, EveryCutFailsOrGivesTheWholeQuote) {
    const QuotePage& p = GetParam();
    const std::string text = PageFileText(p.file);
    // The last value of each page needs the character that closes it.
    const char* last = p.site == 0 ? "46,00" : p.site == 2 ? "&SRCODBC" : "44,50";
    const std::size_t lastValue = text.rfind(last) + (p.site == 2 ? 0 : std::strlen(last));
    for (std::size_t length = 0; length < text.size(); ++length) {
        AskWeb ask = Request(p.site, AskKind::Quote, "12000");
        std::vector<char> page = PageText(text.substr(0, length));
        const bool ok = AnalyseRep(&ask, page.data());
        if (length <= lastValue) {
            EXPECT_FALSE(ok) << "cut at " << length;
        }
        if (ok)
            ExpectValues(ask.Infos, ExpectedQuote(p.site), p.file);
        // A site identifier cut by the page's end could name another security.
        EXPECT_STREQ(ask.Code, ok && p.site == 2 ? "12345" : "12000") << "cut at " << length;
    }
}

INSTANTIATE_TEST_SUITE_P(ValidAndCaseChanged, QuotePageOfSite, ::testing::ValuesIn(kQuotePages),
                         [](const ::testing::TestParamInfo<QuotePage>& info) {
                             return std::string(info.param.name);
                         });

TEST(QuotePages, CutPageKeepsTheValuesReadBeforeTheGap) {
    AskWeb ask = Request(0, AskKind::Quote);
    ask.Infos.Haut = 5;
    ask.Infos.Date = 5;
    std::vector<char> page = PageFile("site0_quote_cut.html");
    EXPECT_FALSE(AnalyseRep(&ask, page.data()));
    EXPECT_EQ(ask.Infos.Cours, 4530);
    EXPECT_EQ(ask.Infos.Bas, 4450);
    EXPECT_EQ(ask.Infos.Haut, 0); // cleared first, never read
    EXPECT_EQ(ask.Infos.Date, 0); // not stamped
}

TEST(QuotePages, SiteTwoTakesTheSiteIdentifierOfTheSecurity) {
    AskWeb ask = Request(2, AskKind::Quote, "12000");
    std::vector<char> page = PageFile("site2_quote.html");
    ASSERT_TRUE(AnalyseRep(&ask, page.data()));
    EXPECT_STREQ(ask.Code, "12345");
    // The next requests for the security send it.
    ask.Type = AskKind::Intraday;
    ASSERT_TRUE(GetFormule(&ask));
    EXPECT_NE(std::strstr(ask.Formule, "VALEUR=12345&"), nullptr);
}

TEST(QuotePages, SiteTwoIdentifierTooLongKeepsTheCallersCode) {
    AskWeb ask = Request(2, AskKind::Quote, "12000");
    std::memset(ask.Code + 6, '#', sizeof ask.Code - 6); // beyond the NUL: must stay as it is
    std::vector<char> page = PageFile("site2_quote_longid.html");
    ASSERT_TRUE(AnalyseRep(&ask, page.data()));
    EXPECT_EQ(std::string(ask.Code, sizeof ask.Code), std::string("12000\0####", 10));
    EXPECT_EQ(ask.Infos.Cours, 4530);
}

TEST(QuotePages, SiteTwoWithoutIntradayLinkFails) {
    AskWeb ask = Request(2, AskKind::Quote, "12000");
    std::vector<char> page = PageFile("site2_quote_nolink.html");
    EXPECT_FALSE(AnalyseRep(&ask, page.data()));
    EXPECT_EQ(ask.Infos.Cours, 4530); // the values were read all the same
    EXPECT_STREQ(ask.Code, "12000");
}

TEST(QuotePages, DateThatDoesNotConvertReachesTheCaller) {
    AskWeb ask = Request(2, AskKind::Quote);
    std::vector<char> page = PageFile("site2_quote_baddate.html");
    try {
        AnalyseRep(&ask, page.data());
        ADD_FAILURE() << "no conversion error";
    } catch (const platform::ConversionError& error) {
        EXPECT_NE(std::string(error.what()).find("31/02/01"), std::string::npos);
    }
    InfosCours infos{};
    EXPECT_TRUE(GetNextRep(&infos));
}

} // namespace
