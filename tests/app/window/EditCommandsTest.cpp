// The editing commands of the main window: their checks and messages, what they write into the
// document, the modified flag and the selection left in the rebuilt tree.

#include "../AppTestSupport.h"

#include "dialogs/CashDialog.h"
#include "dialogs/SecurityDialog.h"
#include "dialogs/TradeDialog.h"
#include "widgets/ListRows.h"

#include "portfolio/Cv.h"
#include "support/Builders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

namespace {

using namespace build;

using platform::EncodeDate;
const double kToday = EncodeDate(2026, 3, 15);
const double kJan = EncodeDate(2026, 1, 5);
const double kPending = EncodeDate(2026, 3, 2); // after the last settlement date

class EditCommandsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        doc->DateLiqP = EncodeDate(2026, 2, 25);
        prompts.onDialog = [this](QDialog& d) {
            if (auto* t = dynamic_cast<TOKBottomDlg*>(&d))
                return OKBottomDlg == t && onTitre(*t);
            if (auto* o = dynamic_cast<TAddOper*>(&d))
                return AddOper == o && onOpere(*o);
            auto* c = dynamic_cast<Tcash*>(&d);
            return c != nullptr && cash == c && onCash(*c);
        };
    }
    Valeurs* Add(const std::string& code, const std::string& libelle) {
        return AddSecurity(*doc, code, libelle, {.cours = 1000, .suivi = true});
    }
    // A trade follows its security's deferred-settlement flag, as the trade dialog sets it.
    static Operes* Trade(Valeurs* t, double date, char sens, std::int32_t q, std::int32_t cours,
                         bool pointe = false) {
        return AddTrade(t, date, sens, q, cours, 0, {.srd = t->SRD, .pointe = pointe});
    }
    Mvt* Cash(char sens, std::int32_t montant, const char* comment) {
        return AddMovement(*doc, kJan, sens, montant, comment);
    }
    QTreeWidget* List(const char* name) { return form->findChild<QTreeWidget*>(name); }
    QTreeWidgetItem* Row(const char* list, const void* record) {
        for (QTreeWidgetItemIterator it(List(list)); *it != nullptr; ++it)
            if (RecordOf(*it) == record)
                return *it;
        return nullptr;
    }
    void Show(Valeurs* t) { // the tree rebuilt on the document as made, t selected
        form->BuildTree();
        List("LT1")->setCurrentItem(Row("LT1", t));
        doc->Modifie = false;
    }
    void Select(const char* list, const void* record) {
        List(list)->setCurrentItem(Row(list, record));
    }
    Valeurs* Selected() { return static_cast<Valeurs*>(RecordOf(List("LT1")->currentItem())); }
    QString Group(const Valeurs* t) { return Row("LT1", t)->parent()->text(0); }
    void Delete(const char* list, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_Delete, modifiers);
        QApplication::sendEvent(List(list), &event);
    }
    // The one message shown since the last call: title, text, exclamation icon and OK.
    void Said(const char* title, const char* text) {
        ASSERT_EQ(prompts.messages.size(), 1u) << text;
        EXPECT_EQ(prompts.messages[0].title, QString::fromUtf8(title));
        EXPECT_EQ(prompts.messages[0].text, QString::fromUtf8(text));
        EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
        EXPECT_EQ(prompts.messages[0].buttons, QMessageBox::Ok);
        prompts.messages.clear();
    }
    // Validates a dialog as the user does, by its OK button: true when it closed accepted.
    template <typename Dialog> static bool Ok(Dialog& d) {
        d.OKBtn->click();
        return d.result() == QDialog::Accepted;
    }
    static std::function<bool(TOKBottomDlg&)> Typed(const char* code, const char* libelle,
                                                    const char* cours = nullptr) {
        return [=](TOKBottomDlg& d) {
            d.CodeV->setText(code);
            d.LibV->setText(libelle);
            if (cours != nullptr)
                d.Cours->setText(cours);
            return true;
        };
    }

    std::function<bool(TOKBottomDlg&)> onTitre;
    std::function<bool(TAddOper&)> onOpere;
    std::function<bool(Tcash&)> onCash;
};

