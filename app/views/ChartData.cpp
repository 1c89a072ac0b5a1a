#include "views/ChartData.h"

#include "views/ViewText.h"

#include "platform/Checked.h"
#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "platform/TextFile.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <optional>
#include <string_view>

namespace {

// Lines of the intraday file are short: a date, or a time and a price. The chart reads at
// most 126 characters of one, so a longer line is no tick of ours.
constexpr std::size_t kLigneIntradayMax = 126;

// The next word of a line, the blanks before it skipped; empty at the line's end.
std::string_view Mot(std::string_view ligne, std::size_t& pos) {
    const std::size_t debut = ligne.find_first_not_of(" \t", pos);
    if (debut == std::string_view::npos) {
        pos = ligne.size();
        return {};
    }
    pos = std::min(ligne.find_first_of(" \t", debut), ligne.size());
    return ligne.substr(debut, pos - debut);
}

} // namespace

bool LitPointIntraday(std::string_view ligne, PointIntraday& point) {
    // The price in cents, then the time; words after them are not read. A number beyond 32
    // bits is refused rather than wrapped: a wrapped price would be a value the file never held.
    std::size_t pos = 0;
    const std::optional<std::int32_t> cours =
        platform::ParseInt32(Mot(ligne, pos), platform::kCellInteger);
    const std::optional<std::int32_t> temps =
        platform::ParseInt32(Mot(ligne, pos), platform::kCellInteger);
    // 930 is 09:30: minutes above 59 or a time outside the day are no time of day.
    if (!cours || !temps || *temps < 0)
        return false;
    const int heures = *temps / 100;
    const int minutes = *temps % 100;
    platform::TDateTime heure = 0.0;
    if (!platform::TryEncodeTime(heures, minutes, 0, 0, heure))
        return false;
    point.Cours = *cours;
    point.Heure = heure;
    point.Libelle = platform::ShortTimeToStr(heure);
    return true;
}

FichierIntraday LitIntraday(const std::string& chemin) {
    FichierIntraday fichier;
    platform::LineReader lecteur(chemin, kLigneIntradayMax);
    if (!lecteur.IsOpen())
        return fichier;
    fichier.Ouvert = true;
    std::string ligne;
    auto etat = lecteur.Read(ligne);
    if (etat == platform::LineReader::Status::End)
        return fichier;
    if (etat == platform::LineReader::Status::Line) {
        fichier.AEntete = true;
        fichier.Entete = ligne;
    }
    while ((etat = lecteur.Read(ligne)) != platform::LineReader::Status::End) {
        PointIntraday point;
        if (etat == platform::LineReader::Status::Line && LitPointIntraday(ligne, point))
            fichier.Points.push_back(std::move(point));
        else if (etat == platform::LineReader::Status::TooLong ||
                 ligne.find_first_not_of(" \t") != std::string::npos)
            ++fichier.LignesIgnorees;
    }
    return fichier;
}

platform::TDateTime FinSeanceIntraday() {
    return platform::EncodeTime(17, 35, 0);
}

GraphiqueIntraday CalculeIntraday(const FichierIntraday& fichier, std::int32_t derniereCloture) {
    GraphiqueIntraday g;
    if (!fichier.Ouvert)
        return g;
    g.Axes = true;
    if (fichier.AEntete)
        g.Titre = "Intraday du " + fichier.Entete;

    // 64 bits: the margins are added to prices that may lie at the ends of the int32 range.
    std::int64_t bas = std::numeric_limits<std::int64_t>::max();
    std::int64_t haut = std::numeric_limits<std::int64_t>::min();
    g.HeureMax = FinSeanceIntraday();
    bool premier = true;
    for (const PointIntraday& p : fichier.Points) {
        bas = std::min<std::int64_t>(bas, p.Cours);
        haut = std::max<std::int64_t>(haut, p.Cours);
        // The axis starts at the earliest tick and ends at 17:35, or at the latest tick when
        // the file runs later: an axis minimum above its maximum cannot be drawn.
        if (premier || p.Heure < g.HeureMin)
            g.HeureMin = p.Heure;
        g.HeureMax = std::max(g.HeureMax, p.Heure);
        premier = false;
        g.Cours.push_back({p.Heure, p.Cours * 0.01, p.Libelle, false});
    }
    // A price chart runs forward in time: a tick written out of order takes its place by time,
    // and the crosshair finds the points by their times.
    std::stable_sort(g.Cours.begin(), g.Cours.end(),
                     [](const PointCourbe& a, const PointCourbe& b) { return a.X < b.X; });
    // A lone tick at 17:35 or later still needs a span to be drawn over.
    if (g.HeureMax <= g.HeureMin)
        g.HeureMax = g.HeureMin + 1.0 / 144.0;
    if (derniereCloture != 0) {
        bas = std::min<std::int64_t>(bas, derniereCloture);
        haut = std::max<std::int64_t>(haut, derniereCloture);
        g.Cloture.push_back({g.HeureMin, derniereCloture * 0.01, std::string(), false});
        g.Cloture.push_back({g.HeureMax, derniereCloture * 0.01, std::string(), false});
    }
    if (bas > haut) {
        // Nothing to show: a fixed range rather than an inverted one.
        g.CoursMin = 0.0;
        g.CoursMax = 1.0;
    } else {
        g.CoursMin = static_cast<double>(bas - 100) * 0.01;
        g.CoursMax = static_cast<double>(haut + 100) * 0.01;
    }
    return g;
}

