// History files and the indicators over the loaded history.

#include "../OtherUser.h"

#include "platform/ConversionError.h"
#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class HistoTest : public ::testing::Test {
protected:
    HistoTest() : corv(dir.Path().string()) {
        ResetDatas();
        fs::create_directories(dir.Path() / "historique");
        titre.Code = "12000";
        autre.Code = "13000";
    }
    fs::path FileOf(const Valeurs& v) const {
        return dir.Path() / "historique" / (v.Code + ".his");
    }

    void WriteFile(const Valeurs& v, const std::string& text) const {
        std::ofstream(FileOf(v), std::ios::binary) << text;
    }

    std::string ReadFile(const Valeurs& v) const {
        std::ifstream in(FileOf(v), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    int HistoFileCount() const {
        const fs::directory_iterator files(dir.Path() / "historique");
        return static_cast<int>(std::distance(fs::begin(files), fs::end(files)));
    }

    // Loads the history from cents through the document's own insertion.
    void UseHistory(const std::vector<std::int32_t>& cours) {
        corv.TitreHisto = &titre;
        for (std::size_t i = 0; i < cours.size(); ++i) {
            InfosCours jour{};
            jour.Date = platform::EncodeDate(2024, 1, 1) + static_cast<double>(i);
            jour.Cours = cours[i];
            corv.AddHistoPoint(jour);
        }
    }

    platform::MemTable& Table() { return TheDatas().Historique; }

    const TempFolder dir;
    TCorv corv;
    Valeurs titre;
    Valeurs autre;
};

TEST_F(HistoTest, WorkedFiguresOfTheIndicators) {
    UseHistory({100, 110, 105});
    titre.Infos.Cours = 108;
    std::int32_t moyenne = -1;
    std::int32_t rsi = -1;
    // RSI 66.666… after the third value, 37.5 after the quote; average (105 + 108) / 2.
    corv.ComputeIndicateurs(&titre, 1, moyenne, rsi, 2);
    EXPECT_EQ(rsi, 3750);
    EXPECT_EQ(moyenne, 106);
    // A quote that repeats the last price: the loss still queued makes the RSI 0.
    titre.Infos.Cours = 105;
    corv.ComputeIndicateurs(&titre, 1, moyenne, rsi, 3);
    EXPECT_EQ(rsi, 0);
    EXPECT_EQ(moyenne, 106); // (110 + 105 + 105) / 3, truncated
    titre.Infos.Cours = 115; // gains 10, losses 5
    corv.ComputeIndicateurs(&titre, 1, moyenne, rsi, 3);
    EXPECT_EQ(rsi, 6666);
    EXPECT_EQ(moyenne, 110);

    EXPECT_EQ(corv.LastHistoCours(), 105);
}

TEST_F(HistoTest, RsiNeedsEnoughValuesAndKeepsItsValueWithoutLosses) {
    std::int32_t moyenne = 0;
    std::int32_t rsi = 0;
    // R = 14: the first RSI needs 16 values; 14 rows and the quote are one short.
    std::vector<std::int32_t> zigzag;
    for (int i = 0; i < 14; ++i)
        zigzag.push_back(i % 2 ? 900 : 1000);
    UseHistory(zigzag);
    titre.Infos.Cours = 1000;
    corv.ComputeIndicateurs(&titre, 14, moyenne, rsi, 14);
    EXPECT_EQ(rsi, 0);
    InfosCours jour{};
    jour.Date = platform::EncodeDate(2024, 6, 1);
    jour.Cours = 1000;
    corv.AddHistoPoint(jour);
    corv.ComputeIndicateurs(&titre, 14, moyenne, rsi, 14);
    EXPECT_EQ(rsi, 5000); // 7 gains and 7 losses of 100 among the last 15 changes

    // Rising from the start: no loss ever, no RSI.
    corv.LoadHistoFile(nullptr);
    UseHistory({100, 101, 102, 103, 104});
    titre.Infos.Cours = 105;
    corv.ComputeIndicateurs(&titre, 2, moyenne, rsi, 2);
    EXPECT_EQ(rsi, 0);

    // A loss, then only rises: the RSI stays at the last value computed with a loss.
    corv.LoadHistoFile(nullptr);
    UseHistory({100, 90, 100, 110, 120});
    titre.Infos.Cours = 130;
    corv.ComputeIndicateurs(&titre, 2, moyenne, rsi, 20);
    EXPECT_EQ(rsi, 6666);
    // The average divides by M even with fewer values.
    EXPECT_EQ(moyenne, (100 + 90 + 100 + 110 + 120 + 130) / 20);

    // Periods below 1 have no result.
    corv.ComputeIndicateurs(&titre, 0, moyenne, rsi, 2);
    EXPECT_EQ(rsi, 0);
    EXPECT_EQ(moyenne, 0);
    rsi = moyenne = 5;
    corv.ComputeIndicateurs(&titre, 2, moyenne, rsi, -1);
    EXPECT_EQ(rsi, 0);
    EXPECT_EQ(moyenne, 0);
}

TEST_F(HistoTest, IndicatorsLoadAnotherSecurityAndTolerateAMissingFile) {
    WriteFile(autre, "01/01/1970\n02/01/2024;1000;0;0;0;\n03/01/2024;2000;0;0;0;\n");
    UseHistory({5, 6, 7});
    autre.Infos.Cours = 3000;
    std::int32_t moyenne = 0;
    std::int32_t rsi = 0;
    corv.ComputeIndicateurs(&autre, 1, moyenne, rsi, 3);
    EXPECT_EQ(corv.TitreHisto, &autre);
    EXPECT_EQ(moyenne, 2000);
    // No file: 0 and 0, then the quote alone for the same security.
    titre.Infos.Cours = 500;
    corv.ComputeIndicateurs(&titre, 1, moyenne, rsi, 5);
    EXPECT_EQ(moyenne, 0);
    EXPECT_EQ(corv.TitreHisto, &titre);
    EXPECT_TRUE(Table().IsEmpty());
    corv.ComputeIndicateurs(&titre, 1, moyenne, rsi, 5);
    EXPECT_EQ(moyenne, 100);
    EXPECT_EQ(rsi, 0);
}

TEST_F(HistoTest, VariationOverRows) {
    EXPECT_EQ(corv.HistoVariation(2), 0.0f);
    UseHistory({1000, 1100, 1210});
    EXPECT_EQ(corv.HistoVariation(2), 10.0f);
    EXPECT_EQ(corv.HistoVariation(3), 21.0f);
    EXPECT_EQ(corv.HistoVariation(50), 21.0f); // compares with the first row
    EXPECT_EQ(corv.HistoVariation(1), 0.0f);
    EXPECT_EQ(corv.HistoVariation(0), 0.0f);
    corv.LoadHistoFile(nullptr);
    UseHistory({0, 50});
    EXPECT_EQ(corv.HistoVariation(2), 0.0f); // no reference price
}

TEST_F(HistoTest, LoadSortsSkipsTheHeaderAndSavesCentsBack) {
    WriteFile(titre, "whatever\r\n"
                     "05/03/2024;1234;1300;1200;5000;\r\n"
                     "01/03/2024;1001;1002;999;-7;\r\n"
                     "05/03/2024;1;1;1;1;\r\n" // a second line for a day: the first is kept
                     "04/03/2024;  12;13;11;2147483647\r\n"
                     "\r\n");
    ASSERT_TRUE(corv.LoadHistoFile(&titre));
    EXPECT_EQ(corv.TitreHisto, &titre);
    EXPECT_EQ(corv.DateHisto, platform::EncodeDate(2024, 3, 4)); // the last line read
    ASSERT_EQ(Table().RecordCount(), 3);
    EXPECT_EQ(Table().NumberAt(0, 0), platform::EncodeDate(2024, 3, 1));
    EXPECT_DOUBLE_EQ(Table().NumberAt(2, 1), 12.34);
    EXPECT_EQ(corv.LastHistoCours(), 1234);

    // A downloaded day goes in date order, and only once.
    InfosCours jour{};
    jour.Date = platform::EncodeDate(2024, 3, 2) + 0.5;
    jour.Cours = 4321;
    jour.Haut = 4400;
    jour.Bas = 4200;
    jour.Volume = 10;
    corv.AddHistoPoint(jour);
    jour.Cours = 1;
    corv.AddHistoPoint(jour);
    ASSERT_EQ(Table().RecordCount(), 4);

    ASSERT_TRUE(corv.SaveHistoFile());
    EXPECT_EQ(ReadFile(titre), "01/01/1970\n"
                               "01/03/2024;1001;1002;999;-7;\n"
                               "02/03/2024;4321;4400;4200;10;\n"
                               "04/03/2024;12;13;11;2147483647;\n"
                               "05/03/2024;1234;1300;1200;5000;\n");
    EXPECT_EQ(corv.DateHisto, platform::EncodeDate(2024, 3, 5));
}

TEST_F(HistoTest, AnyLineOrderLoadsTheSameRowsWithTheFirstLineOfADateKept) {
    // 400 days, and a second line with other figures for every third day.
    struct Jour {
        int day;
        std::string line;
    };
    std::vector<Jour> jours;
    for (int i = 0; i < 400; ++i) {
        const auto d = platform::DecodeDate(platform::EncodeDate(2020, 1, 1) + i);
        char date[16];
        std::snprintf(date, sizeof date, "%02d/%02d/%04d", d.day, d.month, d.year);
        jours.push_back({i, std::string(date) + ";" + std::to_string(1000 + i) + ";" +
                                std::to_string(1100 + i) + ";" + std::to_string(900 + i) + ";" +
                                std::to_string(i) + ";"});
        if (i % 3 == 0)
            jours.push_back({i, std::string(date) + ";" + std::to_string(5000 + i) + ";1;1;1;"});
    }
    auto load = [&](const std::vector<Jour>& order) {
        std::string text = "01/01/1970\n";
        for (const Jour& j : order)
            text += j.line + "\n";
        WriteFile(titre, text);
        EXPECT_TRUE(corv.LoadHistoFile(&titre));
        std::vector<std::string> rows;
        for (int r = 0; r < Table().RecordCount(); ++r) {
            std::string row;
            for (int f = 0; f < 5; ++f)
                row += std::to_string(Table().NumberAt(r, f)) + ";";
            rows.push_back(row);
        }
        return rows;
    };
    // The rows a file gives: one per date, in date order, from the date's first line.
    auto expected = [&](const std::vector<Jour>& order) {
        std::map<int, std::string> first;
        for (const Jour& j : order)
            first.emplace(j.day, j.line);
        std::vector<Jour> kept;
        for (const auto& [day, line] : first)
            kept.push_back({day, line});
        return load(kept);
    };

    std::vector<Jour> reversed(jours.rbegin(), jours.rend());
    std::vector<Jour> shuffled = jours;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    for (const auto* order : {&jours, &reversed, &shuffled}) {
        const std::vector<std::string> want = expected(*order);
        ASSERT_EQ(want.size(), 400u);
        EXPECT_EQ(load(*order), want);
    }
    // In file order the first line of a repeated date is the one with the plain figures; in
    // reverse order it is the other one.
    EXPECT_NE(expected(jours), expected(reversed));
}

TEST_F(HistoTest, EveryWholeCentAmountComesBackFromTheTable) {
    // Where single precision holds every cent, the conversion is the rounding to it followed
    // by the truncation: a fraction of a cent is dropped.
    EXPECT_EQ(EurosToCents(0.29), 29);
    EXPECT_EQ(EurosToCents(12.345), 1234);
    EXPECT_EQ(EurosToCents(-12.345), -1234);
    EXPECT_EQ(EurosToCents(-0.015), -1); // toward zero, not floored
    EXPECT_EQ(EurosToCents(167772.15), 16777215);
    EXPECT_EQ(EurosToCents(1e12), 2147483647);

    // Above, too, a fraction of a cent is dropped, toward zero.
    EXPECT_EQ(EurosToCents(200000.007), 20000000);
    EXPECT_EQ(EurosToCents(-200000.007), -20000000);
    EXPECT_EQ(EurosToCents(200000.993), 20000099);

    // Every 32-bit figure of cents comes back, whether the amount was made from the cents (a
    // file, a download) or read as a text of euros (an import, the editor): every small amount,
    // around each power of two from 2^23 on, across the whole range, and at the limits.
    // 174 483 624 is no single-precision float: rounded to one it saved as 174 483 616.
    std::vector<std::int64_t> sweep = {16777217,   99999999,  174483624,
                                       -174483623, INT32_MAX, INT32_MIN};
    for (std::int64_t cents = -20000; cents <= 200000; cents += 7)
        sweep.push_back(cents);
    for (std::int64_t power = std::int64_t{1} << 23; power <= (std::int64_t{1} << 31); power *= 2)
        for (std::int64_t d = -300; d <= 300; ++d)
            for (const std::int64_t cents : {power + d, -(power + d)})
                if (cents >= INT32_MIN && cents <= INT32_MAX)
                    sweep.push_back(cents);
    for (std::int64_t cents = INT32_MIN; cents <= INT32_MAX; cents += 9973)
        sweep.push_back(cents);
    int wrong = 0;
    std::int64_t firstWrong = 0;
    for (const std::int64_t cents : sweep) {
        const auto n = static_cast<std::int32_t>(cents);
        const std::int64_t whole = (cents < 0 ? -cents : cents) / 100;
        const std::int64_t fraction = (cents < 0 ? -cents : cents) % 100;
        const std::string euros = (cents < 0 ? "-" : "") + std::to_string(whole) +
                                  (fraction < 10 ? ".0" : ".") + std::to_string(fraction);
        double parsed = 0.0;
        std::from_chars(euros.data(), euros.data() + euros.size(), parsed);
        if (EurosToCents(n * 0.01) != n || EurosToCents(parsed) != n) {
            if (wrong++ == 0)
                firstWrong = cents;
        }
    }
    EXPECT_EQ(wrong, 0) << "first: " << firstWrong << " cents";

    // And through the file, unchanged by loads and saves.
    const std::string text = "01/01/1970\n"
                             "02/01/2024;174483624;16777217;-1005;2147483647;\n"
                             "03/01/2024;99999999;2147483647;-2147483648;1;\n";
    WriteFile(titre, text);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(corv.LoadHistoFile(&titre));
        ASSERT_TRUE(corv.SaveHistoFile());
    }
    EXPECT_EQ(ReadFile(titre), text);
    EXPECT_EQ(corv.LastHistoCours(), 99999999);
}

