// The history import (cutting lines under a layout, model files, merging into one or several
// securities' histories, refusing bad files whole) and the history export.

#include "../HistoFixture.h"

#include "../../OtherUser.h"

#include "dialogs/HistoryExportDialog.h"
#include "dialogs/HistoryImportDialog.h"

#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "portfolio/HistoExport.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include <sys/stat.h>

namespace {

using build::Layout;

std::vector<std::string> Kinds(const QListWidget& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.count(); ++i)
        names.push_back(list.item(i)->text().toStdString());
    return names;
}

class ImportExportTest : public HistoFixture {
protected:
    void SetUp() override {
        HistoFixture::SetUp();
        alpha = build::AddSecurity(*doc, "12000", "Alpha");
        beta = build::AddSecurity(*doc, "13000", "Beta");
    }
    // The one message of a file that could not be opened, under the dialog's title.
    void ExpectCannotOpen(const QString& title, QMessageBox::Icon icon, const std::string& what) {
        ASSERT_EQ(prompts.messages.size(), 1u) << what;
        EXPECT_EQ(LastMessage()->title, title) << what;
        EXPECT_EQ(LastMessage()->text, "Ouverture du fichier impossible") << what;
        EXPECT_EQ(LastMessage()->icon, icon) << what;
    }

    Valeurs* alpha = nullptr;
    Valeurs* beta = nullptr;
};

TEST_F(ImportExportTest, LinesAreCutUnderTheLayoutsSeparator) {
    const std::initializer_list<std::uint8_t> full = {ciDate, ciCours, ciHaut, ciBas, ciVolume};
    LigneImport l = CutImportLine("05/01/2026;12.34;13;11.5;1500;", Layout(';', full));
    EXPECT_EQ(l.Date, Day(5, 1, 2026));
    EXPECT_DOUBLE_EQ(l.Prix[0], 12.34);
    EXPECT_DOUBLE_EQ(l.Prix[1], 13.0);
    EXPECT_DOUBLE_EQ(l.Prix[2], 11.5);
    EXPECT_EQ(l.Volume, 1500);
    EXPECT_TRUE(l.Rempli[ciVolume]);
    EXPECT_FALSE(l.Rempli[ciSicovam]);

    // Tabs keep blanks inside fields; the date and numbers read through them.
    l = CutImportLine(" 5/1/26 \t 12.5\tx", Layout('\t', {ciDate, ciCours, ciIgnore}));
    EXPECT_EQ(l.Date, Day(5, 1, 2026));
    EXPECT_DOUBLE_EQ(l.Prix[0], 12.5);

    // Blank separator: leading blanks and runs of blanks are skipped.
    l = CutImportLine("   12000    05.01.2026  9.99   77  trailing text",
                      Layout(' ', {ciSicovam, ciDate, ciCours, ciVolume}));
    EXPECT_EQ(l.Sicovam, "12000");
    EXPECT_EQ(l.Date, Day(5, 1, 2026));
    EXPECT_DOUBLE_EQ(l.Prix[0], 9.99);
    EXPECT_EQ(l.Volume, 77);

    // A date last on a line without a trailing separator reads (the line break is not in it).
    l = CutImportLine("12.5;05-01-2026", Layout(';', {ciCours, ciDate}));
    EXPECT_EQ(l.Date, Day(5, 1, 2026));

    // A French spreadsheet's comma is a decimal point; a volume left empty is 0; an Ignoré
    // field may be missing.
    const ModeleImport prixVolume = Layout(';', {ciDate, ciCours, ciHaut, ciVolume, ciIgnore});
    l = CutImportLine("05/01/2026;152,30;12.50;", prixVolume);
    EXPECT_DOUBLE_EQ(l.Prix[0], 152.3);
    EXPECT_DOUBLE_EQ(l.Prix[1], 12.5);
    EXPECT_EQ(l.Volume, 0);
    EXPECT_TRUE(l.Rempli[ciVolume]);
}

