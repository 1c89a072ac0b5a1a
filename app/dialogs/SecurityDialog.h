#pragma once

// The security dialog ("Ajout d'une valeur"): market, sector, code, label, settlement market,
// price and the automatic-update flag of one security. It is given the security to modify (or
// none for a new one), shows it, and gives back what the user typed. It checks only that the
// price reads as an amount, and stays open on it otherwise; the caller checks the code, the label
// and the uniqueness of the code.

#include "portfolio/Cv.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TCorv;
class UiPrompts;

class TOKBottomDlg : public QDialog {
    Q_OBJECT
public:
    // titre: the security to modify, or nullptr to enter a new one; only read. prompts: where
    // the market picker and the refusals are shown; not owned.
    TOKBottomDlg(QWidget* owner, TCorv* portefeuille, UiPrompts& prompts,
                 const Valeurs* titre = nullptr);

    // Once closed with OK: the security as typed; for a modification only when the user changed
    // something. A field the user left as shown gives back the value it was given. Throws
    // platform::ConversionError on a price that does not read as an amount, which OK refuses.
    std::optional<FicheTitre> Resultat() const;

    // Closes with OK once the price reads as an amount; otherwise says that a price is
    // expected and leaves the entry as typed, the price field focused.
    void OKBtnClick();

    // Fills market, sector, code and label from the market lists through the market picker.
    void BtChooseClick();

    QLineEdit* NomBourse = nullptr;
    QPushButton* BtChoose = nullptr;
    QLineEdit* Activite = nullptr;
    QLineEdit* CodeV = nullptr;
    QLineEdit* LibV = nullptr;
    QComboBox* CBReg = nullptr;
    QLineEdit* Cours = nullptr;
    QCheckBox* SuiviAuto = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    TCorv* FPortefeuille = nullptr; // not owned

private:
    void Montre(const FicheTitre& fiche);
    FicheTitre Saisie() const;

    UiPrompts& FPrompts;
    bool FModification = false;
    FicheTitre FFiche; // as given
    // The texts of the fields as the dialog showed them.
    QString FCodeMontre, FLibelleMontre, FBourseMontre, FActiviteMontre, FCoursMontre;
};

// The security dialog while it is shown.
extern TOKBottomDlg* OKBottomDlg;
