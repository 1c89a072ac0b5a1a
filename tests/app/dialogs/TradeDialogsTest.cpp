// The security dialog (market picker, OEM filter, code check) and the trade dialog: the option
// state, the live fees and preview figures on a known document, what "OK && Suivant" stores,
// what it refuses and says, and the cash preview of a modified trade.

#include "../AppTestSupport.h"

#include "dialogs/FeeCalculatorDialog.h"
#include "dialogs/MarketPickerDialog.h"
#include "dialogs/SecurityDialog.h"
#include "dialogs/TradeDialog.h"
#include "widgets/QtDates.h"

#include "portfolio/Cv.h"
#include "portfolio/CvFileFields.h"
#include "support/Builders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <QValidator>

#include <string>
#include <vector>

namespace {

using namespace build;
using platform::EncodeDate;

class TradeDialogsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        doc.Repertoire = dataDir_;
        doc.DateLiqP = EncodeDate(2026, 2, 24);
        doc.DateLiqC = EncodeDate(2026, 3, 25);
        AddBracket(doc.TranchesFrais1, 0, 0.0065f, 0);
        AddBracket(doc.TranchesFrais2, 0, 0.0f, 500);
        AddBracket(doc.TranchesSRD, 0, 0.004f, 0);
        titre = AddSecurity(doc, "12000", "Titre 12000", {.srd = true});
        AddTrade(*titre, EncodeDate(2026, 1, 5), 'A', 100, 1000, 1500);
        AddMovement(doc, 0.0, 'C', 200000);
        Recompute(doc); // Cash 985,00
    }
    // The three fee fields, then MntBrut, MntNet, ValBr, ValNette, PxAch, Cash, CashLq.
    static QStringList Shown(const TAddOper& d) {
        return {d.SRD->text(),    d.Frais1->text(), d.Frais2->text(),   d.MntBrut->text(),
                d.MntNet->text(), d.ValBr->text(),  d.ValNette->text(), d.PxAch->text(),
                d.Cash->text(),   d.CashLq->text()};
    }
    // The sense, quantity and price of a trade, as the user types them.
    static void Type(TAddOper& d, const char* sens, int q, const char* cours) {
        d.CB1->setCurrentText(QString::fromUtf8(sens));
        d.Qte->setValue(q);
        d.Cours->setText(cours);
    }
    static QLineEdit* Edit(const TAddOper& d) { return d.Qte->findChild<QLineEdit*>(); }
    // What the window gives the dialog to store a trade.
    TAddOper::Enregistrement Stocke(Valeurs* t, Operes* edite) {
        return [this, t, edite](const Operes& saisie, Operes** stocke) {
            return doc.EnregistreOpere(t, edite, saisie, stocke);
        };
    }
    void ExpectMessage(const QString& title, const QString& text, QMessageBox::Icon icon) {
        ASSERT_NE(LastMessage(), nullptr) << text.toStdString();
        EXPECT_EQ(LastMessage()->title, title);
        EXPECT_EQ(LastMessage()->text, text);
        EXPECT_EQ(LastMessage()->icon, icon);
        EXPECT_EQ(LastMessage()->buttons, QMessageBox::Ok);
    }

    TCorv doc{""};
    Valeurs* titre = nullptr;
};

