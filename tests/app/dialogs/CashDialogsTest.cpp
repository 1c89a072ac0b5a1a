// The cash movement dialog (what it stores, what it refuses and says) and the fee calculator
// (the bracket it finds, the fee it shows, the edits it reads back).

#include "../AppTestSupport.h"

#include "dialogs/CashDialog.h"
#include "dialogs/FeeCalculatorDialog.h"
#include "widgets/QtDates.h"

#include "portfolio/Cv.h"
#include "portfolio/CvFileFields.h"
#include "support/Builders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

using namespace build;

class CashDialogsTest : public AppTest {
protected:
    void Local() {
        doc.LibLocal = "francs";
        doc.Taux = doc.Facteur = 6.55957f;
    }
    // Movements of these tests are all entered on the same day.
    Mvt* AddMvt(char sens, std::int32_t montant, const char* comment) {
        return AddMovement(doc, platform::EncodeDate(2026, 1, 10), sens, montant, comment);
    }
    void ExpectRefused(const char* text, const QString& title, QMessageBox::Icon icon) {
        ASSERT_NE(LastMessage(), nullptr) << text;
        EXPECT_EQ(LastMessage()->title, title) << text;
        EXPECT_EQ(LastMessage()->icon, icon) << text;
        EXPECT_EQ(LastMessage()->buttons, QMessageBox::Ok) << text;
    }
    // The bracket as the calculator shows it: threshold, rate, minimum, VAT.
    static QStringList Edits(const TForm4& d) {
        return {d.VSeuil->text(), d.VPerFrais->text(), d.VMntMin->text(), d.VTva->text()};
    }

    TCorv doc{""};
};

const QDate kToday(2026, 3, 15);

TEST_F(CashDialogsTest, OpensOnTodayWithACreditInTheDisplayedCurrency) {
    Tcash euros(nullptr, &doc, prompts);
    EXPECT_EQ(euros.TypMnt->text(), QString("Montants exprimés en Euros"));
    EXPECT_EQ(euros.DateOp->date(), kToday);
    EXPECT_EQ(euros.CB1->currentText(), QString("Crédit"));
    EXPECT_FALSE(euros.FModif);
    EXPECT_TRUE(euros.Suivant->isDefault());
    Local();
    Tcash local(nullptr, &doc, prompts);
    EXPECT_EQ(local.TypMnt->text(), QString("Montants exprimés en francs"));
}

TEST_F(CashDialogsTest, EntriesAreStoredOneAfterTheOther) {
    Tcash d(nullptr, &doc, prompts);
    d.show();
    d.DateOp->setDate(QDate(2026, 2, 1));
    d.CB1->setCurrentIndex(1);
    d.Cours->setText("123,45");
    d.Comment->setText("Loyer");
    d.Suivant->click();
    ASSERT_EQ(doc.Mouvements.size(), 1u);
    const Mvt& m = *doc.Mouvements[0];
    EXPECT_EQ(m.Sens, 'D');
    EXPECT_EQ(m.Date, platform::EncodeDate(2026, 2, 1));
    EXPECT_EQ(m.Montant, 12345);
    EXPECT_EQ(m.Comment, "Loyer");
    EXPECT_FALSE(m.Pointe);
    EXPECT_TRUE(doc.Modifie);
    // Ready for the next entry, the direction kept.
    EXPECT_EQ(d.Cours->text(), "0");
    EXPECT_EQ(d.Comment->text(), "");
    EXPECT_EQ(d.DateOp->date(), kToday);
    EXPECT_EQ(d.CB1->currentIndex(), 1);
    EXPECT_TRUE(d.isVisible());

    d.Cours->setText("10.5");
    d.CB1->setCurrentIndex(0);
    d.OKBtn->click();
    ASSERT_EQ(doc.Mouvements.size(), 2u);
    EXPECT_EQ(doc.Mouvements[1]->Montant, 1050);
    EXPECT_EQ(doc.Mouvements[1]->Sens, 'C');
    EXPECT_EQ(doc.Mouvements[1]->Date, platform::EncodeDate(2026, 3, 15));
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.FEnregistres, 2);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(CashDialogsTest, LocalCurrencyAmountsAreStoredInEuroCentsTruncated) {
    Local();
    Tcash d(nullptr, &doc, prompts);
    for (const char* typed : {"6,56", "656", "0,06"}) {
        d.Cours->setText(typed);
        d.Suivant->click();
    }
    ASSERT_EQ(doc.Mouvements.size(), 2u);
    EXPECT_EQ(doc.Mouvements[0]->Montant, 100);
    EXPECT_EQ(doc.Mouvements[1]->Montant, 10000);
    // 6 local cents are less than one euro cent.
    ExpectRefused("0,06", "", QMessageBox::Warning);
    EXPECT_EQ(LastMessage()->text, "Saisie incorrecte!");
}