TEST_F(EditCommandsTest, AddSecurity) {
    Valeurs* alpha = Add("100001", "Alpha");
    Show(alpha);
    onTitre = [](TOKBottomDlg& d) {
        EXPECT_EQ(d.CBReg->currentIndex(), 1);
        d.SuiviAuto->setChecked(true);
        return Typed("120271", "Bêta", "12,34")(d);
    };
    form->AddValExecute();
    const Valeurs* beta = doc->FindTitre("120271");
    ASSERT_NE(beta, nullptr);
    EXPECT_EQ(beta->NomBourse + "/" + beta->Activite, "Paris/Divers");
    EXPECT_TRUE(beta->SRD && beta->SuiviAuto);
    EXPECT_EQ(beta->Infos.Cours, 1234);
    EXPECT_DOUBLE_EQ(beta->Infos.Date + beta->Infos.Heure, kToday + 0.5);
    EXPECT_TRUE(doc->Modifie);
    EXPECT_EQ(Selected(), beta);
    EXPECT_TRUE(prompts.messages.empty());

    Show(alpha);
    onTitre = Typed("100003", "");
    form->AddValExecute();
    Said("", "Le code valeur et le libellé doivent être saisis.");
    onTitre = Typed("120271", "Gamma");
    form->AddValExecute();
    Said("", "Cette valeur existe déjà!");
    EXPECT_EQ(doc->Titres.size(), 2u);
    EXPECT_FALSE(doc->Modifie);
    EXPECT_EQ(Selected(), alpha);
}

TEST_F(EditCommandsTest, ModifySecurity) {
    doc->Fichier = Path("port.cvx"); // a log beside it takes the fired alarm
    std::filesystem::create_directories(Path("data/historique"));
    WriteFile("data/historique/100001.his", "01/01/1970\n16/02/2026;10;0;0;100;\n");
    WriteFile("data/historique/100009.his", "01/01/1970\n16/02/2026;20;0;0;100;\n");
    Valeurs* alpha = Add("100001", "Alpha");
    Add("100002", "Beta");
    alpha->Infos.Haut = 1100;
    alpha->Alarmes.push_back(std::make_unique<SDetAlarme>(
        SDetAlarme{true, false, "", kToday + 9, {0, 1}, {1, 100}, 0})); // price above 1.00
    Show(alpha);
    onTitre = [](TOKBottomDlg& d) {
        EXPECT_EQ(d.Cours->text(), "10,00");
        EXPECT_EQ(d.CBReg->currentIndex(), 0);
        EXPECT_FALSE(d.BtChoose->isEnabled());
        d.Activite->setText("Banque");
        return true;
    };
    form->ModifValExecute();
    EXPECT_TRUE(doc->Modifie);
    EXPECT_EQ(alpha->Activite, "Banque");
    EXPECT_EQ(alpha->Infos.Haut, 1100); // same price: quote and alarms untouched
    EXPECT_FALSE(doc->AlarmeNouvelle);

    onTitre = Typed("100009", "Zeta", "15,5");
    form->ModifValExecute();
    EXPECT_EQ(alpha->Infos.Cours, 1550);
    EXPECT_EQ(alpha->Infos.Haut, 0);
    EXPECT_DOUBLE_EQ(alpha->Infos.Date + alpha->Infos.Heure, kToday + 0.5);
    EXPECT_TRUE(doc->AlarmeNouvelle && form->AlarmTimer()->isActive());
    EXPECT_EQ(Row("LT1", alpha)->text(0), "Zeta");
    EXPECT_EQ(Selected(), alpha);
    EXPECT_EQ(doc->LastHistoCours(), 20); // the new code's history is the one shown

    doc->Modifie = false;
    onTitre = Typed("100002", "Omega");
    form->ModifValExecute();
    Said("", "Cette valeur existe déjà!");
    onTitre = Typed("", "Omega");
    form->ModifValExecute();
    Said("", "Le code valeur et le libellé doivent être saisis.");
    EXPECT_EQ(alpha->Code + alpha->Libelle, "100009Zeta");
    EXPECT_FALSE(doc->Modifie);
}

