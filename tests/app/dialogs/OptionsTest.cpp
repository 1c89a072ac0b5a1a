// The options command: the dialog filled from the settings and the document, the write-back
// on validation, and the refusal of a typed number before anything is written.

#include "../AppTestSupport.h"

#include "dialogs/OptionsDialog.h"

#include "portfolio/Cv.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <tuple>

namespace {

class OptionsTest : public WindowTest {
protected:
    // Runs the options command, letting edit change the dialog; validates when it returns true.
    void Options(const std::function<bool(TForm6&)>& edit) {
        prompts.onDialog = [&](QDialog& dialog) {
            auto* options = dynamic_cast<TForm6*>(&dialog);
            EXPECT_NE(options, nullptr);
            EXPECT_EQ(Form6, options);
            return options != nullptr && edit(*options);
        };
        form->Action("DoParam")->trigger();
        EXPECT_EQ(Form6, nullptr);
    }
};

TEST_F(OptionsTest, DialogShowsTheSettingsAndCancelWritesNothing) {
    form->Portefeuille()->CouvC = 2.999f;
    Options([](TForm6& d) {
        EXPECT_EQ(d.LibMon->text(), "francs");
        EXPECT_EQ(d.Taux->text(), "6,55957");
        EXPECT_EQ(d.Liste->count(), 4);
        EXPECT_EQ(d.Liste->currentIndex(), 1);
        EXPECT_EQ(d.Type->Count(), 3);
        EXPECT_EQ(d.Type->ItemIndex(), 2);
        EXPECT_FALSE(d.Maj->isChecked());
        EXPECT_FALSE(d.Duree->isEnabled());
        EXPECT_EQ(d.Duree->value(), 10);
        EXPECT_FALSE(d.PortNum->isEnabled());
        EXPECT_EQ(d.PortNum->text(), "3128");
        EXPECT_EQ(d.CouvC->text(), "2,99");
        d.LibMon->setText("dollars");
        return false;
    });
    EXPECT_EQ(prompts.dialogs, 1);
    EXPECT_FALSE(form->Portefeuille()->Modifie);
    ReadKey([](platform::SettingsStore& s) { EXPECT_EQ(s.ReadString("LIBLOCAL"), "francs"); });
}

TEST_F(OptionsTest, ValidationWritesBackAndMarksTheDocument) {
    Options([](TForm6& d) {
        d.LibMon->setText("dollars");
        d.Taux->setText("7.5");
        d.Liste->setCurrentIndex(0); // a site that serves quotes only
        EXPECT_EQ(d.Type->Count(), 1);
        d.Maj->setChecked(true);
        EXPECT_TRUE(d.Duree->isEnabled());
        d.Duree->setValue(15);
        d.Proxy->setChecked(true);
        d.ProxyName->setText("proxy.local");
        d.PortNum->setText(" 8080");
        d.CouvC->setText("3,5");
        return true;
    });
    EXPECT_TRUE(prompts.messages.empty());
    ReadKey([](platform::SettingsStore& s) {
        EXPECT_EQ(s.ReadString("LIBLOCAL"), "dollars");
        EXPECT_DOUBLE_EQ(s.ReadFloat("TAUX"), 7.5);
        EXPECT_EQ(s.ReadInteger("HTTP"), 0);
        EXPECT_EQ(s.ReadInteger("MAJTYPE"), 0);
        EXPECT_EQ(s.ReadInteger("MAJ"), 1);
        EXPECT_EQ(s.ReadInteger("TEMPS"), 15);
        EXPECT_EQ(s.ReadInteger("PROXY"), 1);
        EXPECT_EQ(s.ReadString("PROXYNAME"), "proxy.local");
        EXPECT_EQ(s.ReadInteger("PROXYPORT"), 8080);
    });
    TCorv* doc = form->Portefeuille();
    EXPECT_TRUE(doc->Modifie);
    EXPECT_EQ(doc->LibLocal, "dollars");
    EXPECT_FLOAT_EQ(doc->Taux, 7.5f);
    EXPECT_FLOAT_EQ(doc->CouvC, 3.5f);
    EXPECT_EQ(form->Action("Commute")->text(), "&Affichage en dollars");
    EXPECT_TRUE(form->RefreshTimer()->isActive());
    EXPECT_EQ(form->RefreshTimer()->interval(), 15 * 60000);

    // Validating again with automatic update off stops the timer; no change still marks
    // the document.
    doc->Modifie = false;
    Options([](TForm6& d) {
        d.Maj->setChecked(false);
        return true;
    });
    EXPECT_FALSE(form->RefreshTimer()->isActive());
    EXPECT_TRUE(doc->Modifie);
}

// The coefficients belong to the document: settings that fail once they are validated leave
// them changed and the document marked, so that closing offers to save them.
TEST_F(OptionsTest, CoefficientsAreKeptWhenTheSettingsFail) {
    Options([this](TForm6& d) {
        d.CouvC->setText("3,5");
        // Meanwhile another program spoilt a value that the validation reads back.
        WithKey([](platform::SettingsStore& s) { s.WriteString("DATELIQC", "bientôt"); });
        return true;
    });
    TCorv* doc = form->Portefeuille();
    EXPECT_FLOAT_EQ(doc->CouvC, 3.5f);
    EXPECT_TRUE(doc->Modifie);
}

TEST_F(OptionsTest, RefusedNumberChangesNothing) {
    for (const auto& [champ, texte] :
         std::vector<std::pair<std::string, QString>>{{"PortNum", "80a"},
                                                      {"PortNum", ""},
                                                      {"PortNum", "99999999999"},
                                                      {"PortNum", "+-0"},
                                                      {"Taux", "abc"},
                                                      {"CouvT", "x"}}) {
        prompts.messages.clear();
        Options([&, champ = champ, texte = texte](TForm6& d) {
            d.LibMon->setText("dollars");
            d.Maj->setChecked(true);
            d.Proxy->setChecked(true); // the port is checked only when the proxy is used
            d.findChild<QLineEdit*>(QString::fromStdString(champ))->setText(texte);
            return true;
        });
        ASSERT_EQ(prompts.messages.size(), 1u) << champ;
        EXPECT_EQ(prompts.messages[0].title, "Corvane");
        EXPECT_FALSE(form->Portefeuille()->Modifie) << champ;
        EXPECT_FALSE(form->RefreshTimer()->isActive()) << champ;
        ReadKey([&](platform::SettingsStore& s) {
            EXPECT_EQ(s.ReadString("LIBLOCAL"), "francs") << champ;
            EXPECT_EQ(s.ReadInteger("MAJ"), 0) << champ;
        });
    }
}

TEST_F(OptionsTest, ThePortOfAProxyNotUsedIsNotChecked) {
    // The field is disabled while the proxy is off: what it holds cannot stop the validation,
    // and a port that does not read keeps the stored one.
    for (const QString& texte : {QString(), QString("80a")}) {
        prompts.messages.clear();
        Options([&](TForm6& d) {
            EXPECT_FALSE(d.Proxy->isChecked());
            EXPECT_FALSE(d.PortNum->isEnabled());
            d.LibMon->setText("dollars");
            d.PortNum->setText(texte);
            return true;
        });
        EXPECT_TRUE(prompts.messages.empty()) << texte.toStdString();
        ReadKey([&](platform::SettingsStore& s) {
            EXPECT_EQ(s.ReadString("LIBLOCAL"), "dollars");
            EXPECT_EQ(s.ReadInteger("PROXYPORT"), 3128);
        });
    }
    Options([](TForm6& d) {
        d.PortNum->setText("8080");
        return true;
    });
    ReadKey([](platform::SettingsStore& s) { EXPECT_EQ(s.ReadInteger("PROXYPORT"), 8080); });
}

TEST_F(OptionsTest, RateShowsNineSignificantDigits) {
    form->Settings().Values().Document.Taux = 12345.123456;
    Options([](TForm6& d) {
        EXPECT_EQ(d.Taux->text(), "12345,12350");
        return false;
    });
}

TEST_F(OptionsTest, SiteChoiceLimitsTheRefreshDepths) {
    std::ofstream(dataDir_ + "/servers.lst") << "2A\n0B\n1C\n";
    Options([](TForm6& d) {
        EXPECT_EQ(d.Liste->itemText(0), "A");
        EXPECT_EQ(d.Liste->itemText(2), "C");
        d.Liste->setCurrentIndex(1);
        EXPECT_EQ(d.Type->Count(), 1);
        EXPECT_EQ(d.Type->ItemIndex(), 0);
        d.Liste->setCurrentIndex(2);
        EXPECT_EQ(d.Type->Count(), 2);
        EXPECT_EQ(d.Type->ItemIndex(), 1);
        d.Type->SetItemIndex(2); // past the last item: the last one
        EXPECT_EQ(d.Type->ItemIndex(), 1);
        return false;
    });
}

} // namespace

