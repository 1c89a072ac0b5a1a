#include "widgets/MemTableModel.h"

#include "widgets/QtDates.h"

#include "platform/DateText.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <stdexcept>

using platform::FieldType;
using platform::MemTable;

namespace {

QString BooleanText(const MemTableColumn& column, bool value) {
    if (column.PickList.size() >= 2)
        return column.PickList[value ? 0 : 1];
    return value ? QString("Vrai") : QString("Faux");
}

// The text put in a cell's editor: the figure as typed, without the grouping of the display
// nor its rounding to two decimals, so that leaving the editor unchanged changes nothing.
std::string EditFigure(double value) {
    std::string text = platform::FormatFixedUser(value, 6);
    const char point = platform::FormatSettings::Current().DecimalSeparator;
    if (text.find(point) != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == point)
            text.pop_back();
    }
    if (text == "-0")
        text = "0";
    return text;
}

bool Scaled(const MemTableColumn& column) {
    return column.Factor != 1.0 && column.Factor != 0.0;
}

} // namespace

MemTableModel::MemTableModel(MemTable& table, std::vector<MemTableColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), table_(table), columns_(std::move(columns)) {
    // A row left in the edit buffer could not be shown nor finished here: it is posted.
    table_.CheckBrowseMode();
    table_.AddObserver(this);
}

MemTableModel::~MemTableModel() {
    table_.RemoveObserver(this);
    // A row still being typed when its view goes away is abandoned, as the view's user left
    // without posting it.
    if (table_.GetState() != MemTable::State::Browse)
        table_.Cancel();
}

// ---- rows ----

int MemTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return table_.RecordCount() + (inserting_ >= 0 ? 1 : 0);
}

int MemTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

int MemTableModel::TableRow(int row) const {
    if (inserting_ < 0 || row < inserting_)
        return row;
    return row == inserting_ ? -1 : row - 1;
}

int MemTableModel::ModelRow(int tableRow) const {
    return inserting_ >= 0 && tableRow >= inserting_ ? tableRow + 1 : tableRow;
}

int MemTableModel::CurrentRow() const {
    if (inserting_ >= 0)
        return inserting_;
    return table_.IsEmpty() ? -1 : ModelRow(table_.RecNo());
}

bool MemTableModel::Editing() const {
    return inserting_ >= 0 || table_.GetState() == MemTable::State::Edit;
}

bool MemTableModel::ReadsBuffer(int row) const {
    if (inserting_ >= 0)
        return row == inserting_;
    return table_.GetState() == MemTable::State::Edit && !table_.IsEmpty() &&
           TableRow(row) == table_.RecNo();
}

bool MemTableModel::CanModifyRow(int row) const {
    if (row < 0 || row >= rowCount())
        return false;
    return ReadsBuffer(row) || autoEdit_;
}

// ---- cells ----

platform::Value MemTableModel::CellValue(int row, int field) const {
    if (ReadsBuffer(row))
        return table_.Fields(field).AsValue();
    return table_.ValueAt(TableRow(row), field);
}

QString MemTableModel::DisplayText(int row, const MemTableColumn& column) const {
    const platform::Value value = CellValue(row, column.Field);
    if (std::holds_alternative<std::monostate>(value))
        return QString();
    if (const auto* boolean = std::get_if<bool>(&value))
        return BooleanText(column, *boolean);
    if (const auto* number = std::get_if<double>(&value); number && Scaled(column))
        return QString::fromStdString(platform::FormatMask(
            table_.FieldDefAt(column.Field).DisplayFormat, *number * column.Factor));
    if (ReadsBuffer(row))
        return QString::fromStdString(table_.Fields(column.Field).DisplayText());
    return QString::fromStdString(table_.DisplayTextAt(TableRow(row), column.Field));
}

QString MemTableModel::EditText(int row, const MemTableColumn& column) const {
    if (table_.FieldDefAt(column.Field).Type == FieldType::Float) {
        const platform::Value value = CellValue(row, column.Field);
        if (const auto* number = std::get_if<double>(&value))
            return QString::fromStdString(
                EditFigure(Scaled(column) ? *number * column.Factor : *number));
        return QString();
    }
    return DisplayText(row, column);
}

QVariant MemTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() ||
        index.column() >= static_cast<int>(columns_.size()))
        return QVariant();
    const MemTableColumn& column = columns_[static_cast<std::size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return DisplayText(index.row(), column);
    case Qt::EditRole:
        return EditText(index.row(), column);
    case Qt::TextAlignmentRole: {
        if (column.Alignment != Qt::Alignment())
            return QVariant::fromValue(column.Alignment | Qt::AlignVCenter);
        const FieldType type = table_.FieldDefAt(column.Field).Type;
        if (type == FieldType::Float || type == FieldType::Integer)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    case PickListRole:
        return column.PickList;
    default:
        return QVariant();
    }
}

