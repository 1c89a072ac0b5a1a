#include "Fedit1.h"

#include "EditCommun.h"
#include "Synthese.h"

#include "platform/Numbers.h"
#include "portfolio/Cv.h"

TEdit1* Edit1 = nullptr;

namespace {

constexpr double kBlockWidth = 90.0;
constexpr double kCaptionWidth = 42.0;
constexpr double kValueWidth = 24.0;
constexpr double kLine = 6.0;

QString Nombre(double value) {
    return QString::fromStdString(platform::FormatNumber(value));
}

} // namespace

TEdit1::TEdit1(QWidget* owner, TCorv* portefeuille) : FPortefeuille(portefeuille) {
    Edit1 = this;
    QR.Owner = owner;
    QR.ReportTitle = QString::fromUtf8("Synthése du portefeuille");
    QR.Orientation = QPageLayout::Portrait;
    const double width = QR.DefaultArea().width();
    const TCorv& doc = *FPortefeuille;

    edition::AddTitleBand(QR, doc, QR.ReportTitle, width);
    TQRBand& detail = QR.AddBand(TQRBandType::Detail, "DetailBand", 80.0);
    const double right = width - kBlockWidth;
    const QString montant = QString::fromUtf8("Montant");
    const QString pourcentage = QString::fromUtf8("Pourcentage");
    const QString position[3] = {QString::fromUtf8("Solde Cash"),
                                 QString::fromUtf8("Evaluation des titres"),
                                 QString::fromUtf8("Evaluation totale")};
    AddBlock(detail, 0.0, 4.0, QString::fromUtf8("Position courante"), montant, pourcentage,
             position, {"ECashPo", "EEvalTi", "EEvalGlo"}, {"ECashPoP", "EEvalTiP", ""});
    AddBlock(detail, right, 4.0, QString::fromUtf8("Position en liquidation"), montant, pourcentage,
             position, {"ECashPoL", "EEvalTiL", "EEvalGloL"}, {"ECashPoPL", "EEvalTiPL", ""});
    AddBlock(detail, 0.0, 44.0, QString::fromUtf8("Position au R.M"),
             QString::fromUtf8("Montant brut"), QString::fromUtf8("Montant net"),
             {QString::fromUtf8("Montant des achats"), QString::fromUtf8("Montant des ventes"),
              QString::fromUtf8("Solde en liquidation")},
             {"EAchRMB", "EVeRMB", "ESoLiqB"}, {"EAchRMN", "EVeRMN", "ESoLiqN"});
    AddBlock(detail, right, 44.0, QString::fromUtf8("Couverture au R.M"), montant, QString(),
             {QString::fromUtf8("Couverture totale"), QString::fromUtf8("Couverture engagée"),
              QString::fromUtf8("Couverture disponible")},
             {"ECouvT", "ECouvE", "ECouvD"}, {"", "", ""});
    edition::AddFooterBand(QR, width);

    // The figures are those of the main window's summary; the shares come without "%".
    const FiguresSynthese f = CalculeSynthese(doc);
    const float facteur = doc.Facteur;
    const auto montantDe = [&](const char* name, std::int64_t cents) {
        QR.Item(name)->Caption = Nombre(edition::Montant(cents, facteur));
    };
    const auto partDe = [&](const char* name, double valeur) {
        QR.Item(name)->Caption = Nombre(valeur);
    };
    montantDe("ECashPo", f.CashPo);
    montantDe("EEvalTi", f.EvalTi);
    montantDe("EEvalGlo", f.EvalGlo);
    partDe("ECashPoP", f.CashPoP);
    partDe("EEvalTiP", f.EvalTiP);
    montantDe("ECashPoL", f.CashPoL);
    montantDe("EEvalTiL", f.EvalTiL);
    montantDe("EEvalGloL", f.EvalGloL);
    partDe("ECashPoPL", f.CashPoPL);
    partDe("EEvalTiPL", f.EvalTiPL);
    montantDe("EAchRMB", f.AchRMB);
    montantDe("EAchRMN", f.AchRMN);
    montantDe("EVeRMB", f.VeRMB);
    montantDe("EVeRMN", f.VeRMN);
    montantDe("ESoLiqB", f.SoLiqB);
    montantDe("ESoLiqN", f.SoLiqN);
    montantDe("ECouvT", f.CouvT);
    montantDe("ECouvE", f.CouvE);
    montantDe("ECouvD", f.CouvD);
}

TEdit1::~TEdit1() {
    if (Edit1 == this)
        Edit1 = nullptr;
}

// A block: its heading, the captions of its one or two value columns, then three rows of a
// caption and its values. An empty name leaves that cell empty.
void TEdit1::AddBlock(TQRBand& band, double x, double y, const QString& heading,
                      const QString& column1, const QString& column2, const QString (&rows)[3],
                      const QString (&names1)[3], const QString (&names2)[3]) {
    const Qt::Alignment droite = Qt::AlignRight | Qt::AlignVCenter;
    const double x1 = x + kCaptionWidth;
    const double x2 = x1 + kValueWidth;
    TQRItem& titre = band.AddLabel(heading, heading, QRectF(x, y, kBlockWidth, 7.0));
    titre.Bold = true;
    titre.FontSize = 11.0;
    band.AddLabel(heading + " 1", column1, QRectF(x1, y + 8.0, kValueWidth, kLine), droite).Bold =
        true;
    if (!column2.isEmpty())
        band.AddLabel(heading + " 2", column2, QRectF(x2, y + 8.0, kValueWidth, kLine), droite)
            .Bold = true;
    for (int i = 0; i < 3; ++i) {
        const double top = y + 8.0 + kLine * (i + 1);
        band.AddLabel(heading + " " + rows[i], rows[i], QRectF(x, top, kCaptionWidth, kLine));
        if (!names1[i].isEmpty())
            band.AddLabel(names1[i], QString(), QRectF(x1, top, kValueWidth, kLine), droite);
        if (!names2[i].isEmpty())
            band.AddLabel(names2[i], QString(), QRectF(x2, top, kValueWidth, kLine), droite);
    }
}
