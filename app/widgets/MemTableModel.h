#pragma once

// A Qt table model over one in-memory table, so that grids show and edit the data module's
// tables directly: the rows in the table's current order, the row being inserted shown where
// it will go, the row being edited read from the table's edit buffer, and the navigator's
// operations (first, prior, next, last, insert, delete, edit, post, cancel).
//
// While a model shows a table, rows are inserted and edits cancelled through the model: the
// table does not announce a new row before it is posted, nor a cancelled edit. A row left
// being inserted or edited when the model goes away is abandoned.

#include "platform/MemTable.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>
#include <vector>

struct MemTableColumn {
    int Field = 0; // position of the field in the table
    QString Title;
    // Boolean fields: the texts shown for true and for false, offered as the cell's choices.
    QStringList PickList;
    bool ReadOnly = false;
    // Float fields: the figure shown and typed is the stored one times this factor (amounts
    // stored in euros and shown in another currency), shown under the field's display mask
    // as the table shows its own figures.
    double Factor = 1.0;
    // None: numbers to the right, texts to the left.
    Qt::Alignment Alignment = {};
};

class MemTableModel : public QAbstractTableModel, private platform::TableObserver {
    Q_OBJECT

public:
    // The choices of a cell (QStringList), empty for free text.
    static constexpr int PickListRole = Qt::UserRole + 1;

    MemTableModel(platform::MemTable& table, std::vector<MemTableColumn> columns,
                  QObject* parent = nullptr);
    ~MemTableModel() override;

    platform::MemTable& Table() const { return table_; }
    const MemTableColumn& Column(int column) const { return columns_.at(column); }

    // With auto-edit, typing into a cell of any row starts editing that row; without it only
    // the row that the navigator's insert or edit opened can be typed into.
    void SetAutoEdit(bool autoEdit) { autoEdit_ = autoEdit; }
    bool AutoEdit() const { return autoEdit_; }

    // Checks a value about to be stored in a field: the refusal message, or empty to accept.
    using Validator = std::function<QString(int field, const platform::Value& value)>;
    void SetValidator(Validator validator) { validator_ = std::move(validator); }
    // Checks the row being inserted or edited before it is posted, by whatever operation:
    // the refusal message, or empty to post. A refused row stays being typed.
    using RowValidator = std::function<QString()>;
    void SetRowValidator(RowValidator validator) { rowValidator_ = std::move(validator); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A text that does not convert, or that the validator refuses, changes nothing: the model
    // tells why through EditRefused and returns false.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Rows of the model against rows of the table: the row being inserted has no table row.
    int TableRow(int row) const; // -1 for the row being inserted
    int ModelRow(int tableRow) const;
    int CurrentRow() const; // -1 when the table is empty and nothing is being inserted
    bool Inserting() const { return inserting_ >= 0; }
    bool Editing() const; // a row is being inserted or edited
    bool CanModifyRow(int row) const;
    // True while the model moves its rows: a view's current row moved by the change itself is
    // not a choice of the user, and the model tells the new current row afterwards.
    bool Busy() const { return busy_ > 0; }

    // The navigator's operations. Moving posts a pending edit first, as the table does.
    bool MoveToRow(int row);
    bool First();
    bool Prior();
    bool Next();
    bool Last();
    void Insert(); // a new row before the current one
    void Edit();
    void Post();
    void Cancel();
    void Delete(); // the current row; a row being inserted is abandoned

signals:
    // Before any navigation or editing operation: views write back an open cell editor
    // (commit) or close it unwritten (an edit being cancelled or deleted).
    void UpdateRecord(bool commit);
    void CurrentRowMoved(int row);
    void StateChanged();
    void EditRefused(const QString& message);

private:
    // TableObserver
    void RowsAboutToBeReset() override;
    void RowsReset() override;
    void RowAboutToBeInserted(int row) override;
    void RowInserted(int row) override;
    void RowAboutToBeRemoved(int row) override;
    void RowRemoved(int row) override;
    void RowChanged(int row) override;
    void CurrentRowChanged(int row) override;

    bool MoveTo(int row);
    // True when nothing is being typed or the row validator takes the row; otherwise tells
    // why through EditRefused and brings the views back to the row.
    bool PostAllowed();
    // Drops the row being inserted when the table left the insert state behind our back.
    void SyncState();
    void DropInsertedRow();
    bool ReadsBuffer(int row) const;
    platform::Value CellValue(int row, int field) const;
    QString DisplayText(int row, const MemTableColumn& column) const;
    QString EditText(int row, const MemTableColumn& column) const;
    void RowRangeChanged(int row);

    platform::MemTable& table_;
    std::vector<MemTableColumn> columns_;
    bool autoEdit_ = true;
    Validator validator_;
    RowValidator rowValidator_;
    int inserting_ = -1; // model row of the row being inserted
    int tracked_ = -1;   // table row followed across a post, -1 for none
    int busy_ = 0;
};