std::vector<LigneHisto> LignesHistorique() {
    const TDatas& datas = TheDatas();
    const platform::MemTable& table = datas.Historique;
    const int date = datas.HistoriqueDate.Index();
    const int cours = datas.HistoriqueCours.Index();
    const int volume = datas.HistoriqueVolume.Index();
    std::vector<LigneHisto> lignes;
    lignes.reserve(static_cast<std::size_t>(table.RecordCount()));
    // Read by position, without moving the current row that a grid may be showing; the
    // table keeps its rows in the order of its date index.
    for (int row = 0; row < table.RecordCount(); ++row) {
        LigneHisto ligne;
        ligne.Date = table.NumberAt(row, date);
        ligne.Cours = EurosToCents(table.NumberAt(row, cours));
        ligne.Volume = platform::Trunc32(table.NumberAt(row, volume));
        lignes.push_back(ligne);
    }
    // A table whose index was switched off may hold its rows out of order.
    if (!std::is_sorted(lignes.begin(), lignes.end(),
                        [](const LigneHisto& a, const LigneHisto& b) { return a.Date < b.Date; }))
        std::stable_sort(lignes.begin(), lignes.end(),
                         [](const LigneHisto& a, const LigneHisto& b) { return a.Date < b.Date; });
    return lignes;
}

namespace {

// A simple moving average over the rows before the current one, in whole cents.
struct Moyenne {
    int Periode = 0;
    std::deque<std::int32_t> File;
    std::int64_t Somme = 0;
    std::int64_t Valeur = 0;

    // n: rows read so far, this one included.
    void Pas(std::int32_t cours, int n, std::vector<PointCourbe>* serie, const PointCourbe& base) {
        if (serie != nullptr && n > Periode) {
            PointCourbe p = base;
            p.Y = static_cast<double>(Valeur) * 0.01;
            serie->push_back(p);
        }
        File.push_back(cours);
        Somme += cours;
        if (n > Periode) {
            Somme -= File.front();
            File.pop_front();
        }
        Valeur = platform::SafeDiv(Somme, Periode); // in whole cents, rounded toward zero
    }
};

// Relative strength over the last P + 1 changes of price.
struct Rsi {
    int Periode = 0;
    int Lus = 0; // prices taken in
    std::int32_t Precedent = 0;
    std::deque<std::int64_t> Gains;
    std::deque<std::int64_t> Pertes;
    std::int64_t G = 0;
    std::int64_t L = 0;

    void Pas(std::int32_t cours, std::vector<PointCourbe>* serie, const PointCourbe& base) {
        if (Lus != 0) {
            const std::int64_t ecart = static_cast<std::int64_t>(cours) - Precedent;
            const std::int64_t gain = ecart < 0 ? 0 : ecart;
            const std::int64_t perte = ecart < 0 ? -ecart : 0;
            Gains.push_back(gain);
            Pertes.push_back(perte);
            G += gain;
            L += perte;
            if (Lus > Periode) {
                float rsi = 0.0f;
                if (L != 0) {
                    const float a = static_cast<float>(static_cast<double>(G) / Periode);
                    const float b = static_cast<float>(static_cast<double>(L) / Periode);
                    rsi = static_cast<float>(
                        100.0 - 100.0 / (static_cast<double>(a) / static_cast<double>(b) + 1.0));
                }
                G -= Gains.front();
                L -= Pertes.front();
                Gains.pop_front();
                Pertes.pop_front();
                if (serie != nullptr) {
                    PointCourbe p = base;
                    p.Y = rsi;
                    serie->push_back(p);
                }
            }
        }
        Precedent = cours;
        ++Lus;
    }
};

} // namespace

