// The launchers of the main window: the transfer of the portfolio into a new file (what is
// written where, what the old file and the open document become, the refusals), the split of
// the trades after the history editor, the statement check, the history import, and when each
// command is offered.

#include "AppTestSupport.h"

#include "MainViewWidgets.h"
#include "dialogs/Fdivision.h"
#include "dialogs/Ftransfert.h"
#include "dialogs/Histo.h"
#include "dialogs/Import.h"
#include "dialogs/Unit5.h"

#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using platform::EncodeDate;
const double kJan = EncodeDate(2026, 1, 5);
const double kFeb = EncodeDate(2026, 2, 2);
const double kToday = EncodeDate(2026, 3, 15);

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class LaunchersTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ResetDatas();
        std::filesystem::create_directories(std::filesystem::path(dataDir_) / "historique");
        WithKey([&](platform::SettingsStore& s) { s.WriteString("INSTALL", dataDir_); });
        form = Start();
        doc = form->Portefeuille();
        division = new TDivision(form.get());
        oldDivision = Division;
        Division = division;
    }
    void TearDown() override {
        Division = oldDivision;
        form.reset();
        AppTest::TearDown();
    }

    Valeurs* Add(const std::string& code, const std::string& libelle) {
        Valeurs modele;
        modele.Code = code;
        modele.Libelle = libelle;
        modele.Infos.Cours = 1000;
        return doc->AddTitre(modele);
    }
    Operes* Trade(Valeurs* t, double date, char sens, std::int32_t q, std::int32_t cours,
                  bool pointe = false) {
        t->Operes.push_back(std::make_unique<Operes>());
        Operes* op = t->Operes.back().get();
        *op = Operes{pointe, date, sens, q, cours};
        return op;
    }
    void Cash(char sens, std::int32_t montant, const char* comment) {
        doc->Mouvements.push_back(std::make_unique<Mvt>(Mvt{false, kJan, sens, montant, comment}));
    }
    QTreeWidget* Tree() { return form->findChild<QTreeWidget*>("LT1"); }
    QTreeWidgetItem* Node(const void* record) {
        for (QTreeWidgetItemIterator it(Tree()); *it != nullptr; ++it)
            if (RecordOf(*it) == record)
                return *it;
        return nullptr;
    }
    void Select(Valeurs* t) { Tree()->setCurrentItem(Node(t)); }
    Valeurs* Selected() { return static_cast<Valeurs*>(RecordOf(Tree()->currentItem())); }
    std::string Current() {
        std::string current;
        ReadKey([&](platform::SettingsStore& s) { current = s.ReadString("CURRENT"); });
        return current;
    }

    // Alpha is held: one ticked settled buy to purge, one buy that stays. Beta was bought and
    // sold at a gain of 20,00, Gamma at a loss of 10,00, Delta was only followed. The old file
    // is saved with all that; a movement added afterwards is not saved yet.
    void Portfolio() {
        alpha = Add("100001", "Alpha");
        Trade(alpha, kJan, 'A', 100, 1000, true);
        Trade(alpha, kFeb, 'A', 10, 1100);
        beta = Add("100002", "Beta");
        Trade(beta, kJan, 'A', 10, 1000);
        Trade(beta, kFeb, 'V', 10, 1200);
        Valeurs* gamma = Add("100003", "Gamma");
        Trade(gamma, kJan, 'A', 5, 2000);
        Trade(gamma, kFeb, 'V', 5, 1800);
        Add("100004", "Delta");
        Cash('C', 500000, "Apport");
        doc->Fichier = Path("ancien.cvx");
        form->BuildTree();
        ASSERT_TRUE(doc->SaveFile());
        ancien = Contents(Path("ancien.cvx"));
        Cash('D', 2500, "Droits de garde");
        doc->Modifie = true;
    }
    void AnswerTransfer(const std::string& fichier, bool suppr, bool cumul,
                        const char* intitule = "") {
        prompts.onDialog = [=](QDialog& dialog) {
            auto* d = qobject_cast<TTransfert*>(&dialog);
            if (d == nullptr)
                return false;
            d->NewFile->setText(QString::fromStdString(fichier));
            d->Suppr->setChecked(suppr);
            d->Cumul->setChecked(cumul);
            d->e1->setText(QString::fromUtf8(intitule));
            d->Button2Click();
            return d->result() == QDialog::Accepted;
        };
    }
    std::unique_ptr<TCorv> Reread(const std::string& path) {
        auto relu = std::make_unique<TCorv>(dataDir_);
        EXPECT_EQ(relu->LoadFile(path), 1);
        return relu;
    }
    // The document as it was before a transfer that did not happen, and the old file.
    void Unchanged(Valeurs* alphaAvant, std::size_t mouvements) {
        EXPECT_EQ(Contents(Path("ancien.cvx")), ancien);
        ASSERT_EQ(doc->Titres.size(), 4u);
        EXPECT_EQ(doc->FindTitre("100001"), alphaAvant);
        EXPECT_EQ(alphaAvant->Operes.size(), 2u);
        EXPECT_EQ(alphaAvant->BilanPurge.NbAchat, 0);
        EXPECT_EQ(doc->Mouvements.size(), mouvements);
        EXPECT_EQ(doc->Fichier, Path("ancien.cvx"));
        EXPECT_TRUE(doc->Modifie);
        EXPECT_EQ(form->windowTitle(), "Corvane");
        EXPECT_EQ(Current(), "");
    }

    std::unique_ptr<TMainForm> form;
    TCorv* doc = nullptr;
    TDivision* division = nullptr;
    TDivision* oldDivision = nullptr;
    Valeurs* alpha = nullptr;
    Valeurs* beta = nullptr;
    std::string ancien;
};