TEST_F(HistoTest, EmptyAndMissingFiles) {
    WriteFile(titre, "01/01/1970\n");
    corv.DateHisto = 5.0;
    ASSERT_TRUE(corv.LoadHistoFile(&titre));
    EXPECT_TRUE(Table().IsEmpty());
    EXPECT_EQ(corv.DateHisto, platform::EncodeDate(1970, 1, 1));
    // A file without header loses its first row.
    WriteFile(titre, "02/01/2024;100;100;100;1;\n03/01/2024;200;200;200;1;\n");
    ASSERT_TRUE(corv.LoadHistoFile(&titre));
    EXPECT_EQ(Table().RecordCount(), 1);
    // No file: false, empty table, and the security still counts as loaded.
    ASSERT_FALSE(corv.LoadHistoFile(&autre));
    EXPECT_TRUE(Table().IsEmpty());
    EXPECT_EQ(corv.TitreHisto, &autre);
    // Saving the empty table creates the file with its header alone.
    ASSERT_TRUE(corv.SaveHistoFile());
    EXPECT_EQ(ReadFile(autre), "01/01/1970\n");
    EXPECT_EQ(corv.DateHisto, 0.0);
    // Nothing loaded: nothing to save.
    corv.LoadHistoFile(nullptr);
    EXPECT_EQ(corv.TitreHisto, nullptr);
    EXPECT_FALSE(corv.SaveHistoFile());
    // Without a folder for the histories, the save makes it.
    fs::remove_all(dir.Path() / "historique");
    corv.TitreHisto = &titre;
    EXPECT_TRUE(corv.SaveHistoFile());
    EXPECT_EQ(ReadFile(titre), "01/01/1970\n");
}

