#pragma once

// The import of daily price histories from text files: a layout of fields (built here, or
// loaded from an import model file ".cvm") says how to cut each line; the lines are read
// whole into the staging table of the data module first, and merged date by date into the
// histories only when every line has been read, so that a file with a bad line changes no
// history at all.

#include "ImportFormat.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;
class TCorv;
class UiPrompts;
struct Valeurs;

class TFImport : public QDialog {
    Q_OBJECT
public:
    // titre: the current security (from the history editor), or null to dispatch the lines
    // to the portfolio's securities by their code.
    TFImport(QWidget* owner, TCorv* portefeuille, Valeurs* titre, UiPrompts& prompts);

    // The layout's controls.
    void AddField();    // the selected kind of Dispo at the end of List
    void RemoveField(); // the selected row of List
    bool CheckMandatoryFields();
    int TypeImpIndex() const;
    void SetTypeImpIndex(int index);
    ModeleImport Modele() const;
    ModeleFichier ModeleCourant() const;
    void AppliqueModele(const ModeleFichier& modele);

    void FindClick();
    void LoadClick();
    void SaveClick();
    void GoClick();

    // Reads the file under the layout into the staging table, then merges its rows into the
    // histories and saves each one. Returns the number of rows merged, or -1 when the file
    // cannot be opened; a line that does not read throws platform::ConversionError naming
    // it, before any history has changed. Prices are read in the displayed currency.
    int ImportFile(Valeurs* titre, const ModeleImport& modele, const std::string& path);

    QLabel* Libelle = nullptr;
    QLineEdit* Fichier = nullptr;
    QToolButton* Find = nullptr;
    QListWidget* List = nullptr;
    QListWidget* Dispo = nullptr;
    QPushButton* Transf = nullptr;
    QPushButton* Out = nullptr;
    QPushButton* Load = nullptr;
    QPushButton* Save = nullptr;
    QGroupBox* TypeImp = nullptr;
    QRadioButton* TypeImp0 = nullptr; // "Le fichier contient plusieurs valeurs"
    QRadioButton* TypeImp1 = nullptr; // "Le fichier ne contient que la valeur courante"
    QRadioButton* Sep = nullptr;
    QLineEdit* Car = nullptr;
    QRadioButton* Space = nullptr;
    QPushButton* Go = nullptr;
    QPushButton* Annule = nullptr;
    QLabel* Comment = nullptr;

    Valeurs* FTitre = nullptr;
    TCorv* FPortefeuille = nullptr;
    bool FImporte = false;

protected:
    void done(int result) override;

private:
    void FormCreate();
    void AppendField(std::uint8_t kind);
    bool HasField(std::uint8_t kind) const;
    void EnsureSicovam();
    void SepClick();
    void Warn(const QString& caption, const QString& text, bool icon = true);
    void Progress(const QString& text, bool force = false);
    int ReadFile(const ModeleImport& modele, const std::string& path, bool parCode);
    int Merge(Valeurs* titre, const ModeleImport& modele);

    UiPrompts& FPrompts;
    QButtonGroup* FTypeImp = nullptr;
    int FTicks = 0;
};
