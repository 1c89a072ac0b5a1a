#pragma once

// The import of daily price histories from text files: a layout of fields (built here, or
// loaded from an import model file ".cvm") says how to cut each line; the lines are read
// whole into the staging table of the data module first, and merged date by date into the
// histories only when every line has been read, so that a file with a bad line changes no
// history at all.

#include "platform/DateTime.h"

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

// The kinds of field of an import line. Kind k fills the k-th field of the staging table;
// ciIgnore fills nothing.
enum ChampImportKind : std::uint8_t {
    ciSicovam = 0,
    ciDate,
    ciCours,
    ciHaut,
    ciBas,
    ciVolume,
    ciIgnore
};

struct ChampImport {
    std::uint8_t Id;
    char Nom[8]; // UTF-8, zero-terminated
};
extern const ChampImport ChampsImport[7];

constexpr int kMaxChampsImport = 64;
// Lines of an import text hold at most this many characters.
constexpr std::size_t kLigneImportMax = 1023;

// The layout of an import as the reading uses it.
struct ModeleImport {
    bool Multi = false;  // the file holds several securities, each line its code
    char Separateur = 9; // tab, a chosen character, or a blank for runs of blanks
    std::int32_t NbChamps = 0;
    std::uint8_t Champs[kMaxChampsImport] = {};
};

// An import model file's one line, as the dialog's controls give it.
struct ModeleFichier {
    int TypeImp = 1;      // 0: several securities, 1: the current one only
    bool AvecSep = false; // a chosen separator rather than tabs
    char Car = ' ';       // the chosen separator (written in both modes)
    std::vector<std::uint8_t> Champs;
};

// "%d%d%c%d " then one digit per field and a line break: "01;4 0125\n" for a layout
// Sicovam, Date, Cours, Volume separated by ";" over several securities.
std::string ModelLine(const ModeleFichier& modele);
// False for anything but a well-formed line: type and separator flags "0" or "1", a printable
// separator, a count up to 64 followed by a blank and exactly that many kinds 0 to 6, no kind
// but Ignoré twice. A model for the current security only is refused without one.
bool ReadModelLine(std::string_view line, bool avecTitre, ModeleFichier& modele);

// The values of one import line; a kind that the layout does not hold is not filled.
struct LigneImport {
    std::string Sicovam;
    platform::TDateTime Date = 0.0;
    double Prix[3] = {0.0, 0.0, 0.0}; // Cours, Haut, Bas as written in the file
    std::int32_t Volume = 0;
    std::array<bool, 7> Rempli{}; // by kind
};

// Cuts one line (without its line break) under a layout. With a blank separator the blanks
// before a field are skipped and a field runs to the next blank; with any other the field
// runs to the next separator, blanks included. Dates are day/month/year; prices are read
// with "." up to the first character that cannot continue them ("12,50" gives 12); a volume
// is its leading digits (0 when there are none). Text after the layout's last field is
// ignored. Throws platform::ConversionError with the reason, in French, for a field that
// does not read, a negative or oversized figure, or a line short of a field the layout fills.
LigneImport CutImportLine(std::string_view line, const ModeleImport& modele);

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
