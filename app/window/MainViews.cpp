// The navigation tree, the pages it shows, and the recomputation that precedes every
// redisplay. The lists are filled in MainLists.cpp, the portfolio summary in MainSummary.cpp
// and the repartition views in MainRepart.cpp.

#include "window/Main.h"

#include "views/PieData.h"
#include "views/ViewSort.h"
#include "window/MainViewWidgets.h"
#include "window/PageBlocks.h"
#include "window/RecordLists.h"

#include "portfolio/Cv.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Kinds of node selected when a rebuild began.
constexpr std::uint8_t kSelRacine = 2;
constexpr std::uint8_t kSelCash = 4;
constexpr std::uint8_t kSelGroupe = 8;
constexpr std::uint8_t kSelTitre = 16;

// Tree nodes of securities that are not refreshed automatically carry this flag.
constexpr int kRoleManuel = Qt::UserRole + 1;

// Draws the green of manual securities, yellow when the node is selected.
class TreeDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(kRoleManuel).toBool()) {
            option->palette.setColor(QPalette::Text, kVert);
            option->palette.setColor(QPalette::HighlightedText, kJauneSelection);
        }
    }
};

// The picker leaves the layout that the page was created with, together with its caption.
void Detache(QWidget* page, QWidget* champ) {
    if (auto* form = qobject_cast<QFormLayout*>(page->layout())) {
        if (QWidget* etiquette = form->labelForField(champ))
            delete etiquette;
    }
}

using page::Cadre;
using page::Entete;
using page::Etiquette;

// A figure of a summary.
QLabel* Valeur(QWidget* parent, const char* name) {
    return page::Afficheur(parent, name, 110);
}

QToolButton* Bouton(QWidget* parent, const char* name, const char* text, const char* hint,
                    bool enfonce) {
    auto* bouton = new QToolButton(parent);
    bouton->setObjectName(name);
    bouton->setText(QString::fromUtf8(text));
    bouton->setCheckable(true);
    bouton->setChecked(enfonce);
    bouton->setMinimumWidth(80);
    if (hint != nullptr) {
        bouton->setToolTip(QString::fromUtf8(hint));
        bouton->setStatusTip(QString::fromUtf8(hint));
    }
    return bouton;
}

QChartView* Camembert(QWidget* parent, const char* name) {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    auto* vue = new QChartView(chart, parent);
    vue->setObjectName(name);
    vue->setRenderHint(QPainter::Antialiasing);
    vue->setMinimumHeight(220);
    return vue;
}

// One header of a table of figures, over colonnes columns.
struct Intitule {
    int ligne;
    int colonne;
    const char* texte;
    int colonnes = 1;
};

// One caption of a table of figures, in its first column; the hint explains the row.
struct Legende {
    int ligne;
    const char* texte;
    const char* aide = nullptr;
};

// One figure of a table, named as the field that keeps it.
struct Chiffre {
    QLabel** champ;
    const char* nom;
    int ligne;
    int colonne;
};

// Fills a table of figures on the grid of its frame: the headers first, then the captions,
// then the figures, each created in its cell.
void PlaceFigures(QGridLayout* grille, std::initializer_list<Intitule> entetes,
                  std::initializer_list<Legende> legendes,
                  std::initializer_list<Chiffre> chiffres) {
    QWidget* cadre = grille->parentWidget();
    for (const Intitule& e : entetes)
        grille->addWidget(Entete(cadre, e.texte), e.ligne, e.colonne, 1, e.colonnes);
    for (const Legende& l : legendes)
        grille->addWidget(Etiquette(cadre, l.texte, l.aide), l.ligne, 0);
    for (const Chiffre& c : chiffres) {
        *c.champ = Valeur(cadre, c.nom);
        grille->addWidget(*c.champ, c.ligne, c.colonne);
    }
}

