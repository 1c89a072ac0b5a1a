// Qt's own texts in French: the standard buttons of our message boxes read as the user's
// language would have them on a French desktop, whatever the language of this one.

#include "AppTestSupport.h"

#include "Program.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QLocale>
#include <QPushButton>
#include <QTranslator>

namespace {

QString ButtonText(const QMessageBox& box, QMessageBox::StandardButton which) {
    const QAbstractButton* bouton = box.button(which);
    return bouton == nullptr ? QString() : bouton->text().remove('&');
}

class FrenchTextsTest : public AppTest {
protected:
    void TearDown() override {
        // The other tests of this process see Qt as it was.
        if (traduction_ != nullptr) {
            QCoreApplication::removeTranslator(traduction_);
            delete traduction_;
        }
        QLocale::setDefault(QLocale::system());
        AppTest::TearDown();
    }

    QTranslator* traduction_ = nullptr;
};

TEST_F(FrenchTextsTest, SavePromptButtonsAreFrenchOnAnEnglishDesktop) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    traduction_ = InstallQtFrench(*qApp);
    ASSERT_NE(traduction_, nullptr) << "qtbase_fr.qm (qt6-translations-l10n) est absent";

    const auto invite = MakeMessageBox(
        nullptr, QString(), QString("Le portefeuille a été modifié.Souhaitez-vous le sauvegarder?"),
        QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(ButtonText(*invite, QMessageBox::Yes), "Oui");
    EXPECT_EQ(ButtonText(*invite, QMessageBox::No), "Non");
    EXPECT_EQ(ButtonText(*invite, QMessageBox::Cancel), "Annuler");
    EXPECT_EQ(invite->buttons().size(), 3);

    // The other standard buttons that our dialogs and Qt's own use.
    QDialogButtonBox boutons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                             QDialogButtonBox::Close);
    EXPECT_EQ(boutons.button(QDialogButtonBox::Cancel)->text().remove('&'), "Annuler");
    EXPECT_EQ(boutons.button(QDialogButtonBox::Close)->text().remove('&'), "Fermer");
}

TEST_F(FrenchTextsTest, WithoutTheTranslationQtStaysEnglishAndNothingFails) {
    EXPECT_EQ(InstallQtFrench(*qApp, QString::fromStdString(Path("absent"))), nullptr);
    const auto invite = MakeMessageBox(nullptr, QString(), "?", QMessageBox::NoIcon,
                                       QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(ButtonText(*invite, QMessageBox::Yes), "Yes");
    EXPECT_EQ(ButtonText(*invite, QMessageBox::No), "No");
}

} // namespace
