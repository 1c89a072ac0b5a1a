// The history editor: what it loads and shows, the split of the history and of the trades,
// and what Valider saves and every other way out drops.

#include "../HistoFixture.h"

#include "../../OtherUser.h"

#include "dialogs/HistoryEditorDialog.h"
#include "dialogs/HistoryImportDialog.h"
#include "dialogs/SplitDialog.h"
#include "widgets/DBControls.h"
#include "widgets/MemTableModel.h"
#include "widgets/QtDates.h"

#include "platform/ConversionError.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

namespace {

const char* const kTrois = "02/01/2026;1001;1100;900;1500;\n"
                           "05/01/2026;1000;1050;950;2000;\n"
                           "06/01/2026;1200;1300;1100;700;\n";

class HistoEditorTest : public HistoFixture {
protected:
    void SetUp() override {
        HistoFixture::SetUp();
        titre = build::AddSecurity(*doc, "12000", "Alpha");
        division = std::make_unique<TDivision>(nullptr);
        oldDivision = Division;
        Division = division.get();
    }
    void TearDown() override {
        Division = oldDivision;
        division.reset();
        HistoFixture::TearDown();
    }
    // The split dialog answers with this date and ratio, validated.
    void AnswerSplit(const QDate& date, int ratio) {
        prompts.onDialog = [date, ratio](QDialog& dialog) {
            auto* d = qobject_cast<TDivision*>(&dialog);
            if (d == nullptr)
                return false;
            d->PDate->setDate(date);
            d->Valeur->setValue(ratio);
            d->Button1Click();
            return d->result() == QDialog::Accepted;
        };
    }
    // The import dialog, opened from the editor, imports this source as dates and prices.
    void AnswerImport(const std::string& source) {
        prompts.onDialog = [source](QDialog& dialog) {
            auto* import = qobject_cast<TFImport*>(&dialog);
            if (import == nullptr)
                return false;
            EXPECT_EQ(import->Libelle->text(), "12000 - Alpha");
            import->Fichier->setText(QString::fromStdString(source));
            import->AppliqueModele({1, true, ';', { ciDate, ciCours }});
            import->GoClick();
            return import->result() == QDialog::Accepted;
        };
    }
    Valeurs* titre = nullptr;
    std::unique_ptr<TDivision> division;
    TDivision* oldDivision = nullptr;
    bool flag = false;
};

TEST_F(HistoEditorTest, OpensOnTheSecuritysHistoryInTheDisplayedCurrency) {
    WriteHisto("12000", kTrois);
    {
        TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
        EXPECT_EQ(editor.Libelle->text(), "12000 - Alpha");
        EXPECT_EQ(editor.TypMnt->text(), QString("Montants exprimés en Euros"));
        EXPECT_EQ(doc->TitreHisto, titre);
        ASSERT_EQ(editor.DataSource1->rowCount(), 3);
        EXPECT_EQ(editor.DataSource1->index(0, 1).data().toString(), "10,01");
    }
    Local();
    TFHisto local(nullptr, &flag, titre, doc.get(), prompts);
    EXPECT_EQ(local.TypMnt->text(), QString("Montants exprimés en francs"));
    // 10,00 euros shown in francs; the table keeps euros.
    EXPECT_EQ(local.DataSource1->index(1, 1).data().toString(), "65,60");
    EXPECT_EQ(CentsAt(1, "Cours"), 1000);

    // A price of ten significant digits is shown whole, as an unscaled grid shows it.
    ASSERT_TRUE(local.DataSource1->setData(local.DataSource1->index(1, 1), "12345678,91"));
    EXPECT_EQ(local.DataSource1->index(1, 1).data().toString(), QString("12\u00A0345\u00A0678,91"));

    // A price typed in francs is stored in euros and saved in euro cents.
    ASSERT_TRUE(local.DataSource1->setData(local.DataSource1->index(1, 1), "72,16"));
    local.BtOkClick();
    EXPECT_EQ(local.result(), QDialog::Accepted);
    EXPECT_NE(ReadHisto("12000").find("05/01/2026;1100;1050;950;2000;"), std::string::npos);
}

TEST_F(HistoEditorTest, ASecurityWithoutHistoryOpensEmptyAndValiderCreatesTheFile) {
    TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
    EXPECT_EQ(editor.DataSource1->rowCount(), 0);
    EXPECT_EQ(doc->TitreHisto, titre);
    editor.DataSource1->Insert();
    ASSERT_TRUE(editor.DataSource1->setData(editor.DataSource1->index(0, 0), "03/02/26"));
    ASSERT_TRUE(editor.DataSource1->setData(editor.DataSource1->index(0, 1), "12,5"));
    ASSERT_TRUE(editor.DataSource1->setData(editor.DataSource1->index(0, 4), "300"));
    editor.BtOkClick();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_EQ(ReadHisto("12000"), "01/01/1970\n03/02/2026;1250;0;0;300;\n");
}

// A row typed with a price alone shows, once posted, what Valider stores and a reopening
// shows: no empty cell that becomes 0 behind the user's back.
TEST_F(HistoEditorTest, ARowPostedWithAPriceAloneShowsWhatIsStored) {
    const auto ligne = [](const MemTableModel& m) {
        QStringList cellules;
        for (int colonne = 1; colonne <= 4; ++colonne)
            cellules << m.index(0, colonne).data().toString();
        return cellules;
    };
    TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
    MemTableModel& m = *editor.DataSource1;
    m.Insert();
    ASSERT_TRUE(m.setData(m.index(0, 0), "03/02/26"));
    ASSERT_TRUE(m.setData(m.index(0, 1), "12,5"));
    m.Post();
    ASSERT_FALSE(m.Editing());
    EXPECT_EQ(ligne(m), (QStringList{"12,50", "0,00", "0,00", "0"}));
    editor.BtOkClick();
    ASSERT_EQ(editor.result(), QDialog::Accepted);
    doc->LoadHistoFile(titre);
    TFHisto relu(nullptr, &flag, titre, doc.get(), prompts);
    EXPECT_EQ(ligne(*relu.DataSource1), ligne(m));
}

TEST_F(HistoEditorTest, EditsThatWouldSpoilTheHistoryAreRefused) {
    WriteHisto("12000", kTrois);
    TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
    MemTableModel& m = *editor.DataSource1;
    // A second row for a day already there.
    EXPECT_FALSE(m.setData(m.index(2, 0), "05/01/2026"));
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_TRUE(LastMessage()->text.contains(QString("déjà")));
    for (const char* prix : {"-3", "nan", "-NAN", "inf"}) {
        EXPECT_FALSE(m.setData(m.index(0, 1), prix)) << prix;
        EXPECT_EQ(CentsAt(0, "Cours"), 1001) << prix;
    }
    // A row left without a date is not saved.
    m.Insert();
    ASSERT_TRUE(m.setData(m.index(m.CurrentRow(), 1), "9"));
    m.Post();
    const std::string avant = ReadHisto("12000");
    prompts.messages.clear();
    editor.BtOkClick();
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_TRUE(LastMessage()->text.contains("n'a pas de date"));
    EXPECT_FALSE(editor.FValide);
    EXPECT_EQ(ReadHisto("12000"), avant);
}

TEST_F(HistoEditorTest, TheSplitDividesTheDaysUpToItsDateOnly) {
    WriteHisto("12000", kTrois);
    ASSERT_TRUE(doc->LoadHistoFile(titre));
    // Ratio 2 up to the second day: cents truncated, volumes doubled, the last day unchanged.
    EXPECT_EQ(ApplyHistoDivision(Historique(), 2, Day(5, 1, 2026) + 0.75), 2);
    EXPECT_EQ(CentsAt(0, "Cours"), 500); // 10,01 / 2
    EXPECT_EQ(CentsAt(0, "Haut"), 550);
    EXPECT_EQ(CentsAt(0, "Bas"), 450);
    EXPECT_EQ(At(0, "Volume"), 3000);
    EXPECT_EQ(CentsAt(1, "Cours"), 500);
    EXPECT_EQ(At(1, "Volume"), 4000);
    EXPECT_EQ(CentsAt(2, "Cours"), 1200);
    EXPECT_EQ(CentsAt(2, "Haut"), 1300);
    EXPECT_EQ(At(2, "Volume"), 700);
    // Ratio 3: 10,00 and 10,01 both give 3,33.
    ASSERT_TRUE(doc->LoadHistoFile(titre));
    EXPECT_EQ(ApplyHistoDivision(Historique(), 3, Day(6, 1, 2026)), 3);
    EXPECT_EQ(CentsAt(0, "Cours"), 333);
    EXPECT_EQ(CentsAt(1, "Cours"), 333);
    EXPECT_EQ(At(0, "Volume"), 4500);
    // Ratios that split nothing change nothing, nor one that takes a volume past 32 bits
    // (2000 x 1100000), even on the rows that would fit.
    ASSERT_TRUE(doc->LoadHistoFile(titre));
    EXPECT_EQ(ApplyHistoDivision(Historique(), 1, Day(6, 1, 2026)), 0);
    EXPECT_EQ(ApplyHistoDivision(Historique(), 0, Day(6, 1, 2026)), 0);
    EXPECT_EQ(ApplyHistoDivision(Historique(), -2, Day(6, 1, 2026)), 0);
    EXPECT_EQ(ApplyHistoDivision(Historique(), 1100000, Day(5, 1, 2026)), 0);
    EXPECT_EQ(CentsAt(0, "Cours"), 1001);
    EXPECT_EQ(At(0, "Volume"), 1500);
    EXPECT_EQ(At(1, "Volume"), 2000);
    EXPECT_EQ(ApplyHistoDivision(Historique(), 1100000, Day(2, 1, 2026)), 1);
    EXPECT_EQ(At(0, "Volume"), 1650000000);
}

TEST_F(HistoEditorTest, ASplitIsSavedOnValiderOnly) {
    WriteHisto("12000", kTrois);
    TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
    AnswerSplit(QDate(2026, 1, 5), 2);
    editor.BtDivClick();
    EXPECT_TRUE(flag);
    EXPECT_EQ(Division->Libelle->text(), "12000 - Alpha");
    EXPECT_FALSE(editor.BtDiv->isEnabled()); // one split per opening
    EXPECT_EQ(editor.DivisionRatio(), 2);
    EXPECT_EQ(editor.DivisionDate(), Day(5, 1, 2026));
    // Nothing is written before Valider.
    EXPECT_EQ(ReadHisto("12000"), std::string("01/01/1970\n") + kTrois);
    editor.BtOkClick();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_TRUE(flag);
    EXPECT_EQ(ReadHisto("12000"), "01/01/1970\n"
                                  "02/01/2026;500;550;450;3000;\n"
                                  "05/01/2026;500;525;475;4000;\n"
                                  "06/01/2026;1200;1300;1100;700;\n");
}

TEST_F(HistoEditorTest, ASplitLeftWithoutValiderIsDroppedWhicheverWayTheEditorCloses) {
    WriteHisto("12000", kTrois);
    const std::string stocke = ReadHisto("12000");
    for (int maniere = 0; maniere < 2; ++maniere) {
        TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
        AnswerSplit(QDate(2026, 1, 6), 2);
        editor.BtDivClick();
        ASSERT_TRUE(flag);
        EXPECT_EQ(CentsAt(2, "Cours"), 600);
        if (maniere == 0)
            editor.BtAnnulClick();
        else {
            editor.show();
            editor.close(); // the close box
        }
        EXPECT_EQ(editor.result(), QDialog::Rejected) << maniere;
        EXPECT_FALSE(flag) << maniere;
        EXPECT_EQ(editor.DivisionRatio(), 0);
        EXPECT_EQ(ReadHisto("12000"), stocke);
        // The table holds the stored history again, not the split one.
        EXPECT_EQ(CentsAt(2, "Cours"), 1200) << maniere;
    }
}

TEST_F(HistoEditorTest, TheSplitDialogRefusesRatiosThatSplitNothingAndKeepsItsValues) {
    EXPECT_EQ(division->PDate->date(), QDate(2026, 3, 15));
    EXPECT_EQ(division->Ratio(), 0);
    division->FPrompts = &prompts;
    for (int ratio : {0, 1, -3}) {
        division->Valeur->setValue(ratio);
        division->Button1Click();
        EXPECT_NE(division->result(), QDialog::Accepted) << ratio;
        ASSERT_NE(LastMessage(), nullptr);
        EXPECT_EQ(LastMessage()->title, "Division");
    }
    WriteHisto("12000", kTrois);
    TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
    AnswerSplit(QDate(2026, 1, 2), 4);
    editor.BtDivClick();
    // A later use proposes the last values.
    EXPECT_EQ(division->PDate->date(), QDate(2026, 1, 2));
    EXPECT_EQ(division->Ratio(), 4);
    // A cancelled split changes nothing.
    TFHisto second(nullptr, &flag, titre, doc.get(), prompts);
    prompts.onDialog = [](QDialog&) { return false; };
    flag = false;
    second.BtDivClick();
    EXPECT_FALSE(flag);
    EXPECT_TRUE(second.BtDiv->isEnabled());

    // A split that a trade's quantity could not take is refused before anything changes:
    // the history would be split and the trades not.
    build::AddTrade(titre, Day(5, 1, 2026), 'A', 1000000000, 1000);
    TFHisto third(nullptr, &flag, titre, doc.get(), prompts);
    AnswerSplit(QDate(2026, 1, 5), 3);
    prompts.messages.clear();
    const std::int32_t cours = CentsAt(0, "Cours");
    third.BtDivClick();
    EXPECT_FALSE(flag);
    EXPECT_EQ(third.DivisionRatio(), 0);
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(CentsAt(0, "Cours"), cours);
    EXPECT_EQ(titre->Operes[0]->Quantite, 1000000000);
}

TEST_F(HistoEditorTest, ANewRowTakesTheFocusOnItsDateAndIsNotStoredWithoutOne) {
    WriteHisto("12000", kTrois);
    TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
    editor.show();
    QApplication::setActiveWindow(&editor);
    MemTableModel& m = *editor.DataSource1;
    const auto click = [&](TDBNavigator::Button button) {
        QTest::mouseClick(editor.DBNav->ButtonAt(button), Qt::LeftButton);
    };
    const auto type = [](const QString& text) {
        for (const QChar c : text)
            QTest::keyClicks(QApplication::focusWidget(), QString(c));
    };
    click(TDBNavigator::nbInsert);
    ASSERT_TRUE(m.Inserting());
    EXPECT_TRUE(editor.DBGrid1->hasFocus());
    EXPECT_EQ(editor.DBGrid1->currentIndex(), m.index(m.CurrentRow(), 0));

    // Posted blank, or left for another row: refused, the row still being typed.
    click(TDBNavigator::nbPost);
    EXPECT_TRUE(m.Inserting());
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_FALSE(m.MoveToRow(m.CurrentRow() == 0 ? 1 : 0));
    EXPECT_TRUE(m.Inserting());
    EXPECT_EQ(Historique().RecordCount(), 3);
    editor.BtOkClick();
    EXPECT_FALSE(editor.FValide);
    EXPECT_EQ(ReadHisto("12000"), std::string("01/01/1970\n") + kTrois);

    // Typed at the keyboard from the focused cell, the digits of the date alone.
    type("07012026");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    type("13,5");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    click(TDBNavigator::nbPost);
    EXPECT_FALSE(m.Inserting());
    ASSERT_EQ(Historique().RecordCount(), 4);
    EXPECT_EQ(At(3, "Date"), Day(7, 1, 2026));
    EXPECT_EQ(CentsAt(3, "Cours"), 1350);
}

TEST_F(HistoEditorTest, AHistoryThatCannotBeWrittenKeepsTheEditorOpen) {
    WriteHisto("12000", kTrois);
    TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
    // A folder where the file should go: the save fails and the old content stays.
    std::filesystem::remove(HistoPath("12000"));
    std::filesystem::create_directory(HistoPath("12000"));
    editor.BtOkClick();
    EXPECT_FALSE(editor.FValide);
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_TRUE(LastMessage()->text.contains(QString("n'a pas pu être enregistré")));
}

// Another program saved the history since the editor loaded it: Valider asks before it
// replaces that file, and the default answer keeps it, the editor staying open.
TEST_F(HistoEditorTest, ValiderAsksBeforeReplacingAHistoryChangedElsewhere) {
    const std::string ailleurs = std::string(kTrois) + "07/01/2026;1350;1400;1300;900;\n";
    struct Cas {
        const char* nom;
        std::deque<QMessageBox::StandardButton> reponses; // none: the default
        bool remplace;
    };
    const std::vector<Cas> cas = {{"default", {}, false},
                                  {"no", {QMessageBox::No}, false},
                                  {"yes", {QMessageBox::Yes}, true}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        WriteHisto("12000", kTrois);
        doc->LoadHistoFile(nullptr);
        TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
        WriteHisto("12000", ailleurs);
        prompts.messages.clear();
        prompts.answers = c.reponses;
        editor.BtOkClick();
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_TRUE(prompts.messages[0].text.contains(QString("modifié")));
        EXPECT_EQ(prompts.messages[0].defaultButton, QMessageBox::No);
        EXPECT_EQ(editor.FValide, c.remplace);
        EXPECT_EQ(ReadHisto("12000"),
                  "01/01/1970\n" + (c.remplace ? std::string(kTrois) : ailleurs));
    }
}

TEST_F(HistoEditorTest, AnUnreadableHistoryOpensNoEditor) {
    WriteHisto("12000", "02/01/2026;1001;1100;900;1500;\nxx/01/2026;1;1;1;1;\n");
    EXPECT_THROW(TFHisto(nullptr, &flag, titre, doc.get(), prompts), platform::ConversionError);
    EXPECT_NE(ReadHisto("12000").find("xx/01"), std::string::npos);
}

TEST_F(HistoEditorTest, AHistoryFileThatCannotBeReadOpensNoEditorAndIsKept) {
    // A folder where the file should be.
    std::filesystem::create_directory(HistoPath("12000"));
    try {
        TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
        ADD_FAILURE() << "the editor opened";
    } catch (const HistoReadError& error) {
        EXPECT_TRUE(
            QString::fromUtf8(error.what()).contains(QString::fromStdString(HistoPath("12000"))));
    }
    EXPECT_TRUE(std::filesystem::is_directory(HistoPath("12000")));
    EXPECT_EQ(doc->TitreHisto, nullptr);

    // A file the user may not read.
    std::filesystem::remove(HistoPath("12000"));
    WriteHisto("12000", kTrois);
    const std::string before = ReadHisto("12000");
    MakeUnreadable("12000");
    std::unique_ptr<TFHisto> editor;
    {
        const OtherUser user;
        if (!user.Active())
            GTEST_SKIP() << "no other user to read as";
        EXPECT_THROW(editor = std::make_unique<TFHisto>(nullptr, &flag, titre, doc.get(), prompts),
                     HistoReadError);
        // An editor opened on nothing would have saved nothing over the file.
        if (editor != nullptr)
            editor->BtOkClick();
    }
    MakeReadable("12000");
    EXPECT_EQ(ReadHisto("12000"), before);
}

TEST_F(HistoEditorTest, AnImportFromTheEditorReloadsTheHistoryAndDropsAPendingSplit) {
    WriteHisto("12000", kTrois);
    const std::string texte = WriteFile("in.txt", "07/01/2026;13.00;\n");
    TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
    AnswerSplit(QDate(2026, 1, 6), 2);
    editor.BtDivClick();
    ASSERT_TRUE(flag);
    AnswerImport(texte);
    editor.ImporterClick();
    EXPECT_FALSE(flag);
    EXPECT_TRUE(editor.BtDiv->isEnabled());
    ASSERT_EQ(Historique().RecordCount(), 4);
    EXPECT_EQ(CentsAt(0, "Cours"), 1001); // the split is gone with the reload
    EXPECT_EQ(CentsAt(3, "Cours"), 1300);
    EXPECT_NE(ReadHisto("12000").find("07/01/2026;1300;0;0;0;"), std::string::npos);
}

TEST_F(HistoEditorTest, AnImportOfWhatIsNotAFileLeavesTheEditorAsItWas) {
    WriteHisto("12000", kTrois);
    std::filesystem::create_directory(Path("dossier.txt"));
    TFHisto editor(nullptr, &flag, titre, doc.get(), prompts);
    AnswerSplit(QDate(2026, 1, 6), 2);
    editor.BtDivClick();
    ASSERT_TRUE(flag);
    const std::int64_t divise = CentsAt(0, "Cours");
    ASSERT_NE(divise, 1001);
    const std::string avant = ReadHisto("12000");
    for (const std::string& source : {Path("dossier.txt"), std::string("/dev/null")}) {
        prompts.messages.clear();
        AnswerImport(source);
        editor.ImporterClick();
        ASSERT_NE(LastMessage(), nullptr) << source;
        EXPECT_EQ(LastMessage()->text, "Ouverture du fichier impossible");
        // The split not yet validated is still in the table, and nothing was written.
        EXPECT_TRUE(flag) << source;
        EXPECT_FALSE(editor.BtDiv->isEnabled()) << source;
        EXPECT_EQ(CentsAt(0, "Cours"), divise) << source;
        EXPECT_EQ(ReadHisto("12000"), avant) << source;
    }
}

} // namespace
