#pragma once

// The fee calculator: for one trade and one fee kind, the bracket of the document's schedule
// that the trade's amount falls in, open to changes for this one computation, and the fee it
// gives. The document's schedules are never changed here.

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPushButton;
class TCorv;
class UiPrompts;

class TForm4 : public QDialog {
    Q_OBJECT
public:
    // cours: the trade's price in cents; kind 1 and 2 are the fee schedules 1 and 2, any other
    // the deferred-settlement schedule. prompts: where conversion errors are shown; not owned.
    // On OK the caller reads the fee from the text of VFrais.
    TForm4(QWidget* owner, std::int32_t cours, std::int32_t quantite, int kind, TCorv* portefeuille,
           UiPrompts& prompts);

    // Reads the bracket back from the edits and shows the fee it gives.
    void VPerFraisChange();

    QLineEdit* VSeuil = nullptr;
    QLineEdit* VPerFrais = nullptr;
    QLineEdit* VMntMin = nullptr;
    QLineEdit* VTva = nullptr;
    QLineEdit* VFrais = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLineEdit* VQte = nullptr;
    QLineEdit* VCours = nullptr;
    QCheckBox* Dep = nullptr;

    TCorv* FPortefeuille = nullptr;
    std::int32_t FQuantite = 0;
    std::int32_t FSeuil = 0; // cents
    std::int32_t FCours = 0; // cents
    std::int32_t FMntMin = 0;
    bool FPlVal = false;
    float FFrais = 0.0f; // rate as a fraction
    float FTva = 0.0f;
    bool FInit = false;
    int FKind = 0;

    // The fee of the bracket being tried, in cents.
    std::int32_t Frais() const;

private:
    UiPrompts& FPrompts;
};
