// The lists of records: securities with their last quote, trades of a security, cash
// movements; their column-click sorting (shared with the repartition list), colours, double
// clicks and row hints.

#include "window/Main.h"

#include "views/ViewSort.h"
#include "views/ViewText.h"
#include "window/MainViewWidgets.h"

#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "platform/Sort.h"
#include "portfolio/Cv.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTreeWidget>

#include <functional>
#include <utility>
#include <vector>

namespace {

QString Texte(const std::string& text) {
    return QString::fromStdString(text);
}

// Hands the mouse events of a list's rows to the window.
class FiltreSouris : public QObject {
public:
    FiltreSouris(QObject* parent, std::function<void(QMouseEvent*)> action)
        : QObject(parent), action_(std::move(action)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress)
            action_(static_cast<QMouseEvent*>(event));
        return false;
    }

private:
    std::function<void(QMouseEvent*)> action_;
};

using Comparaison = std::function<int(const QTreeWidgetItem*, const QTreeWidgetItem*)>;

// Rows in the order of compare; rows that compare equal keep their order.
void TrieLignes(QTreeWidget* list, const Comparaison& compare) {
    const EtatListe etat = MemoriseListe(list);
    const QList<QTreeWidgetItem*> lignes = list->invisibleRootItem()->takeChildren();
    std::vector<std::pair<QTreeWidgetItem*, int>> rangees;
    rangees.reserve(static_cast<std::size_t>(lignes.size()));
    for (int i = 0; i < lignes.size(); ++i)
        rangees.emplace_back(lignes.at(i), i);
    platform::QuickSort(rangees, [&](const auto& a, const auto& b) {
        const int r = compare(a.first, b.first);
        if (r != 0)
            return r;
        return a.second < b.second ? -1 : (a.second > b.second ? 1 : 0);
    });
    QList<QTreeWidgetItem*> triees;
    triees.reserve(lignes.size());
    for (const auto& rangee : rangees)
        triees.append(rangee.first);
    list->addTopLevelItems(triees);
    RestaureListe(list, {nullptr, etat.Courant});
}

void Aligne(QTreeWidgetItem* item, std::initializer_list<int> colonnes, Qt::Alignment sens) {
    for (const int c : colonnes)
        item->setTextAlignment(c, sens | Qt::AlignVCenter);
}

void Colore(QTreeWidgetItem* item, const QColor& couleur) {
    for (int c = 0; c < item->columnCount(); ++c)
        item->setForeground(c, couleur);
}

} // namespace

void TMainForm::CreateListHandlers() {
    MainViewWidgets& v = *FViews;
    v.ListTitre->headerItem()->setIcon(0, Imagemini(kImageCroissant));
    v.LvOp->headerItem()->setIcon(1, Imagemini(kImageCroissant));
    v.LvOp->setProperty("Tag", 2);
    v.ListTitre->setProperty("Tag", 1);
    v.ListRepart->setProperty("Tag", 1);

    const std::vector<std::pair<QTreeWidget*, std::vector<int>>> largeurs = {
        {v.ListTitre, {80, 200, 120, 90, 80, 90, 90}},
        {v.LvOp, {50, 75, 60, 90, 80, 100, 100, 100, 100}},
        {v.LstCash, {75, 70, 110, 300}},
    };
    v.LstCash->header()->setStretchLastSection(true);
    for (const auto& [list, colonnes] : largeurs) {
        for (std::size_t c = 0; c < colonnes.size(); ++c)
            list->setColumnWidth(static_cast<int>(c), colonnes[c]);
    }

    for (QTreeWidget* list : {v.LvOp, v.ListTitre, v.ListRepart})
        connect(list->header(), &QHeaderView::sectionClicked, this,
                [this, list](int colonne) { Guard([&] { ListColumnClick(list, colonne); }); });

    connect(v.ListTitre, &QTreeWidget::itemDoubleClicked, this,
            [this] { Guard([&] { ListTitreDblClick(); }); });
    // Editing a trade or a movement is the business of the editing commands: a double click
    // runs them as their menu entries do, and does nothing while they are not available.
    connect(v.LvOp, &QTreeWidget::itemDoubleClicked, UpdOp, [this] { UpdOp->trigger(); });
    connect(v.LstCash, &QTreeWidget::itemDoubleClicked, UpdCash, [this] { UpdCash->trigger(); });
    connect(v.LvOp, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupOperes->popup(FViews->LvOp->viewport()->mapToGlobal(at));
    });
    connect(v.LstCash, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupCash->popup(FViews->LstCash->viewport()->mapToGlobal(at));
    });

    for (QTreeWidget* list : {v.ListTitre, v.ListRepart}) {
        list->setMouseTracking(true);
        list->viewport()->setMouseTracking(true);
        list->viewport()->installEventFilter(new FiltreSouris(list, [this, list](QMouseEvent* e) {
            if (e->type() == QEvent::MouseMove)
                ListTitreMouseMove(list, e->position().toPoint());
            else if (list == FViews->ListRepart && e->button() == Qt::RightButton)
                Guard([&] { ListRepartMouseDown(); });
        }));
    }
}

