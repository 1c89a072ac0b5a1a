#pragma once

// The export of a security's daily price history as a text file, without any display: one
// line per day, the chosen fields in the chosen order, each followed by the separator.
// Whoever runs an export words its result for the user.

#include "platform/MemTable.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TCorv;
struct Valeurs;

// Field kinds of an export line.
enum ChampExport { ceSicovam = 0, ceDate, ceCours, cePlusHaut, cePlusBas, ceVolume };

// The separator of the fields: the chosen character when one is chosen and given (the first,
// a printable ASCII one), else a tab when tabs are chosen, else a blank.
char SeparateurExport(bool choisi, std::string_view caractere, bool tabulations);

// The text of an export: for each row of the history table, for each kind in `champs`, the
// field's text followed by `separateur`, then a line break. Prices are the table's euros ×
// `facteur` (the displayed currency) with two decimals and "."; dates "dd/mm/yyyy".
std::string ExportText(const platform::MemTable& historique, const std::string& code,
                       const std::vector<int>& champs, char separateur, double facteur);

struct ResultatExport {
    enum class Etat : std::uint8_t {
        Ecrit,
        FichierImpossible,   // no path, or one that cannot be (re)written as a file
        HistoriqueIllisible, // the stored history does not read: Raison is the reader's message
    };
    Etat Quoi = Etat::Ecrit;
    std::string Raison;
};

// Writes the history of titre to chemin, whole or not at all, in the displayed currency. The
// history table is used as it stands when it holds titre's history (edits not yet saved
// included); otherwise titre's history is loaded into it first.
ResultatExport ExportHistorique(TCorv& portefeuille, Valeurs* titre, const std::string& chemin,
                                const std::vector<int>& champs, char separateur);
