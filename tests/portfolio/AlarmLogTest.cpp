// The check after a new quote: expiry, firing order and the alarm log beside the portfolio.

#include "platform/ConversionError.h"
#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

SDetAlarme* AddAlarme(Valeurs& titre, bool signal, double dateVal, std::int32_t seuil,
                      std::uint8_t oper = 0) {
    auto a = std::make_unique<SDetAlarme>();
    a->Active = true;
    a->Signal = signal;
    a->Intitule = "ALARME N° 1";
    a->DateVal = dateVal;
    a->Element1.Type = 0;
    a->Element2.Type = 1;
    a->Element2.Param = seuil;
    a->Oper = oper;
    titre.Alarmes.push_back(std::move(a));
    return titre.Alarmes.back().get();
}

class AlarmLogTest : public ::testing::Test {
protected:
    AlarmLogTest() : corv(dir.Path().string()) {
        platform::Clock::SetFixed(today + platform::EncodeTime(10, 20, 30));
        corv.Fichier = dir.File("perso.cvx");
        titre.Code = "12000";
        titre.Libelle = "Société Exemple";
        titre.Infos.Cours = 1300;
    }
    ~AlarmLogTest() override { platform::Clock::Reset(); }

    std::vector<std::string> LogLines() const {
        std::ifstream f(dir.Path() / "perso.cvl", std::ios::binary);
        std::vector<std::string> lignes;
        for (std::string l; std::getline(f, l);)
            lignes.push_back(l);
        return lignes;
    }

    // The line of the buy alarm on the price above 12,50 that most tests add.
    const std::string achat = "A|15/03/2024|10:20:30|12000|Société Exemple|"
                              "Le cours du titre est supérieur  à 12,50|*";
    const double today = platform::EncodeDate(2024, 3, 15);
    const TempFolder dir;
    TCorv corv;
    Valeurs titre;
};

TEST(AlarmLogPath, LastFourCharactersBecomeCvl) {
    EXPECT_EQ(TCorv::LogPath("Bourse/perso.cvx"), "Bourse/perso.cvl");
    EXPECT_EQ(TCorv::LogPath("/home/u/perso.old"), "/home/u/perso.cvl");
    EXPECT_EQ(TCorv::LogPath("perso"), "p.cvl");
    EXPECT_EQ(TCorv::LogPath(".cvx"), ".cvl");
    EXPECT_EQ(TCorv::LogPath("abc"), "");
    EXPECT_EQ(TCorv::LogPath(""), "");
}

TEST_F(AlarmLogTest, FiredAlarmIsAppendedAndStaysActive) {
    {
        std::ofstream f(dir.Path() / "perso.cvl", std::ios::binary);
        f << "A|01/01/2024|09:00:00|1|Ancien|ancienne ligne|*\n";
    }
    SDetAlarme* a = AddAlarme(titre, false, today, 1250);
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    EXPECT_TRUE(a->Active);
    EXPECT_FALSE(corv.Modifie);
    const auto lignes = LogLines();
    ASSERT_EQ(lignes.size(), 2u);
    EXPECT_EQ(lignes[0], "A|01/01/2024|09:00:00|1|Ancien|ancienne ligne|*");
    EXPECT_EQ(lignes[1], "V|15/03/2024|10:20:30|12000|Société Exemple|"
                         "Le cours du titre est supérieur  à 12,50|*");

    // Still holding at the next check: it fires again.
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    EXPECT_EQ(LogLines().size(), 3u);
}