TEST_F(HistoTest, ABadLineFailsTheLoadAndCannotCostTheGoodFile) {
    const std::string good = "01/01/1970\n02/01/2024;100;110;90;5;\n";
    WriteFile(autre, good);
    const std::vector<std::string> badLines = {
        "03/01/2024;100;110",                               // fields missing
        "03/01/2024;100;110;90",                            // no volume
        "03/01/2024;100;abc;90;5;",                         // a field without a number
        "03/01/2024;100;110;;5;",                           // an empty field
        "32/01/2024;100;110;90;5;",                         // no such date
        "03/01/2024;100;110;90;5;" + std::string(600, ' '), // over-long
        // Beyond 32 bits: refused rather than wrapped into another number.
        "03/01/2024;2147483648;110;90;5;",
        "03/01/2024;100;110; -2147483649;5;",
        "03/01/2024;100;110;90;+99999999999;",
        // Read only in part, such fields would change once saved.
        "03/01/2024;12abc;110;90;5;",
        "03/01/2024;100;1.5;90;5;",
        "03/01/2024;100;110;0x10;5;",
        "03/01/2024;100;110;90;7e2;",
    };
    for (const auto& bad : badLines) {
        SCOPED_TRACE(bad.substr(0, 40));
        const std::string text = good + bad + "\n04/01/2024;1;1;1;1;\n";
        WriteFile(titre, text);
        // Another security's history was loaded before the failure.
        ASSERT_TRUE(corv.LoadHistoFile(&autre));
        ASSERT_EQ(Table().RecordCount(), 1);
        try {
            corv.LoadHistoFile(&titre);
            ADD_FAILURE() << "loaded";
        } catch (const platform::ConversionError& error) {
            // The file and its line are named.
            EXPECT_EQ(std::string(error.what())
                          .rfind("Fichier historique " + corv.HistoFilePath(&titre) +
                                     ", ligne 3 incorrecte : ",
                                 0),
                      0u)
                << error.what();
        }
        EXPECT_TRUE(Table().IsEmpty());
        EXPECT_EQ(corv.TitreHisto, nullptr);
        // A later save has no security to write over.
        EXPECT_FALSE(corv.SaveHistoFile());
        EXPECT_EQ(ReadFile(titre), text);
        // A later use reloads, and fails again, rather than compute over nothing.
        std::int32_t moyenne = 0;
        std::int32_t rsi = 0;
        EXPECT_THROW(corv.ComputeIndicateurs(&titre, 1, moyenne, rsi, 1),
                     platform::ConversionError);
    }
}