TEST_F(ImportExportTest, LinesThatDoNotReadAreRefusedWithTheReason) {
    const ModeleImport m = Layout(';', {ciDate, ciCours, ciVolume});
    const auto raison = [&](const char* line) {
        try {
            CutImportLine(line, m);
        } catch (const platform::ConversionError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(raison("Date;Cours;Volume").find("n'est pas une date"), std::string::npos);
    EXPECT_NE(raison("05/01/2026 x;1;1").find("n'est pas une date"), std::string::npos);
    // A price or a volume is read whole or refused: never a part of it, nor another number.
    for (const char* prix : {"", "-4", "nan", "0x10", "12,5x", "1 234", "1,2,3"})
        EXPECT_NE(raison(("05/01/2026;" + std::string(prix) + ";1").c_str()).find("prix correct"),
                  std::string::npos)
            << prix;
    for (const char* volume : {"12abc", "0x10", "1.5"})
        EXPECT_NE(raison(("05/01/2026;1;" + std::string(volume)).c_str()).find("Volume"),
                  std::string::npos)
            << volume;
    EXPECT_NE(raison("05/01/2026;30000000;1").find("trop grand"), std::string::npos);
    EXPECT_NE(raison("05/01/2026;1;-5").find("négatif"), std::string::npos);
    EXPECT_NE(raison("05/01/2026;1;99999999999").find("trop grand"), std::string::npos);
    EXPECT_NE(raison("05/01/2026;1").find("il manque des champs"), std::string::npos);
    EXPECT_NE(CutImportLine("  5/1/26", Layout(' ', {ciDate})).Date, 0.0);
    EXPECT_THROW(CutImportLine("05/01/2026", Layout(' ', {ciDate, ciCours})),
                 platform::ConversionError);
}

TEST_F(ImportExportTest, ModelFilesWriteAndReadTheirOneLine) {
    ModeleFichier m{0, true, ';', {ciSicovam, ciDate, ciCours, ciVolume}};
    EXPECT_EQ(ModelLine(m), "01;4 0125\n");
    ModeleFichier lu;
    ASSERT_TRUE(ReadModelLine("01;4 0125", false, lu));
    EXPECT_EQ(lu.TypeImp, 0);
    EXPECT_TRUE(lu.AvecSep);
    EXPECT_EQ(lu.Car, ';');
    EXPECT_EQ(lu.Champs, m.Champs);
    ASSERT_TRUE(ReadModelLine("10 2 12\r\n", true, lu));
    EXPECT_EQ(lu.TypeImp, 1);
    EXPECT_FALSE(lu.AvecSep);
    EXPECT_EQ(lu.Champs, (std::vector<std::uint8_t>{ciDate, ciCours}));
    // "The current security only" needs one; malformed lines are refused.
    EXPECT_FALSE(ReadModelLine("10 2 12", false, lu));
    for (const char* bad : {"", "01;4", "01;4 012", "01;4 01255", "01;3 017", "01;3 122", "21;2 12",
                            "01;x 12", "01;99 12", "01;2x12"})
        EXPECT_FALSE(ReadModelLine(bad, true, lu)) << bad;
    EXPECT_TRUE(ReadModelLine("00 3 126", true, lu)); // Ignoré may repeat
    EXPECT_TRUE(ReadModelLine("00 4 1266", true, lu));
}

TEST_F(ImportExportTest, AnImportIntoTheCurrentSecurityMergesDateByDate) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\n05/01/2026;1000;1050;950;2000;\n");
    const std::string file = WriteFile("in.txt", "05/01/2026;11.00;\n\n03/01/2026;10.50;\n");
    TFImport d(nullptr, doc.get(), alpha, prompts);
    // Without +Haut, +Bas and Volume: the day already there keeps them, a new day gets 0.
    EXPECT_EQ(d.ImportFile(alpha, Layout(';', {ciDate, ciCours}), file), 2);
    EXPECT_EQ(ReadHisto("12000"), "01/01/1970\n"
                                  "02/01/2026;1001;1100;900;1500;\n"
                                  "03/01/2026;1050;0;0;0;\n"
                                  "05/01/2026;1100;1050;950;2000;\n");
    EXPECT_EQ(doc->TitreHisto, alpha);
    // A full layout replaces the five values; the code read is not needed.
    const std::string full = WriteFile("full.txt", "99999;05/01/2026;12;13;11;7;\n");
    EXPECT_EQ(d.ImportFile(
                  alpha, Layout(';', {ciSicovam, ciDate, ciCours, ciHaut, ciBas, ciVolume}), full),
              1);
    EXPECT_NE(ReadHisto("12000").find("05/01/2026;1200;1300;1100;7;"), std::string::npos);
    EXPECT_EQ(d.ImportFile(alpha, Layout(';', {ciDate, ciCours}), Path("absent.txt")), -1);
}

// Another program saves a history while the import merges into it: its day stays, beside the
// imported ones, whether the import is for one security or dispatched by code.
TEST_F(ImportExportTest, AnImportKeepsWhatAnotherProgramSavesMeanwhile) {
    const std::string avant = "02/01/2026;1001;1100;900;1500;\n";
    const std::string ailleurs = avant + "04/01/2026;1020;1030;1010;30;\n";
    const std::string unique = WriteFile("un.txt", "05/01/2026;11.00;\n");
    const std::string plusieurs = WriteFile("plusieurs.txt", "12000;05/01/2026;11.00;\n");
    struct Cas {
        const char* nom;
        Valeurs* titre;
        ModeleImport modele;
        std::string source;
    };
    const std::vector<Cas> cas = {
        {"current security", alpha, Layout(';', {ciDate, ciCours}), unique},
        {"by code", nullptr, Layout(';', {ciSicovam, ciDate, ciCours}), plusieurs}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        WriteHisto("12000", avant);
        const ResultatImport resultat = ImportHistoriques(
            *doc, c.titre, c.modele, c.source, [&](const AvancementImport& avancement) {
                if (avancement.Quand == AvancementImport::Etape::Traitement &&
                    avancement.Compte == 0)
                    WriteHisto("12000", ailleurs);
            });
        EXPECT_EQ(resultat.Fusionnees, 1);
        EXPECT_EQ(ReadHisto("12000"), "01/01/1970\n" + ailleurs + "05/01/2026;1100;0;0;0;\n");
    }
}

TEST_F(ImportExportTest, ABadLineChangesNoHistoryAtAll) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\n");
    WriteHisto("13000", "02/01/2026;500;500;500;10;\n");
    const std::string before1 = ReadHisto("12000");
    const std::string before2 = ReadHisto("13000");
    const std::string file =
        WriteFile("bad.txt", "12000;03/01/2026;10;\n13000;03/01/2026;5;\n13000;04/01/20x6;5;\n");
    TFImport d(nullptr, doc.get(), nullptr, prompts);
    try {
        d.ImportFile(nullptr, Layout(';', {ciSicovam, ciDate, ciCours}, true), file);
        ADD_FAILURE() << "accepted";
    } catch (const platform::ConversionError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Ligne 3 : Date", 0), 0u) << e.what();
    }
    EXPECT_EQ(ReadHisto("12000"), before1);
    EXPECT_EQ(ReadHisto("13000"), before2);
    EXPECT_TRUE(TheDatas().LoadHisto.IsEmpty());
    // Too long a line is refused too, rather than read in pieces.
    const std::string longue =
        WriteFile("long.txt", "12000;03/01/2026;10;" + std::string(1100, 'x') + "\n");
    EXPECT_THROW(d.ImportFile(nullptr, Layout(';', {ciSicovam, ciDate, ciCours}, true), longue),
                 platform::ConversionError);
    EXPECT_EQ(ReadHisto("12000"), before1);
}