// The current and settlement positions: cash, securities and their total.
QFrame* PositionsTable(QWidget* page, MainViewWidgets& v) {
    QFrame* positions = Cadre(page);
    PlaceFigures(new QGridLayout(positions),
                 {{0, 1, "Position courante", 2},
                  {0, 3, "Position en liquidation", 2},
                  {1, 1, "Montant"},
                  {1, 2, "Pourcentage"},
                  {1, 3, "Montant"},
                  {1, 4, "Pourcentage"}},
                 {{2, "Solde Cash", "Solde cash de la liquidation précédente"},
                  {3, "Evaluation des titres", "Valorisation nette des titres (Brut - Frais)"},
                  {4, "Evaluation totale"}},
                 {{&v.VCashPo, "VCashPo", 2, 1},
                  {&v.VCashPoP, "VCashPoP", 2, 2},
                  {&v.VCashPoL, "VCashPoL", 2, 3},
                  {&v.VCashPoPL, "VCashPoPL", 2, 4},
                  {&v.VEvalTi, "VEvalTi", 3, 1},
                  {&v.VEvalTiP, "VEvalTiP", 3, 2},
                  {&v.VEvalTiL, "VEvalTiL", 3, 3},
                  {&v.VEvalTiPL, "VEvalTiPL", 3, 4},
                  {&v.VEvalGlo, "VEvalGlo", 4, 1},
                  {&v.VEvalGloL, "VEvalGloL", 4, 3}});
    return positions;
}

// The deferred-settlement trades: purchases, sales and their balance.
QFrame* ReglementMensuelTable(QWidget* page, MainViewWidgets& v) {
    QFrame* rm = Cadre(page);
    PlaceFigures(
        new QGridLayout(rm),
        {{0, 0, "Opérations au R.M"}, {0, 1, "Montant Brut"}, {0, 2, "Montant Net"}},
        {{1, "Montant des achats"}, {2, "Montant des ventes"}, {3, "Solde en liquidation"}},
        {{&v.VAchRMB, "VAchRMB", 1, 1},
         {&v.VAchRMN, "VAchRMN", 1, 2},
         {&v.VVeRMB, "VVeRMB", 2, 1},
         {&v.VVeRMN, "VVeRMN", 2, 2},
         {&v.VSoLiqB, "VSoLiqB", 3, 1},
         {&v.VSoLiqN, "VSoLiqN", 3, 2}});
    return rm;
}

// The cover of the deferred-settlement trades.
QFrame* CouvertureTable(QWidget* page, MainViewWidgets& v) {
    QFrame* couv = Cadre(page);
    PlaceFigures(
        new QGridLayout(couv), {{0, 0, "Couverture au R.M"}, {0, 1, "Montant"}},
        {{1, "Couverture totale"}, {2, "Couverture engagée"}, {3, "Couverture disponible"}},
        {{&v.VCouvT, "VCouvT", 1, 1}, {&v.VCouvE, "VCouvE", 2, 1}, {&v.VCouvD, "VCouvD", 3, 1}});
    return couv;
}

// The costs, valuations and gains of all the securities.
QFrame* CoutsTable(QWidget* page, MainViewWidgets& v) {
    QFrame* gauche = Cadre(page);
    PlaceFigures(new QGridLayout(gauche), {{0, 1, "Brut."}, {0, 2, "Net."}, {0, 3, "S.R.D"}},
                 {{1, "Coût"}, {2, "Valorisation"}, {3, "+Value Lat."}, {4, "+Value Réal."}},
                 {{&v.GCoB, "GCoB", 1, 1},
                  {&v.GCoN, "GCoN", 1, 2},
                  {&v.GReaB, "GReaB", 2, 1},
                  {&v.GReaN, "GReaN", 2, 2},
                  {&v.GPvLB, "GPvLB", 3, 1},
                  {&v.GPvLN, "GPvLN", 3, 2},
                  {&v.GPvLNSRD, "GPvLNSRD", 3, 3},
                  {&v.GPvB, "GPvB", 4, 1},
                  {&v.GPvN, "GPvN", 4, 2}});
    return gauche;
}

// The yield of the securities and the fees paid since the profitability date, whose picker
// heads the table.
QFrame* RentabiliteTable(QWidget* page, MainViewWidgets& v, QDateEdit* depuis) {
    QFrame* droite = Cadre(page);
    auto* d = new QGridLayout(droite);
    d->addWidget(Etiquette(droite, "Depuis le"), 0, 0);
    d->addWidget(depuis, 0, 1);
    PlaceFigures(d, {{1, 1, "Brut."}, {1, 2, "Net."}},
                 {{2, "Rentabilité Titres"}, {3, "Montant des frais"}},
                 {{&v.VRentTiB, "VRentTiB", 2, 1},
                  {&v.VRentTiN, "VRentTiN", 2, 2},
                  {&v.VTotFrPer, "VTotFrPer", 3, 2}});
    d->setRowStretch(4, 1);
    return droite;
}

} // namespace

