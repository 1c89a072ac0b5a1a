#pragma once

// The security dialog ("Ajout d'une valeur"): market, sector, code, label, settlement market,
// price and the automatic-update flag of one security. It validates nothing itself: the
// caller checks the code, the label and the uniqueness of the code.
//
// How a caller uses it:
//   TOKBottomDlg dlg(mainWindow, document, prompts);
//   new security: dlg.CBReg->setCurrentIndex(1) ("R.Mens.(S.R.D)");
//   modification: fill CodeV, LibV, NomBourse, Activite, Cours (TOKBottomDlg::Montant of the
//     price), CBReg (1 when Valeurs.SRD), SuiviAuto, and disable BtChoose;
//   OKBottomDlg = &dlg; const bool ok = prompts.RunDialog(dlg); OKBottomDlg = nullptr;
//   on OK read the texts of CodeV, LibV, NomBourse, Activite, TCorv::TextToCents of Cours,
//   CBReg->currentIndex() != 0 (eligible to deferred settlement) and SuiviAuto->isChecked();
//   a modification may first ask CodeDisponible(titre), the codes being unique.

#include <QDialog>
#include <QString>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TCorv;
class UiPrompts;
struct Valeurs;

// Keeps only the characters that the OEM character set of the original program (code page
// 850) can hold, so that what is typed survives the round trip it always made.
QString OemFilter(const QString& texte);

class TOKBottomDlg : public QDialog {
    Q_OBJECT
public:
    // prompts: where the market picker is shown; not owned.
    TOKBottomDlg(QWidget* owner, TCorv* portefeuille, UiPrompts& prompts);

    // Fills market, sector, code and label from the market lists through the market picker.
    void BtChooseClick();
    // True when no security of the document but titre (the one being modified, or nullptr)
    // has the code typed in CodeV: the document requires codes to be unique.
    bool CodeDisponible(const Valeurs* titre) const;

    // An amount in cents as the dialogs show it: euros with two decimals and the program's
    // decimal separator.
    static QString Montant(std::int64_t cents);

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
    UiPrompts& FPrompts;
};

// The security dialog while it is shown.
extern TOKBottomDlg* OKBottomDlg;
