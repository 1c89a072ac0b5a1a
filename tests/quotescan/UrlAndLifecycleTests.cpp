// The library's boundary: URLs, the site table and the parser kept between calls.

#include "QuoteTestSupport.h"

#include "quotescan/AskWeb.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace quotescan_test;

namespace {

TEST(QuoteUrls, EverySiteAndKindItServes) {
    struct Case {
        int site;
        AskKind type;
        const char* url;
    };
    const Case cases[] = {
        {0, AskKind::Quote, "http://finance.cours-exemple.fr/quote?s=12000&d=v2&o=t&m=*"},
        {1, AskKind::Quote,
         "http://cotation.cours-exemple.fr/resultat_requete_cours_30mn.asp?VALEUR=12000"},
        {1, AskKind::Intraday,
         "http://cotation.cours-exemple.fr/resultat_requete_intraday.asp?VALEUR=12000&x=8&y=6"},
        {1, AskKind::History,
         "http://cotation.cours-exemple.fr/"
         "resultat_requete_historique.asp?DATE=1&VALEUR=12000&x=8&y=7"},
        {2, AskKind::Quote, "http://selection.cours-exemple.fr/cours.asp?VALEUR=12000&PLACE=1"},
        {2, AskKind::Intraday,
         "http://selection.cours-exemple.fr/intraday.asp?VALEUR=12000&SRCODBC=webtrade"},
        {2, AskKind::History,
         "http://selection.cours-exemple.fr/historic.asp?VALEUR=12000&Date=3&SRCODBC=webtrade"},
        {3, AskKind::Quote,
         "http://bourse.cours-exemple.fr/cours33.phtml?code=12000&choix_bourse=pays%3D33"},
    };
    for (const Case& c : cases) {
        AskWeb ask = Request(c.site, c.type);
        ASSERT_TRUE(GetFormule(&ask)) << c.site << "/" << static_cast<int>(c.type);
        EXPECT_STREQ(ask.Formule, c.url);
    }
}

TEST(QuoteUrls, RefusedRequestsLeaveFormuleAsItWas) {
    const int refused[][2] = {{0, 1}, {0, 2},  {3, 1}, {3, 2},  {0, 3},
                              {1, 3}, {2, -1}, {4, 0}, {-1, 0}, {3, 3}};
    for (const auto& r : refused) {
        // Kinds as the record carries them across the library boundary, unknown ones too.
        AskWeb ask = Request(r[0], static_cast<AskKind>(r[1]));
        std::strcpy(ask.Formule, "inchangé");
        EXPECT_FALSE(GetFormule(&ask)) << r[0] << "/" << r[1];
        EXPECT_STREQ(ask.Formule, "inchangé");
    }
    EXPECT_FALSE(GetFormule(nullptr));
}

TEST(QuoteUrls, CodeIsTakenOnlyWithinItsField) {
    AskWeb ask = Request(2, AskKind::History, "123456789");
    ASSERT_TRUE(GetFormule(&ask));
    EXPECT_STREQ(ask.Formule, "http://selection.cours-exemple.fr/"
                              "historic.asp?VALEUR=123456789&Date=3&SRCODBC=webtrade");
    // A code filling its field without a terminating NUL is refused, not read beyond.
    std::memset(ask.Code, '7', sizeof ask.Code);
    std::strcpy(ask.Formule, "avant");
    EXPECT_FALSE(GetFormule(&ask));
    EXPECT_STREQ(ask.Formule, "avant");
}

TEST(QuoteLifecycle, NextRecordWithNothingAnalysedEndsAtOnce) {
    InfosCours infos{};
    infos.Cours = 77;
    EXPECT_TRUE(GetNextRep(&infos));
    EXPECT_EQ(infos.Cours, 77);
}

TEST(QuoteLifecycle, UnknownSitesAndKindsTouchNothing) {
    for (int site : {4, -1, 1000}) {
        AskWeb ask = Request(site, AskKind::Quote);
        ask.Infos.Cours = 99;
        std::vector<char> page = PageFile("site0_quote.html");
        EXPECT_FALSE(AnalyseRep(&ask, page.data()));
        EXPECT_EQ(ask.Infos.Cours, 99);
    }
    for (int site : {0, 1, 2, 3}) {
        AskWeb ask = Request(site, static_cast<AskKind>(3));
        ask.Infos.Cours = 99;
        std::vector<char> page = PageFile("site2_history.html");
        EXPECT_FALSE(AnalyseRep(&ask, page.data()));
        EXPECT_EQ(ask.Infos.Cours, 99);
        InfosCours infos{};
        EXPECT_TRUE(GetNextRep(&infos));
    }
    AskWeb ask = Request(0, AskKind::Quote);
    EXPECT_FALSE(AnalyseRep(nullptr, nullptr));
    EXPECT_FALSE(AnalyseRep(&ask, nullptr)); // no page: nothing to read
}

TEST(QuoteLifecycle, NewRequestDropsAnUnfinishedHistoryRead) {
    // Each way of starting over must forget the page: it is freed right after, which the
    // address sanitizer would report on any later read of it.
    for (int restart = 0; restart < 3; ++restart) {
        AskWeb ask = Request(2, AskKind::History);
        auto page = std::make_unique<std::vector<char>>(PageFile("site2_history.html"));
        ASSERT_TRUE(AnalyseRep(&ask, page->data()));
        InfosCours infos{};
        ASSERT_FALSE(GetNextRep(&infos)); // one record out of four
        AskWeb other = Request(1, AskKind::Quote);
        std::vector<char> quote = PageFile("site1_quote.html");
        if (restart == 0)
            EXPECT_TRUE(GetFormule(&other));
        else if (restart == 1)
            EXPECT_TRUE(AnalyseRep(&other, quote.data()));
        else
            EXPECT_FALSE(AnalyseRep(&other, nullptr));
        page.reset();
        infos = InfosCours{};
        EXPECT_TRUE(GetNextRep(&infos)) << restart;
        EXPECT_EQ(infos.Cours, 0);
    }
}

TEST(QuoteLifecycle, SecondHistoryReplacesTheFirst) {
    AskWeb first = Request(1, AskKind::History);
    std::vector<char> page1 = PageFile("site1_history.html");
    ASSERT_TRUE(AnalyseRep(&first, page1.data()));
    AskWeb second = Request(2, AskKind::History);
    std::vector<char> page2 = PageFile("site2_history.html");
    ASSERT_TRUE(AnalyseRep(&second, page2.data()));
    int records = 0;
    InfosCours infos{};
    while (!GetNextRep(&infos)) {
        ++records;
        infos = InfosCours{};
    }
    EXPECT_EQ(records, 4); // the second page's records only
}

} // namespace