// ---- the fee schedules and the quote-site list, on the dialog alone ----

#include "widgets/DBControls.h"
#include "widgets/MemTableModel.h"

#include "portfolio/Fdatas.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <QToolButton>

namespace {

TrancheFrais Tranche(std::int32_t seuil, float frais, std::int32_t mntMin, float tva, bool plVal) {
    return TrancheFrais{seuil, frais, mntMin, tva, plVal};
}

void SetSchedule(ListeTranches& list, const std::vector<TrancheFrais>& tranches) {
    list.clear();
    for (const TrancheFrais& t : tranches)
        list.push_back(std::make_unique<TrancheFrais>(t));
}

// Thresholds, rates, minimums and flags, in the document's units.
std::vector<std::tuple<std::int32_t, float, std::int32_t, float, bool>>
Contents(const ListeTranches& list) {
    std::vector<std::tuple<std::int32_t, float, std::int32_t, float, bool>> out;
    for (const auto& t : list)
        out.emplace_back(t->Seuil, t->Frais, t->MntMin, t->Tva, t->PlVal);
    return out;
}

class FeeDialogTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        doc = std::make_unique<TCorv>(dataDir_);
        SetSchedule(doc->TranchesFrais1, {Tranche(0, 0.0048f, 800, 0.196f, false),
                                          Tranche(1500, 0.0025f, 29, 0.196f, true),
                                          Tranche(2147483647, 0.001f, 2147483647, 0.0f, true)});
        SetSchedule(doc->TranchesFrais2, {Tranche(7622, 0.0123f, 1, 0.055f, false)});
        SetSchedule(doc->TranchesSRD, {Tranche(0, 0.0007f, 0, 0.196f, false)});
        doc->AjoutFrais1SRD = false;
    }
    std::unique_ptr<TForm6> Open() {
        auto dialog = std::make_unique<TForm6>(nullptr, doc.get(), &prompts);
        dialog->PortNum->setText("3128");
        return dialog;
    }
    static QString Cell(MemTableModel* m, int row, int column, int role = Qt::DisplayRole) {
        return m->data(m->index(row, column), role).toString();
    }
    static bool Type(MemTableModel* m, int row, int column, const QString& text) {
        return m->setData(m->index(row, column), text);
    }
    static bool Validate(TForm6& d) {
        d.Button1->click();
        return d.result() == QDialog::Accepted && d.FValide;
    }

    std::unique_ptr<TCorv> doc;
};