// The widgets of the views go on the pages of the four page controls.
void TMainForm::CreateViews() {
    FViews = new MainViewWidgets(this);
    SetUpTree();
    CreatePortfolioSummary();
    CreatePortfolioPie();
    FListes = new RecordLists(*this, PgTitre->widget(0), PgCash->widget(0), PageCtl1);
    CreateSecuritiesSummary();
    CreateRepartList();
    CreateRepartHandlers();
    ConnectTreeAndPickers();
}

void TMainForm::SetUpTree() {
    LT1->setItemDelegate(new TreeDelegate(LT1));
    LT1->setSelectionMode(QAbstractItemView::SingleSelection);
    LT1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Long labels scroll rather than being cut short.
    LT1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    LT1->header()->setStretchLastSection(false);
}

// The settlement dates above three tables.
void TMainForm::CreatePortfolioSummary() {
    MainViewWidgets& v = *FViews;
    QWidget* page = PgPort->widget(0);
    Detache(page, DateLP);
    Detache(page, DateLC);
    delete page->layout();
    auto* colonne = new QVBoxLayout(page);
    auto* dates = new QHBoxLayout;
    dates->addWidget(Etiquette(page, "Date de liquidation courante"));
    dates->addWidget(DateLP);
    dates->addSpacing(20);
    dates->addWidget(Etiquette(page, "Date de liquidation suivante"));
    dates->addWidget(DateLC);
    dates->addStretch(1);
    colonne->addLayout(dates);

    colonne->addWidget(PositionsTable(page, v));
    auto* bas = new QHBoxLayout;
    bas->addWidget(ReglementMensuelTable(page, v));
    bas->addWidget(CouvertureTable(page, v));
    colonne->addLayout(bas);
    colonne->addStretch(1);
}

// The cash and securities pie, current or in settlement.
void TMainForm::CreatePortfolioPie() {
    MainViewWidgets& v = *FViews;
    QWidget* page = PgPort->widget(1);
    auto* colonne = new QVBoxLayout(page);
    v.Chart3 = Camembert(page, "Chart3");
    v.Chart3->setProperty("Tag", 0);
    colonne->addWidget(v.Chart3, 1);
    auto* boutons = new QHBoxLayout;
    v.PortCur = Bouton(page, "PortCur", "Courant", nullptr, false);
    v.PortLiq = Bouton(page, "PortLiq", "Liquidation", nullptr, true);
    boutons->addStretch(1);
    boutons->addWidget(v.PortCur);
    boutons->addWidget(v.PortLiq);
    boutons->addStretch(1);
    colonne->addLayout(boutons);
    for (QToolButton* bouton : {v.PortCur, v.PortLiq})
        connect(bouton, &QToolButton::clicked, this,
                [this, bouton] { Guard([&] { PortCurClick(bouton); }); });
}

// Two tables above the repartition pie and the buttons that choose what it shares out.
void TMainForm::CreateSecuritiesSummary() {
    MainViewWidgets& v = *FViews;
    QWidget* page = PgTitre->widget(1);
    Detache(page, DateRent);
    delete page->layout();
    auto* colonne = new QVBoxLayout(page);
    auto* haut = new QHBoxLayout;
    haut->addWidget(CoutsTable(page, v));
    haut->addWidget(RentabiliteTable(page, v, DateRent));
    haut->addStretch(1);
    colonne->addLayout(haut);

    v.Chart2 = Camembert(page, "Chart2");
    colonne->addWidget(v.Chart2, 1);
    auto* boutons = new QHBoxLayout;
    v.BtCout = Bouton(page, "BtCout", "Coût", "Affiche la répartition par coût d'achat", false);
    v.BtVal = Bouton(page, "BtVal", "Valeur", "Affiche la répartition par valorisation", true);
    v.BtBourse = Bouton(page, "BtBourse", "Bourse", "Affiche la répartition par bourse", false);
    v.BtActivite = Bouton(page, "BtActivite", "Activité",
                          "Affiche la répartition par secteur d'activité", false);
    boutons->addStretch(1);
    boutons->addWidget(v.BtVal);
    boutons->addWidget(v.BtCout);
    boutons->addSpacing(30);
    boutons->addWidget(v.BtBourse);
    boutons->addWidget(v.BtActivite);
    boutons->addStretch(1);
    colonne->addLayout(boutons);
    for (QToolButton* bouton : {v.BtVal, v.BtCout})
        connect(bouton, &QToolButton::clicked, this,
                [this, bouton] { Guard([&] { BtNbrClick(bouton); }); });
    for (QToolButton* bouton : {v.BtBourse, v.BtActivite})
        connect(bouton, &QToolButton::clicked, this,
                [this, bouton] { Guard([&] { BtBourseClick(bouton); }); });
}

