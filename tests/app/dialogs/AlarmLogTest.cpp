// The alarm-log viewer: reading and ordering the log, deleting entries, the rewrite on
// Quitter (unreadable lines and alarms logged meanwhile kept), and the end of the flashing.

#include "../AppTestSupport.h"

#include "dialogs/AlarmLogDialog.h"
#include "window/RefreshPanel.h"

#include "platform/TextFile.h"
#include "portfolio/Cv.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class AlarmLogTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        doc = std::make_unique<TCorv>(dataDir_);
        doc->Fichier = Path("perso.cvx");
        doc->AlarmeNouvelle = true;
    }

    QStringList Column(const TFLogs& d, int column) const {
        QStringList texts;
        for (int i = 0; i < d.Liste->topLevelItemCount(); ++i)
            texts << d.Liste->topLevelItem(i)->text(column);
        return texts;
    }

    std::unique_ptr<TCorv> doc;
};

// In file order: sell 200 at 9:00, a buy of the next day, two firings at the same time, a
// date and time in short forms with a CRLF line end and a Windows-1252 label, then two
// lines that do not read.
const std::string kLog = "V|14/03/2026|09:00:00|200|Beta|texte b|*\n"
                         "A|15/03/2026|08:00:00|300|Gamma|texte c|*\n"
                         "A|14/03/2026|17:30:00|200|Beta|texte d|*\n"
                         "X|14/03/2026|17:30:00|100|Alpha|texte e|*\n"
                         "A|5/3/26|9:05|400|Soci\xe9t\xe9|texte f|*\r\n"
                         "ligne sans separateurs\n"
                         "\n"
                         "A|32/13/2026|10:00:00|500|Mauvaise|texte g|*\n";