TEST_F(FeeDialogTest, SchedulesRoundTripAndComeBackInThresholdOrder) {
    const auto frais1 = Contents(doc->TranchesFrais1);
    const auto frais2 = Contents(doc->TranchesFrais2);
    const auto srd = Contents(doc->TranchesSRD);
    {
        auto d = Open();
        ASSERT_EQ(d->DSFrais1->rowCount(), 3);
        EXPECT_EQ(Cell(d->DSFrais1, 1, 0), QString("15,00"));
        EXPECT_EQ(Cell(d->DSFrais1, 0, 1), "0,48");
        EXPECT_EQ(Cell(d->DSFrais1, 0, 1, Qt::EditRole), "0,48");
        EXPECT_EQ(Cell(d->DSFrais1, 1, 4), "Vrai");
        EXPECT_EQ(Cell(d->DSFrais1, 0, 4), "Faux");
        EXPECT_EQ(d->DSFrSRD->columnCount(), 4);
        EXPECT_FALSE(d->ChkSRD->isChecked());
        ASSERT_TRUE(Validate(*d));
        EXPECT_TRUE(prompts.messages.empty());
    }
    // Unchanged tables give back exactly what the document held.
    EXPECT_EQ(Contents(doc->TranchesFrais1), frais1);
    EXPECT_EQ(Contents(doc->TranchesFrais2), frais2);
    EXPECT_EQ(Contents(doc->TranchesSRD), srd);
    EXPECT_FALSE(doc->AjoutFrais1SRD);

    auto d = Open();
    // A threshold raised above the next one, a row inserted in front, a third decimal.
    EXPECT_TRUE(Type(d->DSFrais1, 0, 0, "2000"));
    d->DBNavigator1->Click(TDBNavigator::nbFirst);
    d->DBNavigator1->Click(TDBNavigator::nbInsert);
    EXPECT_EQ(d->DSFrais1->rowCount(), 4);
    EXPECT_EQ(d->DSFrais1->CurrentRow(), 0);
    EXPECT_TRUE(Type(d->DSFrais1, 0, 0, "15,009"));
    EXPECT_TRUE(Type(d->DSFrais1, 0, 1, "0,48"));
    EXPECT_TRUE(Type(d->DSFrais1, 0, 4, "Vrai"));
    // The SRD grid is typed into only once its navigator opened a row.
    EXPECT_FALSE(Type(d->DSFrSRD, 0, 0, "10"));
    d->DBNavigator3->Click(TDBNavigator::nbEdit);
    EXPECT_TRUE(Type(d->DSFrSRD, 0, 3, "0,29"));
    d->ChkSRD->setChecked(true);
    ASSERT_TRUE(Validate(*d)); // the pending rows are posted first
    const auto tranches = Contents(doc->TranchesFrais1);
    ASSERT_EQ(tranches.size(), 4u);
    // 15,00 € and 15,009 € (which the table keeps) both come back as 1 500 cents.
    EXPECT_EQ(std::get<0>(tranches[0]), 1500);
    EXPECT_FLOAT_EQ(std::get<1>(tranches[0]), 0.0025f);
    EXPECT_EQ(std::get<0>(tranches[1]), 1500);
    EXPECT_FLOAT_EQ(std::get<1>(tranches[1]), 0.0048f);
    EXPECT_EQ(std::get<2>(tranches[1]), 0); // left empty
    EXPECT_TRUE(std::get<4>(tranches[1]));
    EXPECT_EQ(std::get<0>(tranches[2]), 200000);
    EXPECT_EQ(std::get<0>(tranches[3]), 2147483647);
    EXPECT_EQ(doc->TranchesSRD[0]->MntMin, 29);
    EXPECT_TRUE(doc->TranchesSRD[0]->PlVal);
    EXPECT_TRUE(doc->AjoutFrais1SRD);
}

