// The securities summary with its repartition pie, and the configurable repartition list.

#include "window/Main.h"

#include "dialogs/ColumnChooserDialog.h"
#include "views/ColonnesRep.h"
#include "views/PieData.h"
#include "views/ViewSort.h"
#include "views/ViewText.h"
#include "widgets/QtDates.h"
#include "window/MainViewWidgets.h"
#include "window/Registry.h"

#include "portfolio/Cv.h"

#include <QChartView>
#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPieSeries>
#include <QPieSlice>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QString Texte(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void TMainForm::CreateRepartHandlers() {
    QTreeWidget* list = FViews->ListRepart;
    list->setProperty("Tag", 1);
    connect(list->header(), &QHeaderView::sectionClicked, this, [this, list](int colonne) {
        Guard([&] {
            CliqueColonne(list, colonne);
            SortRepart();
        });
    });
    SuitSourisLignes(list, [this, list](QMouseEvent* e) {
        if (e->type() == QEvent::MouseMove)
            StatusPanel2->setText(TitreSurvole(list, e->position().toPoint()));
        else if (e->button() == Qt::RightButton)
            Guard([&] { ListRepartMouseDown(); });
    });
}

void TMainForm::SortRepart() {
    const int tag = FViews->ListRepart->property("Tag").toInt();
    const std::vector<int> ids = ColonnesAffichees(FColRep);
    TrieLignes(FViews->ListRepart, [tag, &ids](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        const auto* ra = Record<Valeurs>(a);
        const auto* rb = Record<Valeurs>(b);
        // Rows whose record is missing compare equal.
        return ra != nullptr && rb != nullptr ? CompareRepartBy(*ra, *rb, tag, ids) : 0;
    });
}

void TMainForm::ShowRepartition() {
    if (!FPortefeuille)
        return;
    TCorv& doc = *FPortefeuille;
    MainViewWidgets& v = *FViews;
    const QString debut = QString("Répartition du portefeuille par ");
    if (FRepartBase != kBaseValorisation && FRepartBase != kBaseCout) {
        DessineCamembert(v.Chart2, QString(), {});
        return;
    }
    const QString titre = debut + (FRepartBase == kBaseValorisation ? QString("Valorisation")
                                                                    : QString("Coût d'achat"));

    // The document keeps this order: the tree, the refresh walk and the saved file follow it.
    SortTitresRepart(doc.Titres, FRepartGroup);
    if (QPieSeries* serie = DessineCamembert(
            v.Chart2, titre, PartsRepartition(doc.Titres, FRepartGroup, FRepartBase)))
        connect(serie, &QPieSeries::hovered, this, [this](QPieSlice* tranche, bool dessus) {
            Chart2MouseMove(dessus && tranche != nullptr ? tranche->label() : QString());
        });

    const float facteur = doc.Facteur;
    const auto montant = [facteur](QLabel* label, std::int32_t cents) {
        label->setText(Texte(MontantText(cents, facteur)));
    };
    montant(v.GCoB, doc.CoutBrut);
    montant(v.GCoN, doc.CoutNet);
    montant(v.GReaN, doc.ValorNet);
    montant(v.GReaB, doc.ValorBrut);
    const auto signe = [facteur](QLabel* label, std::int32_t cents) {
        AfficheSigne(label, Texte(MontantText(cents, facteur)), cents < 0);
    };
    signe(v.GPvB, doc.PlValBrut);
    signe(v.GPvN, doc.PlValNet);
    signe(v.GPvLB, doc.PlValLatBrut);
    signe(v.GPvLN, doc.PlValLatNet);
    signe(v.GPvLNSRD, doc.PlValLatNetSRD);

    // Yields are kept × 10000: shown as percentages, never scaled by the display factor.
    doc.ComputeRentabilites(FromQDate(DateRent->date()));
    v.VRentTiB->setText(Texte(PourcentText(static_cast<double>(doc.RentBrut) * 0.01)));
    v.VRentTiN->setText(Texte(PourcentText(static_cast<double>(doc.RentNet) * 0.01)));
    montant(v.VTotFrPer, doc.TotFraisPer);
}

void TMainForm::BtNbrClick(QWidget* bouton) {
    auto* clique = qobject_cast<QToolButton*>(bouton);
    if (clique == nullptr)
        return;
    if (clique->isChecked()) {
        FRepartBase = clique == FViews->BtVal ? kBaseValorisation : kBaseCout;
        (clique == FViews->BtVal ? FViews->BtCout : FViews->BtVal)->setChecked(false);
    } else {
        // One of the two is always down.
        clique->setChecked(true);
    }
    ShowRepartition();
}

