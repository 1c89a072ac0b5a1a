#pragma once

// The statement check: the trades of every security, to be ticked off against a broker's
// statements. Each row's check box is its trade's Pointe flag; ticked trades are the ones the
// purge folds into the carried-over position.

#include <QDialog>

#include <array>
#include <cstdint>

class QGroupBox;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class TCorv;

class TForm5 : public QDialog {
    Q_OBJECT
public:
    // The list's columns; a sort key is one of them counted from 1, negative for descending.
    enum Colonne { kSens, kValeur, kDate, kQuantite, kCours, kNbColonnes };
    // Pictures of the sorted column's header.
    static constexpr int kImageAucune = -1;
    static constexpr int kImageDecroissante = 0;
    static constexpr int kImageCroissante = 1;

    explicit TForm5(QWidget* owner);

    // Rebuilds the list from the document under the current filter, sorted on "Sens"
    // ascending. FPortefeuille must be set first.
    void FillList();

    // Event handlers.
    void LvOpClick();
    void LvOpColumnClick(int column); // column counted from 0
    // +1 when r1 goes after r2 under the current sort key, -1 before, 0 alike.
    int LvOpCompare(const QTreeWidgetItem* r1, const QTreeWidgetItem* r2) const;
    void LvOpCustomDrawItem(QTreeWidgetItem* item) const;
    void NptClick();

    // The sort key kept in the list's "Tag".
    int SortKey() const;
    // The picture a column header shows (kImage...).
    int ColumnImage(int column) const;

    QTreeWidget* LvOp = nullptr;
    QGroupBox* Selection = nullptr;
    QRadioButton* Npt = nullptr;
    QRadioButton* Pt = nullptr;
    QRadioButton* All = nullptr;
    QPushButton* Button1 = nullptr;

    std::int32_t FFiltre = 0; // 0 trades not ticked, 1 ticked, 2 all
    TCorv* FPortefeuille = nullptr;

private:
    void SetSortKey(int key);
    void SetColumnImage(int column, int image);
    void SortRows();

    std::array<int, kNbColonnes> FImages{};
    bool FRemplissage = false;
};

// The statement check while it is shown.
extern TForm5* Form5;
