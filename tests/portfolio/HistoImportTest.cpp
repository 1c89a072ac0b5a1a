// The history import without a display: a file read whole into the staging table, then merged
// date by date into each security's history, or refused whole; what it reports back.

#include "../OtherUser.h"

#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"
#include "portfolio/HistoImport.h"
#include "support/Builders.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

using build::Layout;

const ModeleImport kParCode = Layout(';', {ciSicovam, ciDate, ciCours}, true);
const ModeleImport kDateCours = Layout(';', {ciDate, ciCours});

class HistoImportTest : public ::testing::Test {
protected:
    HistoImportTest() : corv(dir.Path().string()) {
        ResetDatas();
        fs::create_directories(dir.Path() / "historique");
        alpha = Add("12000");
        beta = Add("13000");
    }

    Valeurs* Add(const std::string& code) { return build::AddSecurity(corv, code); }

    fs::path HistoPath(const std::string& code) const {
        return dir.Path() / "historique" / (code + ".his");
    }
    // data: the lines after the header.
    void WriteHisto(const std::string& code, const std::string& data) const {
        std::ofstream(HistoPath(code), std::ios::binary) << "01/01/1970\n" << data;
    }
    std::string ReadText(const fs::path& path) const {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string ReadHisto(const std::string& code) const { return ReadText(HistoPath(code)); }
    std::string WriteFile(const std::string& name, const std::string& text) const {
        std::ofstream(dir.File(name), std::ios::binary) << text;
        return dir.File(name);
    }

    ResultatImport Import(Valeurs* titre, const ModeleImport& modele, const std::string& path) {
        return ImportHistoriques(corv, titre, modele, path,
                                 [this](const AvancementImport& a) { suivi.push_back(a); });
    }

    const TempFolder dir;
    TCorv corv;
    Valeurs* alpha = nullptr;
    Valeurs* beta = nullptr;
    std::vector<AvancementImport> suivi;
};

TEST_F(HistoImportTest, DaysInAnyOrderAreMergedIntoTheStoredHistoryByDate) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\n05/01/2026;1000;1050;950;2000;\n");
    const std::string file =
        WriteFile("in.txt", "07/01/2026;12;\n05/01/2026;11.00;\n\n03/01/2026;10.50;\n"
                            "01/01/2026;9.5;\n");
    const ResultatImport r = Import(alpha, kDateCours, file);
    EXPECT_TRUE(r.Ouvert);
    EXPECT_FALSE(r.Refus.has_value());
    EXPECT_EQ(r.Lues, 4); // the blank line is no line of data
    EXPECT_EQ(r.Fusionnees, 4);
    EXPECT_TRUE(r.Inconnues.empty());
    EXPECT_TRUE(r.Echecs.empty());
    // The day already stored keeps what the layout does not hold; a new day gets 0.
    EXPECT_EQ(ReadHisto("12000"), "01/01/1970\n"
                                  "01/01/2026;950;0;0;0;\n"
                                  "02/01/2026;1001;1100;900;1500;\n"
                                  "03/01/2026;1050;0;0;0;\n"
                                  "05/01/2026;1100;1050;950;2000;\n"
                                  "07/01/2026;1200;0;0;0;\n");
    EXPECT_EQ(corv.TitreHisto, alpha);
    EXPECT_EQ(TheDatas().Historique.RecordCount(), 5);

    // A full layout replaces all five values of a stored day.
    const std::string full = WriteFile("full.txt", "03/01/2026;12;13;11;7;\n");
    EXPECT_EQ(
        Import(alpha, Layout(';', {ciDate, ciCours, ciHaut, ciBas, ciVolume}), full).Fusionnees, 1);
    EXPECT_NE(ReadHisto("12000").find("03/01/2026;1200;1300;1100;7;\n"), std::string::npos);
}