TEST_F(EditCommandsTest, TypedPriceWhoseAlarmsTheLogDoesNotTake) {
    Valeurs* alpha = Add("100001", "Alpha");
    alpha->Alarmes.push_back(std::make_unique<SDetAlarme>(
        SDetAlarme{true, false, "", kToday + 9, {0, 1}, {1, 100}, 0})); // price above 1.00
    alpha->Alarmes.push_back(std::make_unique<SDetAlarme>(
        SDetAlarme{true, true, "", kToday + 9, {0, 1}, {1, 1200}, 3})); // price below 12.00
    Show(alpha);
    const auto toldOnce = [this](const char* what) {
        ASSERT_EQ(prompts.messages.size(), 1u) << what;
        const QString texte = prompts.messages[0].text;
        EXPECT_EQ(texte.count("100001"), 2) << what;
        EXPECT_TRUE(texte.contains(QString("Le cours du titre est supérieur  à 1,00"))) << what;
        EXPECT_TRUE(texte.contains(QString("Le cours du titre est inférieur  à 12,00"))) << what;
        EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning) << what;
        EXPECT_FALSE(doc->AlarmeNouvelle) << what;
        EXPECT_FALSE(form->AlarmTimer()->isActive()) << what;
        prompts.messages.clear();
    };

    // Never saved: there is no log, and nothing would show in the log viewer.
    onTitre = Typed("100001", "Alpha", "10,5");
    form->ModifValExecute();
    toldOnce("no log");
    EXPECT_EQ(alpha->Infos.Cours, 1050);

    // A folder standing where the log would be.
    doc->Fichier = Path("port.cvx");
    std::filesystem::create_directories(Path("port.cvl"));
    onTitre = Typed("100001", "Alpha", "11,5");
    form->ModifValExecute();
    toldOnce("log not writable");
    EXPECT_TRUE(prompts.messages.empty());

    // The log takes them again: the window flashes, nothing is said.
    std::filesystem::remove(Path("port.cvl"));
    onTitre = Typed("100001", "Alpha", "11,75");
    form->ModifValExecute();
    EXPECT_TRUE(prompts.messages.empty());
    std::ifstream log(Path("port.cvl"));
    int lignes = 0;
    for (std::string ligne; std::getline(log, ligne);)
        ++lignes;
    EXPECT_EQ(lignes, 2);
    EXPECT_TRUE(doc->AlarmeNouvelle && form->AlarmTimer()->isActive());
}

TEST_F(EditCommandsTest, DeleteSecurity) {
    Valeurs* a = Add("100001", "Alpha");
    Valeurs* b = Add("100002", "Beta");
    Valeurs* c = Add("100003", "Gamma");
    Trade(a, kJan, 'A', 10, 1000);
    Show(a);
    form->delvalExecute();
    Said("Corvane", "Vous ne pouvez supprimer un titre encore détenu.");
    b->SRD = true;
    Trade(b, kPending, 'A', 1, 10000, true);
    Trade(b, kPending, 'V', 1, 11234);
    Show(b);
    form->delvalExecute();
    Said("Corvane", "Ce titre à des opérés non liquidés.");
    EXPECT_EQ(doc->Titres.size(), 3u);
    EXPECT_FALSE(doc->Modifie);

    b->Operes[0]->Date = b->Operes[1]->Date = kJan; // settled now: a gain of 12.34
    Trade(c, kJan, 'A', 2, 1000);
    Trade(c, kJan, 'V', 2, 900);
    Show(b);
    const void* supprime = b;
    doc->TitreHisto = b;
    form->delvalExecute();
    Said("Corvane",
         "Ce titre a généré des +/- values.\nCelles-ci seront portées à votre crédit cash.");
    ASSERT_EQ(doc->Mouvements.size(), 1u);
    const Mvt& gain = *doc->Mouvements[0];
    EXPECT_EQ(std::string(1, gain.Sens) + std::to_string(gain.Montant), "C1234");
    EXPECT_DOUBLE_EQ(gain.Date, kToday);
    EXPECT_EQ(gain.Comment, "+/- value sur le titre Beta");
    EXPECT_NE(doc->TitreHisto, supprime);
    EXPECT_TRUE(doc->Modifie);
    EXPECT_EQ(Selected(), c); // the one now at its place

    form->delvalExecute(); // a loss; the last one gone, the new last one is selected
    prompts.messages.clear();
    ASSERT_EQ(doc->Mouvements.size(), 2u);
    EXPECT_EQ(std::string(1, doc->Mouvements[1]->Sens) +
                  std::to_string(doc->Mouvements[1]->Montant),
              "D200");
    EXPECT_EQ(Selected(), a);
    a->Operes.clear();
    Show(a);
    Delete("LT1", Qt::ShiftModifier | Qt::ControlModifier); // no gain: nothing booked
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(doc->Mouvements.size(), 2u);
    EXPECT_TRUE(doc->Titres.empty());
    EXPECT_EQ(List("LT1")->currentItem(), List("LT1")->topLevelItem(0));
}

