#pragma once

// How the import of daily price histories reads text: the layout of a line's fields, the
// import model file (".cvm") that keeps a layout, and the cutting of one line under it.

#include "platform/DateTime.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// Whether a character may separate the fields of a model: printable ASCII.
bool IsModelSeparator(char c);
// Whether an import line holds only blanks and tabs: such lines, as editors leave at the end,
// are skipped.
bool IsBlankImportLine(std::string_view line);

// The layout a model reads lines under: tabs between fields unless a separator is chosen,
// fields past the 64th dropped.
ModeleImport LayoutOf(const ModeleFichier& modele);

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
