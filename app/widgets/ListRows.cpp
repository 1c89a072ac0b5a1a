#include "widgets/ListRows.h"

#include "views/ViewSort.h"

#include "platform/Sort.h"
#include "portfolio/Cv.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPoint>
#include <QTreeWidget>
#include <QVariant>

#include <array>
#include <utility>
#include <vector>

namespace {

QIcon Dessine(int index) {
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath forme;
    switch (index) {
    case 0: // tick of a ticked trade
        p.setPen(QPen(QColor(0, 0, 160), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
        break;
    case 1: // descending
        forme.addPolygon(QPolygonF({QPointF(3, 5), QPointF(13, 5), QPointF(8, 11)}));
        p.fillPath(forme, QColor(80, 80, 80));
        break;
    case 2: // ascending
        forme.addPolygon(QPolygonF({QPointF(3, 11), QPointF(13, 11), QPointF(8, 5)}));
        p.fillPath(forme, QColor(80, 80, 80));
        break;
    case 3: // rise
        forme.addPolygon(QPolygonF({QPointF(2, 13), QPointF(14, 13), QPointF(8, 3)}));
        p.fillPath(forme, kVert);
        break;
    case 4: // fall
        forme.addPolygon(QPolygonF({QPointF(2, 3), QPointF(14, 3), QPointF(8, 13)}));
        p.fillPath(forme, kRouge);
        break;
    default: // nothing drawn: the transparent picture
        break;
    }
    p.end();
    return QIcon(image);
}

// The pictures are drawn once and shared by every row: the lists are refilled at every
// refresh, for as long as the program runs. Index 5 is the transparent picture.
const QIcon& Image(int index) {
    static const std::array<QIcon, 6> images = [] {
        std::array<QIcon, 6> dessinees;
        for (std::size_t i = 0; i < dessinees.size(); ++i)
            dessinees[i] = Dessine(static_cast<int>(i));
        return dessinees;
    }();
    return images[static_cast<std::size_t>(index)];
}

} // namespace

QIcon Imagemini(int index) {
    if (index < kImagePointe || index > kImageBaisse)
        return QIcon();
    return Image(index);
}

QIcon ImageVide() {
    return Image(kImageBaisse + 1);
}

void SetRecord(QTreeWidgetItem* item, const void* record) {
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(record)));
}

void* RecordOf(const QTreeWidgetItem* item) {
    if (item == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(item->data(0, Qt::UserRole).value<quintptr>());
}

EtatListe MemoriseListe(const QTreeWidget* list) {
    EtatListe etat;
    // The first row shown below the header.
    etat.Premier = RecordOf(list->itemAt(QPoint(5, 2)));
    etat.Courant = RecordOf(list->currentItem());
    return etat;
}

void RestaureListe(QTreeWidget* list, const EtatListe& etat) {
    if (etat.Premier == nullptr && etat.Courant == nullptr)
        return;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* ligne = list->topLevelItem(i);
        const void* record = RecordOf(ligne);
        if (record == nullptr)
            continue;
        if (record == etat.Courant)
            list->setCurrentItem(ligne);
        if (record == etat.Premier)
            list->scrollToItem(ligne, QAbstractItemView::PositionAtTop);
    }
}

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

void CliqueColonne(QTreeWidget* list, int column) {
    const ClicColonne clic = ColumnClick(list->property("Tag").toInt(), column);
    QTreeWidgetItem* entetes = list->headerItem();
    if (clic.ColonneSansImage >= 0 && clic.ColonneSansImage < list->columnCount())
        entetes->setIcon(clic.ColonneSansImage, QIcon());
    entetes->setIcon(column, Imagemini(clic.Image));
    list->setProperty("Tag", clic.Tag);
}

namespace {

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

} // namespace

void SuitSourisLignes(QTreeWidget* list, std::function<void(QMouseEvent*)> action) {
    list->setMouseTracking(true);
    list->viewport()->setMouseTracking(true);
    list->viewport()->installEventFilter(new FiltreSouris(list, std::move(action)));
}

QString TitreSurvole(const QTreeWidget* list, const QPoint& at) {
    const auto* titre = Record<Valeurs>(list->itemAt(at));
    return titre != nullptr ? QString::fromStdString(titre->Code + " - " + titre->Libelle)
                            : QString();
}