TEST_F(FeeDialogTest, InvalidCellsAreRefusedAndChangeNothing) {
    auto d = Open();
    for (const auto& [column, text, shown] : std::vector<std::tuple<int, QString, QString>>{
             {0, "abc", "Seuil : 'abc' n'est pas une valeur numérique correcte"},
             {0, "-1", QString("Seuil : le montant doit être compris entre 0 et")},
             {3, "21474836,48", QString("MntMin : le montant doit être compris")},
             {1, "100,5", QString("Frais H.T : le taux doit être compris entre 0")},
             {2, "inf", "Tva : 'inf' n'est pas une valeur numérique correcte"},
             {4, "Peut-être", "Sur D"}}) {
        prompts.messages.clear();
        const QString before = Cell(d->DSFrais1, 1, column);
        EXPECT_FALSE(Type(d->DSFrais1, 1, column, text)) << text.toStdString();
        ASSERT_EQ(prompts.messages.size(), 1u) << text.toStdString();
        EXPECT_TRUE(prompts.messages[0].text.startsWith(shown))
            << prompts.messages[0].text.toStdString();
        EXPECT_EQ(Cell(d->DSFrais1, 1, column), before);
        EXPECT_FALSE(d->DSFrais1->Editing());
    }
    // A refused cell of a row being typed keeps what was typed before.
    d->DBNavigator2->Click(TDBNavigator::nbInsert);
    EXPECT_TRUE(Type(d->DSFrais2, 0, 0, "5"));
    EXPECT_FALSE(Type(d->DSFrais2, 0, 0, "x"));
    EXPECT_EQ(Cell(d->DSFrais2, 0, 0), "5,00");
    // A refused coverage coefficient keeps the dialog open and the document untouched.
    prompts.messages.clear();
    d->CouvT->setText("x");
    EXPECT_FALSE(Validate(*d));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Corvane");
    EXPECT_EQ(doc->TranchesFrais2.size(), 1u);
}

