// The quote-site list: a site's number is its line's, so that no line can shift the others.

#include "portfolio/QuoteSites.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

class QuoteSitesTest : public ::testing::Test {
protected:
    using Site = std::tuple<std::string, int, bool>;
    std::vector<Site> Read(const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
        std::vector<TQuoteSite> sites;
        EXPECT_TRUE(ReadQuoteSites(path, sites));
        std::vector<Site> lus;
        for (const TQuoteSite& s : sites)
            lus.emplace_back(s.Nom, s.Type, s.Valide);
        return lus;
    }

    const TempFolder dir;
    const std::string path = dir.File("servers.lst");
};

TEST_F(QuoteSitesTest, EveryLineKeepsItsNumberButOnlyADigitThenANameCanBeChosen) {
    EXPECT_EQ(Read("2Boursorama\r\n0Site A\n"),
              (std::vector<Site>{{"Boursorama", 2, true}, {"Site A", 0, true}}));
    // Blank, garbled, nameless and too long lines stay in place, not to be chosen.
    EXPECT_EQ(Read("1A\n\nxB\n3\n2   \n" + std::string(300, 'z') + "\n9Z"),
              (std::vector<Site>{{"A", 1, true},
                                 {"", 0, false},
                                 {"B", 0, false},
                                 {"", 3, false},
                                 {"   ", 2, false},
                                 {"", 0, false},
                                 {"Z", 9, true}}));
}

TEST_F(QuoteSitesTest, TheListEndsAtItsLastNamedLineAndAtTwentyThreeSites) {
    EXPECT_EQ(Read("0A\n\n \n\n"), (std::vector<Site>{{"A", 0, true}}));
    EXPECT_EQ(Read("\n0A\n\n"), (std::vector<Site>{{"", 0, false}, {"A", 0, true}}));
    EXPECT_TRUE(Read("").empty());
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "1S" + std::to_string(i) + "\n";
    const std::vector<Site> sites = Read(text);
    ASSERT_EQ(sites.size(), 23u);
    EXPECT_EQ(std::get<0>(sites.back()), "S22");
}

TEST_F(QuoteSitesTest, AFirstCharacterOfSeveralBytesGoesWhole) {
    // In Windows-1252 "\xff" is "ÿ", two bytes once the line is UTF-8; "é" is two already.
    EXPECT_EQ(Read("\xffNom\n\xc3\xa9t\xc3\xa9\n"),
              (std::vector<Site>{{"Nom", 0, false}, {"t\xc3\xa9", 0, false}}));
    // A line of that one character names no site, and a digit before it keeps it in the name.
    EXPECT_EQ(Read("\xc3\xa9\n1\xc3\xa9t\xc3\xa9\n"),
              (std::vector<Site>{{"", 0, false}, {"\xc3\xa9t\xc3\xa9", 1, true}}));
}

TEST_F(QuoteSitesTest, AListThatCannotBeOpenedGivesNoSite) {
    std::vector<TQuoteSite> sites{TQuoteSite{"old", 1, true}};
    EXPECT_FALSE(ReadQuoteSites(dir.File("absent.lst"), sites));
    EXPECT_TRUE(sites.empty());
}

} // namespace
