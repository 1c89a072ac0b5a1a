// The options command: the dialog filled from the settings and the document, the write-back
// on validation, and the refusal of a typed number before anything is written.

#include "AppTestSupport.h"

#include "dialogs/Unit6.h"

#include "portfolio/Cv.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>

namespace {

class OptionsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        WithKey([&](platform::SettingsStore& s) { s.WriteString("INSTALL", dataDir_); });
        form = Start();
    }
    void TearDown() override {
        form.reset();
        AppTest::TearDown();
    }
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

    std::unique_ptr<TMainForm> form;
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
        EXPECT_EQ(d.CouvC->text(), "2.99");
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

TEST_F(OptionsTest, RefusedNumberChangesNothing) {
    for (const auto& [champ, texte] :
         std::vector<std::pair<std::string, QString>>{{"PortNum", "80a"},
                                                      {"PortNum", ""},
                                                      {"PortNum", "99999999999"},
                                                      {"Taux", "abc"},
                                                      {"CouvT", "x"}}) {
        prompts.messages.clear();
        Options([&, champ = champ, texte = texte](TForm6& d) {
            d.LibMon->setText("dollars");
            d.Maj->setChecked(true);
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
