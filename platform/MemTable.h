#pragma once

#include "platform/DateTime.h"
#include "platform/RowOrder.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// In-memory tables: typed fields reached by name or position, an optional index that keeps the
// rows in key order, a current row with the usual navigation and editing operations, and change
// notifications for the views that show a table.

namespace platform {

class __attribute__((visibility("default"))) MemTableError : public std::runtime_error {
public:
    explicit MemTableError(const std::string& message) : std::runtime_error(message) {}
};

enum class FieldType { String, Integer, Float, Date, Boolean };

struct FieldDef {
    std::string Name;
    FieldType Type = FieldType::String;
    int Size = 0;              // strings: the most characters kept (0: unbounded)
    std::string DisplayFormat; // floats: "0,.00" groups thousands with two decimals
    // Numbers: a row posted with the field empty holds 0 in it, for a table whose file has no
    // empty field, so that the row shows what will be stored.
    bool ZeroWhenEmpty = false;
};

// A field's value as stored: null, an integer, a float or date, a boolean or a text.
using Value = std::variant<std::monostate, std::int32_t, double, bool, std::string>;

class MemTable;

// A handle on one field of a table: reads the current row (or the row being edited) and
// writes the row being edited. Handles stay valid as long as their table lives.
class Field {
public:
    Field() = default;
    Field(MemTable* table, int index) : table_(table), index_(index) {}

    MemTable* Table() const { return table_; }
    int Index() const { return index_; }

    bool IsNull() const;
    Value AsValue() const;
    std::string AsString() const;
    double AsFloat() const;
    // The text a grid shows, under the field's display format.
    std::string DisplayText() const;

    // Writing needs the table in Edit or Insert state. A text that does not convert throws
    // ConversionError; the row being edited keeps its previous value then.
    void SetValue(const Value& value);
    void SetAsString(std::string_view text);
    void SetAsInteger(std::int32_t value);
    void SetAsFloat(double value);
    void SetAsDateTime(TDateTime value);
    void SetAsBoolean(bool value);
    void Clear();

private:
    MemTable* table_ = nullptr;
    int index_ = -1;
};

// Told of every change of a table's rows, so that a view can follow it. Row numbers are
// 0-based positions in the table's current order. "AboutTo" calls come before the change.
class TableObserver {
public:
    virtual ~TableObserver() = default;
    virtual void RowsAboutToBeReset() {}
    virtual void RowsReset() {}
    virtual void RowAboutToBeInserted(int /*row*/) {}
    virtual void RowInserted(int /*row*/) {}
    virtual void RowAboutToBeRemoved(int /*row*/) {}
    virtual void RowRemoved(int /*row*/) {}
    virtual void RowChanged(int /*row*/) {}
    virtual void CurrentRowChanged(int /*row*/) {}
};

class MemTable {
public:
    enum class State { Browse, Edit, Insert };

    MemTable(std::string name, std::vector<FieldDef> fields);
    MemTable(const MemTable&) = delete;
    MemTable& operator=(const MemTable&) = delete;

    const std::string& Name() const { return name_; }

    // Fields.
    int FieldCount() const { return static_cast<int>(defs_.size()); }
    const FieldDef& FieldDefAt(int index) const;
    int FindField(std::string_view name) const; // -1 when missing
    Field FieldByName(std::string_view name);   // throws MemTableError when missing
    Field Fields(int index);

    // Indexes. fieldNames lists the key fields separated by ";". Only the selected index
    // orders the rows; with none selected, rows keep the order in which they were put in.
    void AddIndex(std::string name, std::string_view fieldNames);
    // Selects an index ("" for none); selecting one sorts the rows by its key, equal keys
    // keeping their order. Deselecting keeps the current order.
    void SetIndexName(std::string_view name);
    const std::string& IndexName() const { return indexName_; }

    // Rows and the current row.
    int RecordCount() const { return static_cast<int>(count_); }
    bool IsEmpty() const { return count_ == 0; }
    int RecNo() const { return count_ == 0 ? -1 : static_cast<int>(current_); } // 0-based
    bool MoveTo(int row); // false when out of range (the current row does not change)
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    // Each returns true when it lands on a row. Next at the last row sets Eof and returns
    // false; Prior at the first sets Bof. Moving posts a pending edit first.
    bool First();
    bool Last();
    bool Next();
    bool Prior();

    // Editing. Insert puts the new row before the current one in a table without index
    // (in key order otherwise, when posted); Append puts it last. Edit on an empty table
    // inserts. Post places the row by its key in an indexed table, and the posted row
    // becomes the current one.
    State GetState() const { return state_; }
    void Insert();
    void Append();
    void Edit();
    void Post();
    void Cancel();
    void CheckBrowseMode(); // posts a pending edit
    void Delete();          // the current row; throws MemTableError on an empty table
    void EmptyTable();

    // Bulk loading. Between BeginLoad and EndLoad, posted rows go last whatever the selected
    // index, so that loading rows in any order costs n log n rather than a shift of every
    // column per row; Locate searches row by row meanwhile. EndLoad puts the rows in the
    // selected index's order (equal keys keep the order they were posted in) and, with
    // Repeats::KeepFirst, drops every row whose key equals an earlier row's; the current row
    // is then the last. EmptyTable ends a load.
    enum class Repeats { Keep, KeepFirst };
    void BeginLoad();
    void EndLoad(Repeats repeats);
    bool Loading() const { return loading_; }