TEST_F(AlarmLogTest, ExpiredAlarmsAreRetiredUntested) {
    SDetAlarme* hier = AddAlarme(titre, true, today - 1, 1250);
    SDetAlarme* inactive = AddAlarme(titre, true, today + 5, 1250);
    inactive->Active = false;
    EXPECT_FALSE(corv.CheckAlarmes(&titre));
    EXPECT_FALSE(hier->Active);
    EXPECT_FALSE(inactive->Active);
    // The log is opened on every check, so it now exists, empty.
    EXPECT_TRUE(fs::exists(dir.Path() / "perso.cvl"));
    EXPECT_TRUE(LogLines().empty());

    // Valid through the whole of its last day, whatever the hour.
    SDetAlarme* aujourdhui = AddAlarme(titre, true, today, 1250);
    platform::Clock::SetFixed(today + platform::EncodeTime(23, 59, 59));
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    EXPECT_TRUE(aujourdhui->Active);
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_EQ(LogLines()[0].substr(0, 23), "A|15/03/2024|23:59:59|1");

    platform::Clock::SetFixed(today + 1 + platform::EncodeTime(0, 0, 1));
    EXPECT_FALSE(corv.CheckAlarmes(&titre));
    EXPECT_FALSE(aujourdhui->Active);
    EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(AlarmLogTest, AlarmsFireInListOrder) {
    AddAlarme(titre, true, today, 1200);
    AddAlarme(titre, false, today, 1400); // does not hold at 13.00
    AddAlarme(titre, false, today, 1300, 1);
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    const auto lignes = LogLines();
    ASSERT_EQ(lignes.size(), 2u);
    EXPECT_EQ(lignes[0], "A|15/03/2024|10:20:30|12000|Société Exemple|"
                         "Le cours du titre est supérieur  à 12,00|*");
    EXPECT_EQ(lignes[1], "V|15/03/2024|10:20:30|12000|Société Exemple|"
                         "Le cours du titre est supérieur ou égal  à 13,00|*");
}

TEST_F(AlarmLogTest, SeparatorsInFieldsDoNotBreakTheLine) {
    titre.Code = "12|00";
    titre.Libelle = "Société | Exemple\r\nbis";
    AddAlarme(titre, true, today, 1250);
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    const auto lignes = LogLines();
    ASSERT_EQ(lignes.size(), 1u);
    EXPECT_EQ(lignes[0], "A|15/03/2024|10:20:30|12/00|Société / Exemple  bis|"
                         "Le cours du titre est supérieur  à 12,50|*");

    // The viewer reads at most 511 characters a line: a huge label is shortened, on a
    // character boundary, and the sentence and terminator are kept.
    titre.Libelle.clear();
    for (int i = 0; i < 400; ++i)
        titre.Libelle += "é";
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    const std::string longue = LogLines().at(1);
    EXPECT_LE(longue.size(), 509u);
    EXPECT_GT(longue.size(), 400u);
    const std::string fin = "|Le cours du titre est supérieur  à 12,50|*";
    ASSERT_GE(longue.size(), fin.size());
    EXPECT_EQ(longue.substr(longue.size() - fin.size()), fin);
    const std::string libelle = longue.substr(28, longue.size() - fin.size() - 28);
    EXPECT_EQ(libelle.size() % 2, 0u);
    EXPECT_EQ(libelle.find_first_not_of("\xC3\xA9"), std::string::npos);
}

TEST_F(AlarmLogTest, LinesTheLogDoesNotTakeAreKeptForTheCaller) {
    const std::string vente = "V|15/03/2024|10:20:30|12000|Société Exemple|"
                              "Le cours du titre est supérieur ou égal  à 13,00|*";
    AddAlarme(titre, true, today, 1250);
    AddAlarme(titre, false, today, 1300, 1);
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    EXPECT_TRUE(corv.AlarmesNonJournalisees.empty());
    EXPECT_EQ(LogLines(), (std::vector<std::string>{achat, vente}));

    // A folder standing where the log would be: the alarms fire all the same and their lines
    // are kept, in firing order, added to at each check.
    fs::remove(dir.Path() / "perso.cvl");
    fs::create_directories(dir.Path() / "perso.cvl");
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    EXPECT_EQ(corv.AlarmesNonJournalisees, (std::vector<std::string>{achat, vente}));
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    EXPECT_EQ(corv.AlarmesNonJournalisees, (std::vector<std::string>{achat, vente, achat, vente}));
    EXPECT_TRUE(fs::is_directory(dir.Path() / "perso.cvl"));

    // A pipe there, with or without a reader: the check neither waits on it nor feeds it.
    fs::remove(dir.Path() / "perso.cvl");
    ASSERT_EQ(::mkfifo((dir.Path() / "perso.cvl").c_str(), 0644), 0);
    const int lecteur = ::open((dir.Path() / "perso.cvl").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(lecteur, 0);
    corv.AlarmesNonJournalisees.clear();
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    char octet = 0;
    EXPECT_LE(::read(lecteur, &octet, 1), 0);
    ::close(lecteur);
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    EXPECT_EQ(corv.AlarmesNonJournalisees, (std::vector<std::string>{achat, vente, achat, vente}));
    EXPECT_TRUE(fs::is_fifo(dir.Path() / "perso.cvl"));

    // Nothing fired: nothing to keep.
    corv.AlarmesNonJournalisees.clear();
    titre.Infos.Cours = 1000;
    EXPECT_FALSE(corv.CheckAlarmes(&titre));
    EXPECT_TRUE(corv.AlarmesNonJournalisees.empty());

    // A document never saved has no log to take them.
    titre.Infos.Cours = 1300;
    corv.Fichier.clear();
    EXPECT_TRUE(corv.CheckAlarmes(&titre));
    EXPECT_EQ(corv.AlarmesNonJournalisees, (std::vector<std::string>{achat, vente}));
}

// An append that the log cannot take whole (a full disk, here a limit on file sizes) leaves
// the log as it was and keeps the line for the caller; a log that ends inside a line (a
// writer killed mid-append) gets the next entry on a line of its own.
TEST_F(AlarmLogTest, AppendsAreWholeLinesOrNothing) {
    const std::string ancienne = "A|01/01/2024|09:00:00|1|Ancien|ancienne ligne|*\n";
    const std::string coupee = ancienne + "V|01/01/2024|09:30:00|2|Coup";
    const struct {
        std::string avant;
        rlim_t limite; // the largest file the append may leave; 0 for none
        std::string apres;
    } cas[] = {{ancienne, ancienne.size() + 20, ancienne},
               {coupee, 0, coupee + "\n" + achat + "\n"}};
    AddAlarme(titre, true, today, 1250);
    for (const auto& c : cas) {
        SCOPED_TRACE(c.avant);
        std::ofstream(dir.Path() / "perso.cvl", std::ios::binary | std::ios::trunc) << c.avant;
        corv.AlarmesNonJournalisees.clear();
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit petite = old;
        petite.rlim_cur = c.limite != 0 ? c.limite : old.rlim_cur;
        auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &petite);
        EXPECT_TRUE(corv.CheckAlarmes(&titre));
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        std::ifstream f(dir.Path() / "perso.cvl", std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), c.apres);
        EXPECT_EQ(corv.AlarmesNonJournalisees.empty(), c.apres != c.avant);
    }
}