TEST_F(HistoImportTest, ADayGivenTwiceTakesItsLastLineAndCodesAreGroupedWhereverTheyStand) {
    WriteHisto("12000", "");
    const std::string file = WriteFile("dup.txt", "12000;05/01/2026;10;\n"
                                                  "13000;05/01/2026;5;\n"
                                                  "12000;05/01/2026;11;\n"
                                                  "12000;04/01/2026;9;\n");
    const ResultatImport r = Import(nullptr, kParCode, file);
    EXPECT_EQ(r.Lues, 4);
    EXPECT_EQ(r.Fusionnees, 4); // every row merged counts, the repeated day too
    EXPECT_EQ(ReadHisto("12000"), "01/01/1970\n04/01/2026;900;0;0;0;\n05/01/2026;1100;0;0;0;\n");
    EXPECT_EQ(ReadHisto("13000"), "01/01/1970\n05/01/2026;500;0;0;0;\n");

    // Each security is begun and finished once, in code order, with its own count.
    std::vector<std::pair<std::string, int>> fins;
    for (const AvancementImport& a : suivi)
        if (a.Quand == AvancementImport::Etape::Fin)
            fins.emplace_back(a.Code, a.Compte);
    EXPECT_EQ(fins, (std::vector<std::pair<std::string, int>>{{"12000", 3}, {"13000", 1}}));
    ASSERT_FALSE(suivi.empty());
    EXPECT_EQ(suivi.front().Quand, AvancementImport::Etape::Chargement);
    EXPECT_EQ(suivi.front().Compte, 0);
    int chargees = 0;
    for (const AvancementImport& a : suivi)
        if (a.Quand == AvancementImport::Etape::Chargement && a.Compte > 0) {
            EXPECT_EQ(a.Compte, ++chargees);
        }
    EXPECT_EQ(chargees, 4);
    EXPECT_EQ(corv.TitreHisto, beta); // the last security merged
}

TEST_F(HistoImportTest, NewDaysBetweenStoredOnesInAShuffledFileWithRepeatsLandInDateOrder) {
    // Every other day stored; the file gives every day of the range, shuffled, a third of
    // them twice with other figures. What the history must hold is worked out day by day in
    // the file's order: a stored day takes the file's price and volume and keeps its high
    // and low, a new day has 0 for them, and a day's later line wins.
    constexpr int kJours = 3000;
    const double premier = platform::EncodeDate(2000, 1, 3);
    const auto texteDate = [](double jour) {
        const auto d = platform::DecodeDate(jour);
        char texte[16];
        std::snprintf(texte, sizeof texte, "%02d/%02d/%04d", d.day, d.month, d.year);
        return std::string(texte);
    };
    std::map<double, std::array<int, 4>> attendu; // cours, haut, bas, volume in cents
    std::string stocke;
    for (int i = 0; i < kJours; i += 2) {
        const std::array<int, 4> jour{1000 + i, 2000 + i, 500 + i, i};
        attendu[premier + i] = jour;
        stocke += texteDate(premier + i) + ";" + std::to_string(jour[0]) + ";" +
                  std::to_string(jour[1]) + ";" + std::to_string(jour[2]) + ";" +
                  std::to_string(jour[3]) + ";\n";
    }
    WriteHisto("12000", stocke);
    struct Ligne {
        double jour;
        int cents;
        int volume;
    };
    std::vector<Ligne> lignes;
    for (int i = 0; i < kJours; ++i) {
        lignes.push_back({premier + i, 3000 + 7 * i, 40 + i});
        if (i % 3 == 0)
            lignes.push_back({premier + i, 9000 + i, 7});
    }
    std::shuffle(lignes.begin(), lignes.end(), std::mt19937(7));
    std::string fichier;
    for (const Ligne& l : lignes) {
        fichier += texteDate(l.jour) + ";" + std::to_string(l.cents / 100) + "." +
                   (l.cents % 100 < 10 ? "0" : "") + std::to_string(l.cents % 100) + ";" +
                   std::to_string(l.volume) + "\n";
        auto [it, nouveau] = attendu.try_emplace(l.jour, std::array<int, 4>{0, 0, 0, 0});
        it->second[0] = l.cents;
        it->second[3] = l.volume;
    }
    const ResultatImport r =
        Import(alpha, Layout(';', {ciDate, ciCours, ciVolume}), WriteFile("melange.txt", fichier));
    ASSERT_TRUE(r.Ouvert);
    ASSERT_FALSE(r.Refus.has_value());
    EXPECT_EQ(r.Lues, static_cast<int>(lignes.size()));
    EXPECT_EQ(r.Fusionnees, static_cast<int>(lignes.size()));

    std::string historique = "01/01/1970\n";
    for (const auto& [jour, v] : attendu)
        historique += texteDate(jour) + ";" + std::to_string(v[0]) + ";" + std::to_string(v[1]) +
                      ";" + std::to_string(v[2]) + ";" + std::to_string(v[3]) + ";\n";
    EXPECT_EQ(ReadHisto("12000"), historique);
    // The table left loaded is that history, in date order.
    platform::MemTable& table = TheDatas().Historique;
    ASSERT_EQ(table.RecordCount(), kJours);
    const int date = table.FindField("Date");
    for (int row = 1; row < table.RecordCount(); ++row)
        ASSERT_LT(table.NumberAt(row - 1, date), table.NumberAt(row, date)) << row;
}

