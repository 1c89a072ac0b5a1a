// Start-up: the settings read (and defaulted) at start, the first document, the refresh
// timer, and the values the window writes when it goes away.

#include "AppTestSupport.h"

#include "Program.h"
#include "views/ColonnesRep.h"

#include "platform/DateText.h"
#include "portfolio/Cv.h"

#include <QAction>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>

#include <fstream>
#include <iterator>

namespace {

using Type = platform::SettingsStore::Type;

class StartupTest : public AppTest {
protected:
    // Writes the install folder, then whatever else the test wants in the key.
    void Install(const std::function<void(platform::SettingsStore&)>& more = {}) {
        WithKey([&](platform::SettingsStore& s) {
            s.WriteString("INSTALL", dataDir_);
            if (more)
                more(s);
        });
    }
    std::unique_ptr<TMainForm> StartWith(const std::function<void(platform::SettingsStore&)>& more,
                                         QStringList arguments = {"corvane"}) {
        Install(more);
        return Start(std::move(arguments));
    }
};

TEST_F(StartupTest, FirstStartWritesEveryDefaultWithItsType) {
    Install();
    auto form = Start();
    EXPECT_EQ(form->windowTitle(), "Corvane");
    ASSERT_NE(form->Portefeuille(), nullptr);
    EXPECT_TRUE(form->Portefeuille()->Fichier.empty());
    EXPECT_EQ(form->Portefeuille()->Repertoire, dataDir_);
    EXPECT_FALSE(form->RefreshTimer()->isActive());
    EXPECT_TRUE(prompts.messages.empty());

    ReadKey([&](platform::SettingsStore& s) {
        const std::vector<std::pair<const char*, std::int32_t>> entiers = {
            {"MOYENNE1", 10}, {"MOYENNE2", 20}, {"RSI", 7},  {"PERVAR", 7}, {"MAJ", 0},
            {"MAJTYPE", 2},   {"TEMPS", 10},    {"HTTP", 1}, {"PROXY", 0},  {"PROXYPORT", 3128}};
        for (const auto& [nom, valeur] : entiers) {
            ASSERT_TRUE(s.ValueExists(nom)) << nom;
            EXPECT_EQ(s.ValueType(nom), Type::Integer) << nom;
            EXPECT_EQ(s.ReadInteger(nom), valeur) << nom;
        }
        for (const char* nom : {"CURRENT", "LIBLOCAL", "PROXYNAME"})
            EXPECT_EQ(s.ValueType(nom), Type::String) << nom;
        EXPECT_EQ(s.ReadString("CURRENT"), "");
        EXPECT_EQ(s.ReadString("LIBLOCAL"), "francs");
        EXPECT_EQ(s.ReadString("PROXYNAME"), "");
        EXPECT_DOUBLE_EQ(s.ReadFloat("TAUX"), 6.55957);
        const double today = platform::EncodeDate(2026, 3, 15);
        EXPECT_DOUBLE_EQ(s.ReadDate("DATEDEB"), today - 30);
        EXPECT_DOUBLE_EQ(s.ReadDate("DATERENT"), platform::EncodeDate(2026, 1, 1));
        // Both settlement dates exist as dates; the document rolled them forward from the
        // never-set mark to real dates around today.
        for (const char* nom : {"DATELIQP", "DATELIQC"}) {
            EXPECT_EQ(s.ValueType(nom), Type::Binary) << nom;
            EXPECT_LT(std::abs(s.ReadDate(nom) - today), 62) << nom;
        }
        EXPECT_EQ(s.ReadBinary("COLREP2", 22),
                  std::vector<std::uint8_t>(kColRepDefaut.begin(), kColRepDefaut.end()));
        for (const char* nom : {"HEIGHT", "WIDTH", "SPLIT"})
            EXPECT_FALSE(s.ValueExists(nom)) << nom;
    });
}

TEST_F(StartupTest, StoredValuesAreReadAndKept) {
    const std::vector<std::uint8_t> colonnes(22, 5);
    {
        auto form = StartWith([&](platform::SettingsStore& s) {
            s.WriteInteger("MOYENNE1", 0);
            s.WriteInteger("RSI", 12);
            s.WriteInteger("MAJTYPE", 1);
            s.WriteDate("DATEDEB", platform::EncodeDate(2025, 6, 1));
            s.WriteBinary("COLREP2", colonnes);
            s.WriteString("LIBLOCAL", "dollars");
        });
        EXPECT_EQ(form->findChild<QSlider*>("Track1")->value(), 0);
        EXPECT_EQ(form->findChild<QSlider*>("Track3")->value(), 12);
        EXPECT_EQ(form->Action("Commute")->text(), "&Affichage en dollars");
        EXPECT_TRUE(form->Action("Commute")->isChecked());
    }
    ReadKey([&](platform::SettingsStore& s) {
        EXPECT_EQ(s.ReadInteger("MOYENNE1"), 0); // a period of 0 is not written back
        EXPECT_EQ(s.ReadInteger("RSI"), 12);
        EXPECT_EQ(s.ReadInteger("MAJTYPE"), 1);
        EXPECT_DOUBLE_EQ(s.ReadDate("DATEDEB"), platform::EncodeDate(2025, 6, 1));
        EXPECT_EQ(s.ReadBinary("COLREP2", 22), colonnes);
        EXPECT_EQ(s.ReadString("LIBLOCAL"), "dollars");
    });
}

TEST_F(StartupTest, MissingKeyOrInstallStopsTheProgramWithAMessage) {
    EXPECT_THROW(Start(), StartupError);
    // The program never creates the key itself.
    EXPECT_FALSE(std::filesystem::exists(platform::SettingsStore::StorePath()));

    WithKey([](platform::SettingsStore& s) { s.WriteString("CURRENT", ""); });
    EXPECT_THROW(Start(), StartupError);

    EXPECT_EQ(RunProgram(*qApp, &prompts, false), 1);
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->title, "Corvane");
    EXPECT_TRUE(LastMessage()->text.contains("INSTALL"));
    EXPECT_TRUE(LastMessage()->text.contains("setup-user.sh"));
    EXPECT_EQ(MainForm, nullptr);
}