void TMainForm::FillTitres() {
    QTreeWidget* list = FViews->ListTitre;
    const EtatListe etat = MemoriseListe(list);
    list->clear();
    list->setProperty("Tag", 1);
    if (!FPortefeuille)
        return;
    const float facteur = FPortefeuille->Facteur;
    for (const std::unique_ptr<Valeurs>& titre : FPortefeuille->Titres) {
        if (!titre->SuiviAuto)
            continue;
        const InfosCours& infos = titre->Infos;
        auto* ligne = new QTreeWidgetItem(
            list,
            {Texte(titre->Code), Texte(titre->Libelle),
             Texte(DateCoursText(infos.Date, infos.Heure, "-")),
             Texte(MontantText(infos.Cours, facteur)),
             Texte(platform::FormatNumber(static_cast<double>(infos.Variation))),
             Texte(MontantText(infos.Haut, facteur)), Texte(MontantText(infos.Bas, facteur))});
        SetRecord(ligne, titre.get());
        if (infos.Variation > 0)
            ligne->setIcon(0, Imagemini(kImageHausse));
        else if (infos.Variation < 0)
            ligne->setIcon(0, Imagemini(kImageBaisse));
        else
            ligne->setIcon(0, ImageVide());
        Aligne(ligne, {2}, Qt::AlignHCenter);
        Aligne(ligne, {3, 4, 5, 6}, Qt::AlignRight);
        Colore(ligne, titre->Bilan.NbInPort != 0 ? QColor(Qt::black) : kGrisInactif);
    }
    RestaureListe(list, etat);
}

void TMainForm::FillOperes(Valeurs* titre) {
    QTreeWidget* list = FViews->LvOp;
    const EtatListe etat = MemoriseListe(list);
    list->setUpdatesEnabled(false);
    list->clear();
    // Back to ascending date order after every fill, unless descending date order was chosen.
    if (list->property("Tag").toInt() != -2)
        list->setProperty("Tag", 2);
    const QString titreTexte =
        titre != nullptr ? Texte(titre->Code + " - " + titre->Libelle) : QString();
    for (QLabel* label : {FViews->Libelle, FViews->Libelle1, FViews->Libelle2})
        label->setText(titreTexte);
    if (titre != nullptr && FPortefeuille) {
        const float facteur = FPortefeuille->Facteur;
        const auto plusValue = [&](std::int32_t cents) {
            return cents != 0 ? Texte(MontantText(cents, facteur)) : QString();
        };
        for (const std::unique_ptr<Operes>& op : titre->Operes) {
            auto* ligne = new QTreeWidgetItem(
                list, {QString(QChar::fromLatin1(op->Sens)), Texte(platform::DateToStr(op->Date)),
                       QString::number(op->Quantite), Texte(MontantText(op->Cours, facteur)),
                       Texte(MontantText(op->Frais, facteur)),
                       Texte(MontantText(op->PxMoyAchBrut, facteur)),
                       Texte(EurosText(op->PxMoyAchNet, facteur)), plusValue(op->PlValBrut),
                       plusValue(op->PlValNet)});
            SetRecord(ligne, op.get());
            ligne->setIcon(0, op->Pointe ? Imagemini(kImagePointe) : ImageVide());
            Aligne(ligne, {0, 1}, Qt::AlignHCenter);
            Aligne(ligne, {2, 3, 4, 5, 6, 7, 8}, Qt::AlignRight);
            if (op->Sens == 'V') {
                for (int c = 0; c < ligne->columnCount(); ++c)
                    ligne->setBackground(c, kFondVente);
            }
            // Gains green, losses red, on the sales' green whatever the trade's sense.
            for (const int c : {7, 8}) {
                const std::string texte = ligne->text(c).toStdString();
                if (texte.empty())
                    continue;
                ligne->setForeground(c, CommenceParChiffre(texte) ? kVertSurVente : kRougeSurVente);
                ligne->setBackground(c, kFondVente);
            }
        }
    }
    SortList(list);
    RestaureListe(list, etat);
    list->setUpdatesEnabled(true);
}

