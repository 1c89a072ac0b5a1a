#pragma once

// The dialog of the import of daily price histories: it builds the layout (or loads it from
// an import model file ".cvm"), runs the import and tells the user what came of it.

#include "portfolio/HistoImport.h"

#include <QDialog>

#include <cstdint>
#include <string>

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

    // Runs the import (see ImportHistoriques), showing its progress and telling the user of
    // unknown codes and of histories left as they were. Returns the number of rows merged, or
    // -1 when the file cannot be opened; a line that does not read throws
    // platform::ConversionError naming it, before any history has changed.
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
    void Avance(const AvancementImport& avancement);
    void Signale(const ResultatImport& resultat, const Valeurs* titre);

    UiPrompts& FPrompts;
    QButtonGroup* FTypeImp = nullptr;
    int FTicks = 0;
};
