// The launchers of the main window: the transfer of the portfolio into a new file (what is
// written where, what the old file and the open document become, its refusals), the split of
// the trades after the history editor, and when each command is offered.

#include "../AppTestSupport.h"

#include "dialogs/HistoryEditorDialog.h"
#include "dialogs/HistoryImportDialog.h"
#include "dialogs/SplitDialog.h"
#include "dialogs/TransferDialog.h"
#include "reports/TradesReport.h"
#include "widgets/ListRows.h"

#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"
#include "support/Builders.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QSpinBox>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include <sys/stat.h>

namespace {

using namespace build;

using platform::EncodeDate;
const double kJan = EncodeDate(2026, 1, 5);
const double kFeb = EncodeDate(2026, 2, 2);

std::string Contents(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
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
        oldDivision = std::exchange(Division, new TDivision(form.get()));
    }
    void TearDown() override {
        Division = oldDivision;
        form.reset();
        AppTest::TearDown();
    }
    // The securities of these tests are quoted 10,00.
    Valeurs* Add(const std::string& code, const std::string& libelle) {
        return AddSecurity(*doc, code, libelle, {.cours = 1000});
    }
    QTreeWidget* Tree() { return form->findChild<QTreeWidget*>("LT1"); }
    void Select(const Valeurs* t) {
        for (QTreeWidgetItemIterator it(Tree()); *it != nullptr; ++it)
            if (RecordOf(*it) == t)
                Tree()->setCurrentItem(*it);
    }
    Valeurs* Selected() { return static_cast<Valeurs*>(RecordOf(Tree()->currentItem())); }
    std::string Current() {
        std::string current;
        ReadKey([&](platform::SettingsStore& s) { current = s.ReadString("CURRENT"); });
        return current;
    }
    // Alpha held, one ticked settled buy to purge; Beta sold at a gain of 20,00, Gamma at a
    // loss of 10,00; Delta only followed. Saved, then a movement added and not saved.
    void Portfolio() {
        alpha = Add("100001", "Alpha");
        AddTrade(alpha, kJan, 'A', 100, 1000, 0, {.pointe = true});
        AddTrade(alpha, kFeb, 'A', 10, 1100);
        beta = Add("100002", "Beta");
        AddTrade(beta, kJan, 'A', 10, 1000);
        AddTrade(beta, kFeb, 'V', 10, 1200);
        Valeurs* gamma = Add("100003", "Gamma");
        AddTrade(gamma, kJan, 'A', 5, 2000);
        AddTrade(gamma, kFeb, 'V', 5, 1800);
        Add("100004", "Delta");
        AddMovement(*doc, kJan, 'C', 500000, "Apport");
        doc->Fichier = Path("ancien.cvx");
        form->BuildTree();
        ASSERT_TRUE(doc->SaveFile());
        ancien = Contents(Path("ancien.cvx"));
        AddMovement(*doc, kFeb, 'D', 2500, "Garde");
        doc->Modifie = true;
    }
    void Transfer(const std::string& fichier, bool suppr, bool cumul, const char* e1 = "") {
        prompts.onDialog = [=](QDialog& dialog) {
            auto* d = qobject_cast<TTransfert*>(&dialog);
            d->NewFile->setText(QString::fromStdString(fichier));
            d->Suppr->setChecked(suppr);
            d->Cumul->setChecked(cumul);
            d->e1->setText(QString::fromUtf8(e1));
            d->Button2Click();
            return d->result() == QDialog::Accepted;
        };
        prompts.messages.clear();
        form->Action("ActTransfert")->trigger();
    }
    std::unique_ptr<TCorv> Reread(const std::string& path) {
        auto relu = std::make_unique<TCorv>(dataDir_);
        EXPECT_EQ(relu->LoadFile(path), 1) << path;
        return relu;
    }

    std::unique_ptr<TMainForm> form;
    TCorv* doc = nullptr;
    TDivision* oldDivision = nullptr;
    Valeurs* alpha = nullptr;
    Valeurs* beta = nullptr;
    std::string ancien;
};