TEST_F(EditCommandsTest, Trades) {
    Valeurs* t = Add("100001", "Alpha");
    Show(t);
    onOpere = [](TAddOper& d) {
        EXPECT_EQ(d.Qte->value(), 1);
        EXPECT_EQ(d.Cours->text(), "10,00");
        d.DateOp->setDate(QDate(2026, 1, 5));
        d.Qte->setValue(10);
        d.Cours->setText("12,00");
        d.Frais1->setText("5,00");
        return Ok(d);
    };
    form->Action("AddOpere")->trigger();
    ASSERT_EQ(t->Operes.size(), 1u);
    Operes* op = t->Operes[0].get();
    EXPECT_EQ(op->Sens, 'A');
    EXPECT_EQ(op->Quantite * 10000 + op->Cours, 101200);
    EXPECT_EQ(op->Frais, 500 + op->Frais2);
    EXPECT_TRUE(doc->Modifie);
    EXPECT_EQ(Group(t), QString("Titres en portefeuille")); // tree rebuilt
    EXPECT_EQ(Selected(), t);

    // A tick is kept in the file, so it marks the document modified; a modification keeps
    // the stored fees and clears the tick.
    doc->Modifie = false;
    Select("LvOp", op);
    form->DPointer1Click();
    EXPECT_TRUE(op->Pointe && doc->Modifie);
    op->Frais1 = op->Frais = 321;
    onOpere = [&](TAddOper& d) {
        EXPECT_EQ(d.FOpere, op);
        EXPECT_FALSE(d.Suivant->isEnabled());
        EXPECT_EQ(d.Frais1->text(), "3,21");
        d.CB1->setCurrentIndex(1);
        return Ok(d);
    };
    emit List("LvOp")->itemDoubleClicked(Row("LvOp", op), 0);
    EXPECT_EQ(op->Sens, 'V');
    EXPECT_EQ(op->Frais1, 321);
    EXPECT_FALSE(op->Pointe);
    EXPECT_TRUE(doc->Modifie);
    EXPECT_EQ(Group(t), QString("Titres en portefeuille")); // short now

    doc->Modifie = false;
    Select("LvOp", op);
    onOpere = [](TAddOper& d) { // a price of zero is refused and the dialog stays open
        d.Cours->setText("0");
        return Ok(d);
    };
    form->UpdOpExecute();
    Said("", "Saisie incorrecte!");
    EXPECT_EQ(op->Cours, 1200);
    EXPECT_FALSE(doc->Modifie);

    Select("LvOp", op);
    Delete("LvOp", Qt::ShiftModifier);
    EXPECT_TRUE(t->Operes.empty());
    EXPECT_TRUE(doc->Modifie);
    EXPECT_EQ(Group(t), QString("Titres suivis"));
    EXPECT_EQ(List("LvOp")->topLevelItemCount(), 0);
}