    // Moves to the first row whose fields (names separated by ";") equal the values; false
    // when there is none. Logarithmic when the fields lead the selected index.
    bool Locate(std::string_view fieldNames, const std::vector<Value>& values);

    // Random access to stored rows, for views that read any cell.
    Value ValueAt(int row, int field) const;
    bool IsNullAt(int row, int field) const;
    double NumberAt(int row, int field) const;           // integers, floats, dates, booleans as 0/1
    const std::string& TextAt(int row, int field) const; // string fields only
    std::string DisplayTextAt(int row, int field) const;
    // Sets one field of row i: moves there, edits, sets and posts (the row may move in an
    // indexed table). On a conversion error the edit is cancelled and the error rethrown.
    void SetValueAt(int row, int field, const Value& value);

    // Notifications.
    void AddObserver(TableObserver* observer);
    void RemoveObserver(TableObserver* observer);
    // For bulk changes: disabling tells the views that a reset begins and stops the
    // row-by-row notifications; re-enabling tells them the reset is over. Calls nest.
    void DisableControls();
    void EnableControls();

private:
    friend class Field;

    struct Cell {
        bool null = true;
        double number = 0.0;
        std::string text;
    };
    struct Column {
        std::vector<double> numbers;    // non-string fields
        std::vector<std::string> texts; // string fields
        std::vector<std::uint8_t> nulls;
    };
    struct Index {
        std::string name;
        std::vector<int> fields;
    };

    std::vector<int> ParseFieldList(std::string_view fieldNames) const;
    bool IsStringField(int field) const { return defs_[field].Type == FieldType::String; }
    void CheckField(int field) const {
        if (field < 0 || field >= FieldCount())
            FieldOutOfRange();
    }
    [[noreturn]] void FieldOutOfRange() const;
    void CheckRow(int row) const;

    // The value read by Field: the edit buffer while editing, else the current row.
    Cell ReadCell(int field) const;
    Cell& WriteCell(int field);
    bool SetNumber(int field, double number, bool integral); // false for a string field
    Cell StoredCell(std::size_t row, int field) const;
    std::size_t Slot(std::size_t row) const { return order_.SlotAt(row); }
    Cell Convert(int field, const Value& value) const;
    Cell ConvertText(int field, std::string_view text) const;
    static Value CellValue(const FieldDef& def, const Cell& cell);
    static std::string CellText(const FieldDef& def, const Cell& cell);
    static std::string CellDisplayText(const FieldDef& def, const Cell& cell);

    // On the selected index's key; a slot is where a row is stored, whatever its position.
    int CompareCells(int field, const Cell& a, std::size_t slot) const;
    int CompareBufferToSlot(std::size_t slot) const;
    int CompareBufferToRow(std::size_t row) const { return CompareBufferToSlot(Slot(row)); }
    int CompareSlots(std::size_t a, std::size_t b) const;
    std::size_t UpperBound() const; // position after the rows whose key equals the buffer's
    // The rows' slots in the selected index's order, equal keys in their present order.
    std::vector<std::size_t> IndexOrder() const;
    // Keeps the rows of the slots listed, in that order.
    void Rearrange(const std::vector<std::size_t>& slots);
    void InsertStored(std::size_t row);
    void WriteSlot(std::size_t slot); // the buffer into the slot
    void EraseStored(std::size_t row);
    void LoadBuffer(std::size_t row);
    void SetCurrent(std::size_t row);

    void NotifyAboutToReset();
    void NotifyReset();
    void NotifyAboutToInsert(int row);
    void NotifyInserted(int row);
    void NotifyAboutToRemove(int row);
    void NotifyRemoved(int row);
    void NotifyChanged(int row);
    void NotifyCurrent();

    std::string name_;
    std::vector<FieldDef> defs_;
    std::vector<Column> columns_; // by slot
    std::size_t count_ = 0;
    // Rows are stored in slots that never move, so that placing one by its key costs a
    // logarithmic search and link rather than a shift of every column.
    RowOrder order_;
    std::vector<std::size_t> freeSlots_; // slots of removed rows, for the next ones
    std::vector<Index> indexes_;
    std::string indexName_;
    int selected_ = -1; // position in indexes_, -1 for none

    std::size_t current_ = 0;
    bool bof_ = true;
    bool eof_ = true;
    State state_ = State::Browse;
    bool appending_ = false;
    bool loading_ = false;
    std::size_t insertAt_ = 0;
    std::vector<Cell> buffer_;

    std::vector<TableObserver*> observers_;
    int disabled_ = 0;
};

// Disables a table's notifications for a scope.
class ControlsDisabled {
public:
    explicit ControlsDisabled(MemTable& table) : table_(table) { table_.DisableControls(); }
    ~ControlsDisabled() { table_.EnableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    MemTable& table_;
};

// Loads rows in bulk for a scope (see MemTable::BeginLoad). A load left unfinished, by an
// exception, empties the table: half a load is no table.
class BulkLoad {
public:
    explicit BulkLoad(MemTable& table) : table_(table) { table_.BeginLoad(); }
    ~BulkLoad() {
        if (table_.Loading())
            table_.EmptyTable();
    }
    BulkLoad(const BulkLoad&) = delete;
    BulkLoad& operator=(const BulkLoad&) = delete;

    void Finish(MemTable::Repeats repeats) { table_.EndLoad(repeats); }

private:
    MemTable& table_;
};

} // namespace platform