TEST_F(HistoImportTest, UnknownCodesAreReportedOnceAndTheirLinesSkipped) {
    const std::string file = WriteFile("multi.txt", "77777;03/01/2026;1;\n"
                                                    "13000;03/01/2026;5.5;\n"
                                                    "88888;03/01/2026;1;\n"
                                                    "77777;04/01/2026;1;\n");
    const ResultatImport r = Import(nullptr, kParCode, file);
    EXPECT_EQ(r.Lues, 4);
    EXPECT_EQ(r.Fusionnees, 1);
    EXPECT_EQ(r.Inconnues, (std::vector<std::string>{"77777", "88888"}));
    EXPECT_TRUE(r.Autres.empty());
    EXPECT_FALSE(fs::exists(HistoPath("77777")));
    EXPECT_FALSE(fs::exists(HistoPath("88888")));
    EXPECT_EQ(ReadHisto("13000"), "01/01/1970\n03/01/2026;550;0;0;0;\n");

    // For one security, a file of several keeps that security's lines; the others are no
    // unknown codes, only other securities' lines.
    const std::string one = WriteFile("one.txt", "12000;04/01/2026;11;\n13000;04/01/2026;6;\n"
                                                 "99999;04/01/2026;6;\n");
    const ResultatImport seul = Import(alpha, kParCode, one);
    EXPECT_EQ(seul.Fusionnees, 1);
    EXPECT_TRUE(seul.Inconnues.empty());
    EXPECT_EQ(seul.Autres, (std::vector<std::string>{"13000", "99999"}));
    EXPECT_EQ(ReadHisto("12000"), "01/01/1970\n04/01/2026;1100;0;0;0;\n");
    EXPECT_EQ(ReadHisto("13000").find("04/01/2026"), std::string::npos);

    // Without the several-securities layout every line goes to the current security.
    const std::string sans = WriteFile("sans.txt", "13000;06/01/2026;7;\n");
    EXPECT_EQ(Import(alpha, Layout(';', {ciSicovam, ciDate, ciCours}), sans).Fusionnees, 1);
    EXPECT_NE(ReadHisto("12000").find("06/01/2026;700;"), std::string::npos);
}

TEST_F(HistoImportTest, ALineThatDoesNotReadRefusesTheWholeFile) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\n");
    const std::string before = ReadHisto("12000");
    const auto refus = [&](const std::string& text, const ModeleImport& modele) {
        const ResultatImport r = Import(nullptr, modele, WriteFile("bad.txt", text));
        EXPECT_TRUE(r.Ouvert);
        EXPECT_EQ(r.Fusionnees, 0);
        EXPECT_TRUE(TheDatas().LoadHisto.IsEmpty()); // nothing of it is kept staged
        EXPECT_EQ(ReadHisto("12000"), before);
        EXPECT_FALSE(fs::exists(HistoPath("13000")));
        return r.Refus.value_or(RefusImport{-1, RefusImport::Cause::Illisible, "accepted"});
    };
    // Blank lines count in the line's number.
    RefusImport r =
        refus("12000;03/01/2026;10;\n\n13000;04/01/20x6;5;\n13000;05/01/2026;5;\n", kParCode);
    EXPECT_EQ(r.Ligne, 3);
    EXPECT_EQ(r.Motif, RefusImport::Cause::Illisible);
    EXPECT_EQ(r.Raison.rfind("Date", 0), 0u) << r.Raison;

    r = refus("12000;03/01/2026;abc;\n", kParCode);
    EXPECT_EQ(r.Ligne, 1);
    EXPECT_EQ(r.Raison.rfind("Cours", 0), 0u) << r.Raison;

    r = refus("12000;03/01/2026;10;\n13000;04/01/2026;5;" + std::string(1100, 'x') + "\n",
              kParCode);
    EXPECT_EQ(r.Ligne, 2);
    EXPECT_EQ(r.Motif, RefusImport::Cause::TropLongue);

    r = refus("12000;03/01/2026;10;\n ;04/01/2026;5;\n", kParCode);
    EXPECT_EQ(r.Ligne, 2);
    EXPECT_EQ(r.Motif, RefusImport::Cause::SansCode);

    // Cut to the staging table's width, a longer code would be this security's.
    const std::string vingt(20, '1');
    Add(vingt);
    r = refus("12000;03/01/2026;10;\n" + vingt + "2;04/01/2026;5;\n", kParCode);
    EXPECT_EQ(r.Ligne, 2);
    EXPECT_EQ(r.Motif, RefusImport::Cause::CodeTropLong);
    EXPECT_FALSE(fs::exists(HistoPath(vingt)));
}