TEST_F(StartupTest, RunProgramCreatesTheFormsOfTheRun) {
    Install();
    EXPECT_EQ(RunProgram(*qApp, &prompts, false), 0);
    EXPECT_TRUE(prompts.messages.empty());
    ReadKey([](platform::SettingsStore& s) { EXPECT_TRUE(s.ValueExists("SPLIT")); });
}

// A well-formed line of another type than the program reads is a damaged line like any other:
// the default takes its place, the user is told its line once, and the file's copy keeps it.
TEST_F(StartupTest, MistypedValuesStartWithDefaultsAndAreToldOnce) {
    struct Cas {
        std::string ligne;
        std::function<void(const platform::SettingsStore&)> defaut;
    };
    const std::vector<Cas> cas = {
        {"MOYENNE1=string:10",
         [](const platform::SettingsStore& s) { EXPECT_EQ(s.ReadInteger("MOYENNE1"), 10); }},
        {"DATERENT=integer:46000",
         [](const platform::SettingsStore& s) {
             EXPECT_DOUBLE_EQ(s.ReadDate("DATERENT"), platform::EncodeDate(2026, 1, 1));
         }},
        {"LIBLOCAL=integer:5",
         [](const platform::SettingsStore& s) { EXPECT_EQ(s.ReadString("LIBLOCAL"), "francs"); }},
        {"TAUX=string:6,55957",
         [](const platform::SettingsStore& s) { EXPECT_DOUBLE_EQ(s.ReadFloat("TAUX"), 6.55957); }},
        // Written back by the window as it goes away, with its own type.
        {"HEIGHT=binary:0190",
         [](const platform::SettingsStore& s) { EXPECT_EQ(s.ValueType("HEIGHT"), Type::Integer); }},
    };
    const std::string chemin = platform::SettingsStore::StorePath();
    std::string fichier = "[SoftWare\\Corvane]\nINSTALL=string:" + dataDir_ + "\n";
    for (const Cas& c : cas)
        fichier += c.ligne + "\n";
    std::filesystem::create_directories(std::filesystem::path(chemin).parent_path());
    std::ofstream(chemin, std::ios::binary) << fichier;
    {
        auto form = Start();
        EXPECT_EQ(form->findChild<QSlider*>("Track1")->value(), 10);
        ASSERT_EQ(prompts.messages.size(), 1u);
        const QString& texte = prompts.messages[0].text;
        EXPECT_TRUE(texte.contains(QString::fromStdString(chemin)));
        for (std::size_t i = 0; i < cas.size(); ++i) {
            const QString nom =
                QString::fromStdString(cas[i].ligne.substr(0, cas[i].ligne.find('=')));
            EXPECT_TRUE(texte.contains(QString("- ligne %1 : la valeur %2 ").arg(i + 3).arg(nom)))
                << cas[i].ligne;
        }
    }
    std::ifstream copie(chemin + ".bak", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copie), {}), fichier);
    ReadKey([&](platform::SettingsStore& s) {
        for (const Cas& c : cas)
            c.defaut(s);
    });
    prompts.messages.clear();
    Start();
    EXPECT_TRUE(prompts.messages.empty());
}