// A history file that is there but cannot be read is reported, naming it, and leaves no
// loaded history behind: nothing can be added to it or saved over the file.
void ExpectNothingLoadedAfterTheRefusal(TCorv& corv, Valeurs& titre, const std::string& path) {
    try {
        corv.LoadHistoFile(&titre);
        ADD_FAILURE() << "no error for " << path;
    } catch (const HistoReadError& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    EXPECT_EQ(corv.TitreHisto, nullptr);
    EXPECT_TRUE(TheDatas().Historique.IsEmpty());
    InfosCours jour{};
    jour.Date = platform::EncodeDate(2024, 2, 1);
    jour.Cours = 500;
    corv.AddHistoPoint(jour);
    EXPECT_TRUE(TheDatas().Historique.IsEmpty());
    EXPECT_FALSE(corv.SaveHistoFile());
    std::int32_t moyenne = 0;
    std::int32_t rsi = 0;
    EXPECT_THROW(corv.ComputeIndicateurs(&titre, 1, moyenne, rsi, 1), HistoReadError);
}

TEST_F(HistoTest, AFolderInPlaceOfTheFileIsNoEmptyHistory) {
    WriteFile(autre, "01/01/1970\n02/01/2024;100;110;90;5;\n");
    fs::create_directory(FileOf(titre));
    ASSERT_TRUE(corv.LoadHistoFile(&autre)); // another history is loaded before
    ExpectNothingLoadedAfterTheRefusal(corv, titre, FileOf(titre).string());
    EXPECT_TRUE(fs::is_directory(FileOf(titre)));

    // A missing file is an empty history, also when its folder is missing or is not a folder.
    fs::remove_all(dir.Path() / "historique");
    EXPECT_FALSE(corv.LoadHistoFile(&titre));
    EXPECT_EQ(corv.TitreHisto, &titre);
    std::ofstream(dir.Path() / "historique") << "not a folder";
    EXPECT_FALSE(corv.LoadHistoFile(&titre));
    EXPECT_EQ(corv.TitreHisto, &titre);
}

TEST_F(HistoTest, APipeInPlaceOfTheFileIsRefusedWithoutWaiting) {
    ASSERT_EQ(::mkfifo(FileOf(titre).c_str(), 0644), 0);
    ExpectNothingLoadedAfterTheRefusal(corv, titre, FileOf(titre).string());
}

TEST_F(HistoTest, AFileTheUserMayNotReadIsReportedAndKept) {
    const std::string text = "01/01/1970\n02/01/2024;100;110;90;5;\n";
    WriteFile(titre, text);
    // The user could replace the file, though not read it.
    fs::permissions(dir.Path() / "historique", fs::perms::all);
    fs::permissions(FileOf(titre), fs::perms::none);
    {
        const OtherUser user;
        if (!user.Active())
            GTEST_SKIP() << "no other user to read as";
        ExpectNothingLoadedAfterTheRefusal(corv, titre, FileOf(titre).string());
    }
    fs::permissions(FileOf(titre), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadFile(titre), text);
}

TEST_F(HistoTest, CodesNeverLeaveTheirFolder) {
    // Ordinary codes are their files' names, so existing history files keep being found.
    for (const std::string code : {"12000", "012345", "FR0000120271", "ABC-1_2.x", "Société"}) {
        EXPECT_EQ(CodeFileName(code), code);
    }
    EXPECT_EQ(corv.HistoFilePath(&titre), dir.File("historique/12000.his"));
    EXPECT_EQ(corv.IntradayFilePath(&titre), dir.File("intraday/12000.itd"));

    const std::vector<std::string> codes = {"..",
                                            ".",
                                            "../12000",
                                            "../../evil",
                                            "a/b",
                                            "/abs",
                                            "a\\b",
                                            "x%2Fy",
                                            "x/y",
                                            "x%252Fy",
                                            "tab\tx",
                                            "line\nx",
                                            std::string("nul\0x", 5),
                                            "",
                                            "..."};
    std::set<std::string> names;
    for (const std::string& code : codes) {
        SCOPED_TRACE(code);
        Valeurs v;
        v.Code = code;
        for (const auto& [path, folder] :
             {std::pair{fs::path(corv.HistoFilePath(&v)), "historique"},
              std::pair{fs::path(corv.IntradayFilePath(&v)), "intraday"}}) {
            EXPECT_EQ(path.parent_path(), dir.Path() / folder);
            EXPECT_EQ(path.lexically_normal().parent_path(), dir.Path() / folder);
            EXPECT_EQ(path.string().find('\0'), std::string::npos);
        }
        const std::string name = CodeFileName(code);
        EXPECT_EQ(name.find('/'), std::string::npos);
        EXPECT_NE(name, ".");
        EXPECT_NE(name, "..");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), codes.size()); // no two codes share a file

    // A code from a foreign portfolio writes and reads its own file inside the folder (the
    // place it names stays inside the test's folder).
    titre.Code = "../evil";
    UseHistory({1234});
    ASSERT_TRUE(corv.SaveHistoFile());
    EXPECT_FALSE(fs::exists(dir.Path() / "evil.his"));
    EXPECT_EQ(HistoFileCount(), 1);
    corv.LoadHistoFile(nullptr);
    ASSERT_TRUE(corv.LoadHistoFile(&titre));
    EXPECT_EQ(corv.LastHistoCours(), 1234);
}