void TMainForm::CreateRepartList() {
    MainViewWidgets& v = *FViews;
    QWidget* page = PgTitre->widget(2);
    auto* colonne = new QVBoxLayout(page);
    v.ListRepart = page::Liste(page, "ListRepart", {"Valeur"});
    colonne->addWidget(v.ListRepart, 1);
    v.OnlyHold = new QCheckBox(QString("Montrer uniquement les titres détenus"), page);
    v.OnlyHold->setObjectName("OnlyHold");
    colonne->addWidget(v.OnlyHold);
    connect(v.OnlyHold, &QCheckBox::clicked, this, [this] { Guard([&] { OnlyHoldClick(); }); });
}

void TMainForm::ConnectTreeAndPickers() {
    connect(LT1, &QTreeWidget::currentItemChanged, this, [this] { Guard([&] { LT1Change(); }); });
    connect(PageCtl1, &QTabWidget::currentChanged, this,
            [this] { Guard([&] { PageCtl1Change(); }); });

    // Display toggle and the three date pickers. The pickers report a date once it is
    // entered, not at every keystroke.
    connect(Commute, &QAction::triggered, this, [this](bool checked) {
        // The check state is the toggle's own business: CommuteExecute flips it.
        Commute->setChecked(!checked);
        Guard([&] { CommuteExecute(); });
    });
    for (QDateEdit* picker : {DateLP, DateLC, DateRent})
        picker->setKeyboardTracking(false);
    connect(DateLP, &QDateEdit::dateChanged, this, [this] { Guard([&] { DateLPExit(); }); });
    connect(DateLC, &QDateEdit::dateChanged, this, [this] { Guard([&] { DateLCExit(); }); });
    connect(DateRent, &QDateEdit::dateChanged, this, [this] { Guard([&] { DateRentChange(); }); });
}

Valeurs* TMainForm::SelectedTitre() const {
    return Record<Valeurs>(LT1->currentItem());
}

void TMainForm::ClearViews() {
    LT1->clear();
    FListes->ClearViews();
}

void TMainForm::ShowSecurity(Valeurs* titre) {
    FSelTitre = titre;
    LT1->clearSelection();
    LT1->setCurrentItem(nullptr);
    PageCtl1->setCurrentIndex(0);
    BuildTree();
}

platform::SettingsStore& TMainForm::Settings() const {
    return *FRegistry;
}

void TMainForm::ShowReadOut(const QString& text) {
    StatusPanel2->setText(text);
}

QString TMainForm::ReadOut() const {
    return StatusPanel2->text();
}

void TMainForm::RefreshViews(Valeurs* titre) {
    if (!FPortefeuille)
        return;
    TCorv& doc = *FPortefeuille;
    for (const std::unique_ptr<Valeurs>& valeur : doc.Titres) {
        if (titre != nullptr && valeur.get() != titre)
            continue;
        doc.SortOperes(valeur.get());
        doc.ComputeTitre(valeur.get());
        if (titre != nullptr)
            break;
    }
    doc.ComputeTotals();

    // The securities list shows the order of the previous redisplay, the repartition list
    // the order that ShowRepartition gives the document now.
    ShowPortefeuille();
    FillCash();
    FillTitres();
    ShowRepartition();
    FillRepart();
    if (Valeurs* selection = SelectedTitre()) {
        FillOperes(selection);
        ShowTitre(selection); // Charts
    }
}