TEST_F(LaunchersTest, TransferWritesThePurgedPortfolioIntoTheNewFileOnly) {
    Portfolio();
    Select(alpha);
    form->RefreshViews(nullptr);
    const std::int32_t cash = doc->Cash;
    Transfer(Path("nouveau.cvx"), true, false);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(Contents(Path("ancien.cvx")), ancien);

    auto relu = Reread(Path("nouveau.cvx"));
    ASSERT_EQ(relu->Titres.size(), 1u);
    const Valeurs& a = *relu->Titres[0];
    EXPECT_EQ(a.Code, "100001");
    ASSERT_EQ(a.Operes.size(), 1u);
    EXPECT_EQ(a.Operes[0]->Date, kFeb);
    EXPECT_EQ(a.BilanPurge.NbInPort, 100);
    EXPECT_EQ(a.BilanPurge.ARealBrut, 100000);
    // The unsaved change goes along, then one movement for each closed position's result.
    ASSERT_EQ(relu->Mouvements.size(), 4u);
    EXPECT_EQ(relu->Mouvements[1]->Comment, "Garde");
    EXPECT_EQ(relu->Mouvements[3]->Comment, "+/- value sur le titre Gamma");

    EXPECT_EQ(doc->Fichier, Path("nouveau.cvx"));
    EXPECT_FALSE(doc->Modifie);
    EXPECT_EQ(form->windowTitle(), QString::fromStdString(Path("nouveau.cvx")));
    EXPECT_EQ(Current(), Path("nouveau.cvx"));
    // The booked results stand for the trades removed: the balance does not move.
    EXPECT_EQ(doc->Cash, cash);
    ASSERT_EQ(doc->Titres.size(), 1u);
    EXPECT_EQ(Selected(), doc->Titres[0].get());
    EXPECT_EQ(form->findChild<QTreeWidget*>("LvOp")->topLevelItemCount(), 1);
}

TEST_F(LaunchersTest, TransferBooksOneMovementOrNoneAsAsked) {
    Portfolio();
    Transfer(Path("purge.cvx"), false, true, "Ignoré");
    auto relu = Reread(Path("purge.cvx"));
    EXPECT_EQ(relu->Titres.size(), 4u);
    EXPECT_EQ(relu->Mouvements.size(), 2u);
    EXPECT_EQ(relu->FindTitre("100001")->Operes.size(), 1u);

    Select(doc->FindTitre("100002")); // removed now: the tree falls back on the portfolio
    Transfer(Path("cumul.cvx"), true, true, "Résultats 2025");
    relu = Reread(Path("cumul.cvx"));
    ASSERT_EQ(relu->Mouvements.size(), 3u);
    const Mvt& m = *relu->Mouvements[2];
    EXPECT_EQ(m.Comment, "Résultats 2025");
    EXPECT_EQ(std::make_pair(m.Sens, m.Montant), std::make_pair('C', 1000));
    EXPECT_EQ(Tree()->currentItem(), Tree()->topLevelItem(0));
    EXPECT_EQ(Contents(Path("ancien.cvx")), ancien);
}

