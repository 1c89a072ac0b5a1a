// The lists of records: securities with their last quote, trades of a security, cash
// movements; their column-click sorting, colours, double clicks and row hints.

#include "window/RecordLists.h"

#include "views/ViewSort.h"
#include "views/ViewText.h"
#include "widgets/ListRows.h"
#include "window/PageBlocks.h"
#include "window/PageHost.h"

#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

QString Texte(const std::string& text) {
    return QString::fromStdString(text);
}

void Aligne(QTreeWidgetItem* item, std::initializer_list<int> colonnes, Qt::Alignment sens) {
    for (const int c : colonnes)
        item->setTextAlignment(c, sens | Qt::AlignVCenter);
}

void Colore(QTreeWidgetItem* item, const QColor& couleur) {
    for (int c = 0; c < item->columnCount(); ++c)
        item->setForeground(c, couleur);
}

QTreeWidgetItem* SelectedRow(const QTreeWidget* list) {
    const QList<QTreeWidgetItem*> rows = list->selectedItems();
    return rows.isEmpty() ? nullptr : rows.front();
}

// A title label on top of a page, whatever layout the page already has.
void InsereTitre(QWidget* page, QLabel* titre) {
    QLayout* layout = page->layout();
    if (auto* boite = qobject_cast<QBoxLayout*>(layout)) {
        boite->insertWidget(0, titre);
    } else if (auto* form = qobject_cast<QFormLayout*>(layout)) {
        form->insertRow(0, titre);
    } else if (auto* grille = qobject_cast<QGridLayout*>(layout)) {
        struct Place {
            QLayoutItem* item;
            int ligne, colonne, lignes, colonnes;
        };
        std::vector<Place> places;
        for (int i = grille->count() - 1; i >= 0; --i) {
            Place p{nullptr, 0, 0, 1, 1};
            grille->getItemPosition(i, &p.ligne, &p.colonne, &p.lignes, &p.colonnes);
            p.item = grille->takeAt(i);
            places.push_back(p);
        }
        const int lignes = grille->rowCount();
        for (int r = lignes - 1; r >= 0; --r)
            grille->setRowStretch(r + 1, grille->rowStretch(r));
        grille->setRowStretch(0, 0);
        for (const Place& p : places)
            grille->addItem(p.item, p.ligne + 1, p.colonne, p.lignes, p.colonnes,
                            p.item->alignment());
        grille->addWidget(titre, 0, 0, 1, std::max(grille->columnCount(), 1));
    } else {
        auto* boite = new QVBoxLayout(page);
        boite->addWidget(titre);
        boite->addStretch(1);
    }
}

QLabel* Titre(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setStyleSheet("font-weight: bold; font-size: 11pt; padding: 2px;");
    return label;
}

} // namespace

RecordLists::RecordLists(PageHost& host, QWidget* pageCours, QWidget* pageCash,
                         QTabWidget* pagesTitre)
    : QObject(pageCours), FHost(host) {
    auto* cours = new QVBoxLayout(pageCours);
    ListTitre =
        page::Liste(pageCours, "ListTitre",
                    {"Valeur", QString("Libellé"), "Date", "Cours", "Variation", "+Haut", "+Bas"});
    cours->addWidget(ListTitre);

    // The two balances above the movements.
    auto* cash = new QVBoxLayout(pageCash);
    auto* soldes = new QHBoxLayout;
    VCash = page::Afficheur(pageCash, "VCash", 110);
    CashL = page::Afficheur(pageCash, "CashL", 110);
    soldes->addWidget(page::Etiquette(pageCash, "Solde actuel"));
    soldes->addWidget(VCash);
    soldes->addSpacing(20);
    soldes->addWidget(page::Etiquette(pageCash, "Solde en liquidation"));
    soldes->addWidget(CashL);
    soldes->addStretch(1);
    cash->addLayout(soldes);
    LstCash = page::Liste(pageCash, "LstCash", {"Date", "Sens", "Montant", "Commentaire"});
    cash->addWidget(LstCash, 1);

    // The title of each security page, and the trades on the second.
    Libelle1 = Titre(pagesTitre->widget(0), "Libelle1");
    InsereTitre(pagesTitre->widget(0), Libelle1);
    QWidget* pageOperes = pagesTitre->widget(1);
    auto* operes = new QVBoxLayout(pageOperes);
    Libelle = Titre(pageOperes, "Libelle");
    operes->addWidget(Libelle);
    LvOp = page::Liste(pageOperes, "LvOp",
                       {"Sens", "Date", QString("Qté"), "Cours", "Frais", "Px Brut Moy.",
                        "Px  Net Moy.", "+Val. Brute", "+Val. Nette"});
    operes->addWidget(LvOp, 1);
    Libelle2 = Titre(pagesTitre->widget(2), "Libelle2");
    InsereTitre(pagesTitre->widget(2), Libelle2);

    ListTitre->headerItem()->setIcon(0, Imagemini(kImageCroissant));
    LvOp->headerItem()->setIcon(1, Imagemini(kImageCroissant));
    LvOp->setProperty("Tag", 2);
    ListTitre->setProperty("Tag", 1);
    const std::vector<std::pair<QTreeWidget*, std::vector<int>>> largeurs = {
        {ListTitre, {80, 200, 120, 90, 80, 90, 90}},
        {LvOp, {50, 75, 60, 90, 80, 100, 100, 100, 100}},
        {LstCash, {75, 70, 110, 300}},
    };
    LstCash->header()->setStretchLastSection(true);
    for (const auto& [list, colonnes] : largeurs) {
        for (std::size_t c = 0; c < colonnes.size(); ++c)
            list->setColumnWidth(static_cast<int>(c), colonnes[c]);
    }

    for (QTreeWidget* list : {LvOp, ListTitre})
        connect(list->header(), &QHeaderView::sectionClicked, this, [this, list](int colonne) {
            FHost.Guard([&] { ListColumnClick(list, colonne); });
        });
    connect(ListTitre, &QTreeWidget::itemDoubleClicked, this,
            [this] { FHost.Guard([&] { ListTitreDblClick(); }); });
    SuitSourisLignes(ListTitre, [this](QMouseEvent* e) {
        if (e->type() == QEvent::MouseMove)
            ListTitreMouseMove(e->position().toPoint());
    });
}