// Lines that do not read and a date of another length: the program starts on the values it
// can read, with the defaults for the others, tells the user once, and keeps the file's copy.
TEST_F(StartupTest, BadSettingLinesStartWithDefaultsAndAreToldOnce) {
    const std::string chemin = platform::SettingsStore::StorePath();
    const std::string fichier = "# hand-edited\n[SoftWare\\Corvane]\nINSTALL=string:" + dataDir_ +
                                "\nRSI=integer:12\nMOYENNE1=integer:dix\nDATEDEB=binary:0000e040\n"
                                "une ligne sans signe égal\n";
    std::filesystem::create_directories(std::filesystem::path(chemin).parent_path());
    std::ofstream(chemin, std::ios::binary) << fichier;
    {
        auto form = Start();
        EXPECT_EQ(form->findChild<QSlider*>("Track3")->value(), 12);
        EXPECT_EQ(form->findChild<QSlider*>("Track1")->value(), 10);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_TRUE(prompts.messages[0].text.contains(QString::fromStdString(chemin)));
    }
    std::ifstream copie(chemin + ".bak", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copie), {}), fichier);
    ReadKey([&](platform::SettingsStore& s) {
        EXPECT_EQ(s.ReadInteger("RSI"), 12);
        EXPECT_EQ(s.ReadInteger("MOYENNE1"), 10);
        EXPECT_DOUBLE_EQ(s.ReadDate("DATEDEB"), platform::EncodeDate(2026, 3, 15) - 30);
    });
    prompts.messages.clear();
    Start();
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StartupTest, ColumnSettingOfAnotherLengthGivesTheIdsItHolds) {
    const auto headers = [](const TMainForm& form) {
        const auto* liste = form.findChild<QTreeWidget*>("ListRepart");
        QStringList texts;
        for (int c = 0; liste != nullptr && c < liste->columnCount(); ++c)
            texts << liste->headerItem()->text(c);
        return texts;
    };
    const auto libelle = [](int id) { return QString::fromUtf8(ColonneRepById(id)->Libelle); };
    const auto start = [&](const std::vector<std::uint8_t>& colonnes) {
        return StartWith([&](platform::SettingsStore& s) { s.WriteBinary("COLREP2", colonnes); });
    };

    // Short: the ids it has, unknown ones skipped.
    EXPECT_EQ(headers(*start({11, 200, 12})), (QStringList{"Valeur", libelle(11), libelle(12)}));
    // Long: the first 22 bytes are the ids, the rest is ignored.
    std::vector<std::uint8_t> longue(30, 0);
    longue[0] = 3;
    longue[21] = 9;
    longue[22] = 5;
    longue[29] = 6;
    EXPECT_EQ(headers(*start(longue)), (QStringList{"Valeur", libelle(3), libelle(9)}));
    EXPECT_EQ(headers(*start({})), (QStringList{"Valeur"}));
    EXPECT_TRUE(prompts.messages.empty());
    // The value is the user's: it is not rewritten behind their back.
    ReadKey([](platform::SettingsStore& s) { EXPECT_TRUE(s.ReadBinary("COLREP2").empty()); });
}

TEST_F(StartupTest, CommandLineNamesTheDocumentOnlyFromThreeArguments) {
    const std::string courant = WriteFile("courant.cvx", kGoodFile);
    const std::string second = WriteFile("second.cvx", kGoodFile);
    Install([&](platform::SettingsStore& s) { s.WriteString("CURRENT", courant); });
    const QString arg = QString::fromStdString(second);
    EXPECT_EQ(Start({"corvane"})->Portefeuille()->Fichier, courant);
    EXPECT_EQ(Start({"corvane", arg})->Portefeuille()->Fichier, courant);
    auto form = Start({"corvane", arg, "troisieme.cvx"});
    EXPECT_EQ(form->Portefeuille()->Fichier, second);
    EXPECT_EQ(form->windowTitle(), arg);
    EXPECT_EQ(form->Portefeuille()->Mouvements.size(), 1u);
    form.reset();
    // Naming a document on the command line does not make it the last one used.
    ReadKey([&](platform::SettingsStore& s) { EXPECT_EQ(s.ReadString("CURRENT"), courant); });
}

TEST_F(StartupTest, UnreadableFirstDocumentGivesANewOne) {
    const std::string mauvais = WriteFile("mauvais.cvx", kBadFile);
    auto form = StartWith([&](platform::SettingsStore& s) { s.WriteString("CURRENT", mauvais); });
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith("Format de fichier incorrect!\nLigne 3 "))
        << prompts.messages[0].text.toStdString();
    ASSERT_NE(form->Portefeuille(), nullptr);
    EXPECT_TRUE(form->Portefeuille()->Fichier.empty());
    EXPECT_EQ(form->windowTitle(), "Corvane");
}