TEST_F(FeeDialogTest, EmptySrdScheduleAndCancel) {
    {
        auto d = Open();
        EXPECT_TRUE(Type(d->DSFrais1, 0, 0, "99"));
        prompts.answers = {QMessageBox::Cancel, QMessageBox::Ok};
        d->DBNavigator3->Click(TDBNavigator::nbDelete);
        EXPECT_EQ(d->DSFrSRD->rowCount(), 1); // refused at the confirmation
        d->DBNavigator3->Click(TDBNavigator::nbDelete);
        EXPECT_EQ(d->DSFrSRD->rowCount(), 0);
        ASSERT_EQ(prompts.messages.size(), 2u);
        EXPECT_EQ(prompts.messages[1].text, QString("Supprimer l'enregistrement ?"));
        d->Button2->click();
        EXPECT_EQ(d->result(), QDialog::Rejected);
    }
    EXPECT_EQ(doc->TranchesFrais1[0]->Seuil, 0);
    EXPECT_EQ(doc->TranchesSRD.size(), 1u);

    auto d = Open(); // the abandoned edits are gone
    EXPECT_EQ(Cell(d->DSFrais1, 0, 0), "0,00");
    ASSERT_EQ(d->DSFrSRD->rowCount(), 1);
    d->DBNavigator3->Click(TDBNavigator::nbDelete);
    ASSERT_TRUE(Validate(*d));
    EXPECT_TRUE(doc->TranchesSRD.empty());
    EXPECT_TRUE(doc->AjoutFrais1SRD); // whatever the unchecked box said
}

TEST_F(FeeDialogTest, EnterInACellWritesItWithoutValidatingTheDialog) {
    auto d = Open();
    d->show();
    d->DBFrais2->setFocus();
    d->DBFrais1->setCurrentIndex(d->DSFrais1->index(0, 3));
    d->DBFrais1->edit(d->DSFrais1->index(0, 3));
    auto* editor = d->DBFrais1->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("12");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    QApplication::processEvents();
    EXPECT_FALSE(d->FValide);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Cell(d->DSFrais1, 0, 3), "12,00");
    ASSERT_TRUE(Validate(*d));
    EXPECT_EQ(doc->TranchesFrais1[0]->MntMin, 1200);
}

