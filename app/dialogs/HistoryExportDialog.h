#pragma once

// The export of a security's loaded history as a text file: one line per day, the ticked
// fields in the list's order, each followed by the chosen separator.

#include "platform/MemTable.h"

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TCorv;
class UiPrompts;
struct Valeurs;

// Field kinds of an export line, as the list's rows carry them.
enum ChampExport { ceSicovam = 0, ceDate, ceCours, cePlusHaut, cePlusBas, ceVolume };

// The text of an export: for each row of the history table, for each kind in `champs`, the
// field's text followed by `separateur`, then a line break. Prices are the table's euros ×
// `facteur` (the displayed currency) with two decimals and "."; dates "dd/mm/yyyy".
std::string ExportText(const platform::MemTable& historique, const std::string& code,
                       const std::vector<int>& champs, char separateur, double facteur);

class TFExport : public QDialog {
    Q_OBJECT
public:
    // titre: whose history is exported (loaded first if the table holds another one);
    // portefeuille: its display currency. The result of the dialog is not used.
    TFExport(QWidget* owner, Valeurs* titre, TCorv* portefeuille, UiPrompts& prompts);

    // The ticked kinds in the list's order, and the separator that the buttons give.
    std::vector<int> ChampsCoches() const;
    char Separateur() const;

    void BitBtn1Click(); // browse
    void Button1Click(); // "&Valider"

    QLabel* Libelle = nullptr;
    QLineEdit* Fichier = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QListWidget* List = nullptr;
    QRadioButton* Sep = nullptr;
    QLineEdit* Car = nullptr;
    QRadioButton* Space = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    Valeurs* FTitre = nullptr;
    TCorv* FPortefeuille = nullptr;

protected:
    void done(int result) override;

private:
    UiPrompts& FPrompts;
    bool FValide = false;
};