TEST_F(TradeDialogsTest, SecurityDialogFieldsAndPicker) {
    TOKBottomDlg d(nullptr, &doc, prompts);
    EXPECT_EQ(d.CBReg->itemText(1), "R.Mens.(S.R.D)");
    EXPECT_EQ(d.CBReg->currentIndex(), 1); // a new security is proposed as eligible
    EXPECT_TRUE(d.OKBtn->isDefault());

    // Typing stops at 15, 40 and 8 characters, and keeps only what code page 850 holds.
    for (const auto& [champ, limite] :
         {std::pair{d.NomBourse, 15}, std::pair{d.Activite, 40}, std::pair{d.CodeV, 8}}) {
        champ->insert(QString(50, 'x'));
        EXPECT_EQ(champ->text(), QString(limite, 'x')) << limite;
        champ->clear();
    }
    // The code, label, market and sector are typed up to what their line of the portfolio
    // file holds together, so that a save never has to refuse them.
    d.CodeV->insert("12345678");
    d.LibV->insert(QString(2000, 'x'));
    EXPECT_EQ(static_cast<std::size_t>(d.CodeV->text().size() + d.LibV->text().size()),
              cvfile::kMaxLineTexts);
    d.CodeV->clear();
    d.LibV->clear();
    d.LibV->insert(QString("Cœur € Défense"));
    EXPECT_EQ(d.LibV->text(), QString("Cur  Défense"));
    d.LibV->clear();
    d.LibV->insert(QString("ÀÉçñ£ß±Ω"));
    EXPECT_EQ(d.LibV->text(), QString("ÀÉçñ£ß±"));

    // A security shown for a modification is shown whole, beyond the typing limits and the
    // filter; only what is then typed into it is limited.
    Valeurs* long_ = AddSecurity(doc, "FR0000120271", "L’ORÉAL – Œuvres €");
    long_->NomBourse = "Euronext Paris Compartiment A";
    long_->Activite = "Produits de soin, de beauté et d'hygiène personnelle";
    TOKBottomDlg m(nullptr, &doc, prompts, long_);
    EXPECT_EQ(m.CodeV->text(), "FR0000120271");
    EXPECT_EQ(m.NomBourse->text().toStdString(), long_->NomBourse);
    EXPECT_EQ(m.Activite->text().toStdString(), long_->Activite);
    m.LibV->end(false);
    m.LibV->insert(QString(" € SA"));
    m.CodeV->end(false);
    m.CodeV->insert("X");
    EXPECT_EQ(m.LibV->text(), QString("L’ORÉAL – Œuvres €  SA"));
    EXPECT_EQ(m.CodeV->text(), "FR0000120271");

    // The picker fills market, sector, code and label; cancelled, it changes nothing.
    std::filesystem::create_directories(std::filesystem::path(dataDir_) / "Bourses");
    std::ofstream(std::filesystem::path(dataDir_) / "Bourses" / "Paris.bdx")
        << "000120;air liquide;Chimie;\n";
    d.CodeV->setText("12001");
    prompts.onDialog = [](QDialog&) { return false; };
    d.BtChooseClick();
    EXPECT_EQ(d.CodeV->text(), "12001");
    prompts.onDialog = [](QDialog& dialog) {
        auto& picker = dynamic_cast<TBourse&>(dialog);
        picker.LB->setCurrentItem(picker.LB->topLevelItem(0));
        picker.BtOkClick();
        return picker.result() == QDialog::Accepted;
    };
    d.BtChooseClick();
    EXPECT_EQ(d.NomBourse->text(), "Paris");
    EXPECT_EQ(d.Activite->text(), "Chimie");
    EXPECT_EQ(d.CodeV->text(), "120");
    EXPECT_EQ(d.LibV->text(), "AIR LIQUIDE");
}

// A text the file cannot hold shows where it can be mended, and the save that refuses it says
// where: validated untouched the security stays as it is; the mark removed, it saves.
TEST_F(TradeDialogsTest, ATextTheFileCannotHoldIsShownVisiblyAndMendedInTheSecurityDialog) {
    titre->Libelle = "Air\rLiquide";
    titre->Activite = "Chi\nmie";
    titre->NomBourse = std::string("Pa\0ris", 6);
    doc.Fichier = Path("p.cvx");
    std::string raison;
    ASSERT_FALSE(doc.SaveFile(&raison));
    EXPECT_NE(raison.find("Titres > Valeurs > Modifier"), std::string::npos) << raison;
    EXPECT_NE(raison.find("« \u240D »"), std::string::npos) << raison;

    TOKBottomDlg m(nullptr, &doc, prompts, titre);
    EXPECT_EQ(m.LibV->text(), QString("Air\u240DLiquide"));
    EXPECT_EQ(m.Activite->text(), QString("Chi\u240Amie"));
    EXPECT_EQ(m.NomBourse->text(), QString("Pa\u2400ris"));
    EXPECT_FALSE(m.Resultat().has_value());

    m.LibV->setCursorPosition(4);
    m.LibV->backspace();
    m.Activite->end(false);
    m.Activite->insert(" fine");
    const std::optional<FicheTitre> saisie = m.Resultat();
    ASSERT_TRUE(saisie.has_value());
    EXPECT_EQ(saisie->Libelle, "AirLiquide");
    EXPECT_EQ(saisie->Activite, "Chi\u240Amie fine"); // the mark kept is a character the file holds
    EXPECT_EQ(saisie->NomBourse, titre->NomBourse);   // untouched: kept as it is
}

