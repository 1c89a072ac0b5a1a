// Intraday files and history records, read through the library's exported functions.

#include "QuoteTestSupport.h"

#include "quotescan/AskWeb.h"

#include "platform/ConversionError.h"
#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quotescan_test;
namespace fs = std::filesystem;

namespace {

class IntradayTest : public ::testing::Test {
protected:
    // Runs an intraday analysis whose file goes to the temporary folder.
    bool AnalyseText(int site, const std::string& text) {
        ask = Request(site, AskKind::Intraday);
        ask.Infos.Date = platform::EncodeDate(2001, 3, 12);
        SetFichier(ask, file);
        std::vector<char> page = PageText(text);
        return AnalyseRep(&ask, page.data());
    }
    bool Analyse(int site, const std::string& pageFile) {
        return AnalyseText(site, PageFileText(pageFile));
    }

    TempFolder dir;
    fs::path file = dir.Path() / "12000.itd";
    AskWeb ask{};
};

const std::vector<std::string> kThreePoints = {"12/03/01", "4510 930", "4525 1200", "4530 1735"};

TEST_F(IntradayTest, DateLineThenOnePointPerLineReplacingAnOlderFile) {
    for (const auto& [site, page] :
         {std::pair{1, "site1_intraday.html"}, std::pair{1, "site1_intraday_case.html"},
          std::pair{2, "site2_intraday.html"}, std::pair{2, "site2_intraday_case.html"}}) {
        std::ofstream(file) << "01/01/01\n1 2\n3 4\n5 6\n7 8\n9 10\n";
        ASSERT_TRUE(Analyse(site, page)) << page;
        EXPECT_EQ(FileLines(file), kThreePoints) << page;
    }
}

TEST_F(IntradayTest, NoPointsLeavesTheOlderFileUntouched) {
    std::ofstream(file) << "01/01/01\n1 2\n";
    ASSERT_TRUE(Analyse(2, "site2_intraday_none.html"));
    EXPECT_EQ(FileLines(file), (std::vector<std::string>{"01/01/01", "1 2"}));
}

TEST_F(IntradayTest, CutPageKeepsThePointsWrittenAndFails) {
    for (const auto& [site, page] :
         {std::pair{1, "site1_intraday_cut.html"}, std::pair{2, "site2_intraday_cut.html"}}) {
        EXPECT_FALSE(Analyse(site, page));
        EXPECT_EQ(FileLines(file), (std::vector<std::string>{"12/03/01", "4510 930", "4525 1200"}));
    }
}

TEST_F(IntradayTest, PageWithoutPointsMarkerWritesNoFile) {
    for (const auto& [site, page] :
         {std::pair{1, "site1_quote.html"}, std::pair{2, "site2_quote.html"},
          std::pair{1, "empty.html"}, std::pair{2, "empty.html"},
          std::pair{0, "site1_intraday.html"}, std::pair{3, "site2_intraday.html"}}) {
        EXPECT_FALSE(Analyse(site, page)) << page;
        EXPECT_FALSE(fs::exists(file)) << page;
    }
}

TEST_F(IntradayTest, FileThatCannotBeCreatedFails) {
    file = dir.Path() / "absent" / "12000.itd";
    EXPECT_FALSE(Analyse(1, "site1_intraday.html"));
    // A path filling its field without a NUL is refused rather than read beyond.
    ask = Request(1, AskKind::Intraday);
    std::memset(ask.Fichier, 'a', sizeof ask.Fichier);
    std::vector<char> page = PageFile("site1_intraday.html");
    EXPECT_FALSE(AnalyseRep(&ask, page.data()));

    // A pipe at the path, with a reader or none, is neither waited on nor written into.
    file = dir.Path() / "pipe.itd";
    ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    const int reader = ::open(file.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(Analyse(1, "site1_intraday.html"));
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0);
    ::close(reader);
    EXPECT_FALSE(Analyse(2, "site2_intraday.html"));
    EXPECT_TRUE(fs::is_fifo(file));
}

TEST_F(IntradayTest, EveryCutOfAPageNeverWritesMoreThanThePage) {
    for (const auto& [site, name] :
         {std::pair{1, "site1_intraday.html"}, std::pair{2, "site2_intraday.html"}}) {
        const std::string text = PageFileText(name);
        for (std::size_t length = 0; length < text.size(); ++length) {
            fs::remove(file);
            const bool ok = AnalyseText(site, text.substr(0, length));
            if (!fs::exists(file)) {
                EXPECT_FALSE(ok);
                continue;
            }
            const std::vector<std::string> lines = FileLines(file);
            ASSERT_LE(lines.size(), kThreePoints.size());
            for (std::size_t i = 0; i < lines.size(); ++i)
                EXPECT_EQ(lines[i], kThreePoints[i]) << name << " cut at " << length;
            // Site 1 gives no count: its points end with the last one found.
            if (ok && site == 2) {
                EXPECT_EQ(lines.size(), kThreePoints.size()) << name << " cut at " << length;
            }
        }
    }
}

// All records of a history analysis: (cents, date) pairs.
std::vector<std::pair<int, double>> ReadHistory(int site, std::vector<char>& page,
                                                bool* analysed = nullptr) {
    AskWeb ask = Request(site, AskKind::History);
    const bool ok = AnalyseRep(&ask, page.data());
    if (analysed)
        *analysed = ok;
    std::vector<std::pair<int, double>> records;
    if (!ok) {
        // A page that fails keeps no parser to read records from.
        InfosCours infos{};
        EXPECT_TRUE(GetNextRep(&infos));
        EXPECT_EQ(infos.Cours, 0);
        return records;
    }
    for (;;) {
        InfosCours infos{};
        if (GetNextRep(&infos))
            break;
        EXPECT_EQ(infos.Haut, 0);
        EXPECT_EQ(infos.Bas, 0);
        EXPECT_EQ(infos.Volume, 0);
        records.emplace_back(infos.Cours, infos.Date);
    }
    return records;
}

// Site 1 writes eight-digit dates; site 2 writes them without leading zeros, of every length.
TEST(HistoryPages, EachSiteRebuildsItsDates) {
    using platform::EncodeDate;
    const std::vector<std::pair<int, double>> site1 = {{4510, EncodeDate(2001, 3, 15)},
                                                       {4490, EncodeDate(2001, 3, 16)},
                                                       {4600, EncodeDate(2001, 3, 19)}};
    const std::vector<std::pair<int, double>> site2 = {{4510, EncodeDate(1999, 12, 31)}, // 991231
                                                       {4490, EncodeDate(2000, 1, 5)},   // 105
                                                       {4600, EncodeDate(2000, 12, 31)}, // 1231
                                                       {4650, EncodeDate(2001, 1, 5)}};  // 10105
    for (const auto& [site, name] :
         {std::pair{1, "site1_history.html"}, std::pair{1, "site1_history_case.html"},
          std::pair{2, "site2_history.html"}, std::pair{2, "site2_history_case.html"}}) {
        std::vector<char> page = PageFile(name);
        EXPECT_EQ(ReadHistory(site, page), site == 1 ? site1 : site2) << name;
    }
}

TEST(HistoryPages, FewerRecordsThanAnnouncedEndAtTheLastOne) {
    std::vector<char> page = PageFile("site1_history_short.html"); // announces 5, holds 3
    EXPECT_EQ(ReadHistory(1, page).size(), 3u);
    std::vector<char> cut1 = PageFile("site1_history_cut.html"); // cut within the 2nd date
    EXPECT_EQ(ReadHistory(1, cut1).size(), 1u);
    std::vector<char> cut2 = PageFile("site2_history_cut.html"); // cut after the 3rd price
    EXPECT_EQ(ReadHistory(2, cut2).size(), 2u);
}

TEST(HistoryPages, CountZeroKeepsTheParserUntilTheFirstRecord) {
    std::vector<char> page = PageFile("site2_history_none.html");
    bool analysed = false;
    EXPECT_TRUE(ReadHistory(2, page, &analysed).empty());
    EXPECT_TRUE(analysed);
}

TEST(HistoryPages, PagesWithoutCountFail) {
    for (const auto& [site, name] :
         {std::pair{1, "site1_quote.html"}, std::pair{2, "site2_quote.html"},
          std::pair{1, "empty.html"}, std::pair{2, "empty.html"},
          std::pair{0, "site1_history.html"}, std::pair{3, "site2_history.html"}}) {
        std::vector<char> page = PageFile(name);
        bool analysed = true;
        ReadHistory(site, page, &analysed);
        EXPECT_FALSE(analysed) << name;
    }
}

TEST(HistoryPages, DateThatDoesNotConvertReachesTheCallerAndEndsTheRead) {
    AskWeb ask = Request(2, AskKind::History);
    std::vector<char> page = PageFile("site2_history_baddate.html"); // 2nd date text is "12"
    ASSERT_TRUE(AnalyseRep(&ask, page.data()));
    InfosCours infos{};
    EXPECT_FALSE(GetNextRep(&infos));
    infos = InfosCours{};
    EXPECT_THROW(GetNextRep(&infos), platform::ConversionError);
    // The parser is gone with its page: nothing more is handed out.
    infos = InfosCours{};
    EXPECT_TRUE(GetNextRep(&infos));
    EXPECT_EQ(infos.Cours, 0);
}

TEST(HistoryPages, EveryCutOfAPageHandsOutAPrefixOfTheRecords) {
    for (const auto& [site, name] :
         {std::pair{1, "site1_history.html"}, std::pair{2, "site2_history.html"}}) {
        const std::string text = PageFileText(name);
        std::vector<char> whole = PageText(text);
        const auto all = ReadHistory(site, whole);
        for (std::size_t length = 0; length < text.size(); ++length) {
            std::vector<char> page = PageText(text.substr(0, length));
            try {
                const auto got = ReadHistory(site, page);
                ASSERT_LE(got.size(), all.size());
                for (std::size_t i = 0; i < got.size(); ++i) {
                    // A date cut short may read as another date; the price never changes.
                    EXPECT_EQ(got[i].first, all[i].first) << name << " cut at " << length;
                    if (i + 1 < got.size()) {
                        EXPECT_EQ(got[i].second, all[i].second) << name << " cut at " << length;
                    }
                }
            } catch (const platform::ConversionError&) {
                // A date text cut to two characters or fewer does not convert.
            }
        }
    }
}

} // namespace
