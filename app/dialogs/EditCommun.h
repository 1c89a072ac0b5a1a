#pragma once

// What the three printed reports share: the title band (title, document path, coming
// settlement date, currency of the amounts) and the page footer (product name, date and time
// of printing), and the scaling of the document's amounts.

#include <QString>

#include <cstdint>
#include <functional>
#include <span>

class TCorv;
class TQuickRep;
struct TQRBand;

namespace edition {

// Cents as shown: cents × 0.01 × the display factor.
double Montant(std::int64_t cents, float facteur);
// A float amount already in euros, as shown: value × the display factor.
double MontantEuros(float euros, float facteur);

// "Montants exprimés en Euros", or in the local currency when the factor is not 1. The
// dialogs that take amounts show the same line.
QString TypMntText(const TCorv& doc);
// The coming settlement date as "dd-mmm-yyyy", month abbreviated.
QString DateLiqText(const TCorv& doc);

// The title band across a page of the given width. A non-empty subtitle (LibVal) goes
// under the title.
TQRBand& AddTitleBand(TQuickRep& report, const TCorv& doc, const QString& title, double width,
                      const QString& libVal = QString());
TQRBand& AddFooterBand(TQuickRep& report, double width);

// The mask of amounts in the listing reports: thousands grouped, two decimals.
inline constexpr const char* kMasqueMontant = "0,.00";

// One column of a listing report: a field of the report's table under its caption.
struct Colonne {
    const char* Field;
    const char* Caption;
    double Width; // millimetres
    bool Montant; // under the amount mask "0,.00"
    bool Droite;  // figures stand right-aligned
};

// Lays the columns out left to right, 1 mm apart: a bold wrapped caption in the header band
// and the field's text in the detail band, both in the given font size. perColumn, when
// given, is called with each column and its left edge and width, for what a report adds
// under some columns.
void AddColumns(TQRBand& entete, TQRBand& detail, std::span<const Colonne> colonnes,
                double fontSize,
                const std::function<void(const Colonne&, double x, double w)>& perColumn = {});

} // namespace edition
