#pragma once

// The import of daily price histories from text files, without any display: a layout of
// fields (built by the user, or loaded from an import model file ".cvm") says how to cut each
// line; the lines are read whole into the staging table of the data module first, and merged
// date by date into the histories only when every line has been read, so that a file with a
// bad line changes no history at all. Whoever runs an import words its result for the user.

#include "platform/DateTime.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TCorv;
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
// runs to the next separator, blanks included. Dates are day/month/year; prices take "." or
// "," as decimal point ("12,50" is 12.5); a volume is a whole number, 0 when left empty.
// Text after the layout's last field is ignored. Throws platform::ConversionError with the
// reason, in French, for a field that does not read whole (stray text, a hexadecimal form), a
// negative or oversized figure, or a line short of a field the layout fills.
LigneImport CutImportLine(std::string_view line, const ModeleImport& modele);

// The line that made a file be refused whole.
struct RefusImport {
    enum class Cause : std::uint8_t {
        Illisible,    // a field does not read: Raison says which and why
        TropLongue,   // more than kLigneImportMax characters
        SansCode,     // no security code on a line that must be dispatched by it
        CodeTropLong, // a code longer than the staging table keeps: Raison says which
    };
    int Ligne = 0; // from 1, blank lines counted
    Cause Motif = Cause::Illisible;
    std::string Raison;
};

// A history the merge could not read or write. Its file is left as it was.
struct EchecHistorique {
    enum class Etape : std::uint8_t {
        Lecture,  // the stored history does not read: Raison is the reader's message
        Ecriture, // the merged history could not be saved
    };
    Etape Quand = Etape::Lecture;
    std::string Code;
    std::string Chemin; // the history file
    std::string Raison;
};

struct ResultatImport {
    bool Ouvert = false; // the file could be opened; nothing else is set when it could not
    int Lues = 0;        // lines staged (blank lines are skipped)
    int Fusionnees = 0;  // rows merged into histories that were then saved
    // Set when a line does not read: the file is refused whole and no history changed.
    std::optional<RefusImport> Refus;
    // Codes that no security of the portfolio carries, each once, in the staging order.
    std::vector<std::string> Inconnues;
    // Codes of other securities in a file of several read for one security: not merged.
    std::vector<std::string> Autres;
    std::vector<EchecHistorique> Echecs;
};

// Where an import stands, for whoever shows its progress.
struct AvancementImport {
    enum class Etape : std::uint8_t {
        Chargement, // Compte lines staged so far (0 as the reading starts)
        Traitement, // Compte rows of security Code merged so far (0 as it starts)
        Fin,        // security Code done with Compte rows, its history being saved
    };
    Etape Quand = Etape::Chargement;
    std::string Code;
    int Compte = 0;
};
using SuiviImport = std::function<void(const AvancementImport&)>;

// Reads the file at chemin under the layout into the staging table, then merges its rows into
// the histories and saves each one. titre: the current security, or null to dispatch the lines
// by their code to the portfolio's securities; with a current security and a layout of several
// securities, only that security's lines are merged. Prices are read in the displayed
// currency. A stored history that does not read is left untouched rather than replaced by the
// imported days alone. Afterwards the history table holds the last security merged.
ResultatImport ImportHistoriques(TCorv& portefeuille, Valeurs* titre, const ModeleImport& modele,
                                 const std::string& chemin, const SuiviImport& suivi = {});
