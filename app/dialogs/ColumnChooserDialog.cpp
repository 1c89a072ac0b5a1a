#include "dialogs/ColumnChooserDialog.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

QTreeWidgetItem* FirstSelected(const QTreeWidget* list, int from) {
    for (int i = from; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->isSelected())
            return list->topLevelItem(i);
    }
    return nullptr;
}

} // namespace

TListeColonnes::TListeColonnes(TFColRep* dialogue, QWidget* parent)
    : QTreeWidget(parent), FDialogue(dialogue) {
    setColumnCount(1);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    // The dialog's drop handler moves the rows itself: a copy action keeps the view that
    // started the drag from removing them a second time.
    setDefaultDropAction(Qt::CopyAction);
    setDropIndicatorShown(false);
}

void TListeColonnes::dragEnterEvent(QDragEnterEvent* event) {
    if (FDialogue->LArrDragOver(this, event->source())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TListeColonnes::dragMoveEvent(QDragMoveEvent* event) {
    if (FDialogue->LArrDragOver(this, event->source())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TListeColonnes::dropEvent(QDropEvent* event) {
    if (!FDialogue->LArrDragOver(this, event->source())) {
        event->ignore();
        return;
    }
    FDialogue->LDepDragDrop(this, event->source(), event->position().toPoint());
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

TFColRep::TFColRep(QWidget* owner, Ids* colonnes, std::uint8_t kind)
    : QDialog(owner), FTableKind(kind), FColOut(colonnes) {
    if (colonnes != nullptr)
        FColIds = *colonnes;
    if (FTableKind == 0) {
        FTableSize = static_cast<std::int32_t>(ColonnesRep.size());
        FTable = ColonnesRep.data();
    }

    setObjectName("FColRep");
    setWindowTitle(QString("Selection des colonnes affichées"));
    resize(431, 319);

    LDep = new TListeColonnes(this, this);
    LDep->setObjectName("LDep");
    LDep->setHeaderLabels({"Informations disponibles"});
    LDep->setColumnWidth(0, 150);
    LArr = new TListeColonnes(this, this);
    LArr->setObjectName("LArr");
    LArr->setHeaderLabels({"Informations selectionnées"});
    LArr->setColumnWidth(0, 150);

    Button1 = new QPushButton("->", this);
    Button1->setObjectName("Button1");
    Button3 = new QPushButton("<-", this);
    Button3->setObjectName("Button3");
    Button5 = new QPushButton("&Valider", this);
    Button5->setObjectName("Button5");
    Button5->setDefault(true);
    Button6 = new QPushButton("&Annuler", this);
    Button6->setObjectName("Button6");
    for (QPushButton* fleche : {Button1, Button3}) {
        fleche->setAutoDefault(false);
        fleche->setFixedWidth(40);
    }
    Button6->setAutoDefault(false);

    auto* fleches = new QVBoxLayout;
    fleches->addStretch(1);
    fleches->addWidget(Button1);
    fleches->addWidget(Button3);
    fleches->addStretch(1);
    auto* listes = new QHBoxLayout;
    listes->addWidget(LDep, 1);
    listes->addLayout(fleches);
    listes->addWidget(LArr, 1);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(Button5);
    boutons->addWidget(Button6);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(listes, 1);
    layout->addLayout(boutons);

    connect(Button1, &QPushButton::clicked, this, &TFColRep::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TFColRep::Button3Click);
    connect(Button5, &QPushButton::clicked, this, &TFColRep::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &QDialog::reject);
}

int TFColRep::IdOf(const QTreeWidgetItem* row) {
    return row == nullptr ? 0 : row->data(0, Qt::UserRole).toInt();
}

void TFColRep::AddRow(QTreeWidget* list, int id, int index) const {
    auto* row = new QTreeWidgetItem({QString::fromUtf8(FTable[id - 1].Libelle)});
    row->setData(0, Qt::UserRole, id);
    if (index < 0)
        list->addTopLevelItem(row);
    else
        list->insertTopLevelItem(index, row);
}

void TFColRep::FillLists() {
    LDep->clear();
    LArr->clear();
    if (FTable == nullptr)
        return;
    // Ids out of the table and repeats can only come from a settings file edited by hand;
    // they are dropped as the repartition list itself drops them.
    std::vector<int> affichees;
    std::vector<bool> vu(static_cast<std::size_t>(FTableSize) + 1, false);
    for (const std::uint8_t id : FColIds) {
        if (id < 1 || id > FTableSize || vu[id])
            continue;
        vu[id] = true;
        affichees.push_back(id);
    }
    for (int id = 1; id <= FTableSize; ++id) {
        if (!vu[static_cast<std::size_t>(id)])
            AddRow(LDep, id);
    }
    for (const int id : affichees)
        AddRow(LArr, id);
}

void TFColRep::MoveItems(QTreeWidget* source, QTreeWidget* target) {
    if (source == nullptr || target == nullptr || source == target)
        return;
    int p = -1;
    if (QTreeWidgetItem* choisie = FirstSelected(target, 0))
        p = target->indexOfTopLevelItem(choisie) + 1;
    QTreeWidgetItem* row = FirstSelected(source, 0);
    while (row != nullptr) {
        auto* copie = new QTreeWidgetItem({row->text(0)});
        copie->setData(0, Qt::UserRole, row->data(0, Qt::UserRole));
        int index = 0;
        if (p < 0 || p >= target->topLevelItemCount()) {
            target->addTopLevelItem(copie);
            index = target->topLevelItemCount() - 1;
        } else {
            target->insertTopLevelItem(p, copie);
            index = p;
        }
        p = index + 1;
        QTreeWidgetItem* suivante = FirstSelected(source, source->indexOfTopLevelItem(row) + 1);
        delete row;
        row = suivante;
    }
}

QTreeWidget* TFColRep::Other(const QTreeWidget* list) const {
    if (list == LDep)
        return LArr;
    if (list == LArr)
        return LDep;
    return nullptr;
}

bool TFColRep::LArrDragOver(const QTreeWidget* sender, const QObject* source) const {
    // Rows are never reordered inside a list by dragging: only the other list's rows drop.
    const QTreeWidget* autre = Other(sender);
    return autre != nullptr && source == autre;
}

void TFColRep::LDepDragDrop(QTreeWidget* sender, const QObject* source, const QPoint& at) {
    if (!LArrDragOver(sender, source))
        return;
    sender->clearSelection();
    if (QTreeWidgetItem* cible = sender->itemAt(at))
        cible->setSelected(true);
    MoveItems(Other(sender), sender);
}

void TFColRep::Button1Click() {
    MoveItems(LDep, LArr);
}

void TFColRep::Button3Click() {
    MoveItems(LArr, LDep);
}

void TFColRep::Button5Click() {
    if (FColOut != nullptr) {
        FColOut->fill(0);
        const int n = std::min(LArr->topLevelItemCount(), static_cast<int>(FColOut->size()));
        for (int i = 0; i < n; ++i)
            (*FColOut)[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(IdOf(LArr->topLevelItem(i)));
    }
    FValide = true;
    accept();
}

void TFColRep::done(int result) {
    (void)result;
    QDialog::done(FValide ? QDialog::Accepted : QDialog::Rejected);
}