void TMainForm::BuildTree() {
    if (!FPortefeuille) {
        ClearViews();
        return;
    }

    // What was selected decides what is selected again.
    TreeSelKind = 0;
    QTreeWidgetItem* courant = LT1->currentItem();
    if (courant == nullptr) {
        if (FSelTitre != nullptr)
            TreeSelKind |= kSelTitre;
    } else if (auto* titre = Record<Valeurs>(courant)) {
        if (FSelTitre == nullptr)
            FSelTitre = titre;
        TreeSelKind |= kSelTitre;
    } else if (courant->parent() == nullptr) {
        TreeSelKind |= kSelRacine;
    } else if (courant->parent()->indexOfChild(courant) == 0) {
        TreeSelKind |= kSelCash;
    } else {
        TreeSelKind |= FSelTitre != nullptr ? kSelTitre : kSelGroupe;
    }

    FBuildingTree = true;
    LT1->clear();
    auto* racine = new QTreeWidgetItem(LT1, {"Portefeuille"});
    auto* cash = new QTreeWidgetItem(racine, {"Cash"});
    auto* detenus = new QTreeWidgetItem(racine, {QString("Titres en portefeuille")});
    auto* suivis = new QTreeWidgetItem(racine, {QString("Titres suivis")});
    try {
        RefreshViews(nullptr);
    } catch (...) {
        FBuildingTree = false;
        throw;
    }
    FBuildingTree = false;

    for (const std::unique_ptr<Valeurs>& valeur : FPortefeuille->Titres) {
        auto* noeud = new QTreeWidgetItem(valeur->Bilan.NbInPort != 0 ? detenus : suivis,
                                          {QString::fromStdString(valeur->Libelle)});
        SetRecord(noeud, valeur.get());
        noeud->setToolTip(0, noeud->text(0));
        if (!valeur->SuiviAuto) {
            noeud->setData(0, kRoleManuel, true);
            noeud->setForeground(0, kVert);
        }
    }
    LT1->expandAll();

    QTreeWidgetItem* cible = nullptr;
    if ((TreeSelKind & kSelTitre) == 0) {
        if ((TreeSelKind & kSelRacine) != 0)
            cible = racine;
        else if ((TreeSelKind & kSelCash) != 0)
            cible = cash;
        else
            cible = detenus;
    } else {
        for (QTreeWidgetItem* groupe : {detenus, suivis}) {
            for (int i = 0; cible == nullptr && i < groupe->childCount(); ++i) {
                if (RecordOf(groupe->child(i)) == FSelTitre)
                    cible = groupe->child(i);
            }
        }
        if (cible == nullptr)
            cible = racine;
    }
    LT1->setCurrentItem(cible);
    FSelTitre = nullptr;
}

void TMainForm::LT1Change() {
    QTreeWidgetItem* noeud = LT1->currentItem();
    if (noeud == nullptr || FBuildingTree)
        return;
    for (QMenu* menu : {MenuOperes, MenuCash, MenuValeurs, MenuTitres})
        menu->menuAction()->setEnabled(false);
    for (QAction* action : {EditVal, ModifVal, delval, Histo, RafVal})
        action->setEnabled(false);

    if (noeud->parent() == nullptr) {
        Pages->setCurrentWidget(PgPort);
        return;
    }
    if (noeud->parent()->parent() == nullptr) {
        if (noeud->parent()->indexOfChild(noeud) == 0) {
            Pages->setCurrentWidget(PgCash);
            MenuCash->menuAction()->setEnabled(true);
        } else {
            // Both groups of securities show the securities pages: "Titres suivis" lists
            // the securities that are followed without being held.
            Pages->setCurrentWidget(PgTitre);
            MenuValeurs->menuAction()->setEnabled(true);
            MenuTitres->menuAction()->setEnabled(true);
        }
        return;
    }
    Pages->setCurrentWidget(PageCtl1);
    for (QMenu* menu : {MenuValeurs, MenuTitres, MenuOperes})
        menu->menuAction()->setEnabled(true);
    for (QAction* action : {EditVal, ModifVal, delval, Histo, RafVal})
        action->setEnabled(true);
    RefreshViews(Record<Valeurs>(noeud));
}

void TMainForm::PageCtl1Change() {
    if (PageCtl1->currentIndex() == 1)
        return;
    if (Valeurs* titre = SelectedTitre())
        RefreshViews(titre);
}
