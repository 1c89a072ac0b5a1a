#include "reports/ReportCommon.h"

#include "reports/ReportEngine.h"
#include "views/ViewText.h"

#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"

#include <QStringList>

#include <algorithm>
#include <limits>
#include <vector>

namespace edition {

namespace {

constexpr double kEcart = 2.0;     // millimetres between two columns
constexpr double kLibreMin = 30.0; // the free-text column keeps at least this width
constexpr double kPoliceMin = 5.0; // points: smaller type is no longer read on paper
constexpr double kPasPolice = 0.5; // points

// Every digit of the text replaced by the widest digit of the font, so that the text is
// as wide as any other with as many digits.
QString ChiffresLarges(QString texte, double points, bool bold) {
    QChar large = QLatin1Char('0');
    double largeur = 0.0;
    for (char c = '0'; c <= '9'; ++c) {
        const double w = TQuickRep::TextWidth(QString(QLatin1Char(c)), points, bold);
        if (w > largeur) {
            largeur = w;
            large = QLatin1Char(c);
        }
    }
    for (QChar& c : texte)
        if (c.isDigit())
            c = large;
    return texte;
}

// The widest text of one line that the column prints in its detail or total band.
double LargeurContenu(const Colonne& c, double points) {
    double largeur = 0.0;
    switch (c.Genre) {
    case Contenu::Montant:
        largeur = TQuickRep::TextWidth(GabaritMontant(points, false), points, false);
        break;
    case Contenu::Entier:
        largeur = TQuickRep::TextWidth(GabaritEntier(points, false), points, false);
        break;
    case Contenu::Texte:
        for (const QString& gabarit : QString::fromUtf8(c.Gabarit).split(QLatin1Char('|')))
            largeur = std::max(largeur, TQuickRep::TextWidth(gabarit, points, false));
        break;
    case Contenu::Libre:
        break;
    }
    if (c.Somme)
        largeur =
            std::max(largeur, TQuickRep::TextWidth(GabaritMontant(points, true), points, true));
    return largeur;
}

// A caption wraps between words only: its longest word must fit.
double LargeurMot(const Colonne& c, double points) {
    double largeur = 0.0;
    for (const QString& mot : QString::fromUtf8(c.Caption).split(QLatin1Char(' ')))
        largeur = std::max(largeur, TQuickRep::TextWidth(mot, points, true));
    return largeur;
}

// The width of each column at a size; the free-text column gets what the others leave
// (possibly nothing).
std::vector<double> Largeurs(std::span<const Colonne> colonnes, double points, double width,
                             bool& tient) {
    std::vector<double> largeurs;
    double occupe = kEcart * static_cast<double>(colonnes.size() > 0 ? colonnes.size() - 1 : 0);
    int libres = 0;
    for (const Colonne& c : colonnes) {
        const double w = c.Genre == Contenu::Libre
                             ? 0.0
                             : TQuickRep::CellWidthFor(
                                   std::max(LargeurContenu(c, points), LargeurMot(c, points)));
        libres += c.Genre == Contenu::Libre ? 1 : 0;
        largeurs.push_back(w);
        occupe += w;
    }
    const double reste = width - occupe;
    tient = reste >= (libres > 0 ? kLibreMin * libres : 0.0);
    if (reste > 0.0) {
        // The room left goes to the free texts, or is shared out among all the columns.
        for (std::size_t i = 0; i < colonnes.size(); ++i)
            if (libres > 0 ? colonnes[i].Genre == Contenu::Libre : true)
                largeurs[i] += reste / (libres > 0 ? libres : static_cast<double>(colonnes.size()));
    }
    return largeurs;
}

} // namespace

QString DateLiqText(const TCorv& doc) {
    return QString::fromStdString(platform::FormatDateTime("dd-mmm-yyyy", doc.DateLiqC));
}

TQRBand& AddTitleBand(TQuickRep& report, const TCorv& doc, const QString& title, double width,
                      const QString& libVal) {
    const double sousTitre = libVal.isEmpty() ? 0.0 : 7.0;
    TQRBand& band = report.AddBand(TQRBandType::Title, "TitleBand", 34.0 + sousTitre);
    TQRItem& titre = band.AddLabel("Titre", title, QRectF(0.0, 0.0, width, 10.0), Qt::AlignCenter);
    titre.FontSize = 16.0;
    titre.Bold = true;
    if (!libVal.isEmpty())
        band.AddLabel("LibVal", libVal, QRectF(0.0, 10.0, width, 7.0), Qt::AlignCenter).FontSize =
            11.0;
    const double y = 12.0 + sousTitre;
    // A path too long for the page is cut short; the date follows its caption.
    band.AddLabel("Document", QString::fromStdString(doc.Fichier), QRectF(0.0, y, width, 6.0))
        .Elide = true;
    const QString libLiq = QString("Prochaine date de liquidation le ");
    const double x =
        TQuickRep::CellWidthFor(TQuickRep::TextWidth(libLiq, TQRItem().FontSize, false));
    band.AddLabel("LibLiq", libLiq, QRectF(0.0, y + 6.0, x, 6.0));
    band.AddLabel("EDateLiq", DateLiqText(doc), QRectF(x, y + 6.0, width - x, 6.0)).Bold = true;
    band.AddLabel("TypMnt", QString::fromStdString(TypMntText(doc)),
                  QRectF(0.0, y + 12.0, width, 6.0));
    return band;
}

TQRBand& AddFooterBand(TQuickRep& report, double width) {
    TQRBand& band = report.AddBand(TQRBandType::PageFooter, "PageFooterBand", 8.0);
    band.LineAbove = true;
    band.AddLabel("Produit", "Corvane", QRectF(0.0, 1.0, 60.0, 6.0)).FontSize = 8.0;
    band.AddSysData("DateHeure", QRectF(width - 60.0, 1.0, 60.0, 6.0)).FontSize = 8.0;
    return band;
}

QString GabaritMontant(double points, bool bold) {
    const double plusLarge = std::numeric_limits<std::int32_t>::min() * 0.01;
    return ChiffresLarges(QString::fromStdString(platform::FormatMask(kMasqueMontant, plusLarge)),
                          points, bold);
}

QString GabaritEntier(double points, bool bold) {
    return ChiffresLarges(QString::number(std::numeric_limits<std::int32_t>::min()), points, bold);
}

double AddColumns(TQRBand& entete, TQRBand& detail, TQRBand* total, const QString& table,
                  std::span<const Colonne> colonnes, double fontSize, double width) {
    double taille = fontSize;
    bool tient = false;
    std::vector<double> largeurs = Largeurs(colonnes, taille, width, tient);
    while (!tient && taille - kPasPolice >= kPoliceMin) {
        taille -= kPasPolice;
        largeurs = Largeurs(colonnes, taille, width, tient);
    }
    double hauteurTitre = 0.0;
    for (std::size_t i = 0; i < colonnes.size(); ++i)
        hauteurTitre =
            std::max(hauteurTitre, TQuickRep::WrappedHeight(QString::fromUtf8(colonnes[i].Caption),
                                                            largeurs[i], taille, true));
    entete.Height = std::max(entete.Height, hauteurTitre + 1.0);

    double x = 0.0;
    for (std::size_t i = 0; i < colonnes.size(); ++i) {
        const Colonne& c = colonnes[i];
        const double w = largeurs[i];
        const QString champ = QString::fromLatin1(c.Field);
        const bool chiffre = c.Genre == Contenu::Montant || c.Genre == Contenu::Entier;
        const Qt::Alignment alignement =
            (chiffre ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        TQRItem& titre = entete.AddLabel("Titre" + champ, QString::fromUtf8(c.Caption),
                                         QRectF(x, 0.5, w, entete.Height - 1.0), alignement);
        titre.FontSize = taille;
        titre.Bold = true;
        titre.WordWrap = true;
        TQRItem& valeur = detail.AddDBText(
            champ, c.Field, QRectF(x, 0.0, w, detail.Height),
            c.Genre == Contenu::Montant ? QString::fromLatin1(kMasqueMontant) : QString(),
            alignement);
        valeur.FontSize = taille;
        valeur.Elide = !chiffre;
        if (c.Somme && total != nullptr) {
            TQRItem& somme = total->AddExpr("Somme" + champ, "SUM(" + table + "." + champ + ")",
                                            QRectF(x, 1.0, w, total->Height - 2.0),
                                            QString::fromLatin1(kMasqueMontant));
            somme.FontSize = taille;
            somme.Bold = true;
        }
        x += w + kEcart;
    }
    return taille;
}

} // namespace edition
