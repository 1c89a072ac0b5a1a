#pragma once

class QDialog;
class QHBoxLayout;
class QPushButton;

// The row of buttons at the foot of the record dialogs, right-aligned: "OK", then "OK && Suivant"
// when the dialog can store one record after another, then "Annuler". The default button is
// "OK && Suivant" when there is one, else "OK"; the others never become default on focus.
struct BoutonsSaisie {
    QPushButton* OKBtn = nullptr;
    QPushButton* Suivant = nullptr; // none when the dialog stores one record only
    QPushButton* CancelBtn = nullptr;
    QHBoxLayout* Rangee = nullptr; // to be placed by the dialog's layout
};

BoutonsSaisie MakeBoutonsSaisie(QDialog* dialog, bool avecSuivant);