TEST_F(AlarmLogTest, AQuoteIsCheckedOnlyWhenItsPriceMoves) {
    AddAlarme(titre, true, today, 1250);
    for (const double date : {today - 1, today - 10}) {
        auto achat = std::make_unique<Operes>();
        achat->Date = date;
        achat->Quantite = 5;
        achat->Cours = 1200;
        titre.Operes.push_back(std::move(achat));
    }
    const auto quote = [&](std::int32_t cours, std::int32_t volume) {
        InfosCours infos = titre.Infos;
        infos.Cours = cours;
        infos.Volume = volume;
        return corv.ApplyCours(&titre, infos).alarme;
    };

    // The same price with a new volume: taken and valued, but no alarm is asked, so that the
    // log is not even opened.
    EXPECT_FALSE(quote(1300, 800));
    EXPECT_EQ(titre.Infos.Volume, 800);
    EXPECT_EQ(titre.Bilan.ValorBrut, 13000);
    EXPECT_EQ(titre.Operes[0]->Date, today - 10);
    EXPECT_FALSE(fs::exists(dir.Path() / "perso.cvl"));

    // A price that moves is checked after the position follows it.
    EXPECT_TRUE(quote(1400, 900));
    EXPECT_EQ(titre.Bilan.ValorBrut, 14000);
    EXPECT_EQ(LogLines(), std::vector<std::string>{achat});
    EXPECT_FALSE(quote(1200, 900));
    EXPECT_EQ(LogLines(), std::vector<std::string>{achat});
    EXPECT_FALSE(corv.Modifie);
}

TEST_F(AlarmLogTest, AnUnreadableHistoryStillRecordsTheAlarmsFiredBeforeIt) {
    fs::create_directories(dir.Path() / "historique");
    std::ofstream(dir.Path() / "historique" / "12000.his", std::ios::binary)
        << "01/01/1970\n31/02/2024;100;100;100;10;\n";
    AddAlarme(titre, true, today, 1250);
    SDetAlarme* rsi = AddAlarme(titre, false, today, 3000);
    rsi->Element1.Type = 4;
    rsi->Element1.Param = 14;
    EXPECT_THROW(corv.CheckAlarmes(&titre), platform::ConversionError);
    EXPECT_EQ(LogLines(), std::vector<std::string>{achat});

    // Where the log cannot take it, the line is kept for the caller.
    fs::remove(dir.Path() / "perso.cvl");
    fs::create_directories(dir.Path() / "perso.cvl");
    EXPECT_THROW(corv.CheckAlarmes(&titre), platform::ConversionError);
    EXPECT_EQ(corv.AlarmesNonJournalisees, std::vector<std::string>{achat});
}

TEST_F(AlarmLogTest, WithoutALogTheCheckStillWorks) {
    // Never saved, a name too short for an extension, and a folder that does not exist.
    for (const std::string& fichier :
         {std::string(), std::string("cvx"), dir.File("absent/perso.cvx")}) {
        corv.Fichier = fichier;
        Valeurs t;
        t.Infos.Cours = 1300;
        SDetAlarme* expiree = AddAlarme(t, true, today - 1, 1250);
        SDetAlarme* valide = AddAlarme(t, true, today, 1250);
        EXPECT_TRUE(corv.CheckAlarmes(&t)) << fichier;
        EXPECT_FALSE(expiree->Active) << fichier;
        EXPECT_TRUE(valide->Active) << fichier;
    }
    EXPECT_FALSE(fs::exists(".cvl"));
    EXPECT_FALSE(fs::exists("cvx.cvl"));
    EXPECT_FALSE(fs::exists(dir.Path() / "absent"));
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

} // namespace
