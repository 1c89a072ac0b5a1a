#pragma once

// The lists of records, one per row: the securities with their last quote (tab "Cours" of the
// securities pages), the trades of the selected security with the titles of its three tabs,
// and the cash movements with the two balances of the cash page. Each row carries its record;
// the lists sort by their column headers and are refilled whole at every redisplay.

#include <QObject>

class QLabel;
class QPoint;
class QTabWidget;
class QTreeWidget;
class QWidget;

class PageHost;
struct Mvt;
struct Operes;
struct Valeurs;

class RecordLists : public QObject {
public:
    // Builds the securities list on pageCours, the cash page on pageCash, and the trade list
    // on the second tab of the security pages, with a title on each of their three tabs.
    RecordLists(PageHost& host, QWidget* pageCours, QWidget* pageCash, QTabWidget* pagesTitre);

    void FillTitres();
    // The trades of titre (none when null) and the titles of the security pages.
    void FillOperes(Valeurs* titre);
    void FillCash();
    // Empties the trade and cash lists and the titles.
    void ClearViews();

    // The trade of titre and the movement of the open document under the lists' selection;
    // null when there is none or when the row outlived its record.
    Operes* SelectedOpere(const Valeurs* titre) const;
    Mvt* SelectedMvt() const;
    // The row of a record about to be deleted goes before the record.
    void RemoveSelectedOpereRow();
    void RemoveSelectedMvtRow();
    // Rows whose records are about to go must not stay behind for a later sort or click.
    void ForgetTradeRows();

    // The window hooks its editing commands (keys, pop-up menus, double clicks) on these.
    QTreeWidget* TradeList() const { return LvOp; }
    QTreeWidget* CashList() const { return LstCash; }

private:
    void ListColumnClick(QTreeWidget* list, int column);
    void SortList(QTreeWidget* list);
    void ListTitreDblClick();
    void ListTitreMouseMove(const QPoint& at);

    PageHost& FHost;
    QTreeWidget* ListTitre = nullptr;
    QTreeWidget* LvOp = nullptr;
    QTreeWidget* LstCash = nullptr;
    // The titles of the security pages: trades, synthesis, charts.
    QLabel* Libelle = nullptr;
    QLabel* Libelle1 = nullptr;
    QLabel* Libelle2 = nullptr;
    QLabel* VCash = nullptr;
    QLabel* CashL = nullptr;
};
