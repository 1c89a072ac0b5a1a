// The navigation tree, the pages it shows, and the recomputation that precedes every
// redisplay. The lists are filled in MainLists.cpp, the portfolio summary in MainSummary.cpp
// and the repartition views in MainRepart.cpp.

#include "window/Main.h"

#include "views/PieData.h"
#include "views/ViewSort.h"
#include "widgets/ListRows.h"
#include "window/PageBlocks.h"
#include "window/RecordLists.h"
#include "window/SummaryPages.h"

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

} // namespace

// The widgets of the views go on the pages of the four page controls.
void TMainForm::CreateViews() {
    SetUpTree();
    FSyntheses = new SummaryPages(*this, PgPort, PgTitre);
    FListes = new RecordLists(*this, PgTitre->widget(0), PgCash->widget(0), PageCtl1);
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

void TMainForm::ConnectTreeAndPickers() {
    connect(LT1, &QTreeWidget::currentItemChanged, this, [this] { Guard([&] { LT1Change(); }); });
    connect(PageCtl1, &QTabWidget::currentChanged, this,
            [this] { Guard([&] { PageCtl1Change(); }); });

    // The display toggle.
    connect(Commute, &QAction::triggered, this, [this](bool checked) {
        // The check state is the toggle's own business: CommuteExecute flips it.
        Commute->setChecked(!checked);
        Guard([&] { CommuteExecute(); });
    });
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