TEST_F(LaunchersTest, TransferWritesThePurgedPortfolioIntoTheNewFileOnly) {
    Portfolio();
    Select(alpha);
    AnswerTransfer(Path("nouveau.cvx"), true, false);
    form->Action("ActTransfert")->trigger();
    EXPECT_EQ(prompts.dialogs, 1);
    EXPECT_TRUE(prompts.messages.empty());

    // The old file keeps the portfolio as last saved.
    EXPECT_EQ(Contents(Path("ancien.cvx")), ancien);
    // The new file: Alpha with its carried-over purchase and the trade left, the closed
    // securities gone, their results booked today, the unsaved movement kept.
    auto relu = Reread(Path("nouveau.cvx"));
    ASSERT_EQ(relu->Titres.size(), 1u);
    const Valeurs& a = *relu->Titres[0];
    EXPECT_EQ(a.Code, "100001");
    ASSERT_EQ(a.Operes.size(), 1u);
    EXPECT_EQ(a.Operes[0]->Date, kFeb);
    EXPECT_EQ(a.BilanPurge.NbAchat, 100);
    EXPECT_EQ(a.BilanPurge.NbInPort, 100);
    EXPECT_EQ(a.BilanPurge.ARealBrut, 100000);
    ASSERT_EQ(relu->Mouvements.size(), 4u);
    EXPECT_EQ(relu->Mouvements[1]->Comment, "Droits de garde");
    const Mvt& gainBeta = *relu->Mouvements[2];
    EXPECT_EQ(gainBeta.Comment, "+/- value sur le titre Beta");
    EXPECT_EQ(gainBeta.Sens, 'C');
    EXPECT_EQ(gainBeta.Montant, 2000);
    EXPECT_EQ(gainBeta.Date, kToday);
    const Mvt& perteGamma = *relu->Mouvements[3];
    EXPECT_EQ(perteGamma.Comment, "+/- value sur le titre Gamma");
    EXPECT_EQ(perteGamma.Sens, 'D');
    EXPECT_EQ(perteGamma.Montant, 1000);

    // The open document is the new one, saved, named everywhere by its path.
    EXPECT_EQ(doc->Fichier, Path("nouveau.cvx"));
    EXPECT_FALSE(doc->Modifie);
    EXPECT_EQ(form->windowTitle(), QString::fromStdString(Path("nouveau.cvx")));
    EXPECT_EQ(Current(), Path("nouveau.cvx"));
    ASSERT_EQ(doc->Titres.size(), 1u);
    EXPECT_EQ(doc->Titres[0]->Bilan.NbInPort, 110);
    EXPECT_EQ(doc->Cash, 500000 - 2500 + 2000 - 1000);
    // Alpha stays selected, its trade list on the remaining trade.
    ASSERT_NE(Selected(), nullptr);
    EXPECT_EQ(Selected(), doc->Titres[0].get());
    EXPECT_EQ(form->findChild<QTreeWidget*>("LvOp")->topLevelItemCount(), 1);
}