TEST_F(TradeDialogsTest, AMistypedPriceKeepsTheNewSecurityDialogOpenOnIt) {
    const auto frappe = [](QWidget* champ, const QString& texte) {
        for (const QChar c : texte) {
            QKeyEvent touche(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(champ, &touche);
        }
    };
    const auto entree = [](QWidget* champ) {
        QKeyEvent touche(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(champ, &touche);
    };
    TOKBottomDlg d(nullptr, &doc, prompts);
    d.show();
    frappe(d.NomBourse, "Paris");
    frappe(d.CodeV, "120271");
    frappe(d.LibV, "Air Liquide");
    frappe(d.Cours, "12;30");
    entree(d.Cours);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains("12;30"));
    EXPECT_FALSE(prompts.messages[0].text.contains(QString("entière")));
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.focusWidget(), d.Cours);
    EXPECT_EQ(d.CodeV->text() + d.LibV->text() + d.NomBourse->text(), "120271Air LiquideParis");

    d.Cours->clear();
    frappe(d.Cours, "12,30");
    entree(d.Cours);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    ASSERT_TRUE(d.Resultat().has_value());
    EXPECT_EQ(d.Resultat()->Cours, 1230);
    EXPECT_EQ(d.Resultat()->Code, "120271");
}

TEST_F(TradeDialogsTest, OptionFollowsEligibilityDateAndTrade) {
    TAddOper neuf(nullptr, &doc, nullptr, titre, prompts, Stocke(titre, nullptr));
    EXPECT_EQ(neuf.windowTitle(), QString("Ajout d'un opéré"));
    EXPECT_EQ(neuf.DateOp->date(), QDate(2026, 3, 15));
    EXPECT_EQ(neuf.CB1->currentText(), "Achat");
    EXPECT_TRUE(neuf.OptionSRD());
    EXPECT_TRUE(neuf.SRD->isEnabled());
    EXPECT_TRUE(neuf.Frais1->isEnabled());

    neuf.DateOp->setDate(QDate(2000, 9, 25));
    EXPECT_FALSE(neuf.ChkSRD->isEnabled());
    EXPECT_FALSE(neuf.ChkSRD->isChecked());
    EXPECT_FALSE(neuf.SRD->isEnabled());
    neuf.DateOp->setDate(QDate(2000, 9, 26)); // enabled again, left unchecked
    EXPECT_TRUE(neuf.ChkSRD->isEnabled());
    EXPECT_FALSE(neuf.OptionSRD());

    doc.AjoutFrais1SRD = false;
    neuf.ChkSRD->setChecked(true);
    EXPECT_TRUE(neuf.SRD->isEnabled());
    EXPECT_FALSE(neuf.Frais1->isEnabled());

    Valeurs* comptant = AddSecurity(doc, "13000", "Titre 13000");
    TAddOper horsSrd(nullptr, &doc, nullptr, comptant, prompts, Stocke(comptant, nullptr));
    EXPECT_FALSE(horsSrd.ChkSRD->isEnabled());
    EXPECT_FALSE(horsSrd.SRD->isEnabled());

    Operes* vieux = AddTrade(*titre, EncodeDate(2000, 9, 20), 'A', 1, 100, 0);
    vieux->SRD = true;
    EXPECT_FALSE(
        TAddOper(nullptr, &doc, vieux, titre, prompts, Stocke(titre, vieux)).ChkSRD->isEnabled());
    Operes* recent = AddTrade(*titre, EncodeDate(2026, 2, 2), 'A', 1, 100, 0);
    TAddOper modif(nullptr, &doc, recent, titre, prompts, Stocke(titre, recent));
    EXPECT_TRUE(modif.ChkSRD->isEnabled());
    EXPECT_FALSE(modif.ChkSRD->isChecked());
}

