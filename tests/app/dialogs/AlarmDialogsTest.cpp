// The alarm dialogs: the number prompt's readings, the detail's choices stored in the alarm,
// the list's arming rule, additions, duplicates, deletions, the test at a typed price, and
// what reaches the security (only on Valider) through the main window's command.

#include "../AppTestSupport.h"

#include "dialogs/AlarmDetailDialog.h"
#include "dialogs/AlarmElementDialog.h"
#include "dialogs/AlarmListDialog.h"

#include "widgets/QtDates.h"

#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "portfolio/CvFileFields.h"
#include "support/Builders.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>

namespace {

using platform::EncodeDate;

const double kToday = EncodeDate(2026, 3, 15);

SDetAlarme MakeAlarme(std::int8_t type1, std::int32_t param1, std::uint8_t oper, std::int8_t type2,
                      std::int32_t param2, double dateVal = kToday + 10) {
    SDetAlarme a;
    a.Intitule = "Seuil";
    a.DateVal = dateVal;
    a.Element1 = {type1, param1};
    a.Element2 = {type2, param2};
    a.Oper = oper;
    return a;
}

class AlarmDialogsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        prompts.onDialog = [this](QDialog& d) { return Dispatch(d); };
    }

    Valeurs* AddTitre(std::int32_t cours = 1234) {
        titre = build::AddSecurity(*doc, "100001", "Titre A", {.cours = cours});
        form->BuildTree();
        const auto items = form->findChild<QTreeWidget*>("LT1")->findItems(
            "Titre A", Qt::MatchExactly | Qt::MatchRecursive);
        if (items.size() == 1)
            form->findChild<QTreeWidget*>("LT1")->setCurrentItem(items.front());
        return titre;
    }
    void AddAlarme(const SDetAlarme& a, bool active = true) {
        titre->Alarmes.push_back(std::make_unique<SDetAlarme>(a));
        titre->Alarmes.back()->Active = active;
    }

    // The alarm command, the list driven by onList; true when the list was validated.
    bool RunList(const std::function<void(TAlarme&)>& onListe) {
        onList = onListe;
        doc->Modifie = false;
        form->Action("ActAlarme")->trigger();
        EXPECT_EQ(Alarme, nullptr);
        return doc->Modifie;
    }
    static void Select(TAlarme& d, int row) { d.Liste->setCurrentItem(d.Liste->topLevelItem(row)); }
    static void Tick(TAlarme& d, int row, bool on) {
        d.Liste->topLevelItem(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    }
    static bool Ticked(TAlarme& d, int row) {
        return d.Liste->topLevelItem(row)->checkState(0) == Qt::Checked;
    }
    static SDetAlarme& Row(TAlarme& d, int row) {
        return *TAlarme::RowAlarme(d.Liste->topLevelItem(row));
    }

    Valeurs* titre = nullptr;
    std::function<void(TAlarme&)> onList;
    std::function<bool(TDetAlarme&)> onDetail; // true: Valider
    std::deque<QString> entries;               // typed into the number prompt, in turn

private:
    bool Dispatch(QDialog& dialog) {
        if (auto* liste = dynamic_cast<TAlarme*>(&dialog)) {
            EXPECT_EQ(Alarme, liste);
            if (onList)
                onList(*liste);
            return liste->result() == QDialog::Accepted;
        }
        if (auto* detail = dynamic_cast<TDetAlarme*>(&dialog)) {
            if (onDetail && onDetail(*detail))
                detail->Button1->click();
            else
                detail->Button2->click();
            return detail->result() == QDialog::Accepted;
        }
        if (auto* champ = dynamic_cast<TChamp*>(&dialog)) {
            if (entries.empty())
                return false;
            champ->Saisie->setText(entries.front());
            entries.pop_front();
            champ->Valider->click();
            return champ->result() == QDialog::Accepted;
        }
        ADD_FAILURE() << "unexpected dialog " << dialog.objectName().toStdString();
        return false;
    }
};