TEST_F(ImportExportTest, AFileOfSeveralSecuritiesIsDispatchedByCode) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\n");
    const std::string file = WriteFile("multi.txt", "13000\t03/01/2026\t5.5\n"
                                                    "77777\t03/01/2026\t1\n"
                                                    "12000\t03/01/2026\t10.2\n"
                                                    "77777\t04/01/2026\t1\n"
                                                    "13000\t02/01/2026\t5\n");
    TFImport d(nullptr, doc.get(), nullptr, prompts);
    EXPECT_EQ(d.ImportFile(nullptr, Layout('\t', {ciSicovam, ciDate, ciCours}, true), file), 3);
    EXPECT_EQ(ReadHisto("12000"), "01/01/1970\n"
                                  "02/01/2026;1001;1100;900;1500;\n"
                                  "03/01/2026;1020;0;0;0;\n");
    EXPECT_EQ(ReadHisto("13000"), "01/01/1970\n"
                                  "02/01/2026;500;0;0;0;\n"
                                  "03/01/2026;550;0;0;0;\n");
    EXPECT_FALSE(std::filesystem::exists(HistoPath("77777")));
    ASSERT_EQ(prompts.messages.size(), 1u); // once for the unknown code
    EXPECT_EQ(prompts.messages[0].title, "Import");
    EXPECT_EQ(prompts.messages[0].text,
              QString("La valeur 77777 est inexistante dans le portefeuille,elle ne "
                      "sera pas chargée \n"));
    EXPECT_EQ(doc->TitreHisto, beta); // the last security processed

    // From the history editor, a file of several securities gives only that security's lines.
    prompts.messages.clear();
    const std::string one = WriteFile("one.txt", "12000;04/01/2026;11;\n13000;04/01/2026;6;\n");
    EXPECT_EQ(d.ImportFile(alpha, Layout(';', {ciSicovam, ciDate, ciCours}, true), one), 1);
    EXPECT_EQ(ReadHisto("13000").find("04/01/2026"), std::string::npos);
    EXPECT_NE(ReadHisto("12000").find("04/01/2026;1100;"), std::string::npos);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains("13000"));
}

