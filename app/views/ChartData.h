#pragma once

// The figures of the security pages' line charts, computed apart from the widgets: the
// intraday file and its chart, the history chart with its moving averages and RSI, the
// graduations of the axes, the crosshair's hit test and the read-outs shown in the status
// line.

#include "platform/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TCorv;

// One point of a chart series; the label is what the bottom axis and the read-out show.
struct PointCourbe {
    double X = 0.0;
    double Y = 0.0;
    std::string Libelle;
    bool DuJour = false; // the point for today at the current quote, drawn silver
};

// -- Intraday --------------------------------------------------------------------------------

// One tick of the intraday file: price in cents and time of day.
struct PointIntraday {
    std::int32_t Cours = 0;
    platform::TDateTime Heure = 0.0;
    std::string Libelle; // "hh:nn"
};

struct FichierIntraday {
    bool Ouvert = false;
    bool AEntete = false; // the date line was read
    std::string Entete;   // the date line as the file holds it
    std::vector<PointIntraday> Points;
    int LignesIgnorees = 0; // point lines without a price and a time of day
};

// A point line: a price and a time written hours × 100 + minutes ("1000 930" is 10,00 at
// 09:30). False for a line that does not start with two integers or whose time is no time
// of day; the point is then left as it was.
bool LitPointIntraday(std::string_view ligne, PointIntraday& point);

// Reads the intraday file written by the quote-page library: a date line, then point lines.
FichierIntraday LitIntraday(const std::string& chemin);

// The intraday chart: the ticks in red, in time order, the last daily close in blue across
// the whole time range, the left axis with one euro of margin. Amounts in euros.
struct GraphiqueIntraday {
    bool Axes = false;                // the file could be opened
    std::string Titre;                // "Intraday du " + the date line; empty without one
    std::vector<PointCourbe> Cours;   // x = time of day
    std::vector<PointCourbe> Cloture; // none, or the two ends of the close line
    platform::TDateTime HeureMin = 0.0;
    platform::TDateTime HeureMax = 0.0;
    double CoursMin = 0.0;
    double CoursMax = 0.0;
};

// derniereCloture: cents of the last history row, 0 when there is none.
GraphiqueIntraday CalculeIntraday(const FichierIntraday& fichier, std::int32_t derniereCloture);

// The time at which the bottom axis of the intraday chart ends at the latest point.
platform::TDateTime FinSeanceIntraday();

// -- History ---------------------------------------------------------------------------------

struct LigneHisto {
    platform::TDateTime Date = 0.0;
    std::int32_t Cours = 0; // cents
    std::int32_t Volume = 0;
};

// The rows of the history table of the data module, in date order, amounts in cents.
std::vector<LigneHisto> LignesHistorique();

struct ParamsHisto {
    int Moyenne1 = 0; // periods in rows, 0 = that average is off
    int Moyenne2 = 0;
    int Rsi = 0;
    bool Volume = false; // the lower chart shows the volume instead of the RSI
    platform::TDateTime Debut = 0.0;
    platform::TDateTime Fin = 0.0;
    platform::TDateTime Aujourdhui = 0.0;
    std::int32_t CoursDuJour = 0; // cents: the point added after the last row
};

// The series of both history charts. x is the position of the row within the range; rows
// before the range only warm the averages and the RSI up.
struct GraphiqueHisto {
    std::vector<PointCourbe> Cours;    // price, euros
    std::vector<PointCourbe> Moyenne1; // the mean of the M rows before each row, euros
    std::vector<PointCourbe> Moyenne2;
    std::vector<PointCourbe> VolumeK; // volume in thousands
    std::vector<PointCourbe> Rsi;     // 0..100
    int XMax = 1;                     // last x drawn; 1 when no row lies in the range
};

GraphiqueHisto CalculeHisto(const std::vector<LigneHisto>& lignes, const ParamsHisto& params);

// The bottom axis of the history charts: from the first to the last x drawn, with room on
// either side so that the points at the ends are drawn whole rather than cut by the frame.
struct PlageAxe {
    double Min = 0.0;
    double Max = 1.0;
};
PlageAxe PlageHisto(int xMax);

// -- Graduations -----------------------------------------------------------------------------

// The step between the graduations of a value axis spanning the given range: 1, 2 or 5 times
// a power of ten, the smallest that leaves at most the given number of intervals.
double PasArrondi(double etendue, int intervallesMax);

// Round times of day for the time axis of the intraday chart, within [debut, fin]: every 30
// minutes, or 60, 120, 180 ... as the room for labels demands; for a span too short to hold
// two of them, every 15, 10 or 5 minutes.
struct GraduationsHeures {
    int Minutes = 0; // the step
    std::vector<platform::TDateTime> Heures;
};
GraduationsHeures GraduationsIntraday(platform::TDateTime debut, platform::TDateTime fin,
                                      int etiquettesMax);

// -- Crosshair -------------------------------------------------------------------------------

struct PositionEcran {
    double X = 0.0;
    double Y = 0.0;
};

// How a chart's values fall on the screen: each axis is linear.
struct RepereEcran {
    double OrigineX = 0.0; // the pixel of the value (0, 0)
    double OrigineY = 0.0;
    double ParUniteX = 1.0; // pixels per unit of value
    double ParUniteY = 1.0;

    PositionEcran Ecran(double x, double y) const {
        return {OrigineX + x * ParUniteX, OrigineY + y * ParUniteY};
    }
};

// The point under the mouse at (mx, my) pixels: the nearest point within tolerance pixels;
// else, when the mouse lies on a segment of the line within that tolerance, the nearer end of
// the segment; -1 otherwise. The points are sorted by x, as every chart series is: only those
// near the mouse are looked at, so that a move over thousands of points costs little.
int PointProche(const std::vector<PointCourbe>& points, const RepereEcran& repere, double mx,
                double my, double tolerance);

enum class Lecture { Intraday, Cours, Volume, Rsi };

// The status line's read-out of a point: its time or date label and its value cut to two
// decimals.
std::string TexteLecture(const TCorv& doc, Lecture genre, const PointCourbe& point);