TEST_F(EditCommandsTest, RecordsValidatedUntouchedStayExactlyAsTheyWere) {
    // Values from a file, an import or the market lists that the fields could not take typed:
    // a 12-character code, a long market and sector, characters outside code page 850, more
    // shares than can be typed, a movement of neither direction at a time of day.
    Valeurs* t = Add("FR0000120271", "L’ORÉAL – Œuvres €");
    t->NomBourse = "Euronext Paris Compartiment A";
    t->Activite = "Produits de soin, de beauté et d'hygiène personnelle";
    Operes* op = Trade(t, kJan, 'A', 12000000, 100, true);
    Mvt* m = Cash('X', 500, "Virement « spécial » – ’");
    m->Date = kJan + 0.25;
    Show(t);
    const auto titre = [t] {
        return t->Code + "|" + t->Libelle + "|" + t->NomBourse + "|" + t->Activite;
    };
    const std::string identite = titre();
    const Operes trade = *op;
    const auto mvt = [m] {
        return std::string(1, m->Sens) + std::to_string(m->Date) + m->Comment +
               std::to_string(m->Montant);
    };
    const std::string mouvement = mvt();

    // OK without a change: the values stay, only the trade's tick goes.
    onTitre = [&](TOKBottomDlg& d) { return Ok(d); };
    onOpere = [&](TAddOper& d) { return Ok(d); };
    onCash = [&](Tcash& d) { return Ok(d); };
    form->ModifValExecute();
    Select("LvOp", op);
    form->UpdOpExecute();
    Select("LstCash", m);
    form->UpdCashExecute();
    EXPECT_EQ(titre(), identite);
    Operes sansCoche = trade;
    sansCoche.Pointe = false;
    EXPECT_TRUE(*op == sansCoche);
    EXPECT_EQ(mvt(), mouvement);
    EXPECT_TRUE(doc->Modifie);
    EXPECT_TRUE(prompts.messages.empty());

    // One other field changed: the fields left alone keep their values whole.
    onTitre = [&](TOKBottomDlg& d) {
        d.SuiviAuto->setChecked(false);
        return Ok(d);
    };
    onOpere = [&](TAddOper& d) {
        d.CB1->setCurrentIndex(1);
        return Ok(d);
    };
    onCash = [&](Tcash& d) {
        d.Comment->setText("Virement");
        return Ok(d);
    };
    form->ModifValExecute();
    Select("LvOp", op);
    form->UpdOpExecute();
    Select("LstCash", m);
    form->UpdCashExecute();
    EXPECT_EQ(titre(), identite);
    EXPECT_FALSE(t->SuiviAuto);
    EXPECT_EQ(op->Sens, 'V');
    EXPECT_EQ(op->Quantite, 12000000);
    EXPECT_EQ(m->Sens, 'X');
    EXPECT_DOUBLE_EQ(m->Date, kJan + 0.25);
    EXPECT_EQ(m->Comment, "Virement");
    EXPECT_TRUE(doc->Modifie);
}

TEST_F(EditCommandsTest, PurgeKeepsPendingAndUntickedTrades) {
    Valeurs* t = Add("100001", "Alpha");
    t->SRD = true;
    Operes* regle = Trade(t, kJan, 'A', 10, 1000, true);
    Trade(t, kPending, 'A', 5, 1000, true);
    Trade(t, kJan + 1, 'A', 1, 1000);
    Show(t);
    const std::int32_t detenus = t->Bilan.NbInPort;
    form->Action("Purge1")->trigger();
    EXPECT_TRUE(doc->Modifie);
    ASSERT_EQ(t->Operes.size(), 2u);
    EXPECT_TRUE(t->Operes[0].get() != regle && t->Operes[1].get() != regle);
    EXPECT_EQ(t->BilanPurge.NbAchat, 10);
    EXPECT_EQ(t->Bilan.NbInPort, detenus);
    EXPECT_EQ(List("LvOp")->topLevelItemCount(), 2);
}

TEST_F(EditCommandsTest, CashMovements) {
    onCash = [](Tcash& d) {
        d.Cours->setText("500");
        return Ok(d);
    };
    form->Action("AddCash")->trigger();
    ASSERT_EQ(doc->Mouvements.size(), 1u);
    EXPECT_EQ(doc->Cash, 50000);
    Mvt* m = Cash('D', 12345, "Loyer");
    form->RefreshViews(nullptr);

    doc->LibLocal = "francs";
    doc->Taux = doc->Facteur = 6.55957f;
    Select("LstCash", m);
    onCash = [&](Tcash& d) {
        EXPECT_TRUE(d.FModif && d.FMouvement == m && !d.Suivant->isEnabled());
        EXPECT_EQ(d.CB1->currentIndex(), 1);
        EXPECT_EQ(d.Cours->text(), "809,77"); // 123.45 € at the rate, cut at the cent
        d.Cours->setText("65,60");            // 1000 cents at the rate
        return Ok(d);
    };
    emit List("LstCash")->itemDoubleClicked(Row("LstCash", m), 0);
    ASSERT_EQ(doc->Mouvements.size(), 2u);
    EXPECT_EQ(m->Montant, 1000);
    EXPECT_EQ(doc->Cash, 49000);

    doc->Modifie = false;
    List("LstCash")->clearSelection(); // nothing selected: nothing deleted
    Delete("LstCash", Qt::NoModifier);
    EXPECT_EQ(doc->Mouvements.size(), 2u);
    Select("LstCash", m);
    Delete("LstCash", Qt::ControlModifier);
    ASSERT_EQ(doc->Mouvements.size(), 1u);
    EXPECT_TRUE(doc->Modifie);
    EXPECT_EQ(doc->Cash, 50000);
    EXPECT_EQ(List("LstCash")->topLevelItemCount(), 1);
}

} // namespace