TEST_F(AlarmLogTest, ListsNewestFirstAndKeepsWhatDoesNotRead) {
    WriteFile("perso.cvl", kLog);
    TFLogs d(nullptr, doc.get(), prompts);
    EXPECT_EQ(d.FLignes.size(), 7u);
    EXPECT_EQ(Column(d, 3), (QStringList{"300", "100", "200", "200", "400", "", ""}));
    EXPECT_EQ(Column(d, 0), (QStringList{"A", "V", "A", "V", "A", "?", "?"}));
    EXPECT_EQ(Column(d, 1).at(4), "05/03/2026");
    EXPECT_EQ(Column(d, 2).at(4), "09:05:00");
    EXPECT_EQ(Column(d, 2).at(3), "09:00:00");
    EXPECT_EQ(Column(d, 4).at(4), QString("Société"));
    EXPECT_EQ(Column(d, 5).at(2), "texte d");
    EXPECT_EQ(Column(d, 5).at(5), "ligne sans separateurs");
    EXPECT_EQ(Column(d, 5).at(6), "A|32/13/2026|10:00:00|500|Mauvaise|texte g|*");
    EXPECT_FALSE(d.Liste->topLevelItem(0)->icon(0).isNull());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(AlarmLogTest, QuitterRewritesTheEntriesLeftInFileOrder) {
    const std::string log = WriteFile("perso.cvl", kLog);
    {
        TFLogs d(nullptr, doc.get(), prompts);
        d.Liste->topLevelItem(0)->setSelected(true); // 300
        d.Liste->topLevelItem(3)->setSelected(true); // 200 at 9:00
        d.Liste->topLevelItem(5)->setSelected(true); // the line without separators
        d.Supprimer->click();
        EXPECT_EQ(Column(d, 3), (QStringList{"100", "200", "400", ""}));
        EXPECT_EQ(Contents(log), kLog); // nothing is written before Quitter
        d.Quitter->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    EXPECT_EQ(Contents(log), "A|14/03/2026|17:30:00|200|Beta|texte d|*\n"
                             "V|14/03/2026|17:30:00|100|Alpha|texte e|*\n"
                             "A|05/03/2026|09:05:00|400|Soci\u00e9t\u00e9|texte f|*\n"
                             "A|32/13/2026|10:00:00|500|Mauvaise|texte g|*\n");
    EXPECT_FALSE(doc->AlarmeNouvelle);
    EXPECT_TRUE(prompts.messages.empty());

    // Read again, the rewritten log gives the same entries.
    TFLogs relu(nullptr, doc.get(), prompts);
    EXPECT_EQ(Column(relu, 3), (QStringList{"100", "200", "400", ""}));

    // Deleting every row leaves an empty log.
    relu.Liste->selectAll();
    relu.Supprimer->click();
    EXPECT_EQ(relu.Liste->topLevelItemCount(), 0);
    relu.Quitter->click();
    EXPECT_TRUE(std::filesystem::exists(log));
    EXPECT_EQ(Contents(log), "");
}

TEST_F(AlarmLogTest, CloseBoxWritesNothingAndKeepsTheFlag) {
    const std::string log = WriteFile("perso.cvl", kLog);
    TFLogs d(nullptr, doc.get(), prompts);
    d.Liste->selectAll();
    d.Supprimer->click();
    d.reject();
    EXPECT_EQ(Contents(log), kLog);
    EXPECT_TRUE(doc->AlarmeNouvelle);
}

TEST_F(AlarmLogTest, MissingLogOrFileName) {
    // No log yet: an empty list, and Quitter creates the log empty.
    {
        TFLogs d(nullptr, doc.get(), prompts);
        EXPECT_EQ(d.Liste->topLevelItemCount(), 0);
        d.Quitter->click();
    }
    EXPECT_EQ(Contents(Path("perso.cvl")), "");
    EXPECT_FALSE(doc->AlarmeNouvelle);

    // A document never saved has no log: nothing is written, the alarms are acknowledged.
    doc->Fichier.clear();
    doc->AlarmeNouvelle = true;
    {
        TFLogs d(nullptr, doc.get(), prompts);
        d.Quitter->click();
    }
    EXPECT_FALSE(doc->AlarmeNouvelle);
    EXPECT_TRUE(prompts.messages.empty());

    // A log that cannot be written is reported and left as it was.
    doc->Fichier = Path("absent/perso.cvx");
    doc->AlarmeNouvelle = true;
    {
        TFLogs d(nullptr, doc.get(), prompts);
        d.Quitter->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Corvane");
    EXPECT_TRUE(prompts.messages[0].text.contains("absent/perso.cvl"));
    EXPECT_FALSE(std::filesystem::exists(Path("absent")));
}

// A folder or a pipe where the log goes: the viewer opens at once, says so in French, and
// Quitter leaves what is there as it is.
TEST_F(AlarmLogTest, SomethingThatIsNoFileAtTheLogIsReportedAndKept) {
    const std::string log = Path("perso.cvl");
    const std::vector<std::pair<const char*, std::function<void()>>> cas = {
        {"folder", [&] { std::filesystem::create_directory(log); }},
        {"pipe", [&] { ASSERT_EQ(::mkfifo(log.c_str(), 0644), 0); }}};
    for (const auto& [nom, creer] : cas) {
        SCOPED_TRACE(nom);
        std::filesystem::remove_all(log);
        creer();
        const auto type = std::filesystem::status(log).type();
        prompts.messages.clear();
        {
            TFLogs d(nullptr, doc.get(), prompts);
            EXPECT_EQ(d.Liste->topLevelItemCount(), 0);
            ASSERT_EQ(prompts.messages.size(), 1u);
            EXPECT_TRUE(prompts.messages[0].text.contains(QString::fromStdString(log)));
            d.Quitter->click();
        }
        EXPECT_EQ(std::filesystem::status(log).type(), type);
    }
}

TEST_F(AlarmLogTest, AlarmsLoggedWhileOpenAreKept) {
    const std::string log = WriteFile("perso.cvl", kLog);
    TFLogs d(nullptr, doc.get(), prompts);
    d.Liste->topLevelItem(1)->setSelected(true); // 100
    d.Supprimer->click();
    // A quote refresh logs a firing meanwhile, and a second identical one.
    const std::string nouvelle = "A|15/03/2026|12:00:00|300|Gamma|texte c|*\n";
    ASSERT_TRUE(platform::AppendToFile(log, nouvelle + nouvelle));
    d.Quitter->click();
    const std::string ecrit = Contents(log);
    EXPECT_EQ(ecrit.find("|100|"), std::string::npos);
    EXPECT_EQ(ecrit.substr(ecrit.size() - 2 * nouvelle.size()), nouvelle + nouvelle);
    EXPECT_EQ(std::count(ecrit.begin(), ecrit.end(), '\n'), 8);
    // They have not been seen yet: the window goes on flashing.
    EXPECT_TRUE(doc->AlarmeNouvelle);
}

// Quitter takes out of the log as it now stands the entries deleted in this viewer, and only
// those: what another viewer deleted meanwhile stays out, and a line keeps every field.
TEST_F(AlarmLogTest, QuitterRemovesOnlyTheEntriesDeletedInThisViewer) {
    const std::string alpha = "A|14/03/2026|09:00:00|100|Alpha|texte a|*\n";
    const std::string alpha7 = "A|14/03/2026|09:00:00|100|Alpha|texte a|septieme|*\n";
    const std::string beta = "V|14/03/2026|10:00:00|200|Beta|texte b|*\n";
    const std::string gamma = "A|14/03/2026|11:00:00|300|Gamma|texte c|*\n";
    // Every viewer opens, then they delete their code and quit, the last opened first.
    const struct {
        std::string log;
        std::vector<QString> codes; // one viewer each
        std::string attendu;
    } cas[] = {{alpha + beta + gamma, {"300", "200"}, alpha}, {alpha7 + beta, {"200"}, alpha7}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.log);
        const std::string log = WriteFile("perso.cvl", c.log);
        std::vector<std::unique_ptr<TFLogs>> vues;
        for (std::size_t i = 0; i < c.codes.size(); ++i)
            vues.push_back(std::make_unique<TFLogs>(nullptr, doc.get(), prompts));
        for (std::size_t i = vues.size(); i-- > 0;) {
            vues[i]->Liste->findItems(c.codes[i], Qt::MatchExactly, 3).at(0)->setSelected(true);
            vues[i]->Supprimer->click();
            vues[i]->Quitter->click();
        }
        EXPECT_EQ(Contents(log), c.attendu);
    }
    EXPECT_TRUE(prompts.messages.empty());
}

// A quote refresh in another program logs alarms while a viewer rewrites the log: every line
// it logged is still there.
TEST_F(AlarmLogTest, AlarmsLoggedByAnotherProgramDuringQuitterAreKept) {
    const std::string log = WriteFile("perso.cvl", kLog);
    constexpr int kAlarmes = 400;
    const pid_t refresh = ::fork();
    ASSERT_GE(refresh, 0);
    if (refresh == 0) {
        Valeurs titre;
        titre.Code = "900";
        titre.Infos.Cours = 1300;
        titre.Alarmes.push_back(std::make_unique<SDetAlarme>());
        SDetAlarme& alarme = *titre.Alarmes.back();
        alarme.Active = true;
        alarme.DateVal = platform::Clock::Today() + 1;
        alarme.Element2.Type = 1; // the price above 0
        for (int i = 0; i < kAlarmes; ++i) {
            doc->CheckAlarmes(&titre);
            ::usleep(100);
        }
        ::_exit(doc->AlarmesNonJournalisees.empty() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(refresh, &status, WNOHANG) == 0)
        TFLogs(nullptr, doc.get(), prompts).Quitter->click();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string ecrit = Contents(log);
    int lignes = 0;
    for (auto at = ecrit.find("|900|"); at != std::string::npos; at = ecrit.find("|900|", at + 1))
        ++lignes;
    EXPECT_EQ(lignes, kAlarmes);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(AlarmLogTest, AnUnreadableLineEndingInACarriageReturnIsRewrittenWhole) {
    // "abc\r\r\n" is the line "abc\r"; so is a firing appended meanwhile. An entry that reads
    // keeps the CR that ends its last fields the same way.
    const std::string entree = "A|05/06/24|9:05|13110|BNP PARIBAS|RSI|*\r\r\n";
    const std::string log = WriteFile("perso.cvl", "abc\r\r\n" + entree + kLog);
    for (int fois = 0; fois < 2; ++fois) {
        TFLogs d(nullptr, doc.get(), prompts);
        EXPECT_TRUE(Column(d, 5).contains("abc\r")) << fois;
        if (fois == 0) {
            ASSERT_TRUE(platform::AppendToFile(log, "def\r\r\n"));
        }
        d.Quitter->click();
        const std::string ecrit = Contents(log);
        EXPECT_NE(ecrit.find("abc\r\r\n"), std::string::npos) << fois;
        EXPECT_NE(ecrit.find("def\r\r\n"), std::string::npos) << fois;
        EXPECT_NE(ecrit.find("|RSI|*\r\r\n"), std::string::npos) << fois;
    }
}

class AlarmLogCommandTest : public WindowTest {
protected:
};

TEST_F(AlarmLogCommandTest, ReadingTheLogStopsTheFlashing) {
    TCorv* doc = form->Portefeuille();
    doc->Fichier = Path("perso.cvx");
    WriteFile("perso.cvl", kLog);
    doc->AlarmeNouvelle = true;
    form->AlarmTimer()->start();
    form->TimeLogsTimer();
    EXPECT_EQ(form->RefreshStatus().ViewLogsImage(), 22);
    QAction* commande = form->Action("ViewLogs");
    EXPECT_TRUE(commande->isEnabled());

    // Closed by its close box: the alarms are still to be read.
    prompts.onDialog = [](QDialog& d) {
        EXPECT_EQ(FLogs, &d);
        d.reject();
        return false;
    };
    commande->trigger();
    EXPECT_EQ(FLogs, nullptr);
    EXPECT_TRUE(doc->AlarmeNouvelle);
    EXPECT_TRUE(form->AlarmTimer()->isActive());

    prompts.onDialog = [](QDialog& d) {
        auto* logs = dynamic_cast<TFLogs*>(&d);
        EXPECT_NE(logs, nullptr);
        if (logs != nullptr) {
            EXPECT_EQ(logs->Liste->topLevelItemCount(), 7);
            logs->Quitter->click();
        }
        return true;
    };
    commande->trigger();
    EXPECT_EQ(prompts.dialogs, 2);
    EXPECT_FALSE(doc->AlarmeNouvelle);
    EXPECT_FALSE(form->AlarmTimer()->isActive());
    EXPECT_EQ(form->RefreshStatus().ViewLogsImage(), 21);
    EXPECT_FALSE(doc->Modifie);
}

} // namespace
