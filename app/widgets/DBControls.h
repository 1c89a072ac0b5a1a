#pragma once

// Data-aware controls over a MemTableModel: a grid whose current row is the table's current
// row, and a navigator with the usual buttons (first, prior, next, last, insert, delete,
// edit, post, cancel).

#include <QPointer>
#include <QTableView>
#include <QWidget>

#include <array>
#include <functional>

class MemTableModel;
class QToolButton;

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);

    void SetDataModel(MemTableModel* model);
    MemTableModel* DataModel() const { return model_; }

    // Writes back the cell editor left open, if any, and closes it; false when the model
    // refused what it held (the cell keeps its previous value).
    bool CommitEditor();
    // Closes the cell editor left open without writing it back.
    void DiscardEditor();
    bool HasOpenEditor() const { return !editor_.isNull(); }

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    // Enter belongs to the grid, not to the dialog's default button; Escape first abandons the
    // row being edited.
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TDBGridDelegate;
    void FollowTable(int row);
    void UpdateRecord(bool commit);

    MemTableModel* model_ = nullptr;
    QPointer<QWidget> editor_;
    bool following_ = false;
    bool committing_ = false;
};

class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel };
    static constexpr int kButtons = 9;

    explicit TDBNavigator(QWidget* parent = nullptr);

    void SetDataModel(MemTableModel* model);
    QToolButton* ButtonAt(Button button) const { return buttons_[button]; }
    // What pressing the button does. Insert also puts the keyboard on the new row's first
    // cell in the grid of the same window that shows the table, so that what the user types
    // next goes into the row.
    void Click(Button button);

    // Asked before a stored row is deleted; none: deleted at once.
    std::function<bool()> ConfirmDelete;

private:
    void UpdateButtons();
    TDBGrid* Grid() const; // none when no grid of the window shows the table
    void FocusCurrentRow();

    std::array<QToolButton*, kButtons> buttons_{};
    MemTableModel* model_ = nullptr;
};
