// Site parsers reached directly, with the clock fixed.

#include "QuoteTestSupport.h"

#include "quotescan/Sites.h"

#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quotescan_test;
using quotescan::CWebCota;
using quotescan::CWebSelect;

namespace {

class SiteParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        now = platform::EncodeDate(2024, 6, 15) + platform::EncodeTime(14, 5, 0);
        platform::Clock::SetFixed(now);
    }
    void TearDown() override { platform::Clock::Reset(); }
    double now = 0;
};

TEST_F(SiteParserTest, SiteOneDateTextNeedsEightCharacters) {
    EXPECT_EQ(CWebCota::DateText("20010315\">"), "15/03/2001");
    EXPECT_EQ(CWebCota::DateText("2001031"), "");
    EXPECT_EQ(CWebCota::DateText(""), "");
}

TEST_F(SiteParserTest, OverlongSiteTwoDateIsCut) {
    std::string text = PageFileText("site2_history.html");
    const std::string from = "value=\"991231\"";
    text.replace(text.find(from), from.size(), "value=\"0103159999999999999999\"");
    std::vector<char> page = PageText(text);
    AskWeb ask = Request(2, AskKind::History);
    CWebSelect parser(&ask);
    ASSERT_TRUE(parser.Analyse(page.data()));
    EXPECT_EQ(parser.Reste, 4);
    InfosCours infos{};
    ASSERT_FALSE(parser.NextHisto(&infos));
    EXPECT_EQ(infos.Date, platform::EncodeDate(2001, 3, 15));
    infos = InfosCours{};
    ASSERT_FALSE(parser.NextHisto(&infos)); // the next record is found past the long text
    EXPECT_EQ(infos.Cours, 4490);
    EXPECT_EQ(infos.Date, platform::EncodeDate(2000, 1, 5));
}

TEST_F(SiteParserTest, HistoryCountsAtTheLimitsEndCleanly) {
    for (const char* count : {"-2147483648", "-1"}) {
        std::string text = PageFileText("site1_history.html");
        text.replace(text.find("value=\"3\""), 9, std::string("value=\"") + count + "\"");
        std::vector<char> page = PageText(text);
        AskWeb ask = Request(1, AskKind::History);
        CWebCota parser(&ask);
        ASSERT_TRUE(parser.Analyse(page.data())) << count;
        InfosCours infos{};
        EXPECT_TRUE(parser.NextHisto(&infos)) << count;
        EXPECT_EQ(infos.Cours, 0) << count;
    }
}

TEST_F(SiteParserTest, NegativeIntradayCountWritesTheDateLineOnly) {
    TempFolder dir;
    std::string text = PageFileText("site2_intraday.html");
    text.replace(text.find("value=\"3\""), 9, "value=\"-4\"");
    std::vector<char> page = PageText(text);
    AskWeb ask = Request(2, AskKind::Intraday);
    ask.Infos.Date = platform::EncodeDate(2001, 3, 12);
    SetFichier(ask, dir.Path() / "x.itd");
    CWebSelect parser(&ask);
    EXPECT_TRUE(parser.Analyse(page.data()));
    EXPECT_EQ(FileLines(dir.Path() / "x.itd"), std::vector<std::string>{"12/03/01"});
}

} // namespace
