#pragma once

// The rows of the record lists (the main window's tree and lists, the reconciliation list):
// the record each row carries, the list's place kept across a refill, and the small pictures
// of rows and column headers.

#include <QColor>
#include <QIcon>

#include <functional>

class QMouseEvent;
class QPoint;
class QString;
class QTreeWidget;
class QTreeWidgetItem;

// The record a list row or a tree node carries (not owned), or null.
void SetRecord(QTreeWidgetItem* item, const void* record);
void* RecordOf(const QTreeWidgetItem* item);
template <typename T> T* Record(const QTreeWidgetItem* item) {
    return static_cast<T*>(RecordOf(item));
}

// The record under the first visible row and the current row's record, kept across a refill.
struct EtatListe {
    const void* Premier = nullptr;
    const void* Courant = nullptr;
};
EtatListe MemoriseListe(const QTreeWidget* list);
// Scrolls the remembered first row back to the top and makes the remembered record current
// again, when the list still shows them.
void RestaureListe(QTreeWidget* list, const EtatListe& etat);

// How two rows of a list compare: -1, 0 or 1.
using Comparaison = std::function<int(const QTreeWidgetItem*, const QTreeWidgetItem*)>;
// Puts the rows in the order of compare; rows that compare equal keep their order, and the
// current row stays current.
void TrieLignes(QTreeWidget* list, const Comparaison& compare);
// A click on a column header: the list's sort state (its "Tag" property) and the headers'
// sort pictures move to that column, ascending or turned around. The caller sorts the rows.
void CliqueColonne(QTreeWidget* list, int column);
// Hands every mouse move and press over the list's rows to action.
void SuitSourisLignes(QTreeWidget* list, std::function<void(QMouseEvent*)> action);
// The security of the row at a point of the list's rows, as the status line names it
// ("code - label"); empty where no row carries a security.
QString TitreSurvole(const QTreeWidget* list, const QPoint& at);

inline const QColor kVert(0, 128, 0);  // credits, gains, rises
inline const QColor kRouge(255, 0, 0); // debits, losses, falls, negative figures

// The pictures of the lists' small image list: 0 tick, 1 descending, 2 ascending, 3 rise,
// 4 fall. Any other index gives no picture.
QIcon Imagemini(int index);
// A transparent picture, so that rows without an image keep their texts aligned with the
// rows that have one.
QIcon ImageVide();