QVariant MemTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= static_cast<int>(columns_.size()))
            return QVariant();
        return columns_[static_cast<std::size_t>(section)].Title;
    }
    // The indicator of the current row: inserting, editing or browsing it.
    if (section != CurrentRow())
        return QString();
    if (inserting_ >= 0)
        return QString("*");
    if (table_.GetState() == MemTable::State::Edit)
        return QString("I");
    return QString("\u25B8");
}

Qt::ItemFlags MemTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() < static_cast<int>(columns_.size()) &&
        !columns_[static_cast<std::size_t>(index.column())].ReadOnly && CanModifyRow(index.row()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool MemTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole ||
        index.column() >= static_cast<int>(columns_.size()))
        return false;
    SyncState();
    const MemTableColumn& column = columns_[static_cast<std::size_t>(index.column())];
    if (column.ReadOnly || !CanModifyRow(index.row()))
        return false;

    // An editor left as it was opened changes nothing.
    if (value.toString() == EditText(index.row(), column))
        return true;
    std::string text = value.toString().toStdString();
    if (table_.FieldDefAt(column.Field).Type == FieldType::Date) {
        // Typed as in every date field of the program, the digits alone included.
        const TypedDate typed = ReadTypedDate(value.toString());
        if (typed.State == QValidator::Acceptable)
            text = platform::DateToStrFull(FromQDate(typed.Date));
    }
    if (!column.PickList.isEmpty()) {
        const auto choice = column.PickList.indexOf(value.toString());
        if (choice == 0 || choice == 1)
            text = choice == 0 ? "true" : "false";
    }

    bool started = false;
    if (!ReadsBuffer(index.row())) {
        if (!MoveTo(index.row()))
            return false;
        table_.Edit();
        started = true;
    }
    platform::Field field = table_.Fields(column.Field);
    const platform::Value old = field.AsValue();
    QString refusal;
    try {
        field.SetAsString(text);
        if (Scaled(column) && !field.IsNull())
            field.SetAsFloat(field.AsFloat() / column.Factor);
    } catch (const std::runtime_error& error) {
        refusal = QString::fromStdString(error.what());
    }
    if (refusal.isEmpty() && validator_) {
        refusal = validator_(column.Field, field.AsValue());
        if (!refusal.isEmpty())
            field.SetValue(old);
    }
    if (!refusal.isEmpty()) {
        if (started)
            table_.Cancel();
        emit EditRefused(column.Title + QString(" : ") + refusal);
        return false;
    }
    if (started && field.AsValue() == old) {
        table_.Cancel(); // nothing changed: the row stays as it was, not being edited
        return true;
    }
    const int row = CurrentRow();
    RowRangeChanged(row);
    if (started)
        emit StateChanged();
    return true;
}

void MemTableModel::RowRangeChanged(int row) {
    if (row < 0 || row >= rowCount())
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
}

// ---- navigation and editing ----

bool MemTableModel::MoveToRow(int row) {
    emit UpdateRecord(true);
    SyncState();
    return MoveTo(row);
}

bool MemTableModel::MoveTo(int row) {
    if (row < 0 || row >= rowCount())
        return false;
    if (row == CurrentRow())
        return true;
    int target = TableRow(row);
    if (table_.GetState() != MemTable::State::Browse) {
        if (!PostAllowed())
            return false;
        // Posting may move rows: follow the target through the table's notices.
        tracked_ = target;
        table_.Post();
        target = tracked_;
        tracked_ = -1;
        emit StateChanged();
    }
    return target >= 0 && table_.MoveTo(target);
}

bool MemTableModel::First() {
    emit UpdateRecord(true);
    SyncState();
    if (!PostAllowed())
        return false;
    const bool found = table_.First();
    emit StateChanged();
    return found;
}

bool MemTableModel::Prior() {
    emit UpdateRecord(true);
    SyncState();
    if (!PostAllowed())
        return false;
    const bool found = table_.Prior();
    emit StateChanged();
    return found;
}

bool MemTableModel::Next() {
    emit UpdateRecord(true);
    SyncState();
    if (!PostAllowed())
        return false;
    const bool found = table_.Next();
    emit StateChanged();
    return found;
}