TEST_F(TradeDialogsTest, OptionBoundaryStaysIn2000WhenTheClockPasses2050) {
    // A two-digit year 00 would mean 2100 from 2051 on; the boundary must not move with it.
    platform::Clock::SetFixed(EncodeDate(2060, 6, 1) + 0.5);
    TAddOper neuf(nullptr, &doc, nullptr, titre, prompts, Stocke(titre, nullptr));
    EXPECT_TRUE(neuf.ChkSRD->isEnabled());
    EXPECT_TRUE(neuf.OptionSRD());
    neuf.DateOp->setDate(QDate(2059, 1, 10));
    EXPECT_TRUE(neuf.ChkSRD->isEnabled());
    neuf.DateOp->setDate(QDate(2000, 9, 25));
    EXPECT_FALSE(neuf.ChkSRD->isEnabled());
    neuf.DateOp->setDate(QDate(2000, 9, 26));
    EXPECT_TRUE(neuf.ChkSRD->isEnabled());

    Operes* recent = AddTrade(*titre, EncodeDate(2055, 2, 2), 'A', 1, 100, 0);
    recent->SRD = true;
    TAddOper modif(nullptr, &doc, recent, titre, prompts, Stocke(titre, recent));
    EXPECT_TRUE(modif.ChkSRD->isEnabled());
    EXPECT_TRUE(modif.ChkSRD->isChecked());
}