TEST_F(LaunchersTest, TransferBooksOneMovementOrNoneAsAsked) {
    Portfolio();
    Select(beta); // removed by the transfer: the tree falls back on the portfolio
    AnswerTransfer(Path("cumul.cvx"), true, true, "Résultats 2025");
    form->Action("ActTransfert")->trigger();
    auto relu = Reread(Path("cumul.cvx"));
    ASSERT_EQ(relu->Mouvements.size(), 3u);
    EXPECT_EQ(relu->Mouvements[2]->Comment, "Résultats 2025");
    EXPECT_EQ(relu->Mouvements[2]->Sens, 'C');
    EXPECT_EQ(relu->Mouvements[2]->Montant, 1000); // 20,00 gained less 10,00 lost
    EXPECT_EQ(Selected(), nullptr);
    EXPECT_EQ(Tree()->currentItem(), Tree()->topLevelItem(0));

    // Without the removal, only the purge: every security stays and nothing is booked.
    AnswerTransfer(Path("garde.cvx"), false, true, "Ignoré");
    form->Action("ActTransfert")->trigger();
    relu = Reread(Path("garde.cvx"));
    EXPECT_EQ(relu->Titres.size(), 1u); // the portfolio transferred just before
    EXPECT_EQ(relu->Mouvements.size(), 3u);
    EXPECT_EQ(Contents(Path("ancien.cvx")), ancien);
    EXPECT_EQ(Current(), Path("garde.cvx"));
}

TEST_F(LaunchersTest, TransferWithoutRemovalKeepsClosedSecurities) {
    Portfolio();
    AnswerTransfer(Path("purge.cvx"), false, false);
    form->Action("ActTransfert")->trigger();
    auto relu = Reread(Path("purge.cvx"));
    EXPECT_EQ(relu->Titres.size(), 4u);
    EXPECT_EQ(relu->Mouvements.size(), 2u);
    const Valeurs* a = relu->FindTitre("100001");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Operes.size(), 1u);
    EXPECT_EQ(relu->FindTitre("100002")->Operes.size(), 2u); // nothing of Beta was ticked
}

TEST_F(LaunchersTest, TransferIntoItsOwnFileIsRefused) {
    Portfolio();
    Valeurs* avant = alpha;
    for (const std::string& nom :
         {Path("ancien.cvx"), Path("./x/../ancien.cvx"), std::string("  ") + Path("ancien.cvx")}) {
        prompts.messages.clear();
        std::filesystem::create_directories(Path("x"));
        AnswerTransfer(nom, true, false);
        form->Action("ActTransfert")->trigger();
        ASSERT_EQ(prompts.messages.size(), 1u) << nom;
        EXPECT_EQ(prompts.messages[0].title, "Corvane");
        EXPECT_EQ(prompts.messages[0].text,
                  QString::fromUtf8("Le portefeuille ne peut pas être transféré dans son propre "
                                    "fichier « %1 ».\nIndiquez un nouveau fichier.")
                      .arg(QString::fromStdString(Path("ancien.cvx"))));
        EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
        Unchanged(avant, 2);
    }
}

TEST_F(LaunchersTest, AnExistingFileIsReplacedOnlyWhenTheUserAgrees) {
    Portfolio();
    const std::string autre = WriteFile("autre.cvx", "un autre portefeuille\n");
    AnswerTransfer(autre, true, false);
    prompts.answers = {QMessageBox::No};
    form->Action("ActTransfert")->trigger();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QString::fromUtf8("Le fichier « %1 » existe déjà.\nVoulez-vous le remplacer par "
                                "le portefeuille transféré ?")
                  .arg(QString::fromStdString(autre)));
    EXPECT_EQ(prompts.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(Contents(autre), "un autre portefeuille\n");
    Unchanged(alpha, 2);

    prompts.answers = {QMessageBox::Yes};
    form->Action("ActTransfert")->trigger();
    EXPECT_EQ(Reread(autre)->Titres.size(), 1u);
    EXPECT_EQ(Current(), autre);
}