TEST_F(HistoTest, AFailedSaveKeepsThePreviousFile) {
    const std::string previous = "01/01/1970\n02/01/2024;100;110;90;5;\n";
    WriteFile(titre, previous);
    ASSERT_TRUE(corv.LoadHistoFile(&titre));
    for (int i = 0; i < 3000; ++i) {
        InfosCours jour{};
        jour.Date = platform::EncodeDate(2010, 1, 1) + i;
        jour.Cours = 100000 + i;
        corv.AddHistoPoint(jour);
    }
    const double dateHisto = corv.DateHisto;
    // Files may not grow past 4 KiB: the temporary file cannot be written (even as root).
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool saved = corv.SaveHistoFile();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(titre), previous);
    EXPECT_EQ(corv.DateHisto, dateHisto);
    EXPECT_EQ(HistoFileCount(), 1); // no temporary file left behind

    // An amount whose cents 32 bits cannot hold is never written as another number.
    corv.AddHistoPoint(InfosCours{});
    for (const double euros : {21474836.48, -21474836.49, std::nan("")}) {
        Table().First();
        Table().Edit();
        Table().Fields(1).SetAsFloat(euros);
        Table().Post();
        EXPECT_FALSE(corv.SaveHistoFile());
        EXPECT_EQ(ReadFile(titre), previous);
    }
    Table().First();
    Table().Edit();
    Table().Fields(1).SetAsFloat(21474836.47); // the largest amount there is
    Table().Post();
    ASSERT_TRUE(corv.SaveHistoFile());
    EXPECT_NE(ReadFile(titre).find(";2147483647;"), std::string::npos);

    // Where the history folder cannot exist, the save fails without throwing.
    fs::remove_all(dir.Path() / "historique");
    std::ofstream(dir.Path() / "historique") << "not a folder";
    EXPECT_FALSE(corv.SaveHistoFile());
}