TEST_F(HistoImportTest, AFileThatCannotBeOpenedChangesNothing) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\n");
    const std::string before = ReadHisto("12000");
    fs::create_directory(dir.File("dossier.txt"));
    ASSERT_EQ(::mkfifo(dir.File("tube.txt").c_str(), 0600), 0);
    for (const std::string& source :
         {dir.File("absent.txt"), dir.File("dossier.txt"), dir.File("tube.txt")}) {
        const ResultatImport r = Import(alpha, kDateCours, source);
        EXPECT_FALSE(r.Ouvert) << source;
        EXPECT_EQ(r.Fusionnees, 0) << source;
        EXPECT_EQ(ReadHisto("12000"), before) << source;
    }
    // An empty file opens and merges nothing.
    const ResultatImport vide = Import(alpha, kDateCours, WriteFile("vide.txt", ""));
    EXPECT_TRUE(vide.Ouvert);
    EXPECT_EQ(vide.Lues, 0);
    EXPECT_EQ(vide.Fusionnees, 0);
    EXPECT_EQ(ReadHisto("12000"), before);
}

TEST_F(HistoImportTest, AStoredHistoryThatDoesNotReadIsLeftAsItWas) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\nzz;1;1;1;1;\n");
    const std::string before = ReadHisto("12000");
    const std::string file = WriteFile("in.txt", "12000;03/01/2026;10;\n13000;03/01/2026;5;\n");
    const ResultatImport r = Import(nullptr, kParCode, file);
    EXPECT_EQ(r.Fusionnees, 1);
    EXPECT_EQ(ReadHisto("12000"), before);
    EXPECT_EQ(ReadHisto("13000"), "01/01/1970\n03/01/2026;500;0;0;0;\n");
    ASSERT_EQ(r.Echecs.size(), 1u);
    EXPECT_EQ(r.Echecs[0].Quand, EchecHistorique::Etape::Lecture);
    EXPECT_EQ(r.Echecs[0].Code, "12000");
    EXPECT_EQ(r.Echecs[0].Chemin, corv.HistoFilePath(alpha));
    EXPECT_FALSE(r.Echecs[0].Raison.empty());
    // No progress for a security that was never begun.
    for (const AvancementImport& a : suivi)
        EXPECT_NE(a.Code, "12000");
}

TEST_F(HistoImportTest, AHistoryThatCannotBeSavedIsReportedAndReloadedFromItsFile) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\n");
    const std::string before = ReadHisto("12000");
    const std::string file = WriteFile("in.txt", "03/01/2026;10;\n");
    fs::permissions(dir.Path() / "historique", fs::perms::owner_read | fs::perms::owner_exec |
                                                   fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(file, fs::perms::owner_read | fs::perms::others_read);
    ResultatImport r;
    {
        const OtherUser user;
        if (!user.Active())
            GTEST_SKIP() << "no other user to write as";
        r = Import(alpha, kDateCours, file);
    }
    EXPECT_TRUE(r.Ouvert);
    EXPECT_EQ(r.Fusionnees, 0); // merged but not saved
    ASSERT_EQ(r.Echecs.size(), 1u);
    EXPECT_EQ(r.Echecs[0].Quand, EchecHistorique::Etape::Ecriture);
    EXPECT_EQ(r.Echecs[0].Code, "12000");
    EXPECT_EQ(r.Echecs[0].Chemin, corv.HistoFilePath(alpha));
    EXPECT_EQ(ReadHisto("12000"), before);
    // The table is what the file holds, not the days that could not be saved.
    EXPECT_EQ(TheDatas().Historique.RecordCount(), 1);
}

TEST_F(HistoImportTest, PricesAreReadInTheDisplayedCurrency) {
    corv.Taux = corv.Facteur = 6.55957f;
    const ResultatImport r = Import(alpha, Layout(';', {ciDate, ciCours, ciHaut}),
                                    WriteFile("in.txt", "05/01/2026;65.60;6.56;\n"));
    EXPECT_EQ(r.Fusionnees, 1);
    EXPECT_EQ(ReadHisto("12000"), "01/01/1970\n05/01/2026;1000;100;0;0;\n");
}

} // namespace