TEST_F(CashDialogsTest, RefusedAmountsSayWhyStoreNothingAndKeepTheDialogOpen) {
    Tcash d(nullptr, &doc, prompts);
    d.show();
    for (const char* typed : {"0", "", "-5", "0,004"}) {
        prompts.messages.clear();
        d.Cours->setText(typed);
        d.OKBtn->click();
        ExpectRefused(typed, "", QMessageBox::Warning);
        EXPECT_EQ(LastMessage()->text, "Saisie incorrecte!");
        EXPECT_TRUE(d.isVisible()) << typed;
        EXPECT_EQ(d.Cours->text(), typed);
    }
    prompts.messages.clear();
    d.Cours->setText("12a5");
    d.Suivant->click();
    ExpectRefused("12a5", "Corvane", QMessageBox::Critical);
    EXPECT_TRUE(LastMessage()->text.contains("12a5"));
    EXPECT_TRUE(doc.Mouvements.empty());
    EXPECT_FALSE(doc.Modifie);
    EXPECT_FALSE(d.FValide);
}

TEST_F(CashDialogsTest, ChangingAMovementRewritesItInPlace) {
    AddMvt('C', 500, "Avant");
    Mvt* m = AddMvt('D', 12345, "Frais de garde");
    Tcash d(nullptr, &doc, prompts);
    d.EditMouvement(m);
    EXPECT_EQ(d.DateOp->date(), QDate(2026, 1, 10));
    EXPECT_EQ(d.CB1->currentIndex(), 1);
    EXPECT_EQ(d.Cours->text(), "123,45");
    EXPECT_EQ(d.Comment->text(), "Frais de garde");
    EXPECT_TRUE(d.OKBtn->isDefault());

    d.CB1->setCurrentIndex(0);
    d.Cours->setText("200");
    d.OKBtn->click();
    ASSERT_EQ(doc.Mouvements.size(), 2u);
    EXPECT_EQ(m->Sens, 'C');
    EXPECT_EQ(m->Montant, 20000);
    EXPECT_EQ(m->Date, platform::EncodeDate(2026, 1, 10));
    EXPECT_TRUE(doc.Modifie);
    EXPECT_EQ(d.result(), QDialog::Accepted);

    // The comment is typed up to what its line of the portfolio file holds (é takes two bytes),
    // so that a save never has to refuse it.
    d.Comment->clear();
    d.Comment->insert(QString(2000, QChar(0xE9)));
    EXPECT_EQ(static_cast<std::size_t>(d.Comment->text().toUtf8().size()),
              cvfile::kMaxLineTexts / 2 * 2);
}