void TMainForm::FillCash() {
    QTreeWidget* list = FViews->LstCash;
    const EtatListe etat = MemoriseListe(list);
    list->clear();
    if (!FPortefeuille)
        return;
    const float facteur = FPortefeuille->Facteur;
    for (const std::unique_ptr<Mvt>& mvt : FPortefeuille->Mouvements) {
        auto* ligne = new QTreeWidgetItem(
            list, {Texte(platform::DateToStr(mvt->Date)),
                   mvt->Sens == 'C' ? QString("Crédit") : QString("Débit"),
                   Texte(MontantText(mvt->Montant, facteur)), Texte(mvt->Comment)});
        SetRecord(ligne, mvt.get());
        Aligne(ligne, {0, 1}, Qt::AlignHCenter);
        Aligne(ligne, {2}, Qt::AlignRight);
        Colore(ligne, mvt->Sens == 'C' ? kVert : kRouge);
    }
    // The cash list always stands in date order.
    SortList(list);
    RestaureListe(list, etat);
    FViews->VCash->setText(Texte(MontantText(FPortefeuille->Cash, facteur)));
    FViews->CashL->setText(Texte(MontantText(FPortefeuille->CashLiq, facteur)));
}

void TMainForm::ListColumnClick(QTreeWidget* list, int column) {
    const ClicColonne clic = ColumnClick(list->property("Tag").toInt(), column);
    QTreeWidgetItem* entetes = list->headerItem();
    if (clic.ColonneSansImage >= 0 && clic.ColonneSansImage < list->columnCount())
        entetes->setIcon(clic.ColonneSansImage, QIcon());
    entetes->setIcon(column, Imagemini(clic.Image));
    list->setProperty("Tag", clic.Tag);
    SortList(list);
}

void TMainForm::SortList(QTreeWidget* list) {
    const int tag = list->property("Tag").toInt();
    MainViewWidgets& v = *FViews;
    // Rows whose record is missing compare equal.
    const auto par = [](auto compare) -> Comparaison {
        return [compare](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
            const void* ra = RecordOf(a);
            const void* rb = RecordOf(b);
            return ra != nullptr && rb != nullptr ? compare(ra, rb) : 0;
        };
    };
    if (list == v.LvOp) {
        TrieLignes(list, par([tag](const void* a, const void* b) {
                       return CompareOperesBy(*static_cast<const Operes*>(a),
                                              *static_cast<const Operes*>(b), tag);
                   }));
    } else if (list == v.ListTitre) {
        TrieLignes(list, par([tag](const void* a, const void* b) {
                       return CompareTitresBy(*static_cast<const Valeurs*>(a),
                                              *static_cast<const Valeurs*>(b), tag);
                   }));
    } else if (list == v.ListRepart) {
        const std::vector<int> ids = ColonnesAffichees(FColRep);
        TrieLignes(list, par([tag, &ids](const void* a, const void* b) {
                       return CompareRepartBy(*static_cast<const Valeurs*>(a),
                                              *static_cast<const Valeurs*>(b), tag, ids);
                   }));
    } else if (list == v.LstCash) {
        TrieLignes(list, par([](const void* a, const void* b) {
                       return CompareCash(*static_cast<const Mvt*>(a), *static_cast<const Mvt*>(b));
                   }));
    }
}

void TMainForm::ListTitreDblClick() {
    auto* titre = Record<Valeurs>(FViews->ListTitre->currentItem());
    if (titre == nullptr)
        return;
    FSelTitre = titre;
    LT1->clearSelection();
    LT1->setCurrentItem(nullptr);
    PageCtl1->setCurrentIndex(0);
    BuildTree();
}

void TMainForm::ListTitreMouseMove(QTreeWidget* list, const QPoint& at) {
    StatusPanel2->setText(QString());
    if (auto* titre = Record<Valeurs>(list->itemAt(at)))
        StatusPanel2->setText(Texte(titre->Code + " - " + titre->Libelle));
}
