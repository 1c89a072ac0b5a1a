#pragma once

// What the three printed reports share: the title band (title, document path, coming
// settlement date, currency of the amounts) and the page footer (product name, date and time
// of printing).

#include <QString>

#include <span>

class TCorv;
class TQuickRep;
struct TQRBand;

namespace edition {

// The coming settlement date as "dd-mmm-yyyy", month abbreviated.
QString DateLiqText(const TCorv& doc);

// The title band across a page of the given width. A non-empty subtitle (LibVal) goes
// under the title.
TQRBand& AddTitleBand(TQuickRep& report, const TCorv& doc, const QString& title, double width,
                      const QString& libVal = QString());
TQRBand& AddFooterBand(TQuickRep& report, double width);

// The mask of amounts in the listing reports: thousands grouped, two decimals.
inline constexpr const char* kMasqueMontant = "0,.00";

// What a column of a listing report holds, which sets its width.
enum class Contenu {
    Montant, // an amount under the mask: room for any amount of 32-bit cents
    Entier,  // a 32-bit count, printed as it is: room for any of them
    Texte,   // room for the widest of its templates; cut short beyond
    Libre,   // a free text: the width that the other columns leave, cut short beyond
};

// One column of a listing report: a field of the report's table under its caption.
struct Colonne {
    const char* Field;
    const char* Caption;
    Contenu Genre;
    const char* Gabarit = ""; // Texte: the texts it must hold whole, separated by "|"
    bool Somme = false;       // summed under the list, in the total band
};

// The widest texts of an amount of 32-bit cents under the amount mask and of a 32-bit
// count, at a size: each digit is the widest digit of the font.
QString GabaritMontant(double points, bool bold);
QString GabaritEntier(double points, bool bold);

// Lays the columns out across the width, 2 mm apart: a bold caption wrapped at word
// boundaries in the header band, the field's text in the detail band and, for a summed
// column, "SUM(table.field)" in bold in the total band. Each column is as wide as the
// widest text it must hold whole (its caption's longest word included); the free-text
// column takes what remains, and without one the room left is shared out. The font is the
// largest, from fontSize down, at which that fits; the header band grows to the tallest
// caption. Returns the font size chosen.
double AddColumns(TQRBand& entete, TQRBand& detail, TQRBand* total, const QString& table,
                  std::span<const Colonne> colonnes, double fontSize, double width);

} // namespace edition