TEST_F(CashDialogsTest, AMovementValidatedUnchangedKeepsItsCents) {
    // Cents that single precision does not hold, and local amounts that do not convert back
    // to the euro cents they were shown from.
    struct Cas {
        std::int32_t montant;
        bool local;
        const char* montre;
    };
    for (const Cas& c : {Cas{6553601, false, "65536,01"}, Cas{4000011, false, "40000,11"},
                         Cas{2147483647, false, "21474836,47"}, Cas{10000, true, "655,95"},
                         Cas{6553601, true, "429888,03"}}) {
        doc.Facteur = 1.0f;
        if (c.local)
            Local();
        Mvt* m = AddMvt('C', c.montant, "Virement");
        Tcash d(nullptr, &doc, prompts);
        d.EditMouvement(m);
        EXPECT_EQ(d.Cours->text(), c.montre) << c.montant;
        d.OKBtn->click();
        EXPECT_EQ(d.result(), QDialog::Accepted) << c.montant;
        EXPECT_EQ(m->Montant, c.montant) << c.local;
    }
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(CashDialogsTest, ARefusedChangeLeavesTheMovementAsItWas) {
    Mvt* m = AddMvt('C', 500, "Dépôt");
    for (const char* typed : {"0", "12a5"}) {
        Tcash d(nullptr, &doc, prompts);
        d.show();
        d.EditMouvement(m);
        d.CB1->setCurrentIndex(1);
        d.DateOp->setDate(QDate(2026, 3, 1));
        d.Cours->setText(typed);
        d.OKBtn->click();
        EXPECT_TRUE(d.isVisible()) << typed;
        EXPECT_EQ(m->Sens, 'C') << typed;
        EXPECT_EQ(m->Date, platform::EncodeDate(2026, 1, 10)) << typed;
        EXPECT_EQ(m->Montant, 500) << typed;
    }
    EXPECT_EQ(prompts.messages.size(), 2u);
    EXPECT_FALSE(doc.Modifie);
}

TEST_F(CashDialogsTest, CalculatorShowsTheBracketOfTheAmountAndTheEngineFee) {
    AddBracket(doc.TranchesFrais1, 0, 0.0048f, 0, 0.206f);
    AddBracket(doc.TranchesFrais1, 1000000, 0.003f, 0, 0.206f);
    TForm4 d(nullptr, 10000, 10, 1, &doc, prompts);
    EXPECT_EQ(d.windowTitle(), "Calcul des frais de type 1");
    EXPECT_EQ(d.VQte->text(), "10");
    EXPECT_EQ(d.VCours->text(), "100,00");
    EXPECT_EQ(Edits(d), QStringList({"0,00", "0,48", "0,00", "20,60"}));
    EXPECT_FALSE(d.Dep->isHidden());
    // 481 cents before tax, 99 of VAT.
    EXPECT_EQ(d.VFrais->text(), "5,80");

    TForm4 gros(nullptr, 15000, 100, 1, &doc, prompts);
    EXPECT_EQ(Edits(gros), QStringList({"10000,00", "0,30", "0,00", "20,60"}));
    CalculFrais calcul{false, 100, 15000};
    doc.ComputeFrais(calcul);
    EXPECT_EQ(gros.Frais(), calcul.Frais1);
    EXPECT_EQ(gros.VFrais->text(), "54,28");
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(CashDialogsTest, CalculatorMinimumsThresholdCentsAndMissingBrackets) {
    AddBracket(doc.TranchesFrais2, 0, 0.0f, 800, 0.0f);
    TForm4 minimum(nullptr, 1, 1, 2, &doc, prompts);
    EXPECT_EQ(minimum.windowTitle(), "Calcul des frais de type 2");
    EXPECT_EQ(minimum.VFrais->text(), "8,00");

    // The threshold and the minimum keep their cents, as the engine applies them.
    AddBracket(doc.TranchesFrais1, 1550, 0.0f, 850, 0.0f);
    TForm4 dessous(nullptr, 1520, 1, 1, &doc, prompts);
    EXPECT_EQ(Edits(dessous), QStringList({"0,00", "0,00", "0,00", "0,00"}));
    EXPECT_EQ(dessous.VFrais->text(), "0,00");
    TForm4 dessus(nullptr, 1550, 1, 1, &doc, prompts);
    EXPECT_EQ(Edits(dessus), QStringList({"15,50", "0,00", "8,50", "0,00"}));
    EXPECT_EQ(dessus.VFrais->text(), "8,50");
}

TEST_F(CashDialogsTest, RateAboveTheThresholdOnlyForSchedulesOneAndTwo) {
    AddBracket(doc.TranchesFrais1, 100000, 0.0065f, 0, 0.0f, true);
    AddBracket(doc.TranchesSRD, 100000, 0.0065f, 0, 0.0f, true);
    TForm4 un(nullptr, 10000, 20, 1, &doc, prompts);
    EXPECT_TRUE(un.Dep->isChecked());
    EXPECT_EQ(un.VFrais->text(), "6,51");
    un.Dep->setChecked(false);
    EXPECT_EQ(un.VFrais->text(), "13,01");

    TForm4 srd(nullptr, 10000, 20, 0, &doc, prompts);
    EXPECT_EQ(srd.windowTitle(), QString("Calcul des frais du Réglement Différé"));
    EXPECT_TRUE(srd.Dep->isHidden());
    EXPECT_EQ(srd.VFrais->text(), "13,01");
}

TEST_F(CashDialogsTest, EditedBracketIsReadBackWithoutTouchingTheSchedule) {
    AddBracket(doc.TranchesFrais1, 0, 0.0048f, 0, 0.206f);
    TForm4 d(nullptr, 10000, 10, 1, &doc, prompts);
    d.VPerFrais->setText("0,6"); // 601 + 123
    EXPECT_EQ(d.VFrais->text(), "7,24");
    d.VSeuil->setText("2000");
    EXPECT_EQ(d.VFrais->text(), "0,00");
    d.VSeuil->setText("");
    d.VPerFrais->setText("");
    d.VTva->setText("");
    d.VMntMin->setText("1.5");
    EXPECT_EQ(d.VFrais->text(), "1,50");

    d.VTva->setText("2a5");
    ExpectRefused("2a5", "Corvane", QMessageBox::Critical);
    EXPECT_EQ(d.VFrais->text(), "1,50");
    EXPECT_EQ(d.FTva, 0.0f);

    const TrancheFrais& t = *doc.TranchesFrais1[0];
    EXPECT_EQ(t.Seuil, 0);
    EXPECT_EQ(t.Frais, 0.0048f);
    EXPECT_EQ(t.MntMin, 0);
    EXPECT_EQ(t.Tva, 0.206f);

    d.Button1->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    TForm4 annule(nullptr, 10000, 10, 1, &doc, prompts);
    annule.show();
    annule.Button2->click();
    EXPECT_EQ(annule.result(), QDialog::Rejected);
    EXPECT_FALSE(annule.isVisible());
}

} // namespace
