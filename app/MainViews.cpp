// The navigation tree and the recomputation that precedes every redisplay. The lists,
// summaries and charts of the pages join this unit's callers as they are built.

#include "Main.h"

#include "portfolio/Cv.h"

#include <QTreeWidget>

void TMainForm::RefreshViews(Valeurs* titre) {
    if (!FPortefeuille)
        return;
    TCorv& doc = *FPortefeuille;
    for (const std::unique_ptr<Valeurs>& valeur : doc.Titres) {
        if (titre != nullptr && valeur.get() != titre)
            continue;
        doc.SortOperes(valeur.get());
        doc.ComputeTitre(valeur.get());
    }
    doc.ComputeTotals();
}

void TMainForm::BuildTree() {
    RefreshViews(nullptr);
    LT1->clear();
    auto* racine = new QTreeWidgetItem(LT1, {"Portefeuille"});
    new QTreeWidgetItem(racine, {"Cash"});
    auto* detenus = new QTreeWidgetItem(racine, {"Titres en portefeuille"});
    auto* suivis = new QTreeWidgetItem(racine, {"Titres suivis"});
    if (FPortefeuille) {
        for (const std::unique_ptr<Valeurs>& valeur : FPortefeuille->Titres) {
            auto* noeud = new QTreeWidgetItem(valeur->Bilan.NbInPort != 0 ? detenus : suivis,
                                              {QString::fromStdString(valeur->Libelle)});
            noeud->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(valeur.get())));
        }
    }
    LT1->expandAll();
    LT1->setCurrentItem(racine);
    FSelTitre = nullptr;
}

void TMainForm::BuildRepartColumns() {
    // The repartition list is not part of the window yet; FColRep keeps the user's columns
    // for it and is written back unchanged.
}
