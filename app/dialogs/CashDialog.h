#pragma once

// The cash movement dialog: credits and debits of the account entered one after the other
// ("OK && Suivant"), or one movement changed in place. Amounts are typed in the currency the
// main window shows and stored in euro cents.

#include <QDate>
#include <QDialog>
#include <QString>

#include <cstdint>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class TCorv;
class UiPrompts;
struct Mvt;

class Tcash : public QDialog {
    Q_OBJECT
public:
    // prompts: where refusals and conversion errors are shown; not owned.
    Tcash(QWidget* owner, TCorv* portefeuille, UiPrompts& prompts);

    // Turns the dialog into the change of one movement of the document: the fields show it,
    // "OK && Suivant" is disabled and "OK" rewrites it instead of adding a movement.
    void EditMouvement(Mvt* mouvement);

    // Stores the entry (a new movement, or the one being changed); false when it was refused.
    bool SuivantClick();
    // Stores the entry and, once it is stored, closes the dialog with the result OK.
    void OKBtnClick();

    QLabel* TypMnt = nullptr;
    QDateEdit* DateOp = nullptr;
    QComboBox* CB1 = nullptr;
    QLineEdit* Cours = nullptr;
    QLineEdit* Comment = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* Suivant = nullptr;
    QPushButton* CancelBtn = nullptr;

    TCorv* FPortefeuille = nullptr;
    bool FModif = false;
    Mvt* FMouvement = nullptr; // owned by the document
    bool FValide = false;      // the last "OK" stored its entry
    int FEnregistres = 0;      // movements stored since the dialog opened

private:
    void FormCreate();
    // The movement as typed; throws platform::ConversionError on an amount that does not
    // convert.
    Mvt Saisie(const TCorv& doc) const;
    // The amount of the entry in euro cents; throws platform::ConversionError on a text that
    // does not convert.
    std::int32_t MontantSaisi(const TCorv& doc) const;

    UiPrompts& FPrompts;
    // The fields as EditMouvement filled them.
    QString FMontantAffiche;
    int FSensMontre = 0;
    QDate FDateMontre;
    QString FCommentMontre;
};

// The cash dialog while it is shown.
extern Tcash* cash;