TEST_F(TradeDialogsTest, LiveFeesAmountsAverageAndCash) {
    TAddOper d(nullptr, &doc, nullptr, titre, prompts, Stocke(titre, nullptr));
    d.ChkSRD->setChecked(false);
    Type(d, "Achat", 500, "10");
    // 5 000 € at 0,65 % = 32,51; a flat 5,00; no deferred fee. The average of 100 + 500 at
    // 10 € stays 10; the purchase takes 5 037,51 off the cash of 985,00.
    EXPECT_EQ(Shown(d), QStringList({"0,00", "32,51", "5,00", "5000,00", "5037,51", "0,00", "0,00",
                                     "10,00", "-4052,51", "-4052,51"}));

    // As a deferred-settlement trade it pays 20,01 more and, pending, leaves the cash alone.
    d.ChkSRD->setChecked(true);
    EXPECT_EQ(Shown(d), QStringList({"20,01", "32,51", "5,00", "5000,00", "5057,52", "0,00", "0,00",
                                     "10,00", "985,00", "-4072,52"}));
    d.Cours->setText("13");
    EXPECT_EQ(d.PxAch->text(), "12,50"); // (100 × 10 + 500 × 13) / 600

    // An empty quantity: no fee, the gains and cash stay as they were.
    Edit(d)->clear();
    EXPECT_EQ(d.Frais1->text(), "0,00");
    EXPECT_EQ(d.SRD->text(), "0,00");
    EXPECT_EQ(d.CashLq->text(), "-5588,27");
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(TradeDialogsTest, AFigureBeingTypedIsCheckedOnceTheFieldIsLeft) {
    TAddOper d(nullptr, &doc, nullptr, titre, prompts, Stocke(titre, nullptr));
    d.ChkSRD->setChecked(false);
    Type(d, "Achat", 1, "");
    QTest::keyClicks(d.Cours, "1 234,56");
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(d.Cours->text(), "1 234,56");
    EXPECT_EQ(d.MntBrut->text(), "1234,56");

    // A text that is no figure yet previews nothing, and is refused once the field is left.
    d.Cours->setText("1 2");
    EXPECT_EQ(d.MntBrut->text(), "");
    EXPECT_EQ(d.Cash->text(), "");
    EXPECT_TRUE(prompts.messages.empty());
    emit d.Cours->editingFinished();
    ExpectMessage("Corvane", "'1 2' n'est pas un montant correct", QMessageBox::Critical);

    d.Cours->setText("1 234,56");
    d.OKBtn->click();
    ASSERT_TRUE(d.Resultat().has_value());
    EXPECT_EQ(d.Resultat()->Cours, 123456);
}

TEST_F(TradeDialogsTest, GainsOfSalesAndCovers) {
    TAddOper d(nullptr, &doc, nullptr, titre, prompts, Stocke(titre, nullptr));
    d.ChkSRD->setChecked(false);
    // Selling 150 out of 100 held at 10 € (10,15 net): the gains are on the 100 held, with
    // 100/150 of the 15 € of fees; the cash counts the whole sale.
    Type(d, "Vente", 150, "13");
    d.DateOp->setDate(QDate(2026, 3, 14)); // shows the average at the date, which a sale keeps
    d.Frais1->setText("15");
    d.Frais2->setText("0");
    EXPECT_EQ(d.ValBr->text(), "300,00");
    EXPECT_EQ(d.ValNette->text(), "275,00");
    EXPECT_EQ(d.MntNet->text(), "1935,00");
    EXPECT_EQ(d.Cash->text(), "2920,00");
    EXPECT_EQ(d.PxAch->text(), "10,00");

    // Short 80 sold at 20 €: buying 50 at 15 € with 1 € of fees covers 50 and stays short.
    Valeurs* court = AddSecurity(doc, "14000", "Titre 14000");
    AddTrade(*court, EncodeDate(2026, 1, 5), 'V', 80, 2000, 0);
    Recompute(doc);
    TAddOper c(nullptr, &doc, nullptr, court, prompts, Stocke(court, nullptr));
    Type(c, "Achat", 50, "15");
    c.Frais1->setText("1");
    c.Frais2->setText("0");
    EXPECT_EQ(c.ValBr->text(), "250,00");
    EXPECT_EQ(c.ValNette->text(), "249,00"); // (20 − 15 − 1/50) × 50, in cents
    EXPECT_EQ(c.PxAch->text(), "0,00");
}

TEST_F(TradeDialogsTest, PreviewOfEachKindAgreesWithTheStoredTrade) {
    // Holding 100 bought at 10,00 with 15,00 of fees, or short 80 sold at 20,00: each trade's
    // preview gives the gains that the replay writes once it is stored, and the average
    // purchase price that the position then has (0 when it holds nothing).
    struct Cas {
        const char* nom;
        char depart; // 'A': long 100, 'V': short 80
        bool vente;
        std::int32_t q, p, f;
    };
    const Cas cas[] = {
        {"vente partielle", 'A', true, 40, 1300, 839},
        {"vente au-delà", 'A', true, 150, 1300, 1501},
        {"vente à découvert", 'V', true, 20, 1900, 77},
        {"achat", 'A', false, 33, 1177, 101},
        {"rachat partiel", 'V', false, 50, 1500, 107},
        {"rachat exact", 'V', false, 80, 1500, 99},
        {"rachat au-delà", 'V', false, 130, 1450, 263},
    };
    int numero = 0;
    for (const Cas& c : cas) {
        const std::string code = std::to_string(20000 + numero++);
        Valeurs* v = AddSecurity(doc, code, "Titre " + code);
        if (c.depart == 'A')
            AddTrade(*v, EncodeDate(2026, 1, 5), 'A', 100, 1000, 1500);
        else
            AddTrade(*v, EncodeDate(2026, 1, 5), 'V', 80, 2000, 0);
        Recompute(doc);
        const ApercuOpere a = CalculApercu(v->Bilan, c.vente, c.q, c.p, c.f);
        const Operes* stocke =
            AddTrade(*v, EncodeDate(2026, 2, 1), c.vente ? 'V' : 'A', c.q, c.p, c.f);
        Recompute(doc);
        EXPECT_EQ(a.ValBrut, stocke->PlValBrut) << c.nom;
        EXPECT_EQ(a.ValNet, stocke->PlValNet) << c.nom;
        EXPECT_EQ(a.PxAch.has_value(), !c.vente) << c.nom;
        if (a.PxAch) {
            EXPECT_EQ(*a.PxAch, v->Bilan.NbInPort > 0 ? v->Bilan.PxMoyAchBrut : 0) << c.nom;
        }
    }
}

TEST_F(TradeDialogsTest, TypingLeavesTheDocumentPositionsWhole) {
    // A sale after the purchase and another security: a preview at an earlier date, or with
    // the purchase left out, must not leave any of them replayed only in part.
    Operes* achat = titre->Operes[0].get();
    AddTrade(*titre, EncodeDate(2026, 2, 10), 'V', 40, 1300, 839);
    Valeurs* autre = AddSecurity(doc, "15000", "Titre 15000");
    AddTrade(*autre, EncodeDate(2026, 1, 7), 'A', 10, 5000, 300);
    Recompute(doc);
    struct Etat {
        BilanTitre bilan;
        std::vector<Operes> operes;
        bool operator==(const Etat&) const = default;
    };
    const auto etat = [this] {
        std::vector<Etat> etats;
        for (const auto& v : doc.Titres) {
            Etat e{v->Bilan, {}};
            for (const auto& op : v->Operes)
                e.operes.push_back(*op);
            etats.push_back(std::move(e));
        }
        return etats;
    };
    const std::vector<Etat> avant = etat();

    TAddOper neuf(nullptr, &doc, nullptr, titre, prompts, Stocke(titre, nullptr));
    neuf.ChkSRD->setChecked(false);
    Type(neuf, "Vente", 30, "12");
    neuf.DateOp->setDate(QDate(2026, 1, 20)); // before the sale: 100 held
    EXPECT_EQ(neuf.ValBr->text(), "60,00");
    EXPECT_EQ(neuf.PxAch->text(), "10,00");
    EXPECT_TRUE(etat() == avant);

    // The purchase modified: the position before it is empty, and the sale's fields stay
    // those of the whole replay.
    TAddOper modif(nullptr, &doc, achat, titre, prompts, Stocke(titre, achat));
    Type(modif, "Achat", 100, "11");
    modif.DateOp->setDate(ToQDate(achat->Date));
    modif.Frais1->setText("15");
    EXPECT_EQ(modif.PxAch->text(), "11,00");
    modif.CB1->setCurrentText("Vente");
    modif.DateOp->setDate(QDate(2026, 3, 1)); // the sale alone: short 40, no purchase average
    EXPECT_EQ(modif.PxAch->text(), "0,00");
    EXPECT_TRUE(etat() == avant);
}

TEST_F(TradeDialogsTest, StoreAndNextAppendsAndPreviewsTheRepeat) {
    TAddOper d(nullptr, &doc, nullptr, titre, prompts, Stocke(titre, nullptr));
    Valeurs* vu = nullptr;
    d.FRefresh = [&](Valeurs* v) {
        vu = v;
        doc.ComputeTotals();
    };
    d.ChkSRD->setChecked(false);
    d.DateOp->setDate(QDate(2026, 3, 2));
    Type(d, "Vente", 40, "13");
    d.Suivant->click();
    ASSERT_EQ(titre->Operes.size(), 2u);
    const Operes& v = *titre->Operes[1];
    EXPECT_EQ(v.Sens, 'V');
    EXPECT_EQ(v.Quantite, 40);
    EXPECT_EQ(v.Cours, 1300);
    EXPECT_EQ(v.Date, EncodeDate(2026, 3, 2));
    EXPECT_FALSE(v.SRD);
    EXPECT_FALSE(v.Pointe);
    EXPECT_EQ(v.Frais1, 339); // 5 200 € at 0,65 %
    EXPECT_EQ(v.Frais2, 500);
    EXPECT_EQ(v.Frais, 839);
    EXPECT_EQ(v.PlValBrut, 12000);
    EXPECT_TRUE(doc.Modifie);
    EXPECT_EQ(vu, titre);
    EXPECT_EQ(d.FEnregistres, 1);
    // The preview already counts the sale: the cash has it, and another 40 leaves 20.
    EXPECT_EQ(doc.Cash, 98500 + 52000 - 839);
    EXPECT_EQ(d.Cash->text(), "2008,22");
    EXPECT_EQ(titre->Bilan.NbInPort, 60);
    EXPECT_EQ(d.Qte->value(), 40);

    // Refused: nothing stored, the French message, the dialog's fields kept.
    d.Cours->setText("0");
    d.Suivant->click();
    ExpectMessage(QString(), QString("Saisie incorrecte!"), QMessageBox::Warning);
    d.Cours->setText("12a5");
    const QString frais = d.Frais1->text();
    emit d.Cours->editingFinished();
    ExpectMessage("Corvane", "'12a5' n'est pas un montant correct", QMessageBox::Critical);
    EXPECT_EQ(d.Frais1->text(), frais); // nothing half-written
    d.Suivant->click();
    d.Cours->setText("13");
    Edit(d)->clear();
    d.Suivant->click();
    EXPECT_EQ(LastMessage()->text, "'' n'est pas une valeur entière correcte");
    EXPECT_EQ(titre->Operes.size(), 2u);
    EXPECT_EQ(d.FEnregistres, 1);
}

TEST_F(TradeDialogsTest, TradesBeyondThirtyTwoBitCentsAreRefused) {
    doc.Modifie = false;
    TAddOper d(nullptr, &doc, nullptr, titre, prompts, Stocke(titre, nullptr));
    d.show();
    const auto refuse = [&](const char* cas) {
        prompts.messages.clear();
        d.Suivant->click();
        ExpectMessage(QString(), QString("Saisie incorrecte!"), QMessageBox::Warning);
        prompts.messages.clear();
        d.OKBtn->click();
        ExpectMessage(QString(), QString("Saisie incorrecte!"), QMessageBox::Warning);
        EXPECT_TRUE(d.isVisible()) << cas;
        EXPECT_EQ(titre->Operes.size(), 1u) << cas;
        EXPECT_FALSE(doc.Modifie) << cas;
    };

    // 100 000 shares at 500,00 €: 50 million euros do not fit 32-bit cents. The amounts show
    // every cent, and the fees, which fit, read back.
    Type(d, "Achat", 100000, "500");
    EXPECT_EQ(d.MntBrut->text(), "50000000,00");
    for (QLineEdit* frais : {d.SRD, d.Frais1, d.Frais2})
        EXPECT_EQ(TAddOper::Montant(doc.TextToCents(frais->text().toStdString())), frais->text());
    refuse("montant");

    // The amount fits, the amount with its fees does not, whichever the direction.
    Type(d, "Achat", 1, "21474836,47");
    EXPECT_EQ(d.MntBrut->text(), "21474836,47");
    refuse("achat");
    Type(d, "Vente", 1, "21474836,47");
    refuse("vente");
    // Fees typed whose total does not fit.
    Type(d, "Achat", 1, "1");
    for (QLineEdit* frais : {d.SRD, d.Frais1, d.Frais2})
        frais->setText("21474836,47");
    refuse("frais");

    // The largest amounts the fields can make are written out, never as an exponent.
    Type(d, "Achat", 9999999, "21474836,47");
    EXPECT_EQ(d.MntBrut->text(), "214748343225163,53");
    for (QLineEdit* champ : {d.MntBrut, d.MntNet, d.ValBr, d.ValNette, d.Cash, d.CashLq})
        EXPECT_FALSE(champ->text().contains('E')) << champ->objectName().toStdString();
    refuse("plus grand");

    // Each of two buys of 1 000 000 shares at 15,00 € fits; the security's totals of both do
    // not, and the second is refused as it is typed, naming the security.
    Type(d, "Achat", 1000000, "15");
    prompts.messages.clear();
    d.Suivant->click();
    EXPECT_TRUE(prompts.messages.empty());
    ASSERT_EQ(titre->Operes.size(), 2u);
    doc.Modifie = false;
    for (QPushButton* bouton : {d.Suivant, d.OKBtn}) {
        prompts.messages.clear();
        bouton->click();
        ASSERT_NE(LastMessage(), nullptr);
        EXPECT_EQ(LastMessage()->title, QString("Corvane"));
        EXPECT_TRUE(LastMessage()->text.contains(QString("« Titre 12000 » (12000)")));
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(titre->Operes.size(), 2u);
        EXPECT_FALSE(doc.Modifie);
    }
}

TEST_F(TradeDialogsTest, AFeeBeyondThirtyTwoBitCentsIsNotShownAndRefusesTheTrade) {
    // A schedule at 200 %: the fee of 20 million euros does not fit 32-bit cents, while the
    // amount does.
    doc.TranchesFrais1.clear();
    doc.TranchesSRD.clear();
    doc.TranchesFrais2.clear();
    AddBracket(doc.TranchesFrais2, 0, 2.0f, 0);
    TAddOper d(nullptr, &doc, nullptr, titre, prompts, Stocke(titre, nullptr));
    d.show();
    Type(d, "Achat", 1, "20000000");
    // Left empty rather than showing the ceiling, which would be read back as the fee.
    EXPECT_EQ(d.Frais2->text(), "");
    EXPECT_TRUE(prompts.messages.empty());
    d.Qte->setValue(2); // changes read the fields again without a word
    EXPECT_TRUE(prompts.messages.empty());
    d.Qte->setValue(1);
    d.OKBtn->click();
    ExpectMessage(QString(), QString("Saisie incorrecte!"), QMessageBox::Warning);
    d.Suivant->click();
    EXPECT_EQ(titre->Operes.size(), 1u);

    // The calculator's fee at the ceiling is not copied either, and holds the entry on its
    // own: a fee typed over the other one is not enough.
    QString taux = "200";
    prompts.onDialog = [&](QDialog& dialog) {
        dynamic_cast<TForm4&>(dialog).VPerFrais->setText(taux);
        return true;
    };
    d.Frais1DblClick(d.Frais1);
    EXPECT_EQ(d.Frais1->text(), "");
    d.Frais2->setText("5");
    emit d.Frais2->textEdited("5");
    prompts.messages.clear();
    d.Suivant->click();
    ExpectMessage(QString(), QString("Saisie incorrecte!"), QMessageBox::Warning);
    EXPECT_EQ(titre->Operes.size(), 1u);

    // Once every fee fits, the fees typed or copied are the trade's.
    taux = "1";
    d.Frais1DblClick(d.Frais1);
    EXPECT_EQ(d.Frais1->text(), "200000,00");
    prompts.messages.clear();
    d.Suivant->click();
    EXPECT_TRUE(prompts.messages.empty());
    ASSERT_EQ(titre->Operes.size(), 2u);
    EXPECT_EQ(titre->Operes[1]->Frais1, 20000000);
    EXPECT_EQ(titre->Operes[1]->Frais2, 500);
    EXPECT_EQ(titre->Operes[1]->Cours, 2000000000);
}

TEST_F(TradeDialogsTest, ModifiedTradeCashPreviewAndOk) {
    Operes* achat = titre->Operes[0].get();
    TAddOper d(nullptr, &doc, achat, titre, prompts, Stocke(titre, achat));
    // The dialog shows the trade itself, and the cash as it stands with it.
    EXPECT_EQ(d.windowTitle(), QString("Modification d'un opéré"));
    EXPECT_TRUE(d.OKBtn->isDefault());
    EXPECT_EQ(d.Cash->text(), "985,00");
    EXPECT_EQ(d.PxAch->text(), "10,00");

    // 10 € more a share: 1 000 € less cash, whatever recomputation happens meanwhile.
    d.Cours->setText("20");
    d.Frais1->setText("15");
    d.Frais2->setText("0");
    EXPECT_EQ(d.Cash->text(), "-15,00");
    EXPECT_EQ(doc.Cash, 98500);
    Recompute(doc);
    d.Frais2->setText("0,00");
    EXPECT_EQ(d.Cash->text(), "-15,00");

    // OK with a price below a cent stays open; a sound entry closes with OK.
    d.Cours->setText("0,001");
    d.OKBtn->click();
    EXPECT_FALSE(d.FValide);
    EXPECT_EQ(LastMessage()->text, QString("Saisie incorrecte!"));
    d.Cours->setText("20");
    d.Frais1->setText("15");
    d.Frais2->setText("0");
    d.OKBtn->click();
    EXPECT_TRUE(d.FValide);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    ASSERT_TRUE(d.Resultat().has_value());
    const Operes lu = *d.Resultat();
    EXPECT_EQ(lu.Cours, 2000);
    EXPECT_EQ(lu.Frais, 1500);
    EXPECT_EQ(lu.Quantite, 100);
    EXPECT_FALSE(lu.Pointe);
    EXPECT_EQ(titre->Operes.size(), 1u); // the caller stores a modification
}

TEST_F(TradeDialogsTest, FeeCalculatorFromTheFeeFields) {
    TAddOper d(nullptr, &doc, nullptr, titre, prompts, Stocke(titre, nullptr));
    d.ChkSRD->setChecked(false);
    Type(d, "Achat", 500, "10");
    QKeyEvent altC(QEvent::KeyPress, Qt::Key_C, Qt::AltModifier, "c");
    QApplication::sendEvent(d.SRD, &altC); // option off: nothing
    EXPECT_EQ(prompts.dialogs, 0);

    int kind = -1;
    prompts.onDialog = [&](QDialog& dialog) {
        auto& calc = dynamic_cast<TForm4&>(dialog);
        kind = calc.FKind;
        EXPECT_EQ(calc.FQuantite, 500);
        EXPECT_EQ(calc.FCours, 1000);
        calc.VMntMin->setText("40");
        return true;
    };
    QApplication::sendEvent(d.Frais1, &altC);
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(d.Frais1->text(), "40,00");
    EXPECT_EQ(d.MntNet->text(), "5045,00"); // the preview follows the copied fee
    prompts.onDialog = [&](QDialog& dialog) {
        kind = dynamic_cast<TForm4&>(dialog).FKind;
        return false;
    };
    d.Frais1DblClick(d.Frais2);
    EXPECT_EQ(kind, 2);
    EXPECT_EQ(d.Frais2->text(), "5,00");
}

} // namespace