// Another program (a second window, a second copy of the program) saves the history between
// this one's load and its save: the save puts this program's days into the file as it now
// stands, date by date, and the table then holds them all.
TEST_F(HistoTest, ASaveKeepsWhatAnotherProgramWroteSinceTheLoad) {
    const std::string entete = "01/01/1970\n";
    const std::string mars3 = "03/03/2026;1000;1010;990;10;\n";
    const std::string mars3Ailleurs = "03/03/2026;999;999;999;9;\n";
    const std::string mars4et5 = "04/03/2026;1100;1110;1090;11;\n05/03/2026;1200;1210;1190;12;\n";
    const std::string mars6 = "06/03/2026;1300;1310;1290;13;\n";
    struct Cas {
        const char* nom;
        std::string ailleurs;  // the file as the other program left it
        std::int32_t coursIci; // 03/03 changed here to this price; 0: left alone
        std::string attendu;
    };
    const std::vector<Cas> cas = {
        {"days added there", entete + mars3 + mars4et5, 0, entete + mars3 + mars4et5 + mars6},
        {"a day changed there", entete + mars3Ailleurs, 0, entete + mars3Ailleurs + mars6},
        {"a day changed on both sides", entete + mars3Ailleurs + mars4et5, 1500,
         entete + "03/03/2026;1500;1010;990;10;\n" + mars4et5 + mars6},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        WriteFile(titre, entete + mars3);
        ASSERT_TRUE(corv.LoadHistoFile(&titre));
        WriteFile(titre, c.ailleurs);
        if (c.coursIci != 0) {
            Table().First();
            Table().Edit();
            Table().Fields(1).SetAsFloat(c.coursIci * 0.01);
            Table().Post();
        }
        InfosCours jour{};
        jour.Date = platform::EncodeDate(2026, 3, 6);
        jour.Cours = 1300;
        jour.Haut = 1310;
        jour.Bas = 1290;
        jour.Volume = 13;
        corv.AddHistoPoint(jour);
        ASSERT_TRUE(corv.SaveHistoFile());
        EXPECT_EQ(ReadFile(titre), c.attendu);
        EXPECT_EQ(Table().RecordCount(),
                  static_cast<int>(std::count(c.attendu.begin(), c.attendu.end(), '\n')) - 1);
        EXPECT_EQ(corv.DateHisto, jour.Date);
    }
}