TEST_F(ImportExportTest, AFileNewestFirstImportsAsOneInDateOrder) {
    // 30 000 days for each of two securities, newest first and interleaved: the staging
    // table takes them in any order at the cost of one sort.
    const platform::TDateTime debut = platform::EncodeDate(1940, 1, 1);
    std::string texte;
    std::string attendu = "01/01/1970\n";
    constexpr int kJours = 30000;
    for (int jour = kJours - 1; jour >= 0; --jour) {
        const std::string date = platform::FormatDateTime("dd/mm/yyyy", debut + jour);
        texte += "12000;" + date + ";" + std::to_string(jour + 1) + "\n";
        texte += "13000;" + date + ";2\n";
    }
    for (int jour = 0; jour < kJours; ++jour)
        attendu += platform::FormatDateTime("dd/mm/yyyy", debut + jour) + ";" +
                   std::to_string((jour + 1) * 100) + ";0;0;0;\n";
    const std::string file = WriteFile("inverse.txt", texte);
    TFImport d(nullptr, doc.get(), nullptr, prompts);
    EXPECT_EQ(d.ImportFile(nullptr, Layout(';', {ciSicovam, ciDate, ciCours}, true), file),
              2 * kJours);
    EXPECT_EQ(ReadHisto("12000"), attendu);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ImportExportTest, AStoredHistoryThatDoesNotReadIsNotReplacedByTheImport) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\nzz;1;1;1;1;\n");
    const std::string before = ReadHisto("12000");
    const std::string file = WriteFile("in.txt", "12000;03/01/2026;10;\n13000;03/01/2026;5;\n");
    TFImport d(nullptr, doc.get(), nullptr, prompts);
    EXPECT_EQ(d.ImportFile(nullptr, Layout(';', {ciSicovam, ciDate, ciCours}, true), file), 1);
    EXPECT_EQ(ReadHisto("12000"), before);
    EXPECT_EQ(ReadHisto("13000"), "01/01/1970\n03/01/2026;500;0;0;0;\n");
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_TRUE(prompts.messages.back().text.startsWith("Import incomplet"));
}

TEST_F(ImportExportTest, AStoredHistoryTheUserMayNotReadIsNotReplacedByTheImport) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\n");
    const std::string before = ReadHisto("12000");
    const std::string multi = WriteFile("multi.txt", "12000;03/01/2026;10;\n13000;03/01/2026;5;\n");
    const std::string one = WriteFile("one.txt", "04/01/2026;11;\n");
    MakeUnreadable("12000");
    TFImport d(nullptr, doc.get(), nullptr, prompts);
    {
        const OtherUser user;
        if (!user.Active())
            GTEST_SKIP() << "no other user to read as";
        EXPECT_EQ(d.ImportFile(nullptr, Layout(';', {ciSicovam, ciDate, ciCours}, true), multi), 1);
        // From the history editor, into that security alone.
        EXPECT_EQ(d.ImportFile(alpha, Layout(';', {ciDate, ciCours}), one), 0);
    }
    MakeReadable("12000");
    EXPECT_EQ(ReadHisto("12000"), before);
    EXPECT_EQ(ReadHisto("13000"), "01/01/1970\n03/01/2026;500;0;0;0;\n");
    EXPECT_EQ(doc->TitreHisto, nullptr);
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_TRUE(prompts.messages.back().text.contains(QString::fromStdString(HistoPath("12000"))));
}