TEST_F(AlarmDialogsTest, PromptReadsAmountsPercentagesAndDays) {
    struct Cas {
        std::int8_t type;
        const char* saisie;
        std::int32_t attendu;
    };
    for (const Cas& c :
         {Cas{1, "12", 1200}, Cas{1, "12.5", 1250}, Cas{6, "12,5", 1250}, Cas{7, "12,34", 1234},
          Cas{8, "12,345", 1234}, Cas{9, "12,5%", 1250}, Cas{1, "", 0}, Cas{1, "0", 0},
          Cas{1, "-2,5", -250}, Cas{4, "20", 20}, Cas{5, " -3 ", -3}, Cas{4, "0", 0}}) {
        SCOPED_TRACE(c.saisie);
        ElementAlarme element{c.type, 77};
        TChamp champ(nullptr, doc, &element, prompts);
        champ.Saisie->setText(QString::fromUtf8(c.saisie));
        champ.Valider->click();
        EXPECT_EQ(champ.result(), QDialog::Accepted);
        EXPECT_EQ(element.Param, c.attendu);
    }
    EXPECT_TRUE(prompts.messages.empty());

    // What does not convert is reported; the prompt stays open and the element keeps its value.
    for (const auto& [type, saisie] : std::vector<std::pair<std::int8_t, const char*>>{
             {4, ""}, {5, "2x"}, {4, "99999999999"}, {1, ",5"}, {6, "1a,5"}, {1, "99999999"}}) {
        SCOPED_TRACE(saisie);
        prompts.messages.clear();
        ElementAlarme element{type, 77};
        TChamp champ(nullptr, doc, &element, prompts);
        champ.Saisie->setText(saisie);
        champ.Valider->click();
        EXPECT_NE(champ.result(), QDialog::Accepted);
        EXPECT_EQ(element.Param, 77);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].title, "Corvane");
    }

    ElementAlarme rsi{4, 0};
    EXPECT_EQ(TChamp(nullptr, doc, &rsi, prompts).Titre->text(),
              "Entrez le nombre de jours du RSI:");
    ElementAlarme brute{8, 0};
    EXPECT_EQ(TChamp(nullptr, doc, &brute, prompts).Titre->text(),
              QString("Entrez le pourcentage de la valorisation brute:"));
}

