#include "dialogs/ReconciliationDialog.h"

#include "views/ViewSort.h"
#include "views/ViewText.h"
#include "widgets/ListRows.h"

#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "platform/Sort.h"
#include "portfolio/Cv.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

TForm5* Form5 = nullptr;

namespace {

const QColor kAchat(0, 128, 0);
const QColor kVente(255, 0, 0);

} // namespace

TForm5::TForm5(QWidget* owner) : QDialog(owner) {
    setObjectName("Form5");
    setWindowTitle(QString("Contrôle de relevés d'opérations"));
    resize(560, 420);
    FImages.fill(kImageAucune);

    LvOp = new QTreeWidget(this);
    LvOp->setObjectName("LvOp");
    LvOp->setColumnCount(kNbColonnes);
    LvOp->setHeaderLabels({"Sens", "Valeur", "Date", QString("Quantité"), QString("Cours")});
    LvOp->setRootIsDecorated(false);
    LvOp->setSelectionMode(QAbstractItemView::SingleSelection);
    LvOp->setSelectionBehavior(QAbstractItemView::SelectRows);
    LvOp->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LvOp->setSortingEnabled(false);
    LvOp->header()->setSectionsClickable(true);
    LvOp->header()->setSectionsMovable(false);
    LvOp->setColumnWidth(kSens, 70);
    LvOp->setColumnWidth(kValeur, 70);
    QTreeWidgetItem* entetes = LvOp->headerItem();
    entetes->setTextAlignment(kValeur, Qt::AlignCenter);
    entetes->setTextAlignment(kCours, Qt::AlignCenter);
    SetSortKey(1);
    SetColumnImage(kSens, kImageCroissante);

    Selection = new QGroupBox("Selection", this);
    Selection->setObjectName("Selection");
    Npt = new QRadioButton(QString("Non pointés"), Selection);
    Npt->setObjectName("Npt");
    Pt = new QRadioButton(QString("Pointés"), Selection);
    Pt->setObjectName("Pt");
    All = new QRadioButton("Toutes", Selection);
    All->setObjectName("All");
    Npt->setChecked(true);
    auto* choix = new QHBoxLayout(Selection);
    choix->addWidget(Npt);
    choix->addWidget(Pt);
    choix->addWidget(All);

    Button1 = new QPushButton("&Terminer", this);
    Button1->setObjectName("Button1");

    auto* bas = new QHBoxLayout;
    bas->addWidget(Selection);
    bas->addStretch(1);
    bas->addWidget(Button1, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LvOp, 1);
    layout->addLayout(bas);

    connect(LvOp, &QTreeWidget::itemClicked, this, [this] { LvOpClick(); });
    // A tick toggled from the keyboard is kept as a click's would be.
    connect(LvOp, &QTreeWidget::itemChanged, this, [this] { LvOpClick(); });
    connect(LvOp->header(), &QHeaderView::sectionClicked, this, &TForm5::LvOpColumnClick);
    for (QRadioButton* bouton : {Npt, Pt, All}) {
        connect(bouton, &QRadioButton::clicked, this, &TForm5::NptClick);
    }
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
}

int TForm5::SortKey() const {
    return LvOp->property("Tag").toInt();
}

void TForm5::SetSortKey(int key) {
    LvOp->setProperty("Tag", key);
}

int TForm5::ColumnImage(int column) const {
    if (column < 0 || column >= kNbColonnes)
        return kImageAucune;
    return FImages[static_cast<std::size_t>(column)];
}

void TForm5::SetColumnImage(int column, int image) {
    if (column < 0 || column >= kNbColonnes)
        return;
    FImages[static_cast<std::size_t>(column)] = image;
    QIcon icone;
    if (image == kImageCroissante)
        icone = Imagemini(::kImageCroissant);
    else if (image == kImageDecroissante)
        icone = Imagemini(::kImageDecroissant);
    LvOp->headerItem()->setIcon(column, icone);
}

