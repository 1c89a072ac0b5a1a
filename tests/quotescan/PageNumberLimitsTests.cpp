// Numbers on quote, intraday and history pages that do not fit their 32-bit fields, and signed
// prices and volumes, read the same way on every site.

#include "QuoteTestSupport.h"

#include "quotescan/AskWeb.h"

#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace quotescan_test;

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos)
        throw std::runtime_error("no " + from + " in the test page");
    text.replace(at, from.size(), to);
    return text;
}

void ExpectNothingNegative(const InfosCours& q, const std::string& what) {
    EXPECT_GE(q.Cours, 0) << what;
    EXPECT_GE(q.Bas, 0) << what;
    EXPECT_GE(q.Haut, 0) << what;
    EXPECT_GE(q.Ouverture, 0) << what;
    EXPECT_GE(q.Volume, 0) << what;
}

// Each site's test quote page gives the price 45,30, the low 44,50, the high 46,00, the volume
// 1250 and the variation +1,25.
struct QuoteSite {
    int site;
    const char* file;
};

void PrintTo(const QuoteSite& s, std::ostream* os) {
    *os << s.file;
}

class QuoteLimits : public ::testing::TestWithParam<QuoteSite> {
protected:
    // Analyses the site's quote page with one text replaced.
    bool Analyse(const std::string& from, const std::string& to) {
        ask = Request(GetParam().site, AskKind::Quote);
        page = PageText(Replaced(PageFileText(GetParam().file), from, to));
        return AnalyseRep(&ask, page.data());
    }

    AskWeb ask{};
    std::vector<char> page;
};

// Every site reads its numbers through the same saturating readers, whose limits the search
// tests walk; one number past each limit per field shows that the site goes through them.
TEST_P(QuoteLimits, HugeNumbersSaturateInsteadOfTurningNegative) {
    // 3e9 cents, which wraps to -1 294 967 296 in 32 bits.
    ASSERT_TRUE(Analyse("45,30", "30000000,00"));
    EXPECT_EQ(ask.Infos.Cours, kMax);
    EXPECT_EQ(ask.Infos.Haut, 4600);
    ASSERT_TRUE(Analyse("44,50", std::string(60, '9')));
    EXPECT_EQ(ask.Infos.Bas, kMax);
    EXPECT_EQ(ask.Infos.Cours, 4530);
    ASSERT_TRUE(Analyse(">1250<", ">3000000000<"));
    EXPECT_EQ(ask.Infos.Volume, kMax);
    EXPECT_EQ(ask.Infos.Ouverture, 4480);
    // Thousands that fit 32 bits but whose shares do not (site 3 gives shares).
    ASSERT_TRUE(Analyse(">1250<", ">9999999<"));
    EXPECT_EQ(ask.Infos.Volume, GetParam().site == 3 ? 9999999 : kMax);

    const std::string digits(60, '9');
    ASSERT_TRUE(Analyse("+1,25", "+" + digits));
    EXPECT_EQ(ask.Infos.Variation, std::numeric_limits<float>::max());
    ASSERT_TRUE(Analyse("+1,25", "-" + digits));
    EXPECT_EQ(ask.Infos.Variation, -std::numeric_limits<float>::max());
    // A falling price is an ordinary variation.
    ASSERT_TRUE(Analyse("+1,25", "-1,25"));
    EXPECT_FLOAT_EQ(ask.Infos.Variation, -1.25f);
}

TEST_P(QuoteLimits, SignedPricesAndVolumesAreRefused) {
    const std::pair<const char*, const char*> signedValues[] = {
        {"45,30", "-45,30"}, {"44,50", "-44,50"}, {">1250<", ">-1250<"}, {"45,30", "-30000000,00"}};
    for (const auto& [from, to] : signedValues) {
        EXPECT_FALSE(Analyse(from, to)) << to;
        ExpectNothingNegative(ask.Infos, to);
    }
}

INSTANTIATE_TEST_SUITE_P(EverySite, QuoteLimits,
                         ::testing::Values(QuoteSite{0, "site0_quote.html"},
                                           QuoteSite{1, "site1_quote.html"},
                                           QuoteSite{2, "site2_quote.html"},
                                           QuoteSite{3, "site3_quote.html"}),
                         [](const auto& info) { return "Site" + std::to_string(info.param.site); });

// Sites 1 and 2 also give intraday points (the second one at 45.25) and history records (the
// second one at 44.90).
class PointLimits : public ::testing::TestWithParam<int> {
protected:
    std::string PageName(const char* kind) const {
        return "site" + std::to_string(GetParam()) + "_" + kind + ".html";
    }
    bool Intraday(const std::string& price) {
        ask = Request(GetParam(), AskKind::Intraday);
        ask.Infos.Date = platform::EncodeDate(2001, 3, 12);
        SetFichier(ask, file);
        page = PageText(Replaced(PageFileText(PageName("intraday")), "45.25", price));
        return AnalyseRep(&ask, page.data());
    }
    std::vector<std::int32_t> HistoryPrices(const std::string& price) {
        ask = Request(GetParam(), AskKind::History);
        page = PageText(Replaced(PageFileText(PageName("history")), "44.90", price));
        std::vector<std::int32_t> prices;
        if (!AnalyseRep(&ask, page.data()))
            return prices;
        for (InfosCours infos{}; !GetNextRep(&infos); infos = InfosCours{})
            prices.push_back(infos.Cours);
        return prices;
    }

    TempFolder dir;
    std::filesystem::path file = dir.Path() / "12000.itd";
    AskWeb ask{};
    std::vector<char> page;
};

// A huge price saturates; a signed one ends the points or records before it.
TEST_P(PointLimits, IntradayPrices) {
    ASSERT_TRUE(Intraday("30000000.00"));
    EXPECT_EQ(FileLines(file),
              (std::vector<std::string>{"12/03/01", "4510 930", "2147483647 1200", "4530 1735"}));
    EXPECT_FALSE(Intraday("-45.25"));
    EXPECT_EQ(FileLines(file), (std::vector<std::string>{"12/03/01", "4510 930"}));
}

TEST_P(PointLimits, HistoryPrices) {
    const std::vector<std::int32_t> prices = HistoryPrices("30000000.00");
    ASSERT_GE(prices.size(), 3u);
    EXPECT_EQ(prices[0], 4510);
    EXPECT_EQ(prices[1], kMax);
    EXPECT_EQ(prices[2], 4600);
    EXPECT_EQ(HistoryPrices("-44.90"), std::vector<std::int32_t>{4510});
}

INSTANTIATE_TEST_SUITE_P(IntradayAndHistorySites, PointLimits, ::testing::Values(1, 2),
                         [](const auto& info) { return "Site" + std::to_string(info.param); });

} // namespace