TEST_F(ImportExportTest, ImportedPricesAreInTheDisplayedCurrency) {
    Local();
    TFImport d(nullptr, doc.get(), alpha, prompts);
    const std::string file = WriteFile("in.txt", "05/01/2026;65.60;\n");
    EXPECT_EQ(d.ImportFile(alpha, Layout(';', {ciDate, ciCours}), file), 1);
    EXPECT_EQ(ReadHisto("12000"), "01/01/1970\n05/01/2026;1000;0;0;0;\n");
}

TEST_F(ImportExportTest, ExportWritesTheTickedFieldsEachFollowedByTheSeparator) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\n05/01/2026;1000;1050;950;2000;\n");
    ASSERT_TRUE(doc->LoadHistoFile(alpha));
    EXPECT_EQ(ExportText(Historique(), "12000", {0, 1, 2, 3, 4, 5}, ';', 1.0),
              "12000;02/01/2026;10.01;11.00;9.00;1500;\n"
              "12000;05/01/2026;10.00;10.50;9.50;2000;\n");
    EXPECT_EQ(ExportText(Historique(), "12000", {5, 1}, '\t', 1.0),
              "1500\t02/01/2026\t\n2000\t05/01/2026\t\n");
    EXPECT_EQ(ExportText(Historique(), "12000", {}, ';', 1.0), "\n\n");
    EXPECT_EQ(ExportText(Historique(), "12000", {2}, ';', 6.55957), "65.66;\n65.60;\n");
}

TEST_F(ImportExportTest, AnExportImportsBackIntoTheSameRows) {
    const char* const rows = "02/01/2026;1001;1100;900;1500;\n05/01/2026;1000;1050;950;2000;\n";
    for (bool local : {false, true}) {
        if (local)
            Local();
        WriteHisto("12000", rows);
        ASSERT_TRUE(doc->LoadHistoFile(alpha));
        TFExport e(nullptr, alpha, doc.get(), prompts);
        e.List->item(0)->setCheckState(Qt::Unchecked); // no Sicovam
        e.Sep->setChecked(true);
        e.Car->setText(";");
        e.Fichier->setText(QString::fromStdString(Path("out.txt")));
        e.Button1Click();
        EXPECT_EQ(e.result(), QDialog::Accepted);
        WriteHisto("12000", "");
        TFImport d(nullptr, doc.get(), alpha, prompts);
        EXPECT_EQ(d.ImportFile(alpha, Layout(';', {ciDate, ciCours, ciHaut, ciBas, ciVolume}),
                               Path("out.txt")),
                  2);
        EXPECT_EQ(ReadHisto("12000"), std::string("01/01/1970\n") + rows) << local;
    }
}

TEST_F(ImportExportTest, TheExportDialogSaysWhenItCannotWrite) {
    TFExport e(nullptr, alpha, doc.get(), prompts);
    EXPECT_EQ(Kinds(*e.List), (std::vector<std::string>{"Sicovam", "Date", "Cours", "Plus Haut",
                                                        "Plus Bas", "Volume"}));
    EXPECT_EQ(e.Separateur(), '\t');
    e.Sep->setChecked(true);
    EXPECT_EQ(e.Separateur(), ' '); // Sep without a character
    e.Fichier->setText(QString::fromStdString(Path("no/such/dir/out.txt")));
    e.Button1Click();
    EXPECT_NE(e.result(), QDialog::Accepted);
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->title, "Export");
    EXPECT_EQ(LastMessage()->text, "Ouverture du fichier impossible");

    // Neither a folder nor a pipe is replaced by the export.
    std::filesystem::create_directory(Path("dossier.txt"));
    ASSERT_EQ(::mkfifo(Path("tube.txt").c_str(), 0600), 0);
    for (const char* cible : {"dossier.txt", "tube.txt"}) {
        prompts.messages.clear();
        e.Fichier->setText(QString::fromStdString(Path(cible)));
        e.Button1Click();
        EXPECT_NE(e.result(), QDialog::Accepted) << cible;
        ExpectCannotOpen("Export", QMessageBox::Warning, cible);
    }
    EXPECT_TRUE(std::filesystem::is_directory(Path("dossier.txt")));
    EXPECT_TRUE(std::filesystem::is_fifo(Path("tube.txt")));
}

