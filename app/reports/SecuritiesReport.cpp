#include "reports/SecuritiesReport.h"

#include "reports/ReportCommon.h"
#include "views/ViewText.h"

#include "platform/MemTable.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

TEdit2* Edit2 = nullptr;

namespace {

using edition::Contenu;

// Left to right, as the table holds them. A code is a Sicovam number.
const edition::Colonne kColonnes[] = {
    {"CodeVal", "Valeur", Contenu::Texte, "00000000"},
    {"Libelle", "Libellé", Contenu::Libre},
    {"NbInPort", "Quantité en Portefeuille.", Contenu::Entier},
    {"PxMoyAchBrut", "Prix. Moyen Achat Brut", Contenu::Montant},
    {"PxMoyAchNet", "Prix Moyen Achat Net", Contenu::Montant},
    {"CoutBrut", "Coût Achat Brut", Contenu::Montant},
    {"CoutNet", "Coût Achat Net", Contenu::Montant},
    {"ValorBrut", "Valorisation Brute", Contenu::Montant},
    {"ValorNet", "Valorisation Nette", Contenu::Montant},
    {"PlValLatBrut", "+Value Latente Brute", Contenu::Montant, "", true},
    {"PlValLatNet", "+Value Latente Nette", Contenu::Montant, "", true},
    {"PlValBrut", "+Value réalisée brute", Contenu::Montant, "", true},
    {"PlValNet", "+Value réalisée nette", Contenu::Montant, "", true},
};

constexpr double kFont = 7.0;

} // namespace

TEdit2::TEdit2(QWidget* owner, TCorv* portefeuille) : FPortefeuille(portefeuille) {
    Edit2 = this;
    QR.Owner = owner;
    QR.ReportTitle = QString("Synthèse des titres");
    QR.Orientation = QPageLayout::Landscape;
    QR.DataSet = &TheDatas().Repart;
    const double width = QR.DefaultArea().width();

    edition::AddTitleBand(QR, *FPortefeuille, QR.ReportTitle, width);
    TQRBand& entete = QR.AddBand(TQRBandType::ColumnHeader, "ColumnHeaderBand", 12.0);
    entete.LineBelow = true;
    TQRBand& detail = QR.AddBand(TQRBandType::Detail, "DetailBand", 5.0);
    TQRBand& total = QR.AddBand(TQRBandType::Summary, "SummaryBand", 7.0);
    total.LineAbove = true;
    // The four gain columns are summed under the list.
    const double taille =
        edition::AddColumns(entete, detail, &total, "Repart", kColonnes, kFont, width);
    TQRItem& libelle = total.AddLabel("Total", "Total", QRectF(0.0, 1.0, 30.0, 5.0));
    libelle.FontSize = taille;
    libelle.Bold = true;
    edition::AddFooterBand(QR, width);

    FillRepart();
}

TEdit2::~TEdit2() {
    if (Edit2 == this)
        Edit2 = nullptr;
}

void TEdit2::FillRepart() {
    TDatas& d = TheDatas();
    platform::MemTable& table = d.Repart;
    const platform::ControlsDisabled calme(table);
    table.EmptyTable();
    const float facteur = FPortefeuille->Facteur;
    const auto montant = [facteur](std::int32_t cents) { return Montant(cents, facteur); };
    // Rows go in after the last one, so the report lists the securities in the document's
    // order; the other fields of the table stay empty.
    for (const auto& titre : FPortefeuille->Titres) {
        const BilanTitre& b = titre->Bilan;
        table.Append();
        d.RepartCodeVal.SetAsString(titre->Code);
        d.RepartLibelle.SetAsString(titre->Libelle);
        d.RepartNbInPort.SetAsInteger(b.NbInPort);
        d.RepartPxMoyAchBrut.SetAsFloat(montant(b.PxMoyAchBrut));
        d.RepartPxMoyAchNet.SetAsFloat(MontantEuros(b.PxMoyAchNet, facteur));
        d.RepartCoutBrut.SetAsFloat(montant(b.CoutBrut));
        d.RepartCoutNet.SetAsFloat(montant(b.CoutNet));
        d.RepartValorBrut.SetAsFloat(montant(b.ValorBrut));
        d.RepartValorNet.SetAsFloat(montant(b.ValorNet));
        d.RepartPlValLatBrut.SetAsFloat(montant(b.PlValLatBrut));
        d.RepartPlValLatNet.SetAsFloat(montant(b.PlValLatNet));
        d.RepartPlValBrut.SetAsFloat(montant(b.PlValBrut));
        d.RepartPlValNet.SetAsFloat(montant(b.PlValNet));
        table.Post();
    }
}