void RecordLists::FillTitres() {
    QTreeWidget* list = ListTitre;
    const EtatListe etat = MemoriseListe(list);
    list->clear();
    list->setProperty("Tag", 1);
    const TCorv* doc = FHost.Portefeuille();
    if (doc == nullptr)
        return;
    const float facteur = doc->Facteur;
    for (const std::unique_ptr<Valeurs>& titre : doc->Titres) {
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

void RecordLists::FillOperes(Valeurs* titre) {
    QTreeWidget* list = LvOp;
    const EtatListe etat = MemoriseListe(list);
    list->setUpdatesEnabled(false);
    list->clear();
    // Back to ascending date order after every fill, unless descending date order was chosen.
    if (list->property("Tag").toInt() != -2)
        list->setProperty("Tag", 2);
    const QString titreTexte =
        titre != nullptr ? Texte(titre->Code + " - " + titre->Libelle) : QString();
    for (QLabel* label : {Libelle, Libelle1, Libelle2})
        label->setText(titreTexte);
    if (const TCorv* doc = FHost.Portefeuille(); titre != nullptr && doc != nullptr) {
        const float facteur = doc->Facteur;
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

void RecordLists::FillCash() {
    QTreeWidget* list = LstCash;
    const EtatListe etat = MemoriseListe(list);
    list->clear();
    const TCorv* doc = FHost.Portefeuille();
    if (doc == nullptr)
        return;
    const float facteur = doc->Facteur;
    for (const std::unique_ptr<Mvt>& mvt : doc->Mouvements) {
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
    VCash->setText(Texte(MontantText(doc->Cash, facteur)));
    CashL->setText(Texte(MontantText(doc->CashLiq, facteur)));
}

void RecordLists::ListColumnClick(QTreeWidget* list, int column) {
    CliqueColonne(list, column);
    SortList(list);
}

void RecordLists::SortList(QTreeWidget* list) {
    const int tag = list->property("Tag").toInt();
    // Rows whose record is missing compare equal.
    const auto par = [](auto compare) -> Comparaison {
        return [compare](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
            const void* ra = RecordOf(a);
            const void* rb = RecordOf(b);
            return ra != nullptr && rb != nullptr ? compare(ra, rb) : 0;
        };
    };
    if (list == LvOp) {
        TrieLignes(list, par([tag](const void* a, const void* b) {
                       return CompareOperesBy(*static_cast<const Operes*>(a),
                                              *static_cast<const Operes*>(b), tag);
                   }));
    } else if (list == ListTitre) {
        TrieLignes(list, par([tag](const void* a, const void* b) {
                       return CompareTitresBy(*static_cast<const Valeurs*>(a),
                                              *static_cast<const Valeurs*>(b), tag);
                   }));
    } else if (list == LstCash) {
        TrieLignes(list, par([](const void* a, const void* b) {
                       return CompareCash(*static_cast<const Mvt*>(a), *static_cast<const Mvt*>(b));
                   }));
    }
}

void RecordLists::ListTitreDblClick() {
    if (auto* titre = Record<Valeurs>(ListTitre->currentItem()))
        FHost.ShowSecurity(titre);
}

void RecordLists::ListTitreMouseMove(const QPoint& at) {
    FHost.ShowReadOut(TitreSurvole(ListTitre, at));
}

void RecordLists::ClearViews() {
    LvOp->clear();
    LstCash->clear();
    for (QLabel* titre : {Libelle, Libelle1, Libelle2})
        titre->setText(QString());
}

Operes* RecordLists::SelectedOpere(const Valeurs* titre) const {
    const void* record = RecordOf(SelectedRow(LvOp));
    if (titre == nullptr || record == nullptr)
        return nullptr;
    // Only a trade that the security still has: a row may outlive its record.
    for (const auto& op : titre->Operes) {
        if (op.get() == record)
            return op.get();
    }
    return nullptr;
}

Mvt* RecordLists::SelectedMvt() const {
    const void* record = RecordOf(SelectedRow(LstCash));
    const TCorv* doc = FHost.Portefeuille();
    if (doc == nullptr || record == nullptr)
        return nullptr;
    for (const auto& mvt : doc->Mouvements) {
        if (mvt.get() == record)
            return mvt.get();
    }
    return nullptr;
}

void RecordLists::RemoveSelectedOpereRow() {
    delete SelectedRow(LvOp);
}

void RecordLists::RemoveSelectedMvtRow() {
    delete SelectedRow(LstCash);
}

void RecordLists::ForgetTradeRows() {
    LvOp->clear();
}