TEST_F(AlarmDialogsTest, DetailStoresTheChoicesAndAnnulerRestoresThem) {
    const SDetAlarme avant = MakeAlarme(0, 0, 0, 1, 1250, kToday + 3);
    SDetAlarme a = avant;
    {
        TDetAlarme d(nullptr, doc, &a, prompts);
        // Opening shows the alarm and changes nothing but the price element's implicit 1.
        EXPECT_EQ(d.DateVal->date(), ToQDate(kToday + 3));
        EXPECT_EQ(d.Signal->currentIndex(), 0);
        EXPECT_EQ(d.EVal1->currentIndex(), 0);
        EXPECT_EQ(d.EVal2->currentIndex(), 1);
        EXPECT_EQ(a.Element1.Param, 1);
        EXPECT_EQ(a.Element2.Param, 1250);
        EXPECT_EQ(d.L1->text(), "Vendre si:");
        EXPECT_EQ(d.L2->text(), "Le cours du titre");
        EXPECT_EQ(d.L3->text(), QString(" est supérieur "));
        EXPECT_EQ(d.L4->text(), QString(" à 12,50"));
        EXPECT_FALSE(d.L4->font().underline());
        // The four texts read as one sentence, the element words next to the comparison.
        EXPECT_GT(d.L2->x(), d.L1->x() + d.L1->width());
        EXPECT_EQ(d.L3->x(), d.L2->x() + d.L2->width());
        EXPECT_EQ(d.L4->x(), d.L3->x() + d.L3->width());

        d.Signal->setCurrentIndex(1);
        d.EVal1->setCurrentIndex(4); // R.S.I: its number is asked for again
        EXPECT_EQ(a.Element1.Type, 4);
        EXPECT_EQ(a.Element1.Param, 0);
        EXPECT_EQ(d.L2->text(), "Rsi");
        EXPECT_TRUE(d.L2->font().underline());
        entries = {"14"};
        d.L2Click();
        EXPECT_EQ(a.Element1.Param, 14);
        EXPECT_EQ(d.L2->text(), QString("Le RSI à 14 jour(s)"));
        EXPECT_FALSE(d.L2->font().underline());
        d.EOper->setCurrentIndex(3);
        d.EVal2->setCurrentIndex(6);
        EXPECT_EQ(a.Element2.Param, 0);
        EXPECT_TRUE(d.L4->font().underline());
        entries = {"30"};
        d.L4Click();
        d.Titre->setText("Survente");
        d.DateVal->setDate(ToQDate(kToday + 30));
        EXPECT_EQ(d.L1->text(), "Acheter si:");
        EXPECT_EQ(d.L3->text(), QString(" est inférieur "));
        EXPECT_EQ(d.L4->text(), QString(" à 30,00 % du coût brut"));

        // A click on words that take no number opens nothing.
        d.EVal2->setCurrentIndex(10);
        const int dialogs = prompts.dialogs;
        d.L4Click();
        EXPECT_EQ(prompts.dialogs, dialogs);
        EXPECT_TRUE(d.L4->toolTip().isEmpty());
        EXPECT_FALSE(d.L2->toolTip().isEmpty());
        d.EVal2->setCurrentIndex(1);
        entries = {"30"};
        d.L4Click();
        d.Button1->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(a.Signal);
    EXPECT_EQ(a.Element1.Type, 4);
    EXPECT_EQ(a.Element1.Param, 14);
    EXPECT_EQ(a.Oper, 3);
    EXPECT_EQ(a.Element2.Type, 1);
    EXPECT_EQ(a.Element2.Param, 3000);
    EXPECT_EQ(a.Intitule, "Survente");
    EXPECT_EQ(a.DateVal, kToday + 30);

    // Annuler (or the close box) gives the alarm back as it was when the dialog opened.
    const SDetAlarme valide = a;
    {
        TDetAlarme d(nullptr, doc, &a, prompts);
        d.EVal1->setCurrentIndex(6);
        d.Titre->setText("autre");
        d.Signal->setCurrentIndex(0);
        d.reject(); // what the close box does
    }
    EXPECT_EQ(a.Element1.Type, valide.Element1.Type);
    EXPECT_EQ(a.Element1.Param, 14);
    EXPECT_EQ(a.Intitule, "Survente");
    EXPECT_TRUE(a.Signal);

    // A title shown stays whole; a title typed stops at what its line of the portfolio file
    // holds beside the code, so that a save never has to refuse it.
    a.Intitule = std::string(1500, 't');
    {
        TDetAlarme d(nullptr, doc, &a, prompts);
        EXPECT_EQ(d.Titre->text().size(), 1500);
        d.Titre->clear();
        d.Titre->insert(QString(2000, 'x'));
    }
    EXPECT_EQ(a.Intitule, std::string(cvfile::kMaxLineTexts - cvfile::kMaxCode, 'x'));
}

TEST_F(AlarmDialogsTest, AddedAlarmIsStoredOnlyOnValider) {
    AddTitre();
    AddAlarme(MakeAlarme(0, 1, 0, 1, 1500));
    AddAlarme(MakeAlarme(0, 1, 3, 1, 1000));
    onDetail = [](TDetAlarme& det) {
        EXPECT_EQ(det.Titre->text(), QString("ALARME N° 3"));
        EXPECT_EQ(det.LibTitre->text(), "100001 - Titre A");
        EXPECT_EQ(det.DateVal->date(), ToQDate(kToday));
        return true; // the defaults: the price against itself, today
    };
    EXPECT_TRUE(RunList([](TAlarme& d) {
        EXPECT_EQ(d.LibTitre->text(), "100001 - Titre A");
        EXPECT_EQ(d.CoursV->text(), "12,34");
        ASSERT_EQ(d.Liste->topLevelItemCount(), 2);
        EXPECT_EQ(d.Liste->topLevelItem(0)->text(0), "25/03/2026");
        EXPECT_EQ(d.Liste->topLevelItem(0)->text(1), "Seuil");
        d.Ajouter->click();
        ASSERT_EQ(d.Liste->topLevelItemCount(), 3);
        EXPECT_TRUE(Ticked(d, 2));
        EXPECT_EQ(d.Liste->topLevelItem(2)->text(1), QString("ALARME N° 3"));
        d.Valider->click();
    }));
    ASSERT_EQ(titre->Alarmes.size(), 3u);
    const SDetAlarme& ajout = *titre->Alarmes[2];
    EXPECT_TRUE(ajout.Active);
    EXPECT_FALSE(ajout.Signal);
    EXPECT_EQ(ajout.Intitule, "ALARME N° 3");
    EXPECT_EQ(ajout.DateVal, kToday);
    EXPECT_EQ(ajout.Element1.Type, 0);
    EXPECT_EQ(ajout.Element2.Type, 0);
    EXPECT_EQ(titre->Alarmes[1]->Oper, 3);

    // A detail cancelled adds nothing; a list validated unchanged still marks the document.
    onDetail = [](TDetAlarme&) { return false; };
    EXPECT_TRUE(RunList([](TAlarme& d) {
        d.Ajouter->click();
        EXPECT_EQ(d.Liste->topLevelItemCount(), 3);
        d.Valider->click();
    }));
    EXPECT_EQ(titre->Alarmes.size(), 3u);

    // Valider with an empty list leaves the security without alarms.
    EXPECT_TRUE(RunList([](TAlarme& d) {
        while (d.Liste->topLevelItemCount() > 0) {
            Select(d, 0);
            d.Supprimer->click();
        }
        d.Valider->click();
    }));
    EXPECT_TRUE(titre->Alarmes.empty());
}

TEST_F(AlarmDialogsTest, AnnulerDiscardsEveryChange) {
    AddTitre();
    AddAlarme(MakeAlarme(0, 1, 0, 1, 1500));
    AddAlarme(MakeAlarme(0, 1, 3, 1, 1000), false);
    onDetail = [](TDetAlarme& det) {
        det.EVal2->setCurrentIndex(5);
        return true;
    };
    EXPECT_FALSE(RunList([](TAlarme& d) {
        d.Ajouter->click();
        Select(d, 0);
        d.Modifier->click();
        d.Dupliquer->click();
        Select(d, 1);
        d.Supprimer->click();
        Tick(d, 0, false);
        EXPECT_EQ(d.Liste->topLevelItemCount(), 3);
        d.Annuler->click();
    }));
    ASSERT_EQ(titre->Alarmes.size(), 2u);
    EXPECT_TRUE(titre->Alarmes[0]->Active);
    EXPECT_EQ(titre->Alarmes[0]->Element2.Type, 1);
    EXPECT_EQ(titre->Alarmes[0]->Element2.Param, 1500);
    EXPECT_EQ(titre->Alarmes[1]->Oper, 3);
    EXPECT_FALSE(doc->Modifie);

    // The window's close box is Annuler too.
    EXPECT_FALSE(RunList([this](TAlarme& d) {
        // The list takes the focus with a current row that is not selected: the buttons leave
        // it alone.
        d.Liste->selectionModel()->setCurrentIndex(d.Liste->model()->index(0, 0),
                                                   QItemSelectionModel::NoUpdate);
        ASSERT_NE(d.Liste->currentItem(), nullptr);
        const int dialogues = prompts.dialogs;
        d.Dupliquer->click();
        d.Supprimer->click();
        d.Modifier->click();
        EXPECT_EQ(d.Liste->topLevelItemCount(), 2);
        EXPECT_EQ(prompts.dialogs, dialogues);
        EXPECT_FALSE(d.Appliquer->isEnabled());
        EXPECT_TRUE(d.L2->text().isEmpty());
        Select(d, 0);
        d.Dupliquer->click();
        d.reject();
    }));
    EXPECT_EQ(titre->Alarmes.size(), 2u);
}

TEST_F(AlarmDialogsTest, ArmingFollowsCompletenessAndDate) {
    AddTitre();
    AddAlarme(MakeAlarme(0, 1, 0, 1, 1500, kToday - 1)); // expired, still marked active
    AddAlarme(MakeAlarme(0, 1, 0, 5, 0), false);         // moving average without its period
    AddAlarme(MakeAlarme(0, 1, 0, 1, 900), false);       // complete, left unarmed
    EXPECT_TRUE(RunList([this](TAlarme& d) {
        EXPECT_FALSE(Ticked(d, 0));
        EXPECT_FALSE(Row(d, 0).Active);
        EXPECT_TRUE(titre->Alarmes[0]->Active); // the security's own list is untouched so far

        // Ticking an incomplete or expired alarm is refused, and its box cleared again.
        for (int row : {0, 1}) {
            prompts.messages.clear();
            Select(d, row);
            Tick(d, row, true);
            EXPECT_FALSE(Ticked(d, row));
            EXPECT_FALSE(Row(d, row).Active);
            ASSERT_EQ(prompts.messages.size(), 1u);
            EXPECT_EQ(prompts.messages[0].title, "Corvane");
            EXPECT_EQ(prompts.messages[0].text,
                      QString("Cette alarme n'est pas complétement définie!"));
            EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
            EXPECT_FALSE(d.Appliquer->isEnabled());
        }
        EXPECT_EQ(d.Recap->title(), "Non active ");
        EXPECT_TRUE(d.L4->font().underline());

        prompts.messages.clear();
        Select(d, 2);
        Tick(d, 2, true);
        EXPECT_TRUE(Row(d, 2).Active);
        EXPECT_TRUE(d.Appliquer->isEnabled());
        EXPECT_TRUE(d.CoursV->isEnabled());
        EXPECT_EQ(d.Recap->title(), "Active ");
        EXPECT_EQ(d.L1->text(), "Vendre si:");
        EXPECT_TRUE(prompts.messages.empty());
        Tick(d, 2, false);
        EXPECT_FALSE(Row(d, 2).Active);
        EXPECT_FALSE(d.Appliquer->isEnabled());

        // A duplicate is armed by the same rule; the duplicated alarm keeps its state.
        d.Dupliquer->click(); // of the complete, unarmed one
        EXPECT_TRUE(Ticked(d, 3));
        EXPECT_FALSE(Ticked(d, 2));
        Select(d, 1);
        d.Dupliquer->click(); // of the incomplete one
        EXPECT_FALSE(Ticked(d, 4));
        Select(d, 0);
        d.Dupliquer->click(); // of the expired one
        EXPECT_FALSE(Ticked(d, 5));
        EXPECT_FALSE(Row(d, 5).Active);
        EXPECT_TRUE(prompts.messages.empty());

        // A changed element that still lacks its number disarms the alarm.
        onDetail = [](TDetAlarme& det) {
            det.EVal2->setCurrentIndex(4);
            return true;
        };
        Select(d, 3);
        d.Modifier->click();
        EXPECT_FALSE(Ticked(d, 3));
        EXPECT_FALSE(Row(d, 3).Active);
        EXPECT_EQ(d.L4->text(), " au Rsi");
        d.Valider->click();
    }));
    ASSERT_EQ(titre->Alarmes.size(), 6u);
    EXPECT_FALSE(titre->Alarmes[0]->Active);
    EXPECT_EQ(titre->Alarmes[3]->Element2.Type, 4);
}

TEST_F(AlarmDialogsTest, TestAtATypedPriceRestoresThePosition) {
    doc->Fichier = Path("port.cvx");
    AddTitre(1000);
    build::AddTrade(titre, EncodeDate(2026, 1, 5), 'A', 10, 1000);
    doc->ComputeTitre(titre);
    const BilanTitre avant = titre->Bilan;
    AddAlarme(MakeAlarme(0, 1, 0, 1, 1400)); // price above 14.00
    AddAlarme(MakeAlarme(2, 1, 1, 1, 4500)); // gross latent gain at least 45.00
    AddAlarme(MakeAlarme(0, 1, 0, 1, 1400), false);

    const auto essai = [&](int row, const char* cours) {
        prompts.messages.clear();
        RunList([&](TAlarme& d) {
            Select(d, row);
            d.CoursV->setText(cours);
            d.Appliquer->click();
            d.Annuler->click();
        });
        EXPECT_EQ(titre->Infos.Cours, 1000);
        EXPECT_EQ(titre->Bilan.PlValLatBrut, avant.PlValLatBrut);
        EXPECT_EQ(titre->Bilan.ValorBrut, avant.ValorBrut);
        EXPECT_FALSE(doc->Modifie);
        return prompts.messages;
    };
    auto vu = essai(0, "15");
    ASSERT_EQ(vu.size(), 1u);
    EXPECT_EQ(vu[0].title, "Test Alarme");
    EXPECT_EQ(vu[0].icon, QMessageBox::Information);
    EXPECT_EQ(vu[0].text, QString("Le cours du titre est supérieur  à 14,00"));
    vu = essai(0, "14");
    ASSERT_EQ(vu.size(), 1u);
    EXPECT_EQ(vu[0].text, QString("Alarme non déclenchée."));
    EXPECT_EQ(vu[0].icon, QMessageBox::Warning);

    // The position is recomputed at the typed price: 10 shares bought at 10.00.
    vu = essai(1, "14,50");
    ASSERT_EQ(vu.size(), 1u);
    EXPECT_EQ(vu[0].icon, QMessageBox::Information);
    vu = essai(1, "14,40");
    ASSERT_EQ(vu.size(), 1u);
    EXPECT_EQ(vu[0].icon, QMessageBox::Warning);

    // An unarmed alarm is not tested; a price that does not read is reported.
    EXPECT_TRUE(essai(2, "15").empty());
    vu = essai(0, "1x5");
    ASSERT_EQ(vu.size(), 1u);
    EXPECT_EQ(vu[0].title, "Corvane");
    EXPECT_EQ(titre->Alarmes.size(), 3u);
    EXPECT_TRUE(titre->Alarmes[0]->Active);
    EXPECT_FALSE(std::filesystem::exists(Path("port.cvl"))); // the test logs nothing
}

TEST_F(AlarmDialogsTest, CommandNeedsASelectedSecurity) {
    EXPECT_TRUE(form->Action("ActAlarme")->isEnabled());
    form->Action("ActAlarme")->trigger();
    EXPECT_EQ(prompts.dialogs, 0);
    AddTitre();
    RunList([](TAlarme& d) {
        // Without a selected row the row commands do nothing.
        d.Modifier->click();
        d.Supprimer->click();
        d.Appliquer->click();
        EXPECT_EQ(d.Liste->topLevelItemCount(), 0);
        EXPECT_TRUE(d.Recap->title().isEmpty());
        d.Annuler->click();
    });
    EXPECT_EQ(prompts.dialogs, 1);
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