TEST_F(LaunchersTest, AFailedSaveLeavesTheDocumentAsItWasAndUsable) {
    Portfolio();
    Select(alpha);
    const std::string impossible = Path("absent/nouveau.cvx");
    AnswerTransfer(impossible, true, true, "Cumul");
    form->Action("ActTransfert")->trigger();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QString::fromUtf8("Impossible d'enregistrer le portefeuille dans « %1 ».\nLe "
                                "transfert n'a pas eu lieu : le portefeuille en cours est "
                                "inchangé.")
                  .arg(QString::fromStdString(impossible)));
    EXPECT_FALSE(std::filesystem::exists(impossible));
    Unchanged(alpha, 2);
    EXPECT_EQ(Selected(), alpha);
    EXPECT_EQ(doc->FindTitre("100002"), beta);
    EXPECT_EQ(beta->Operes.size(), 2u);

    // The document goes on: its own file takes the unsaved movement, nothing purged.
    form->FileSave();
    auto relu = Reread(Path("ancien.cvx"));
    EXPECT_EQ(relu->Titres.size(), 4u);
    EXPECT_EQ(relu->Mouvements.size(), 2u);
    EXPECT_EQ(relu->FindTitre("100001")->Operes.size(), 2u);
}

TEST_F(LaunchersTest, ACancelledTransferDoesNothing) {
    Portfolio();
    prompts.onDialog = [](QDialog& dialog) {
        auto* d = qobject_cast<TTransfert*>(&dialog);
        if (d != nullptr)
            d->NewFile->setText("ignore.cvx");
        return false;
    };
    form->Action("ActTransfert")->trigger();
    EXPECT_EQ(prompts.dialogs, 1);
    EXPECT_TRUE(prompts.messages.empty());
    Unchanged(alpha, 2);
}

class HistoLaunchTest : public LaunchersTest {
protected:
    void SetUp() override {
        LaunchersTest::SetUp();
        alpha = Add("12000", "Alpha");
        morning = Trade(alpha, EncodeDate(2026, 1, 6) + 0.4375, 'A', 10, 2001);
        Trade(alpha, EncodeDate(2026, 1, 5), 'A', 4, 1000);
        later = Trade(alpha, EncodeDate(2026, 1, 7), 'A', 3, 1200);
        std::ofstream(dataDir_ + "/historique/12000.his", std::ios::binary)
            << "01/01/1970\n05/01/2026;1000;1050;950;2000;\n07/01/2026;1200;1300;1100;700;\n";
        form->BuildTree();
        Select(alpha);
        doc->Modifie = false;
    }
    // The editor splits up to 06/01/2026 by 2 when asked, then closes with Valider or Annuler.
    void Answer(bool split, bool valider) {
        prompts.onDialog = [=](QDialog& dialog) {
            if (auto* d = qobject_cast<TDivision*>(&dialog)) {
                d->PDate->setDate(QDate(2026, 1, 6));
                d->Valeur->setValue(2);
                d->Button1Click();
                return d->result() == QDialog::Accepted;
            }
            auto* h = qobject_cast<TFHisto*>(&dialog);
            if (h == nullptr)
                return false;
            if (split)
                h->BtDivClick();
            if (valider)
                h->BtOkClick();
            else
                h->BtAnnulClick();
            return h->result() == QDialog::Accepted;
        };
    }

    Operes* morning = nullptr;
    Operes* later = nullptr;
};

TEST_F(HistoLaunchTest, ASplitValidatedSplitsTheTradesUpToItsDay) {
    Answer(true, true);
    form->Action("Histo")->trigger();
    EXPECT_TRUE(prompts.messages.empty());
    // Trades are in date order after the rebuild: 05/01, 06/01 at 10:30, 07/01.
    ASSERT_EQ(alpha->Operes.size(), 3u);
    EXPECT_EQ(alpha->Operes[0]->Quantite, 8);
    EXPECT_EQ(alpha->Operes[0]->Cours, 500);
    EXPECT_EQ(morning->Quantite, 20);
    EXPECT_EQ(morning->Cours, 1000); // odd cents rounded down
    EXPECT_EQ(later->Quantite, 3);
    EXPECT_EQ(later->Cours, 1200);
    EXPECT_EQ(alpha->Bilan.NbInPort, 31);
    // The trades must be saved along with the split history.
    EXPECT_TRUE(doc->Modifie);
    EXPECT_EQ(Selected(), alpha);
}

