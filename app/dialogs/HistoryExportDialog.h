#pragma once

// The dialog of a history export: the file, the ticked fields in the list's order (the rows
// carry their ChampExport kind) and the separator; the export itself is ExportHistorique.

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TCorv;
class UiPrompts;
struct Valeurs;

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