void TForm5::FillList() {
    FRemplissage = true;
    LvOp->clear();
    // Whatever column was sorted before, a refill stands on "Sens" ascending.
    for (int c = 0; c < kNbColonnes; ++c)
        SetColumnImage(c, kImageAucune);
    SetColumnImage(kSens, kImageCroissante);
    SetSortKey(1);
    if (FPortefeuille != nullptr) {
        QList<QTreeWidgetItem*> lignes;
        for (const auto& titre : FPortefeuille->Titres) {
            for (const auto& op : titre->Operes) {
                const bool admis = FFiltre == 2 || (FFiltre == 1) == op->Pointe;
                if (!admis)
                    continue;
                auto* ligne = new QTreeWidgetItem(QStringList{
                    QString(QChar::fromLatin1(op->Sens)), QString::fromStdString(titre->Code),
                    QString::fromStdString(platform::DateToStr(op->Date)),
                    QString::number(op->Quantite),
                    QString::fromStdString(platform::FormatFixedUser(
                        Montant(op->Cours, FPortefeuille->Facteur), 2, 7))});
                ligne->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                                Qt::ItemNeverHasChildren);
                ligne->setCheckState(kSens, op->Pointe ? Qt::Checked : Qt::Unchecked);
                ligne->setTextAlignment(kValeur, Qt::AlignCenter);
                ligne->setTextAlignment(kCours, Qt::AlignCenter);
                SetRecord(ligne, op.get());
                LvOpCustomDrawItem(ligne);
                lignes.append(ligne);
            }
        }
        LvOp->addTopLevelItems(lignes);
        SortRows();
    }
    for (const int c : {kDate, kQuantite, kCours})
        LvOp->resizeColumnToContents(c);
    FRemplissage = false;
}

void TForm5::LvOpCustomDrawItem(QTreeWidgetItem* item) const {
    const auto* op = Record<Operes>(item);
    if (op == nullptr)
        return;
    const QColor& couleur = op->Sens == 'A' ? kAchat : kVente;
    for (int c = 0; c < kNbColonnes; ++c)
        item->setForeground(c, couleur);
}

void TForm5::NptClick() {
    if (Pt->isChecked())
        FFiltre = 1;
    else if (All->isChecked())
        FFiltre = 2;
    else
        FFiltre = 0;
    FillList();
}

void TForm5::LvOpColumnClick(int column) {
    if (column < 0 || column >= kNbColonnes)
        return;
    // The main window's lists follow the same rule; this list numbers its pictures its own way.
    const ClicColonne clic = ColumnClick(SortKey(), column);
    SetColumnImage(clic.ColonneSansImage, kImageAucune);
    SetColumnImage(column, clic.Image == ::kImageCroissant ? kImageCroissante : kImageDecroissante);
    SetSortKey(clic.Tag);
    SortRows();
}

int TForm5::LvOpCompare(const QTreeWidgetItem* r1, const QTreeWidgetItem* r2) const {
    const int key = SortKey();
    const auto* a = Record<Operes>(r1);
    const auto* b = Record<Operes>(r2);
    if (a == nullptr || b == nullptr)
        return 0;
    int r = 0;
    switch (std::abs(key)) {
    case 1:
        r = Signe(static_cast<unsigned char>(a->Sens), static_cast<unsigned char>(b->Sens));
        break;
    case 2:
        // The codes as texts, byte by byte: "10" stands before "9".
        r = Signe(r1->text(kValeur).toStdString().compare(r2->text(kValeur).toStdString()), 0);
        break;
    case 3:
        r = Signe(a->Date, b->Date);
        break;
    case 4:
        r = Signe(a->Quantite, b->Quantite);
        break;
    case 5:
        r = Signe(a->Cours, b->Cours);
        break;
    default:
        break;
    }
    return key < 0 ? -r : r;
}

void TForm5::SortRows() {
    QTreeWidgetItem* courante = LvOp->currentItem();
    const QList<QTreeWidgetItem*> lignes = LvOp->invisibleRootItem()->takeChildren();
    std::vector<std::pair<QTreeWidgetItem*, int>> rangees;
    rangees.reserve(static_cast<std::size_t>(lignes.size()));
    for (int i = 0; i < lignes.size(); ++i)
        rangees.emplace_back(lignes.at(i), i);
    // Rows that compare alike keep their order, so that a sort is repeatable.
    platform::QuickSort(rangees, [this](const auto& a, const auto& b) {
        const int r = LvOpCompare(a.first, b.first);
        if (r != 0)
            return r;
        return Signe(a.second, b.second);
    });
    QList<QTreeWidgetItem*> triees;
    triees.reserve(lignes.size());
    for (const auto& rangee : rangees)
        triees.append(rangee.first);
    const bool remplissage = FRemplissage;
    FRemplissage = true;
    LvOp->addTopLevelItems(triees);
    FRemplissage = remplissage;
    if (courante != nullptr)
        LvOp->setCurrentItem(courante);
}

void TForm5::LvOpClick() {
    if (FRemplissage)
        return;
    for (int i = 0; i < LvOp->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* ligne = LvOp->topLevelItem(i);
        auto* op = Record<Operes>(ligne);
        if (op == nullptr)
            continue;
        const bool pointe = ligne->checkState(kSens) == Qt::Checked;
        if (FPortefeuille != nullptr)
            FPortefeuille->PointeOpere(op, pointe);
    }
}