// "+" under any fee table puts the keyboard on the new row's first cell: what the user types
// next goes into the row, not into the field that had the focus.
TEST_F(FeeDialogTest, PlusPutsTheKeyboardOnTheNewRowsFirstCell) {
    auto d = Open();
    d->LibMon->setText("francs");
    d->Taux->setText("6,55957");
    d->show();
    QApplication::setActiveWindow(d.get());
    struct Grille {
        TDBNavigator* navigateur;
        TDBGrid* grille;
        MemTableModel* source;
    };
    for (const Grille& g : {Grille{d->DBNavigator1, d->DBFrais1, d->DSFrais1},
                            Grille{d->DBNavigator2, d->DBFrais2, d->DSFrais2},
                            Grille{d->DBNavigator3, d->DBGrid1, d->DSFrSRD}}) {
        SCOPED_TRACE(g.grille->objectName().toStdString());
        d->LibMon->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(d->LibMon->hasFocus());
        QTest::mouseClick(g.navigateur->ButtonAt(TDBNavigator::nbInsert), Qt::LeftButton);
        ASSERT_TRUE(g.source->Inserting());
        EXPECT_TRUE(g.grille->hasFocus());
        EXPECT_EQ(g.grille->currentIndex(), g.source->index(g.source->CurrentRow(), 0));
        for (const char c : {'2', '5'}) // each to the widget that has the keyboard by then
            QTest::keyClick(QApplication::focusWidget(), c);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QApplication::processEvents();
        // The new row is the current one, wherever its threshold put it.
        EXPECT_EQ(Cell(g.source, g.source->CurrentRow(), 0), "25,00");
        EXPECT_EQ(d->LibMon->text(), "francs");
        EXPECT_EQ(d->Taux->text(), "6,55957");
    }
    ASSERT_TRUE(Validate(*d));
    for (const ListeTranches* liste :
         {&doc->TranchesFrais1, &doc->TranchesFrais2, &doc->TranchesSRD})
        EXPECT_EQ(std::count_if(liste->begin(), liste->end(),
                                [](const auto& t) { return t->Seuil == 2500; }),
                  1);
}

TEST_F(FeeDialogTest, QuoteSiteListReading) {
    std::vector<TQuoteSite> sites;
    EXPECT_FALSE(ReadQuoteSites(Path("absent.lst"), sites));
    // A malformed line keeps its place, so the sites after it keep their index.
    std::string text = "2A\r\nxB\n\n9D\n" + std::string(300, 'z') + "\n1E";
    ASSERT_TRUE(ReadQuoteSites(WriteFile("s.lst", text), sites));
    std::vector<std::tuple<std::string, int, bool>> got;
    for (const auto& s : sites)
        got.emplace_back(s.Nom, s.Type, s.Valide);
    EXPECT_EQ(got, (std::vector<std::tuple<std::string, int, bool>>{{"A", 2, true},
                                                                    {"B", 0, false},
                                                                    {"", 0, false},
                                                                    {"D", 9, true},
                                                                    {"", 0, false},
                                                                    {"E", 1, true}}));
    text.clear();
    for (int i = 0; i < 30; ++i)
        text += "1S" + std::to_string(i) + "\n";
    ASSERT_TRUE(ReadQuoteSites(WriteFile("s.lst", text + "\n\n"), sites));
    EXPECT_EQ(sites.size(), 23u);
    ASSERT_TRUE(ReadQuoteSites(WriteFile("s.lst", "0A\n\n\n"), sites));
    EXPECT_EQ(sites.size(), 1u);

    // No list: no site to choose, every depth offered, the schedules still loaded.
    std::filesystem::remove(dataDir_ + "/servers.lst");
    auto d = Open();
    EXPECT_EQ(d->Liste->count(), 0);
    EXPECT_EQ(d->Type->Count(), 3);
    EXPECT_EQ(d->DSFrais1->rowCount(), 3);
    // Blank and garbled lines keep their numbers in the list but cannot be chosen.
    std::ofstream(dataDir_ + "/servers.lst") << "2A\n\nxB\n2 \n1C\n";
    d = Open();
    ASSERT_EQ(d->Liste->count(), 5);
    auto* modele = qobject_cast<QStandardItemModel*>(d->Liste->model());
    ASSERT_NE(modele, nullptr);
    std::vector<bool> choisissables;
    for (int i = 0; i < d->Liste->count(); ++i)
        choisissables.push_back(modele->item(i)->isEnabled() &&
                                (modele->item(i)->flags() & Qt::ItemIsSelectable));
    EXPECT_EQ(choisissables, (std::vector<bool>{true, false, false, false, true}));
    EXPECT_EQ(d->Liste->itemText(4), "C");

    std::ofstream(dataDir_ + "/servers.lst") << "9X\n";
    d = Open();
    d->Liste->setCurrentIndex(0);
    d->ListeChange();
    EXPECT_EQ(d->Type->Count(), 3);
    EXPECT_EQ(d->Type->ItemIndex(), 2);
}

} // namespace