bool MemTableModel::Last() {
    emit UpdateRecord(true);
    SyncState();
    if (!PostAllowed())
        return false;
    const bool found = table_.Last();
    emit StateChanged();
    return found;
}

void MemTableModel::Insert() {
    emit UpdateRecord(true);
    SyncState();
    if (!PostAllowed())
        return;
    table_.Insert(); // posts a pending edit first
    // The table puts the new row before its current one, or first in an empty table.
    const int row = table_.RecordCount() == 0 ? 0 : table_.RecNo();
    ++busy_;
    beginInsertRows(QModelIndex(), row, row);
    inserting_ = row;
    endInsertRows();
    --busy_;
    emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    emit CurrentRowMoved(row);
    emit StateChanged();
}

void MemTableModel::Edit() {
    emit UpdateRecord(true);
    SyncState();
    if (Editing())
        return;
    if (table_.IsEmpty()) {
        Insert();
        return;
    }
    table_.Edit();
    RowRangeChanged(CurrentRow());
    emit StateChanged();
}

void MemTableModel::Post() {
    emit UpdateRecord(true);
    SyncState();
    if (!Editing() || !PostAllowed())
        return;
    table_.Post(); // the notices place the row and drop the inserted one
    RowRangeChanged(CurrentRow());
    emit StateChanged();
}

bool MemTableModel::PostAllowed() {
    if (!Editing() || !rowValidator_)
        return true;
    const QString refusal = rowValidator_();
    if (refusal.isEmpty())
        return true;
    emit EditRefused(refusal);
    emit CurrentRowMoved(CurrentRow());
    return false;
}

void MemTableModel::Cancel() {
    emit UpdateRecord(false);
    SyncState();
    if (inserting_ >= 0) {
        table_.Cancel();
        DropInsertedRow();
        emit headerDataChanged(Qt::Vertical, 0, std::max(0, rowCount() - 1));
        emit CurrentRowMoved(CurrentRow());
    } else if (table_.GetState() == MemTable::State::Edit) {
        table_.Cancel();
        RowRangeChanged(CurrentRow());
    }
    emit StateChanged();
}

void MemTableModel::Delete() {
    if (inserting_ >= 0) {
        Cancel();
        return;
    }
    emit UpdateRecord(false);
    SyncState();
    if (table_.IsEmpty())
        return;
    table_.Delete(); // an edit of the row is abandoned with it
    emit StateChanged();
}

void MemTableModel::SyncState() {
    if (inserting_ >= 0 && table_.GetState() != MemTable::State::Insert) {
        DropInsertedRow();
        emit StateChanged();
    }
}

void MemTableModel::DropInsertedRow() {
    if (inserting_ < 0)
        return;
    const int row = inserting_;
    ++busy_;
    beginRemoveRows(QModelIndex(), row, row);
    inserting_ = -1;
    endRemoveRows();
    --busy_;
}

// ---- the table's notices ----

void MemTableModel::RowsAboutToBeReset() {
    ++busy_;
    beginResetModel();
}

void MemTableModel::RowsReset() {
    if (inserting_ >= 0) {
        if (table_.GetState() != MemTable::State::Insert)
            inserting_ = -1;
        else if (inserting_ > table_.RecordCount())
            inserting_ = table_.RecordCount();
    }
    endResetModel();
    busy_ = std::max(0, busy_ - 1);
    emit CurrentRowMoved(CurrentRow());
    emit StateChanged();
}

void MemTableModel::RowAboutToBeInserted(int row) {
    ++busy_;
    // Only a post inserts a row: the row shown while it was typed gives way to it.
    DropInsertedRow();
    if (tracked_ >= 0 && tracked_ >= row)
        ++tracked_;
    beginInsertRows(QModelIndex(), row, row);
}

void MemTableModel::RowInserted(int) {
    endInsertRows();
    busy_ = std::max(0, busy_ - 1);
}

void MemTableModel::RowAboutToBeRemoved(int row) {
    ++busy_;
    if (tracked_ == row)
        tracked_ = -1;
    else if (tracked_ > row)
        --tracked_;
    const int at = ModelRow(row);
    beginRemoveRows(QModelIndex(), at, at);
}

void MemTableModel::RowRemoved(int) {
    endRemoveRows();
    busy_ = std::max(0, busy_ - 1);
}

void MemTableModel::RowChanged(int row) {
    RowRangeChanged(ModelRow(row));
}

void MemTableModel::CurrentRowChanged(int) {
    if (rowCount() > 0)
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    emit CurrentRowMoved(CurrentRow());
}