void TMainForm::BtBourseClick(QWidget* bouton) {
    auto* clique = qobject_cast<QToolButton*>(bouton);
    if (clique == nullptr)
        return;
    const bool bourse = clique == FViews->BtBourse;
    if (clique->isChecked()) {
        FRepartGroup = bourse ? kRepartBourse : kRepartActivite;
        (bourse ? FViews->BtActivite : FViews->BtBourse)->setChecked(false);
    } else {
        FRepartGroup &= static_cast<std::uint8_t>(~(bourse ? kRepartBourse : kRepartActivite));
    }
    ShowRepartition();
}

void TMainForm::Chart2MouseMove(const QString& libelle) {
    StatusPanel2->setText(QString());
    if (libelle.isEmpty() || !FPortefeuille)
        return;
    const QString code = libelle.section(' ', 0, 0);
    const Valeurs* titre = FPortefeuille->FindTitre(code.toStdString());
    if (titre == nullptr)
        return;
    const std::int32_t valeur =
        FRepartBase == kBaseCout ? titre->Bilan.CoutBrut : titre->Bilan.ValorBrut;
    StatusPanel2->setText(
        Texte(titre->Libelle + " " + MontantText(valeur, FPortefeuille->Facteur)));
}

void TMainForm::BuildRepartColumns() {
    QTreeWidget* list = FViews->ListRepart;
    list->clear();
    QStringList libelles{"Valeur"};
    for (const int id : ColonnesAffichees(FColRep))
        libelles << QString::fromUtf8(ColonneRepById(id)->Libelle);
    list->setColumnCount(static_cast<int>(libelles.size()));
    list->setHeaderLabels(libelles);
    QTreeWidgetItem* entetes = list->headerItem();
    for (int c = 0; c < list->columnCount(); ++c)
        entetes->setIcon(c, QIcon());
    entetes->setIcon(0, Imagemini(kImageCroissant));
    list->setColumnWidth(0, 70);
    for (int c = 1; c < list->columnCount(); ++c)
        list->setColumnWidth(c, list->header()->sectionSizeHint(c));
    FRepartAFitter = true;
}

void TMainForm::FillRepart() {
    QTreeWidget* list = FViews->ListRepart;
    const EtatListe etat = MemoriseListe(list);
    list->setUpdatesEnabled(false);
    list->clear();
    list->setProperty("Tag", 1);
    if (FPortefeuille) {
        const std::vector<int> ids = ColonnesAffichees(FColRep);
        const bool detenus = FViews->OnlyHold->isChecked();
        const float facteur = FPortefeuille->Facteur;
        for (const std::unique_ptr<Valeurs>& titre : FPortefeuille->Titres) {
            if (detenus && titre->Bilan.NbInPort == 0)
                continue;
            QStringList cellules{Texte(titre->Code)};
            for (const int id : ids)
                cellules << Texte(ColonneRepText(*ColonneRepById(id), *titre, facteur));
            auto* ligne = new QTreeWidgetItem(list, cellules);
            SetRecord(ligne, titre.get());
            for (std::size_t k = 0; k < ids.size(); ++k) {
                const int c = static_cast<int>(k) + 1;
                ligne->setTextAlignment(c, Qt::AlignCenter);
                const bool rouge = ColonneRepById(ids[k])->RougeSiNegatif() &&
                                   !CommenceParChiffre(ligne->text(c).toStdString());
                ligne->setForeground(c, rouge ? kRouge : QColor(Qt::black));
            }
        }
        if (FRepartAFitter && list->topLevelItemCount() > 0) {
            for (int c = 1; c < list->columnCount(); ++c)
                list->resizeColumnToContents(c);
            FRepartAFitter = false;
        }
    }
    RestaureListe(list, etat);
    list->setUpdatesEnabled(true);
}

void TMainForm::OnlyHoldClick() {
    FillRepart();
}

void TMainForm::ListRepartMouseDown() {
    std::array<std::uint8_t, kColRepSize> ids = FColRep;
    if (RunColumnChooser(ids))
        ColRepChanged(ids);
}

bool TMainForm::RunColumnChooser(std::array<std::uint8_t, kColRepSize>& ids) {
    TFColRep dialog(this, &ids, 0);
    dialog.FillLists();
    return FPrompts->RunDialog(dialog);
}

void TMainForm::ColRepChanged(const std::array<std::uint8_t, kColRepSize>& ids) {
    FColRep = ids;
    BuildRepartColumns();
    FillRepart();
    const QMessageBox::StandardButton reponse =
        FPrompts->Message(this, QString(), "Souhaitez vous enregistrer cette configuration?",
                          QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    if (reponse != QMessageBox::Yes)
        return;
    OpenedKey key(*FRegistry);
    FRegistry->WriteBinary("COLREP2", std::vector<std::uint8_t>(FColRep.begin(), FColRep.end()));
    key.Close();
}
