#include "reports/PortfolioReport.h"

#include "reports/ReportCommon.h"
#include "views/Synthese.h"
#include "views/ViewText.h"

#include "platform/Numbers.h"
#include "portfolio/Cv.h"

#include <QStringList>

#include <algorithm>

TEdit1* Edit1 = nullptr;

namespace {

constexpr double kPolice = 9.0;    // points: captions and figures
constexpr double kPoliceMin = 6.0; // points
constexpr double kTitreBloc = 11.0;
constexpr double kEcart = 3.0; // millimetres between the columns of a block
constexpr double kLine = 6.0;

QString Nombre(double value) {
    return QString::fromStdString(platform::FormatNumber(value));
}

// The four blocks share one layout, wide enough for the longest row caption, for any amount
// of 32-bit cents and for every column heading.
struct Mesures {
    double Police = kPolice;
    double Legende = 0.0; // row captions
    double Valeur = 0.0;  // each value column
    double Bloc() const { return Legende + 2.0 * (kEcart + Valeur); }
};

Mesures Mesure(const QStringList& legendes, const QStringList& entetes, double police) {
    Mesures m;
    m.Police = police;
    for (const QString& legende : legendes)
        m.Legende = std::max(m.Legende, TQuickRep::TextWidth(legende, police, false));
    m.Legende = TQuickRep::CellWidthFor(m.Legende);
    // The shown amounts keep 9 significant digits: the widest is as long as the widest
    // amount under the report mask.
    m.Valeur = TQuickRep::TextWidth(edition::GabaritMontant(police, false), police, false);
    for (const QString& entete : entetes)
        m.Valeur = std::max(m.Valeur, TQuickRep::TextWidth(entete, police, true));
    m.Valeur = TQuickRep::CellWidthFor(m.Valeur);
    return m;
}

// The largest size at which two blocks stand side by side on the page.
Mesures MesureBlocs(const QStringList& legendes, const QStringList& entetes, double largeur) {
    Mesures m = Mesure(legendes, entetes, kPolice);
    for (double police = kPolice - 0.5; 2.0 * m.Bloc() + kEcart > largeur && police >= kPoliceMin;
         police -= 0.5)
        m = Mesure(legendes, entetes, police);
    return m;
}

// A block: its heading, the captions of its one or two value columns, then three rows of a
// caption and its values. An empty name leaves that cell empty.
void AjouteBloc(TQRBand& band, const Mesures& m, double x, double y, const QString& heading,
                const QString& column1, const QString& column2, const QString (&rows)[3],
                const QString (&names1)[3], const QString (&names2)[3]) {
    const Qt::Alignment droite = Qt::AlignRight | Qt::AlignVCenter;
    const double x1 = x + m.Legende + kEcart;
    const double x2 = x1 + m.Valeur + kEcart;
    const auto texte = [&](const QString& name, const QString& caption, const QRectF& rect,
                           Qt::Alignment alignment, bool bold) {
        TQRItem& item = band.AddLabel(name, caption, rect, alignment);
        item.FontSize = m.Police;
        item.Bold = bold;
    };
    TQRItem& titre = band.AddLabel(heading, heading, QRectF(x, y, m.Bloc(), 7.0));
    titre.Bold = true;
    titre.FontSize = kTitreBloc;
    texte(heading + " 1", column1, QRectF(x1, y + 8.0, m.Valeur, kLine), droite, true);
    if (!column2.isEmpty())
        texte(heading + " 2", column2, QRectF(x2, y + 8.0, m.Valeur, kLine), droite, true);
    for (int i = 0; i < 3; ++i) {
        const double top = y + 8.0 + kLine * (i + 1);
        texte(heading + " " + rows[i], rows[i], QRectF(x, top, m.Legende, kLine),
              Qt::AlignLeft | Qt::AlignVCenter, false);
        if (!names1[i].isEmpty())
            texte(names1[i], QString(), QRectF(x1, top, m.Valeur, kLine), droite, false);
        if (!names2[i].isEmpty())
            texte(names2[i], QString(), QRectF(x2, top, m.Valeur, kLine), droite, false);
    }
}

} // namespace

TEdit1::TEdit1(QWidget* owner, TCorv* portefeuille) : FPortefeuille(portefeuille) {
    Edit1 = this;
    QR.Owner = owner;
    QR.ReportTitle = QString("Synthése du portefeuille");
    QR.Orientation = QPageLayout::Portrait;
    const double width = QR.DefaultArea().width();
    const TCorv& doc = *FPortefeuille;

    const QString montant = QString("Montant");
    const QString pourcentage = QString("Pourcentage");
    const QString brut = QString("Montant brut");
    const QString net = QString("Montant net");
    const QString position[3] = {QString("Solde Cash"), QString("Evaluation des titres"),
                                 QString("Evaluation totale")};
    const QString rm[3] = {QString("Montant des achats"), QString("Montant des ventes"),
                           QString("Solde en liquidation")};
    const QString couverture[3] = {QString("Couverture totale"), QString("Couverture engagée"),
                                   QString("Couverture disponible")};
    QStringList legendes;
    for (const auto* lignes : {&position, &rm, &couverture})
        for (const QString& ligne : *lignes)
            legendes << ligne;
    const Mesures m = MesureBlocs(legendes, {montant, pourcentage, brut, net}, width);

    edition::AddTitleBand(QR, doc, QR.ReportTitle, width);
    TQRBand& detail = QR.AddBand(TQRBandType::Detail, "DetailBand", 80.0);
    const double right = std::max(width - m.Bloc(), m.Bloc() + kEcart);
    AjouteBloc(detail, m, 0.0, 4.0, QString("Position courante"), montant, pourcentage, position,
               {"ECashPo", "EEvalTi", "EEvalGlo"}, {"ECashPoP", "EEvalTiP", ""});
    AjouteBloc(detail, m, right, 4.0, QString("Position en liquidation"), montant, pourcentage,
               position, {"ECashPoL", "EEvalTiL", "EEvalGloL"}, {"ECashPoPL", "EEvalTiPL", ""});
    AjouteBloc(detail, m, 0.0, 44.0, QString("Position au R.M"), brut, net, rm,
               {"EAchRMB", "EVeRMB", "ESoLiqB"}, {"EAchRMN", "EVeRMN", "ESoLiqN"});
    AjouteBloc(detail, m, right, 44.0, QString("Couverture au R.M"), montant, QString(), couverture,
               {"ECouvT", "ECouvE", "ECouvD"}, {"", "", ""});
    edition::AddFooterBand(QR, width);

    // The figures are those of the main window's summary; the shares come without "%".
    const FiguresSynthese f = CalculeSynthese(doc);
    const float facteur = doc.Facteur;
    const auto montantDe = [&](const char* name, std::int64_t cents) {
        QR.Item(name)->Caption = QString::fromStdString(MontantText(cents, facteur));
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