GraphiqueHisto CalculeHisto(const std::vector<LigneHisto>& lignes, const ParamsHisto& params) {
    GraphiqueHisto g;
    Moyenne m1;
    Moyenne m2;
    Rsi rsi;
    m1.Periode = params.Moyenne1;
    m2.Periode = params.Moyenne2;
    rsi.Periode = params.Rsi;
    // A period of 0 turns its indicator off; the RSI's bar never goes below 2.
    const bool avecRsi = !params.Volume && params.Rsi > 0;
    const platform::TDateTime debut = platform::DateOf(params.Debut);
    const platform::TDateTime fin = platform::DateOf(params.Fin);
    int n = 0;
    int x = 1;
    bool premierDansPeriode = true;
    for (std::size_t i = 0; i <= lignes.size(); ++i) {
        const bool duJour = i == lignes.size();
        const platform::TDateTime d =
            duJour ? platform::DateOf(params.Aujourdhui) : platform::DateOf(lignes[i].Date);
        const std::int32_t cours = duJour ? params.CoursDuJour : lignes[i].Cours;
        const std::int32_t volume = duJour ? 0 : lignes[i].Volume;
        ++n;
        PointCourbe base;
        base.Libelle = platform::FormatDateTime("dd/mm", d);
        base.DuJour = duJour;

        if (d < debut) {
            if (avecRsi)
                rsi.Pas(cours, nullptr, base);
            if (m1.Periode != 0)
                m1.Pas(cours, n, nullptr, base);
            if (m2.Periode != 0)
                m2.Pas(cours, n, nullptr, base);
            continue;
        }
        if (d > fin)
            break;
        if (premierDansPeriode) {
            x = -1;
            premierDansPeriode = false;
        }
        ++x;
        base.X = x;
        PointCourbe p = base;
        p.Y = cours * 0.01;
        g.Cours.push_back(p);
        if (params.Volume) {
            p.Y = volume * 0.001;
            g.VolumeK.push_back(p);
        } else if (avecRsi) {
            rsi.Pas(cours, &g.Rsi, base);
        }
        if (m1.Periode != 0)
            m1.Pas(cours, n, &g.Moyenne1, base);
        if (m2.Periode != 0)
            m2.Pas(cours, n, &g.Moyenne2, base);
    }
    g.XMax = x;
    return g;
}

PlageAxe PlageHisto(int xMax) {
    const double etendue = std::max(xMax, 1);
    // Proportional room: some pixels whatever the width and the number of points.
    const double marge = std::max(0.5, etendue * 0.015);
    return {-marge, etendue + marge};
}

double PasArrondi(double etendue, int intervallesMax) {
    if (!(etendue > 0.0) || !std::isfinite(etendue))
        return 1.0;
    const double brut = etendue / std::max(intervallesMax, 1);
    double puissance = std::pow(10.0, std::floor(std::log10(brut)));
    for (;;) {
        for (const double facteur : {1.0, 2.0, 5.0})
            // The tolerance keeps a step that the decimal powers of ten do not hit exactly.
            if (facteur * puissance >= brut * (1.0 - 1e-9))
                return facteur * puissance;
        puissance *= 10.0;
    }
}

namespace {

constexpr double kMinutesParJour = 1440.0;

std::vector<platform::TDateTime> HeuresRondes(platform::TDateTime debut, platform::TDateTime fin,
                                              int minutes) {
    std::vector<platform::TDateTime> heures;
    // A time a hair below the round minute, as day fractions give, still counts as it.
    const double premier = std::ceil(debut * kMinutesParJour / minutes - 1e-6);
    for (double k = premier; k * minutes <= fin * kMinutesParJour + 1e-6; ++k)
        heures.push_back(k * minutes / kMinutesParJour);
    return heures;
}

} // namespace