TEST_F(HistoLaunchTest, NoSplitOrNoValiderLeavesTheTrades) {
    for (const auto& [split, valider] : {std::pair{false, true}, std::pair{true, false}}) {
        Answer(split, valider);
        form->Action("Histo")->trigger();
        EXPECT_EQ(morning->Quantite, 10);
        EXPECT_EQ(morning->Cours, 2001);
        EXPECT_FALSE(doc->Modifie);
    }
    EXPECT_EQ(prompts.dialogs, 3); // the editor twice, the split dialog once

    // Without a security selected, no editor opens.
    Tree()->setCurrentItem(Tree()->topLevelItem(0));
    form->HistoExecute();
    EXPECT_EQ(prompts.dialogs, 3);
}

TEST_F(LaunchersTest, StatementCheckTicksWithoutMarkingTheDocument) {
    Portfolio();
    doc->Modifie = false;
    Operes* fevrier = alpha->Operes[1].get();
    int lignes = -1;
    prompts.onDialog = [&](QDialog& dialog) {
        auto* d = qobject_cast<TForm5*>(&dialog);
        if (d == nullptr || Form5 != d)
            return false;
        lignes = d->LvOp->topLevelItemCount();
        for (int i = 0; i < lignes; ++i) {
            QTreeWidgetItem* ligne = d->LvOp->topLevelItem(i);
            if (RecordOf(ligne) == fevrier)
                ligne->setCheckState(0, Qt::Checked);
        }
        d->LvOpClick();
        return false; // "&Terminer" cancels
    };
    alpha->Infos.Cours = 2000; // seen only once the views are recomputed
    form->Action("CtlRel")->trigger();
    EXPECT_EQ(lignes, 5); // the trades not ticked yet
    EXPECT_EQ(Form5, nullptr);
    EXPECT_TRUE(fevrier->Pointe);
    EXPECT_FALSE(doc->Modifie);
    EXPECT_EQ(alpha->Bilan.ValorBrut, 110 * 2000);
}

TEST_F(LaunchersTest, HistoryImportWorksOnAllSecuritiesAndRecomputesOnOk) {
    Portfolio();
    bool accepte = false;
    prompts.onDialog = [&](QDialog& dialog) {
        auto* d = qobject_cast<TFImport*>(&dialog);
        EXPECT_NE(d, nullptr);
        if (d == nullptr)
            return false;
        EXPECT_EQ(d->FTitre, nullptr);
        EXPECT_EQ(d->FPortefeuille, doc);
        return accepte;
    };
    alpha->Infos.Cours = 3000;
    form->Action("Importationdhistoriques1")->trigger();
    EXPECT_EQ(alpha->Bilan.ValorBrut, 110 * 1000);
    accepte = true;
    form->Action("Importationdhistoriques1")->trigger();
    EXPECT_EQ(alpha->Bilan.ValorBrut, 110 * 3000);
    EXPECT_EQ(prompts.dialogs, 2);
}

TEST_F(LaunchersTest, CommandsNeedingASecurityFollowTheTree) {
    Portfolio();
    for (const char* name : {"CtlRel", "ActTransfert", "Importationdhistoriques1"})
        EXPECT_TRUE(form->Action(name)->isEnabled()) << name;
    const auto needsSecurity = {"Histo"};
    Tree()->setCurrentItem(Tree()->topLevelItem(0));
    for (const char* name : needsSecurity)
        EXPECT_FALSE(form->Action(name)->isEnabled()) << name;
    Select(alpha);
    for (const char* name : needsSecurity)
        EXPECT_TRUE(form->Action(name)->isEnabled()) << name;
    Tree()->setCurrentItem(Tree()->topLevelItem(0)->child(0)); // cash
    for (const char* name : needsSecurity)
        EXPECT_FALSE(form->Action(name)->isEnabled()) << name;
}

} // namespace