TEST_F(HistoTest, DisplayFactorNeverReachesTheTableOrTheFile) {
    corv.Facteur = 6.55957f;
    WriteFile(titre, "01/01/1970\n02/01/2024;1000;1100;900;5;\n");
    ASSERT_TRUE(corv.LoadHistoFile(&titre));
    EXPECT_DOUBLE_EQ(Table().NumberAt(0, 1), 10.0);
    titre.Infos.Cours = 1000;
    std::int32_t moyenne = 0;
    std::int32_t rsi = 0;
    corv.ComputeIndicateurs(&titre, 1, moyenne, rsi, 2);
    EXPECT_EQ(moyenne, 1000);
    ASSERT_TRUE(corv.SaveHistoFile());
    EXPECT_EQ(ReadFile(titre), "01/01/1970\n02/01/2024;1000;1100;900;5;\n");
}

TEST_F(HistoTest, FilesIgnoreTheCLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "fr_FR.UTF-8"), nullptr);
    const std::string text = "01/01/1970\n02/01/2024;1234;1300;1200;5000;\n";
    WriteFile(titre, text);
    bool loaded = false;
    bool saved = false;
    std::string cours;
    try {
        loaded = corv.LoadHistoFile(&titre);
        cours = Table().Fields(1).AsString();
        saved = corv.SaveHistoFile();
    } catch (...) {
    }
    std::setlocale(LC_ALL, "C");
    EXPECT_TRUE(loaded);
    EXPECT_TRUE(saved);
    EXPECT_EQ(cours, "12.34");
    EXPECT_EQ(ReadFile(titre), text);
}

} // namespace