TEST_F(LaunchersTest, RefusalsAndAFailedSaveLeaveTheDocumentAsItWas) {
    Portfolio();
    Select(alpha);
    const auto unchanged = [&](const char* what) {
        EXPECT_EQ(Contents(Path("ancien.cvx")), ancien) << what;
        EXPECT_EQ(doc->Titres.size(), 4u) << what;
        EXPECT_EQ(doc->FindTitre("100001"), alpha) << what;
        EXPECT_EQ(doc->FindTitre("100002"), beta) << what;
        EXPECT_EQ(alpha->Operes.size(), 2u) << what;
        EXPECT_EQ(doc->Mouvements.size(), 2u) << what;
        EXPECT_EQ(doc->Fichier, Path("ancien.cvx")) << what;
        EXPECT_TRUE(doc->Modifie) << what;
        EXPECT_EQ(form->windowTitle(), "Corvane") << what;
        EXPECT_EQ(Current(), "") << what;
        EXPECT_EQ(Selected(), alpha) << what;
        ASSERT_EQ(prompts.messages.size(), 1u) << what;
    };

    std::filesystem::create_directories(Path("x"));
    Transfer(Path("x/../ancien.cvx"), true, false);
    unchanged("own file");
    EXPECT_EQ(prompts.messages[0].text,
              QString("Le portefeuille ne peut pas être transféré dans son propre fichier « %1 ».\n"
                      "Indiquez un nouveau fichier.")
                  .arg(QString::fromStdString(Path("ancien.cvx"))));

    const std::string autre = WriteFile("autre.cvx", "un autre portefeuille\n");
    prompts.answers = {QMessageBox::No};
    Transfer(autre, true, false);
    unchanged("existing file kept");
    EXPECT_EQ(prompts.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(Contents(autre), "un autre portefeuille\n");

    const std::string impossible = Path("absent/nouveau.cvx");
    Transfer(impossible, true, true, "Cumul");
    unchanged("failed save");
    EXPECT_EQ(
        prompts.messages[0].text,
        QString("Impossible d'enregistrer le portefeuille dans « %1 » : le fichier ne peut pas "
                "être créé.\nLe transfert n'a pas eu lieu : le portefeuille en cours est "
                "inchangé.")
            .arg(QString::fromStdString(impossible)));

    // Neither a folder nor a pipe is replaced by the new portfolio, and nothing is asked.
    std::filesystem::create_directories(Path("dossier.cvx"));
    ASSERT_EQ(::mkfifo(Path("tube.cvx").c_str(), 0600), 0);
    for (const char* cible : {"dossier.cvx", "tube.cvx"}) {
        Transfer(Path(cible), true, false);
        unchanged(cible);
        EXPECT_EQ(prompts.messages[0].title, "Corvane");
        EXPECT_EQ(prompts.messages[0].text, "Ouverture du fichier impossible");
        EXPECT_EQ(prompts.messages[0].buttons, QMessageBox::Ok);
    }
    EXPECT_TRUE(std::filesystem::is_directory(Path("dossier.cvx")));
    EXPECT_TRUE(std::filesystem::is_fifo(Path("tube.cvx")));

    // The document goes on with its own file; an existing file is replaced once agreed.
    form->FileSave();
    EXPECT_EQ(Reread(Path("ancien.cvx"))->Mouvements.size(), 2u);
    prompts.answers = {QMessageBox::Yes};
    Transfer(autre, true, false);
    EXPECT_EQ(Reread(autre)->Titres.size(), 1u);
}

TEST_F(LaunchersTest, ASplitValidatedInTheHistoryEditorSplitsTheTradesUpToItsDay) {
    Valeurs* t = Add("12000", "Alpha");
    Operes* matin = AddTrade(t, EncodeDate(2026, 1, 6) + 0.4375, 'A', 10, 2001);
    Operes* apres = AddTrade(t, EncodeDate(2026, 1, 7), 'A', 3, 1200);
    std::ofstream(dataDir_ + "/historique/12000.his") << "01/01/1970\n05/01/2026;10;11;9;20;\n";
    form->BuildTree();
    Select(t);
    for (const auto& [split, valider] :
         {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
        doc->Modifie = false;
        prompts.onDialog = [split = split, valider = valider](QDialog& dialog) {
            if (auto* d = qobject_cast<TDivision*>(&dialog)) {
                d->PDate->setDate(QDate(2026, 1, 6));
                d->Valeur->setValue(2);
                d->Button1Click();
                return d->result() == QDialog::Accepted;
            }
            auto* h = qobject_cast<TFHisto*>(&dialog);
            if (split)
                h->BtDivClick();
            valider ? h->BtOkClick() : h->BtAnnulClick();
            return h->result() == QDialog::Accepted;
        };
        form->Action("Histo")->trigger();
        EXPECT_EQ(doc->Modifie, split && valider); // the trades go with the split history
    }
    EXPECT_EQ(std::make_pair(matin->Quantite, matin->Cours), std::make_pair(20, 1000));
    EXPECT_EQ(std::make_pair(apres->Quantite, apres->Cours), std::make_pair(3, 1200));
    EXPECT_EQ(t->Bilan.NbInPort, 23);
    EXPECT_EQ(Selected(), t);
}

TEST_F(LaunchersTest, EachCommandIsOfferedWhenItHasWhatItNeeds) {
    Portfolio();
    Tree()->setCurrentItem(Tree()->topLevelItem(0));
    for (const char* name :
         {"CtlRel", "ActTransfert", "Importationdhistoriques1", "EdiPort", "EditTitre"})
        EXPECT_TRUE(form->Action(name)->isEnabled()) << name;
    for (const char* name : {"Histo", "EditVal"}) {
        Tree()->setCurrentItem(Tree()->topLevelItem(0)->child(0)); // cash
        EXPECT_FALSE(form->Action(name)->isEnabled()) << name;
        Select(alpha);
        EXPECT_TRUE(form->Action(name)->isEnabled()) << name;
    }
    // Without a security the trades report and the history editor open nothing; the import
    // works on every security; the trades report is of the selected one.
    QStringList ouverts;
    prompts.onDialog = [&](QDialog& dialog) {
        ouverts << dialog.objectName();
        if (auto* d = qobject_cast<TFImport*>(&dialog)) {
            EXPECT_EQ(d->FTitre, nullptr);
        }
        if (Edit3 != nullptr) {
            EXPECT_EQ(Edit3->FTitre, alpha);
        }
        return false;
    };
    Tree()->setCurrentItem(Tree()->topLevelItem(0));
    form->HistoExecute();
    form->EditValExecute();
    form->Action("Importationdhistoriques1")->trigger();
    Select(alpha);
    form->Action("EditVal")->trigger();
    EXPECT_EQ(ouverts, (QStringList{"FImport", "QRPreview"}));
    EXPECT_EQ(Edit3, nullptr);
}

} // namespace