GraduationsHeures GraduationsIntraday(platform::TDateTime debut, platform::TDateTime fin,
                                      int etiquettesMax) {
    constexpr int kPas[] = {5, 10, 15, 30, 60, 120, 180, 240, 360, 720};
    constexpr std::size_t kDemiHeure = 3;
    const std::size_t maxi = static_cast<std::size_t>(std::max(etiquettesMax, 2));
    GraduationsHeures g;
    if (!(fin > debut))
        return g;
    const std::size_t depart =
        HeuresRondes(debut, fin, kPas[kDemiHeure]).size() < 2 ? 0 : kDemiHeure;
    for (std::size_t i = depart; i < std::size(kPas); ++i) {
        g.Minutes = kPas[i];
        g.Heures = HeuresRondes(debut, fin, kPas[i]);
        if (g.Heures.size() <= maxi)
            break;
    }
    return g;
}

namespace {

// The first of the x-sorted points whose x is not below x (or, strictly, above it).
std::size_t Borne(const std::vector<PointCourbe>& points, double x, bool strict) {
    std::size_t bas = 0;
    std::size_t haut = points.size();
    while (bas < haut) {
        const std::size_t milieu = bas + (haut - bas) / 2;
        if (strict ? points[milieu].X <= x : points[milieu].X < x)
            bas = milieu + 1;
        else
            haut = milieu;
    }
    return bas;
}

} // namespace

int PointProche(const std::vector<PointCourbe>& points, const RepereEcran& repere, double mx,
                double my, double tolerance) {
    const std::size_t n = points.size();
    // Only the points within the tolerance across, and the segments that cross that band, can
    // be under the mouse. Without a usable scale, all of them are looked at.
    std::size_t debut = 0;
    std::size_t fin = n;
    if (repere.ParUniteX > 0.0 && std::isfinite(repere.ParUniteX)) {
        debut = Borne(points, (mx - tolerance - repere.OrigineX) / repere.ParUniteX, false);
        fin = Borne(points, (mx + tolerance - repere.OrigineX) / repere.ParUniteX, true);
        fin = std::max(fin, debut);
    }
    const auto ecran = [&](std::size_t i) { return repere.Ecran(points[i].X, points[i].Y); };

    int meilleur = -1;
    double meilleureDistance = tolerance * tolerance;
    for (std::size_t i = debut; i < fin; ++i) {
        const PositionEcran p = ecran(i);
        const double dx = p.X - mx;
        const double dy = p.Y - my;
        const double d2 = dx * dx + dy * dy;
        if (d2 <= meilleureDistance) {
            meilleureDistance = d2;
            meilleur = static_cast<int>(i);
        }
    }
    if (meilleur >= 0)
        return meilleur;
    // On the line between two points: the nearer end answers.
    double meilleurSegment = tolerance * tolerance;
    for (std::size_t i = std::max<std::size_t>(debut, 1); i < n && i <= fin; ++i) {
        const PositionEcran a = ecran(i - 1);
        const PositionEcran b = ecran(i);
        const double vx = b.X - a.X;
        const double vy = b.Y - a.Y;
        const double longueur2 = vx * vx + vy * vy;
        const double t =
            longueur2 == 0.0
                ? 0.0
                : std::clamp(((mx - a.X) * vx + (my - a.Y) * vy) / longueur2, 0.0, 1.0);
        const double px = a.X + t * vx - mx;
        const double py = a.Y + t * vy - my;
        const double d2 = px * px + py * py;
        if (d2 <= meilleurSegment) {
            meilleurSegment = d2;
            meilleur = static_cast<int>(t < 0.5 ? i - 1 : i);
        }
    }
    return meilleur;
}

std::string TexteLecture(const TCorv& doc, Lecture genre, const PointCourbe& point) {
    std::string t;
    doc.FloatToTextTrunc(2, t, static_cast<float>(point.Y));
    t = AvecSeparateurDecimal(std::move(t));
    switch (genre) {
    case Lecture::Intraday:
        return "Heure : " + platform::TimeToStr(point.X) + " Cours :" + t;
    case Lecture::Cours:
        return "Date : " + point.Libelle + " Cours :" + t;
    case Lecture::Volume:
        return "Date : " + point.Libelle + " Volume: " + t;
    case Lecture::Rsi:
        return "Date : " + point.Libelle + " R.S.I: " + t;
    }
    return std::string();
}
