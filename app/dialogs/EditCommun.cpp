#include "EditCommun.h"

#include "QuickRep.h"

#include "platform/DateText.h"
#include "portfolio/Cv.h"

namespace edition {

double Montant(std::int64_t cents, float facteur) {
    return static_cast<double>(cents) * 0.01 * static_cast<double>(facteur);
}

double MontantEuros(float euros, float facteur) {
    return static_cast<double>(euros) * static_cast<double>(facteur);
}

QString TypMntText(const TCorv& doc) {
    if (doc.Facteur == 1.0f)
        return QString::fromUtf8("Montants exprimés en Euros");
    return QString::fromUtf8("Montants exprimés en ") + QString::fromStdString(doc.LibLocal);
}

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
    band.AddLabel("Document", QString::fromStdString(doc.Fichier), QRectF(0.0, y, width, 6.0));
    band.AddLabel("LibLiq", QString::fromUtf8("Prochaine date de liquidation le "),
                  QRectF(0.0, y + 6.0, 56.0, 6.0));
    band.AddLabel("EDateLiq", DateLiqText(doc), QRectF(56.0, y + 6.0, 40.0, 6.0)).Bold = true;
    band.AddLabel("TypMnt", TypMntText(doc), QRectF(0.0, y + 12.0, width, 6.0));
    return band;
}

TQRBand& AddFooterBand(TQuickRep& report, double width) {
    TQRBand& band = report.AddBand(TQRBandType::PageFooter, "PageFooterBand", 8.0);
    band.LineAbove = true;
    band.AddLabel("Produit", "Corvane", QRectF(0.0, 1.0, 60.0, 6.0)).FontSize = 8.0;
    band.AddSysData("DateHeure", QRectF(width - 60.0, 1.0, 60.0, 6.0)).FontSize = 8.0;
    return band;
}

void AddColumns(TQRBand& entete, TQRBand& detail, std::span<const Colonne> colonnes,
                double fontSize,
                const std::function<void(const Colonne&, double x, double w)>& perColumn) {
    const double hauteurTitre = entete.Height - 1.0;
    double x = 0.0;
    for (const Colonne& c : colonnes) {
        const QString champ = QString::fromLatin1(c.Field);
        const Qt::Alignment alignement =
            (c.Droite ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        const double w = c.Width - 1.0;
        TQRItem& titre = entete.AddLabel("Titre" + champ, QString::fromUtf8(c.Caption),
                                         QRectF(x, 0.5, w, hauteurTitre), alignement);
        titre.FontSize = fontSize;
        titre.Bold = true;
        titre.WordWrap = true;
        detail
            .AddDBText(champ, c.Field, QRectF(x, 0.0, w, detail.Height),
                       c.Montant ? QString::fromLatin1(kMasqueMontant) : QString(), alignement)
            .FontSize = fontSize;
        if (perColumn)
            perColumn(c, x, w);
        x += c.Width;
    }
}

} // namespace edition
