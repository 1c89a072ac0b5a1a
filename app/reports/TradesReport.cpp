#include "reports/TradesReport.h"

#include "reports/ReportCommon.h"
#include "views/ViewText.h"

#include "platform/MemTable.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

#include <QGuiApplication>
#include <QPalette>

TEdit3* Edit3 = nullptr;

namespace {

using edition::Contenu;

// Left to right, as the table holds them.
const edition::Colonne kColonnes[] = {
    {"Date", "Date", Contenu::Texte, "00/00/00"},
    {"Sens", "Sens", Contenu::Texte, "Achat|Vente"},
    {"Quantite", "Quantité", Contenu::Entier},
    {"Cours", "Cours", Contenu::Montant},
    {"Frais", "Frais", Contenu::Montant},
    {"PxMoyAchBrut", "Prix Moyen Achat Brut", Contenu::Montant},
    {"PxMoyAchNet", "Prix Moyen Achat Net", Contenu::Montant},
    {"PlValBrut", "+Value Brute", Contenu::Montant},
    {"PlValNet", "+Value Nette", Contenu::Montant},
};

constexpr double kFont = 8.0;

} // namespace

TEdit3::TEdit3(QWidget* owner, Valeurs* titre, TCorv* portefeuille)
    : FPortefeuille(portefeuille), FTitre(titre) {
    Edit3 = this;
    QR.Owner = owner;
    QR.ReportTitle = QString("Synthése de la valeur ") + QString::fromStdString(titre->Code);
    QR.Orientation = QPageLayout::Portrait;
    QR.DataSet = &TheDatas().Operes;
    const double width = QR.DefaultArea().width();

    edition::AddTitleBand(QR, *FPortefeuille, QR.ReportTitle, width,
                          QString::fromStdString(titre->Libelle));
    TQRBand& entete = QR.AddBand(TQRBandType::ColumnHeader, "ColumnHeaderBand", 10.0);
    entete.LineBelow = true;
    TQRBand& detail = QR.AddBand(TQRBandType::Detail, "QRBand3", 5.5);
    edition::AddColumns(entete, detail, nullptr, "Operes", kColonnes, kFont, width);
    detail.BeforePrint = [this](TQRBand& band, bool& printBand) {
        QRBand3BeforePrint(band, printBand);
    };
    edition::AddFooterBand(QR, width);

    FillOperes();
}

TEdit3::~TEdit3() {
    if (Edit3 == this)
        Edit3 = nullptr;
}

void TEdit3::QRBand3BeforePrint(TQRBand& band, bool& /*printBand*/) {
    const bool vente = TheDatas().OperesSens.AsString() == "Vente";
    band.Color = vente ? QGuiApplication::palette().color(QPalette::Button) : QColor(Qt::white);
}

void TEdit3::FillOperes() {
    TDatas& d = TheDatas();
    platform::MemTable& table = d.Operes;
    const platform::ControlsDisabled calme(table);
    table.EmptyTable();
    const float facteur = FPortefeuille->Facteur;
    const auto montant = [facteur](std::int32_t cents) { return Montant(cents, facteur); };
    // Rows go in after the last one, so the report lists the trades in the list's order.
    for (const auto& op : FTitre->Operes) {
        table.Append();
        d.OperesSens.SetAsString(op->Sens == 'A' ? "Achat" : "Vente");
        d.OperesDate.SetAsDateTime(op->Date);
        d.OperesQuantite.SetAsInteger(op->Quantite);
        d.OperesCours.SetAsFloat(montant(op->Cours));
        d.OperesFrais.SetAsFloat(montant(op->Frais));
        d.OperesPxMoyAchBrut.SetAsFloat(montant(op->PxMoyAchBrut));
        d.OperesPxMoyAchNet.SetAsFloat(MontantEuros(op->PxMoyAchNet, facteur));
        d.OperesPlValBrut.SetAsFloat(montant(op->PlValBrut));
        d.OperesPlValNet.SetAsFloat(montant(op->PlValNet));
        table.Post();
    }
}
