// The portfolio summary and its cash/securities pie, the display toggle between euros and
// the local currency, and the date pickers of the settlement dates and of the profitability
// period.

#include "window/Main.h"

#include "views/PieData.h"
#include "views/Synthese.h"
#include "views/ViewText.h"
#include "widgets/QtDates.h"
#include "window/MainViewWidgets.h"

#include "portfolio/Cv.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QDateEdit>
#include <QLabel>
#include <QPieSeries>
#include <QPieSlice>
#include <QToolButton>

#include <cmath>

namespace {

QString Texte(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

QPieSeries* DessineCamembert(QChartView* vue, const QString& titre,
                             const std::vector<PartCamembert>& parts) {
    QChart* chart = vue->chart();
    chart->removeAllSeries();
    chart->setTitle(titre);
    const std::vector<PartCamembert> visibles = RegroupePetitesParts(parts);
    if (visibles.empty())
        return nullptr;
    auto* serie = new QPieSeries;
    for (const PartCamembert& part : visibles)
        serie->append(Texte(part.Libelle), static_cast<qreal>(part.Valeur));
    for (QPieSlice* tranche : serie->slices()) {
        tranche->setLabel(tranche->label() + " " +
                          Texte(PourcentText(tranche->percentage() * 100.0)));
        tranche->setLabelVisible(true);
    }
    serie->setPieSize(0.6);
    chart->addSeries(serie);
    return serie;
}

void AfficheSigne(QLabel* label, const QString& texte, bool negatif) {
    label->setText(texte);
    label->setStyleSheet(negatif ? "color: rgb(255, 0, 0);" : "color: rgb(0, 0, 0);");
}

void TMainForm::ShowPortefeuille() {
    if (!FPortefeuille)
        return;
    const TCorv& doc = *FPortefeuille;
    const float facteur = doc.Facteur;
    const FiguresSynthese f = CalculeSynthese(doc);
    const auto montant = [facteur](QLabel* label, std::int64_t cents) {
        label->setText(Texte(MontantText(cents, facteur)));
    };
    const auto pourcent = [](QLabel* label, double valeur) {
        label->setText(Texte(PourcentText(valeur)));
    };
    MainViewWidgets& v = *FViews;
    montant(v.VCashPo, f.CashPo);
    montant(v.VEvalTi, f.EvalTi);
    montant(v.VEvalGlo, f.EvalGlo);
    pourcent(v.VCashPoP, f.CashPoP);
    pourcent(v.VEvalTiP, f.EvalTiP);
    montant(v.VCashPoL, f.CashPoL);
    montant(v.VEvalTiL, f.EvalTiL);
    montant(v.VEvalGloL, f.EvalGloL);
    pourcent(v.VCashPoPL, f.CashPoPL);
    pourcent(v.VEvalTiPL, f.EvalTiPL);
    montant(v.VAchRMB, f.AchRMB);
    montant(v.VVeRMB, f.VeRMB);
    montant(v.VSoLiqB, f.SoLiqB);
    montant(v.VAchRMN, f.AchRMN);
    montant(v.VVeRMN, f.VeRMN);
    montant(v.VSoLiqN, f.SoLiqN);
    montant(v.VCouvT, f.CouvT);
    montant(v.VCouvE, f.CouvE);
    montant(v.VCouvD, f.CouvD);

    const bool courant = v.Chart3->property("Tag").toInt() == 1;
    const QString titre = QString("Répartition cash/titre ") +
                          (courant ? QString("courante") : QString("en liquidation"));
    DessineCamembert(v.Chart3, titre,
                     courant ? PartsCashTitres(doc.Cash, doc.ValorNetAct)
                             : PartsCashTitres(doc.CashLiq, doc.ValorNet));
}

void TMainForm::PortCurClick(QWidget* bouton) {
    auto* clique = qobject_cast<QToolButton*>(bouton);
    if (clique == nullptr)
        return;
    if (!clique->isChecked()) {
        // A click on the button that is down leaves it down.
        clique->setChecked(true);
        return;
    }
    QToolButton* autre = clique == FViews->PortCur ? FViews->PortLiq : FViews->PortCur;
    autre->setChecked(false);
    FViews->Chart3->setProperty("Tag", clique == FViews->PortCur ? 1 : 0);
    ShowPortefeuille();
}

void TMainForm::CommuteExecute() {
    if (!FPortefeuille)
        return;
    TCorv& doc = *FPortefeuille;
    const QString local = Texte(doc.LibLocal);
    if (Commute->isChecked()) {
        Commute->setText(QString("&Affichage en Euros"));
        LibMon->setText(QString("Affichage en ") + local);
        doc.Facteur = doc.Taux;
        Commute->setChecked(false);
    } else {
        Commute->setText(QString("&Affichage en ") + local);
        LibMon->setText(QString("Affichage en Euros"));
        doc.Facteur = 1.0f;
        Commute->setChecked(true);
    }
    RefreshViews(nullptr);
}

namespace {

// A settlement date taken from its picker, as a whole day in the document and in the
// settings. The pickers also change when the program shows a document's dates: only a date
// that differs from the document's is the user's, and false tells the caller that nothing
// changed.
bool DateLiquidationChoisie(const QDateEdit* picker, double& reglage, double& dateLiq) {
    const double jour = FromQDate(picker->date());
    if (jour == std::trunc(dateLiq))
        return false;
    dateLiq = jour;
    reglage = jour;
    return true;
}

} // namespace

void TMainForm::DateLPExit() {
    if (FPortefeuille && DateLiquidationChoisie(DateLP, FRegistry->Values().Document.DateLiqP,
                                                FPortefeuille->DateLiqP)) {
        SaveSettings();
        RefreshViews(nullptr);
    }
}

void TMainForm::DateLCExit() {
    if (FPortefeuille && DateLiquidationChoisie(DateLC, FRegistry->Values().Document.DateLiqC,
                                                FPortefeuille->DateLiqC)) {
        SaveSettings();
        RefreshViews(nullptr);
    }
}

void TMainForm::DateRentChange() {
    // At start the picker gets its date before there is a document.
    if (!FPortefeuille)
        return;
    FPortefeuille->DateRent = FromQDate(DateRent->date());
    FRegistry->Values().DateRent = std::trunc(FPortefeuille->DateRent);
    SaveSettings();
    RefreshViews(nullptr);
}