TEST_F(ImportExportTest, TheExportOfAHistoryThatCannotBeReadSaysSoAndWritesNothing) {
    std::filesystem::create_directory(HistoPath("12000"));
    TFExport e(nullptr, alpha, doc.get(), prompts);
    e.Fichier->setText(QString::fromStdString(Path("out.txt")));
    e.Button1Click();
    EXPECT_NE(e.result(), QDialog::Accepted);
    EXPECT_FALSE(std::filesystem::exists(Path("out.txt")));
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_TRUE(LastMessage()->text.contains(QString::fromStdString(HistoPath("12000"))));
}

TEST_F(ImportExportTest, TheLayoutIsBuiltUnderItsRules) {
    TFImport main(nullptr, doc.get(), nullptr, prompts);
    const auto* titre = main.findChild<QLabel*>("LibelleList");
    ASSERT_NE(titre, nullptr);
    EXPECT_EQ(titre->text(), QString("Libellé"));
    EXPECT_EQ(titre->buddy(), main.List);
    // From the main window: several securities, Sicovam already there and not removable.
    EXPECT_EQ(main.TypeImpIndex(), 0);
    EXPECT_FALSE(main.TypeImp->isEnabled());
    EXPECT_EQ(Kinds(*main.List), std::vector<std::string>{"Sicovam"});
    main.List->setCurrentRow(0);
    main.RemoveField();
    EXPECT_EQ(LastMessage()->text, QString("La suppression de ce champ n'est pas autorisé\nen mode "
                                           "multi-titre"));
    main.Dispo->clearSelection();
    main.AddField();
    EXPECT_EQ(LastMessage()->text, QString("Aucun champ sélectionné"));
    main.Dispo->setCurrentRow(ciCours);
    main.AddField();
    EXPECT_FALSE(main.CheckMandatoryFields());
    EXPECT_EQ(LastMessage()->text, "Le champ Date est obligatoire");
    main.Dispo->setCurrentRow(ciDate);
    main.AddField();
    main.Dispo->setCurrentRow(ciCours);
    main.AddField();
    EXPECT_EQ(LastMessage()->text, QString("Champ déjà déclaré"));
    main.Dispo->setCurrentRow(ciIgnore);
    main.AddField();
    main.AddField();
    EXPECT_EQ(Kinds(*main.List),
              (std::vector<std::string>{"Sicovam", "Cours", "Date", "Ignoré", "Ignoré"}));
    EXPECT_TRUE(main.CheckMandatoryFields());

    // From the editor: the current security only; choosing several brings Sicovam in.
    TFImport editor(nullptr, doc.get(), alpha, prompts);
    EXPECT_EQ(editor.TypeImpIndex(), 1);
    EXPECT_TRUE(Kinds(*editor.List).empty());
    editor.Dispo->setCurrentRow(ciDate);
    editor.AddField();
    editor.SetTypeImpIndex(0);
    EXPECT_EQ(Kinds(*editor.List), (std::vector<std::string>{"Date", "Sicovam"}));
    EXPECT_FALSE(editor.Car->isEnabled());
    editor.Sep->setChecked(true);
    EXPECT_TRUE(editor.Car->isEnabled());
}

TEST_F(ImportExportTest, ModelsAreSavedAndLoadedThroughTheDialog) {
    TFImport d(nullptr, doc.get(), alpha, prompts);
    d.AppliqueModele({1, true, '|', {ciDate, ciCours, ciVolume}});
    prompts.saveNames.push_back(QString::fromStdString(Path("m.cvm")));
    d.SaveClick();
    EXPECT_EQ(ReadText(Path("m.cvm")), "11|3 125\n");

    TFImport other(nullptr, doc.get(), alpha, prompts);
    prompts.openNames.push_back(QString::fromStdString(Path("m.cvm")));
    other.LoadClick();
    EXPECT_EQ(Kinds(*other.List), (std::vector<std::string>{"Date", "Cours", "Volume"}));
    EXPECT_TRUE(other.Sep->isChecked());
    EXPECT_EQ(other.Car->text(), "|");
    EXPECT_EQ(other.Modele().Separateur, '|');

    // A model for the current security only means nothing from the main window.
    TFImport main(nullptr, doc.get(), nullptr, prompts);
    prompts.openNames.push_back(QString::fromStdString(Path("m.cvm")));
    main.LoadClick();
    EXPECT_EQ(LastMessage()->title, "IMPORT");
    EXPECT_EQ(LastMessage()->text, "Format de fichier incorrect!");
    EXPECT_EQ(Kinds(*main.List), std::vector<std::string>{"Sicovam"});
    // A tab model over several securities.
    WriteFile("t.cvm", "00;3 012\n");
    prompts.openNames.push_back(QString::fromStdString(Path("t.cvm")));
    main.LoadClick();
    EXPECT_EQ(Kinds(*main.List), (std::vector<std::string>{"Sicovam", "Date", "Cours"}));
    EXPECT_TRUE(main.Space->isChecked());
    EXPECT_EQ(main.Car->text(), " ");
    EXPECT_EQ(main.Modele().Separateur, '\t');
}