TEST_F(StartupTest, RefreshTimerFollowsMajAndTemps) {
    const auto start = [&](std::int32_t maj, std::int32_t temps) {
        return StartWith([&](platform::SettingsStore& s) {
            s.WriteInteger("MAJ", maj);
            s.WriteInteger("TEMPS", temps);
        });
    };
    auto form = start(1, 5);
    EXPECT_TRUE(form->RefreshTimer()->isActive());
    EXPECT_EQ(form->RefreshTimer()->interval(), 300000);
    EXPECT_FALSE(start(0, 5)->RefreshTimer()->isActive());
    // A period of zero or less would fire without pause: the timer stays stopped.
    EXPECT_FALSE(start(1, 0)->RefreshTimer()->isActive());
    EXPECT_FALSE(start(1, -3)->RefreshTimer()->isActive());
    // A huge period is clamped rather than overflowing.
    auto lent = start(1, 100000);
    EXPECT_TRUE(lent->RefreshTimer()->isActive());
    EXPECT_GT(lent->RefreshTimer()->interval(), 0);
}

TEST_F(StartupTest, ClosingWritesTheWindowValues) {
    Install();
    {
        auto form = Start();
        form->findChild<QSlider*>("Track1")->setValue(15);
        form->findChild<QSlider*>("Track2")->setValue(0);
        form->findChild<QSlider*>("TrackVar")->setValue(33);
        form->resize(700, 500);
    }
    ReadKey([&](platform::SettingsStore& s) {
        EXPECT_EQ(s.ReadInteger("MOYENNE1"), 15);
        EXPECT_EQ(s.ReadInteger("MOYENNE2"), 20); // 0 is not written
        EXPECT_EQ(s.ReadInteger("PERVAR"), 33);
        EXPECT_EQ(s.ReadInteger("RSI"), 7);
        EXPECT_EQ(s.ReadInteger("WIDTH"), 700);
        EXPECT_EQ(s.ReadInteger("HEIGHT"), 500);
        EXPECT_GE(s.ReadInteger("SPLIT"), 144);
    });
    WithKey([](platform::SettingsStore& s) { s.WriteInteger("SPLIT", 200); });
    {
        auto form = Start();
        form->resize(900, 650);
        form->setWindowState(Qt::WindowMaximized);
    }
    ReadKey([&](platform::SettingsStore& s) {
        // A maximised window leaves the stored size alone; the split is always written.
        EXPECT_EQ(s.ReadInteger("WIDTH"), 700);
        EXPECT_EQ(s.ReadInteger("HEIGHT"), 500);
        EXPECT_EQ(s.ReadInteger("SPLIT"), 200);
    });
}

TEST_F(StartupTest, ClosedWindowSavesWhatTheUserLastSaw) {
    {
        auto form = StartWith([](platform::SettingsStore& s) { s.WriteInteger("SPLIT", 200); });
        form->show();
        form->resize(1100, 640);
        QApplication::processEvents();
        // The user drags the splitter, moves a period, then closes: the window is hidden
        // before it goes away.
        auto* splitter = form->findChild<QSplitter*>("Splitter");
        splitter->setSizes({260, splitter->width() - 260});
        QApplication::processEvents();
        ASSERT_EQ(form->findChild<QWidget*>("PartGauche")->width(), 260);
        form->findChild<QSlider*>("Track3")->setValue(14);
        ASSERT_TRUE(form->close());
        ASSERT_FALSE(form->isVisible());
    }
    ReadKey([&](platform::SettingsStore& s) {
        EXPECT_EQ(s.ReadInteger("SPLIT"), 260);
        EXPECT_EQ(s.ReadInteger("WIDTH"), 1100);
        EXPECT_EQ(s.ReadInteger("HEIGHT"), 640);
        EXPECT_EQ(s.ReadInteger("RSI"), 14);
    });
    {
        auto form = Start();
        form->show();
        QApplication::processEvents();
        EXPECT_EQ(form->width(), 1100);
        EXPECT_EQ(form->findChild<QWidget*>("PartGauche")->width(), 260);
        EXPECT_EQ(form->findChild<QSlider*>("Track3")->value(), 14);
    }
    // Shown again and closed, the window gives back the split it was given.
    ReadKey([&](platform::SettingsStore& s) { EXPECT_EQ(s.ReadInteger("SPLIT"), 260); });
}

TEST_F(StartupTest, CloseAsksToSaveAndCancelKeepsTheWindow) {
    Install();
    auto form = Start();
    form->show();
    form->Portefeuille()->Modifie = true;
    prompts.answers = {QMessageBox::Cancel};
    EXPECT_FALSE(form->close());
    ASSERT_NE(form->Portefeuille(), nullptr);
    EXPECT_TRUE(form->Portefeuille()->Modifie);
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "");

    prompts.answers = {QMessageBox::No};
    EXPECT_TRUE(form->close());
    EXPECT_EQ(form->Portefeuille(), nullptr);
}

} // namespace