TEST_F(ImportExportTest, ModelsAreOnlyReadFromAndWrittenToFiles) {
    TFImport d(nullptr, doc.get(), alpha, prompts);
    d.AppliqueModele({1, true, '|', {ciDate, ciCours}});
    std::filesystem::create_directory(Path("dossier.cvm"));
    for (const std::string& source : {Path("dossier.cvm"), std::string("/dev/null")}) {
        prompts.messages.clear();
        prompts.openNames.push_back(QString::fromStdString(source));
        d.LoadClick();
        ExpectCannotOpen(QString("Modèle d'import"), QMessageBox::NoIcon, source);
        EXPECT_EQ(Kinds(*d.List), (std::vector<std::string>{"Date", "Cours"}));
    }
    ASSERT_EQ(::mkfifo(Path("tube.cvm").c_str(), 0600), 0);
    for (const char* cible : {"dossier.cvm", "tube.cvm"}) {
        prompts.messages.clear();
        prompts.saveNames.push_back(QString::fromStdString(Path(cible)));
        d.SaveClick();
        ExpectCannotOpen(QString("Modèle d'import"), QMessageBox::Warning, cible);
    }
    EXPECT_TRUE(std::filesystem::is_directory(Path("dossier.cvm")));
    EXPECT_TRUE(std::filesystem::is_fifo(Path("tube.cvm")));
}

TEST_F(ImportExportTest, ImporterReportsTheResultOrTheBadLineAndStaysOpenOnErrors) {
    TFImport d(nullptr, doc.get(), alpha, prompts);
    d.AppliqueModele({1, true, ';', {ciDate, ciCours}});
    d.Fichier->setText(QString::fromStdString(WriteFile("h.txt", "Date;Cours\n01/02/2026;3;\n")));
    d.GoClick();
    EXPECT_FALSE(d.FImporte);
    EXPECT_EQ(LastMessage()->title, "Import");
    EXPECT_TRUE(LastMessage()->text.startsWith("Format de fichier incorrect!\nLigne 1 : Date"));
    EXPECT_FALSE(std::filesystem::exists(HistoPath("12000")));

    d.Fichier->setText(QString::fromStdString(Path("missing.txt")));
    d.GoClick();
    EXPECT_EQ(LastMessage()->title, QString("Modèle d'import"));
    EXPECT_EQ(LastMessage()->text, "Ouverture du fichier impossible");

    // A folder opens on this system and reads as an empty file: it is no file to import, and
    // the dialog does not close as if an import had been made.
    std::filesystem::create_directory(Path("dossier.txt"));
    for (const std::string& source : {Path("dossier.txt"), std::string("/dev/null")}) {
        prompts.messages.clear();
        d.Fichier->setText(QString::fromStdString(source));
        d.GoClick();
        ExpectCannotOpen(QString("Modèle d'import"), QMessageBox::Warning, source);
        EXPECT_FALSE(d.FImporte) << source;
        EXPECT_NE(d.result(), QDialog::Accepted) << source;
    }

    d.Fichier->setText(QString::fromStdString(WriteFile("empty.txt", "")));
    d.GoClick();
    EXPECT_EQ(LastMessage()->text, QString("0 ligne(s) d'historique chargée(s)\n"));
    EXPECT_EQ(LastMessage()->icon, QMessageBox::NoIcon);
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

} // namespace
