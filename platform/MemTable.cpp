#include "platform/MemTable.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <system_error>

namespace platform {

namespace {

// A figure typed into a cell: not-a-number and the infinities are no figures a table can
// store (they would be written as 0), so they are refused as any unreadable text is.
std::optional<double> ReadCellFigure(std::string_view text) {
    const std::optional<double> value = ParseDouble(text, kCellDecimal);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

// Keeps at most maxChars UTF-8 characters, never cutting one in the middle.
std::string Truncate(std::string text, int maxChars) {
    if (maxChars <= 0 || text.size() <= static_cast<std::size_t>(maxChars))
        return text;
    int chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == maxChars) {
                text.resize(i);
                return text;
            }
            ++chars;
        }
    }
    return text;
}

// A float field's plain text: 15 significant digits, so that an amount built as cents x 0.01
// reads 0.35 and not 0.35000000000000003.
std::string FloatText(double value) {
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

std::int32_t RoundToInt32(double value) {
    // Round half to even, so that halves do not all go up.
    return Trunc32(std::nearbyint(value));
}

// A number as a field of that (non-text) type keeps it: an integer rounded, a date cut to its
// day, a boolean as 0 or 1.
double NumberForField(FieldType type, double number, bool integral) {
    switch (type) {
    case FieldType::Integer:
        return integral ? number : RoundToInt32(number);
    case FieldType::Date:
        return DateOf(number);
    case FieldType::Boolean:
        return number != 0.0 ? 1.0 : 0.0;
    case FieldType::Float:
    case FieldType::String:
        break;
    }
    return number;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

int CompareNumbers(double a, double b) {
    if (a < b)
        return -1;
    if (a > b)
        return 1;
    return 0;
}

std::string FormatFloat(const std::string& format, double value) {
    if (!format.empty())
        return FormatMask(format, value);
    std::string text = FloatText(value);
    std::replace(text.begin(), text.end(), '.', FormatSettings::Current().DecimalSeparator);
    return text;
}

} // namespace

// ---- Field ----

bool Field::IsNull() const {
    return table_->ReadCell(index_).null;
}

Value Field::AsValue() const {
    return MemTable::CellValue(table_->defs_[index_], table_->ReadCell(index_));
}

std::string Field::AsString() const {
    return MemTable::CellText(table_->defs_[index_], table_->ReadCell(index_));
}

double Field::AsFloat() const {
    const auto& def = table_->defs_[index_];
    const auto cell = table_->ReadCell(index_);
    if (cell.null)
        return 0.0;
    if (def.Type == FieldType::String) {
        const std::optional<double> value = ReadCellFigure(cell.text);
        if (!value)
            RefuseNumber(cell.text, NumberKind::Decimal);
        return *value;
    }
    return cell.number;
}

std::string Field::DisplayText() const {
    return MemTable::CellDisplayText(table_->defs_[index_], table_->ReadCell(index_));
}

void Field::SetValue(const Value& value) {
    MemTable::Cell cell = table_->Convert(index_, value);
    table_->WriteCell(index_) = std::move(cell);
}

void Field::SetAsString(std::string_view text) {
    MemTable::Cell cell = table_->ConvertText(index_, text);
    table_->WriteCell(index_) = std::move(cell);
}

void Field::SetAsInteger(std::int32_t value) {
    if (!table_->SetNumber(index_, value, true))
        SetValue(Value{value});
}
void Field::SetAsFloat(double value) {
    if (!table_->SetNumber(index_, value, false))
        SetValue(Value{value});
}
void Field::SetAsDateTime(TDateTime value) {
    if (!table_->SetNumber(index_, value, false))
        SetValue(Value{value});
}
void Field::SetAsBoolean(bool value) {
    SetValue(Value{value});
}
void Field::Clear() {
    SetValue(Value{});
}

// ---- MemTable ----

MemTable::MemTable(std::string name, std::vector<FieldDef> fields)
    : name_(std::move(name)), defs_(std::move(fields)) {
    columns_.resize(defs_.size());
    buffer_.resize(defs_.size());
}

const FieldDef& MemTable::FieldDefAt(int index) const {
    CheckField(index);
    return defs_[index];
}

int MemTable::FindField(std::string_view name) const {
    for (std::size_t i = 0; i < defs_.size(); ++i)
        if (EqualsNoCase(defs_[i].Name, name))
            return static_cast<int>(i);
    return -1;
}

Field MemTable::FieldByName(std::string_view name) {
    const int index = FindField(name);
    if (index < 0)
        throw MemTableError(name_ + " : champ '" + std::string(name) + "' non trouvé");
    return Field(this, index);
}

Field MemTable::Fields(int index) {
    CheckField(index);
    return Field(this, index);
}

void MemTable::FieldOutOfRange() const {
    throw MemTableError(name_ + " : indice de champ hors limites");
}

void MemTable::CheckRow(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= count_)
        throw MemTableError(name_ + " : indice de ligne hors limites");
}

std::vector<int> MemTable::ParseFieldList(std::string_view fieldNames) const {
    std::vector<int> fields;
    while (true) {
        const auto sep = fieldNames.find(';');
        const std::string_view name = Trim(fieldNames.substr(0, sep));
        const int index = FindField(name);
        if (index < 0)
            throw MemTableError(name_ + " : champ '" + std::string(name) + "' non trouvé");
        fields.push_back(index);
        if (sep == std::string_view::npos)
            break;
        fieldNames.remove_prefix(sep + 1);
    }
    return fields;
}

void MemTable::AddIndex(std::string name, std::string_view fieldNames) {
    indexes_.push_back(Index{std::move(name), ParseFieldList(fieldNames)});
}

void MemTable::SetIndexName(std::string_view name) {
    CheckBrowseMode();
    if (name.empty()) {
        selected_ = -1;
        indexName_.clear();
        return;
    }
    int found = -1;
    for (std::size_t i = 0; i < indexes_.size(); ++i)
        if (EqualsNoCase(indexes_[i].name, name))
            found = static_cast<int>(i);
    if (found < 0)
        throw MemTableError(name_ + " : index '" + std::string(name) + "' non trouvé");
    NotifyAboutToReset();
    selected_ = found;
    indexName_ = indexes_[found].name;
    Rearrange(IndexOrder());
    current_ = 0;
    bof_ = true;
    eof_ = count_ == 0;
    NotifyReset();
}

std::vector<std::size_t> MemTable::IndexOrder() const {
    std::vector<std::size_t> slots = order_.Slots();
    std::stable_sort(slots.begin(), slots.end(),
                     [this](std::size_t a, std::size_t b) { return CompareSlots(a, b) < 0; });
    return slots;
}

void MemTable::Rearrange(const std::vector<std::size_t>& slots) {
    // Every column goes through the same list, so that rows stay whole; the rows then fill
    // the slots from the first, in their order.
    for (auto& column : columns_) {
        Column arranged;
        arranged.nulls.reserve(slots.size());
        for (std::size_t i : slots)
            arranged.nulls.push_back(column.nulls[i]);
        if (!column.texts.empty()) {
            arranged.texts.reserve(slots.size());
            for (std::size_t i : slots)
                arranged.texts.push_back(std::move(column.texts[i]));
        }
        if (!column.numbers.empty()) {
            arranged.numbers.reserve(slots.size());
            for (std::size_t i : slots)
                arranged.numbers.push_back(column.numbers[i]);
        }
        column = std::move(arranged);
    }
    count_ = slots.size();
    std::vector<std::size_t> identity(count_);
    for (std::size_t i = 0; i < count_; ++i)
        identity[i] = i;
    order_.Assign(identity);
    freeSlots_.clear();
}

bool MemTable::MoveTo(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= count_)
        return false;
    CheckBrowseMode();
    // Posting may have moved rows; the requested position still names a row.
    if (static_cast<std::size_t>(row) >= count_)
        return false;
    SetCurrent(static_cast<std::size_t>(row));
    bof_ = false;
    eof_ = false;
    return true;
}

void MemTable::SetCurrent(std::size_t row) {
    const bool changed = current_ != row;
    current_ = row;
    if (changed)
        NotifyCurrent();
}

bool MemTable::First() {
    CheckBrowseMode();
    bof_ = true;
    eof_ = count_ == 0;
    if (count_ == 0)
        return false;
    SetCurrent(0);
    return true;
}

bool MemTable::Last() {
    CheckBrowseMode();
    eof_ = true;
    bof_ = count_ == 0;
    if (count_ == 0)
        return false;
    SetCurrent(count_ - 1);
    return true;
}

bool MemTable::Next() {
    CheckBrowseMode();
    if (count_ == 0 || current_ + 1 >= count_) {
        eof_ = true;
        return false;
    }
    SetCurrent(current_ + 1);
    bof_ = false;
    eof_ = false;
    return true;
}

bool MemTable::Prior() {
    CheckBrowseMode();
    if (count_ == 0 || current_ == 0) {
        bof_ = true;
        return false;
    }
    SetCurrent(current_ - 1);
    bof_ = false;
    eof_ = false;
    return true;
}

void MemTable::Insert() {
    CheckBrowseMode();
    for (auto& cell : buffer_) {
        cell.null = true;
        cell.number = 0.0;
        cell.text.clear();
    }
    state_ = State::Insert;
    appending_ = false;
    insertAt_ = count_ == 0 ? 0 : current_;
}

void MemTable::Append() {
    Insert();
    appending_ = true;
    insertAt_ = count_;
}

void MemTable::Edit() {
    if (state_ != State::Browse)
        return;
    if (count_ == 0) {
        Insert();
        return;
    }
    LoadBuffer(current_);
    state_ = State::Edit;
}

void MemTable::LoadBuffer(std::size_t row) {
    for (int f = 0; f < FieldCount(); ++f)
        buffer_[f] = StoredCell(row, f);
}

void MemTable::Post() {
    if (state_ == State::Browse)
        return;
    if (state_ == State::Insert) {
        std::size_t at = insertAt_;
        if (loading_)
            at = count_;
        else if (selected_ >= 0)
            at = UpperBound();
        NotifyAboutToInsert(static_cast<int>(at));
        InsertStored(at);
        state_ = State::Browse;
        current_ = at;
        bof_ = false;
        eof_ = false;
        NotifyInserted(static_cast<int>(at));
        NotifyCurrent();
        return;
    }
    // Edit: a changed key moves the row to its new place.
    const std::size_t row = current_;
    bool moves = false;
    if (selected_ >= 0 && !loading_)
        moves = (row > 0 && CompareBufferToRow(row - 1) < 0) ||
                (row + 1 < count_ && CompareBufferToRow(row + 1) > 0);
    state_ = State::Browse;
    if (!moves) {
        WriteSlot(Slot(row));
        NotifyChanged(static_cast<int>(row));
        return;
    }
    NotifyAboutToRemove(static_cast<int>(row));
    EraseStored(row);
    NotifyRemoved(static_cast<int>(row));
    const std::size_t at = UpperBound();
    NotifyAboutToInsert(static_cast<int>(at));
    InsertStored(at);
    current_ = at;
    NotifyInserted(static_cast<int>(at));
    NotifyCurrent();
}

void MemTable::Cancel() {
    state_ = State::Browse;
}

void MemTable::CheckBrowseMode() {
    if (state_ != State::Browse)
        Post();
}

void MemTable::Delete() {
    if (state_ == State::Insert) {
        Cancel();
        return;
    }
    state_ = State::Browse;
    if (count_ == 0)
        throw MemTableError(name_ + " : opération impossible sur une table vide");
    const std::size_t row = current_;
    NotifyAboutToRemove(static_cast<int>(row));
    EraseStored(row);
    if (current_ >= count_ && count_ > 0)
        current_ = count_ - 1;
    bof_ = count_ == 0;
    eof_ = count_ == 0;
    NotifyRemoved(static_cast<int>(row));
    NotifyCurrent();
}

void MemTable::EmptyTable() {
    state_ = State::Browse;
    loading_ = false;
    NotifyAboutToReset();
    for (auto& column : columns_) {
        column.numbers.clear();
        column.texts.clear();
        column.nulls.clear();
    }
    count_ = 0;
    order_.Clear();
    freeSlots_.clear();
    current_ = 0;
    bof_ = true;
    eof_ = true;
    NotifyReset();
}

void MemTable::BeginLoad() {
    CheckBrowseMode();
    loading_ = true;
}

void MemTable::EndLoad(Repeats repeats) {
    CheckBrowseMode();
    if (!loading_)
        return;
    loading_ = false;
    const bool keepAll = repeats == Repeats::Keep;
    // Rows loaded in key order, the usual case, need neither the sort nor the copy.
    bool ordered = true;
    for (std::size_t row = 1; selected_ >= 0 && ordered && row < count_; ++row) {
        const int cmp = CompareSlots(Slot(row - 1), Slot(row));
        ordered = cmp < 0 || (keepAll && cmp == 0);
    }
    if (!ordered) {
        NotifyAboutToReset();
        std::vector<std::size_t> order = IndexOrder();
        if (!keepAll) {
            // After the stable sort, the first of equal keys is the one posted first.
            std::size_t kept = 1;
            for (std::size_t i = 1; i < order.size(); ++i)
                if (CompareSlots(order[kept - 1], order[i]) != 0)
                    order[kept++] = order[i];
            order.resize(kept);
        }
        Rearrange(order);
        NotifyReset();
    }
    if (count_ > 0) {
        bof_ = false;
        eof_ = false;
        SetCurrent(count_ - 1);
    }
}

bool MemTable::Locate(std::string_view fieldNames, const std::vector<Value>& values) {
    const std::vector<int> fields = ParseFieldList(fieldNames);
    if (fields.size() != values.size())
        throw MemTableError(name_ + " : nombre de valeurs de recherche incorrect");
    CheckBrowseMode();
    std::vector<Cell> key;
    key.reserve(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i)
        key.push_back(Convert(fields[i], values[i]));
    auto matches = [&](std::size_t row) {
        const std::size_t slot = Slot(row);
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (CompareCells(fields[i], key[i], slot) != 0)
                return false;
        return true;
    };
    std::size_t found = count_;
    bool leadsIndex =
        selected_ >= 0 && !loading_ && fields.size() <= indexes_[selected_].fields.size();
    for (std::size_t i = 0; leadsIndex && i < fields.size(); ++i)
        leadsIndex = indexes_[selected_].fields[i] == fields[i];
    if (leadsIndex) {
        // Lower bound on the key prefix.
        const std::size_t lo = order_.PartitionPoint([&](std::size_t slot) {
            int cmp = 0;
            for (std::size_t i = 0; i < fields.size() && cmp == 0; ++i)
                cmp = CompareCells(fields[i], key[i], slot);
            return cmp <= 0;
        });
        if (lo < count_ && matches(lo))
            found = lo;
    } else {
        for (std::size_t row = 0; row < count_; ++row)
            if (matches(row)) {
                found = row;
                break;
            }
    }
    if (found == count_)
        return false;
    SetCurrent(found);
    bof_ = false;
    eof_ = false;
    return true;
}

// ---- random access ----

Value MemTable::ValueAt(int row, int field) const {
    CheckRow(row);
    CheckField(field);
    return CellValue(defs_[field], StoredCell(static_cast<std::size_t>(row), field));
}

bool MemTable::IsNullAt(int row, int field) const {
    CheckRow(row);
    CheckField(field);
    return columns_[field].nulls[Slot(static_cast<std::size_t>(row))] != 0;
}

double MemTable::NumberAt(int row, int field) const {
    CheckRow(row);
    CheckField(field);
    if (IsStringField(field))
        throw MemTableError(name_ + " : le champ '" + defs_[field].Name + "' est un texte");
    return columns_[field].numbers[Slot(static_cast<std::size_t>(row))];
}

const std::string& MemTable::TextAt(int row, int field) const {
    CheckRow(row);
    CheckField(field);
    if (!IsStringField(field))
        throw MemTableError(name_ + " : le champ '" + defs_[field].Name + "' n'est pas un texte");
    return columns_[field].texts[Slot(static_cast<std::size_t>(row))];
}

std::string MemTable::DisplayTextAt(int row, int field) const {
    CheckRow(row);
    CheckField(field);
    return CellDisplayText(defs_[field], StoredCell(static_cast<std::size_t>(row), field));
}

void MemTable::SetValueAt(int row, int field, const Value& value) {
    CheckRow(row);
    CheckField(field);
    MoveTo(row);
    Edit();
    try {
        Fields(field).SetValue(value);
    } catch (...) {
        Cancel();
        throw;
    }
    Post();
}

// ---- cells ----

MemTable::Cell MemTable::ReadCell(int field) const {
    CheckField(field);
    if (state_ != State::Browse)
        return buffer_[field];
    if (count_ == 0)
        return Cell{};
    return StoredCell(current_, field);
}

MemTable::Cell& MemTable::WriteCell(int field) {
    CheckField(field);
    if (state_ == State::Browse)
        throw MemTableError(name_ + " : la table n'est pas en mode édition ou insertion");
    return buffer_[field];
}

bool MemTable::SetNumber(int field, double number, bool integral) {
    // The path every bulk load takes: no conversion through a Value.
    Cell& cell = WriteCell(field);
    if (IsStringField(field))
        return false;
    cell.number = NumberForField(defs_[field].Type, number, integral);
    cell.null = false;
    return true;
}

MemTable::Cell MemTable::StoredCell(std::size_t row, int field) const {
    Cell cell;
    const Column& column = columns_[field];
    const std::size_t slot = Slot(row);
    cell.null = column.nulls[slot] != 0;
    if (IsStringField(field))
        cell.text = column.texts[slot];
    else
        cell.number = column.numbers[slot];
    return cell;
}

MemTable::Cell MemTable::Convert(int field, const Value& value) const {
    const FieldDef& def = defs_[field];
    Cell cell;
    if (std::holds_alternative<std::monostate>(value))
        return cell;
    if (const auto* text = std::get_if<std::string>(&value))
        return ConvertText(field, *text);
    cell.null = false;
    double number = 0.0;
    if (const auto* i = std::get_if<std::int32_t>(&value))
        number = *i;
    else if (const auto* d = std::get_if<double>(&value))
        number = *d;
    else if (const auto* b = std::get_if<bool>(&value))
        number = *b ? 1.0 : 0.0;
    if (def.Type != FieldType::String) {
        cell.number = NumberForField(def.Type, number, !std::holds_alternative<double>(value));
        return cell;
    }
    if (const auto* b = std::get_if<bool>(&value))
        cell.text = *b ? "True" : "False";
    else if (std::holds_alternative<std::int32_t>(value))
        cell.text = FormatInt(std::get<std::int32_t>(value));
    else
        cell.text = FloatText(number);
    cell.text = Truncate(std::move(cell.text), def.Size);
    return cell;
}

MemTable::Cell MemTable::ConvertText(int field, std::string_view text) const {
    const FieldDef& def = defs_[field];
    Cell cell;
    cell.null = false;
    if (def.Type == FieldType::String) {
        cell.text = Truncate(std::string(text), def.Size);
        return cell;
    }
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty()) {
        cell.null = true; // an emptied cell clears the field, as in a grid
        return cell;
    }
    switch (def.Type) {
    case FieldType::String:
        break;
    case FieldType::Integer: {
        const std::optional<std::int32_t> value = ParseInt32(trimmed, kCellInteger);
        if (!value)
            RefuseNumber(trimmed, NumberKind::Whole);
        cell.number = *value;
        break;
    }
    case FieldType::Float: {
        const std::optional<double> value = ReadCellFigure(trimmed);
        if (!value)
            RefuseNumber(trimmed, NumberKind::Decimal);
        cell.number = *value;
        break;
    }
    case FieldType::Date:
        cell.number = DateOf(StrToDate(trimmed));
        break;
    case FieldType::Boolean:
        if (EqualsNoCase(trimmed, "true") || EqualsNoCase(trimmed, "vrai") || trimmed == "1")
            cell.number = 1.0;
        else if (EqualsNoCase(trimmed, "false") || EqualsNoCase(trimmed, "faux") || trimmed == "0")
            cell.number = 0.0;
        else
            throw ConversionError("'" + std::string(trimmed) +
                                  "' n'est pas une valeur booléenne correcte");
        break;
    }
    return cell;
}

Value MemTable::CellValue(const FieldDef& def, const Cell& cell) {
    if (cell.null)
        return Value{};
    switch (def.Type) {
    case FieldType::String:
        return Value{cell.text};
    case FieldType::Integer:
        return Value{static_cast<std::int32_t>(cell.number)};
    case FieldType::Float:
    case FieldType::Date:
        return Value{cell.number};
    case FieldType::Boolean:
        return Value{cell.number != 0.0};
    }
    return Value{};
}

std::string MemTable::CellText(const FieldDef& def, const Cell& cell) {
    if (cell.null)
        return std::string();
    switch (def.Type) {
    case FieldType::String:
        return cell.text;
    case FieldType::Integer:
        return FormatInt(static_cast<std::int64_t>(cell.number));
    case FieldType::Float:
        return FloatText(cell.number);
    case FieldType::Date:
        return DateToStr(cell.number);
    case FieldType::Boolean:
        return cell.number != 0.0 ? "True" : "False";
    }
    return std::string();
}

std::string MemTable::CellDisplayText(const FieldDef& def, const Cell& cell) {
    if (cell.null)
        return std::string();
    if (def.Type == FieldType::Float)
        return FormatFloat(def.DisplayFormat, cell.number);
    return CellText(def, cell);
}

// ---- ordering and storage ----

int MemTable::CompareCells(int field, const Cell& a, std::size_t slot) const {
    const Column& column = columns_[field];
    const bool bNull = column.nulls[slot] != 0;
    if (a.null || bNull)
        return a.null == bNull ? 0 : (a.null ? -1 : 1);
    if (IsStringField(field)) {
        const int cmp = a.text.compare(column.texts[slot]);
        return cmp < 0 ? -1 : (cmp > 0 ? 1 : 0);
    }
    return CompareNumbers(a.number, column.numbers[slot]);
}

int MemTable::CompareBufferToSlot(std::size_t slot) const {
    for (int field : indexes_[selected_].fields) {
        const int cmp = CompareCells(field, buffer_[field], slot);
        if (cmp != 0)
            return cmp;
    }
    return 0;
}

int MemTable::CompareSlots(std::size_t a, std::size_t b) const {
    // Straight from the columns: sorting a large table compares rows n log n times, and a
    // copied cell costs a text copy each time.
    for (int field : indexes_[selected_].fields) {
        const Column& column = columns_[field];
        const bool aNull = column.nulls[a] != 0;
        const bool bNull = column.nulls[b] != 0;
        int cmp = 0;
        if (aNull || bNull) {
            cmp = aNull == bNull ? 0 : (aNull ? -1 : 1);
        } else if (IsStringField(field)) {
            const int text = column.texts[a].compare(column.texts[b]);
            cmp = text < 0 ? -1 : (text > 0 ? 1 : 0);
        } else {
            cmp = CompareNumbers(column.numbers[a], column.numbers[b]);
        }
        if (cmp != 0)
            return cmp;
    }
    return 0;
}

std::size_t MemTable::UpperBound() const {
    // Rows usually arrive in key order: check the last row before searching.
    if (count_ == 0 || CompareBufferToRow(count_ - 1) >= 0)
        return count_;
    return order_.PartitionPoint(
        [this](std::size_t slot) { return CompareBufferToSlot(slot) < 0; });
}

void MemTable::InsertStored(std::size_t row) {
    std::size_t slot = count_ + freeSlots_.size();
    if (!freeSlots_.empty()) {
        slot = freeSlots_.back();
        freeSlots_.pop_back();
    } else {
        for (int f = 0; f < FieldCount(); ++f) {
            Column& column = columns_[f];
            column.nulls.push_back(1);
            if (IsStringField(f))
                column.texts.emplace_back();
            else
                column.numbers.push_back(0.0);
        }
    }
    order_.Insert(row, slot);
    ++count_;
    WriteSlot(slot);
}

void MemTable::WriteSlot(std::size_t slot) {
    for (int f = 0; f < FieldCount(); ++f) {
        Column& column = columns_[f];
        Cell& cell = buffer_[f];
        const bool zero = cell.null && defs_[f].ZeroWhenEmpty && !IsStringField(f);
        column.nulls[slot] = cell.null && !zero ? 1 : 0;
        if (IsStringField(f))
            column.texts[slot] = cell.null ? std::string() : std::move(cell.text);
        else
            column.numbers[slot] = cell.null ? 0.0 : cell.number;
    }
}

void MemTable::EraseStored(std::size_t row) {
    const std::size_t slot = order_.Erase(row);
    for (int f = 0; f < FieldCount(); ++f)
        if (IsStringField(f))
            std::string().swap(columns_[f].texts[slot]); // a removed row holds no memory
    freeSlots_.push_back(slot);
    --count_;
}

// ---- notifications ----

void MemTable::AddObserver(TableObserver* observer) {
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void MemTable::RemoveObserver(TableObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void MemTable::DisableControls() {
    if (disabled_++ == 0)
        for (auto* observer : std::vector<TableObserver*>(observers_))
            observer->RowsAboutToBeReset();
}

void MemTable::EnableControls() {
    if (disabled_ == 0)
        return;
    if (--disabled_ == 0)
        for (auto* observer : std::vector<TableObserver*>(observers_))
            observer->RowsReset();
}

#define CORVANE_NOTIFY(call)                                                                       \
    do {                                                                                           \
        if (disabled_ > 0)                                                                         \
            break;                                                                                 \
        if (observers_.empty())                                                                    \
            break;                                                                                 \
        for (auto* observer : std::vector<TableObserver*>(observers_))                             \
            observer->call;                                                                        \
    } while (false)

void MemTable::NotifyAboutToReset() {
    CORVANE_NOTIFY(RowsAboutToBeReset());
}
void MemTable::NotifyReset() {
    CORVANE_NOTIFY(RowsReset());
}
void MemTable::NotifyAboutToInsert(int row) {
    CORVANE_NOTIFY(RowAboutToBeInserted(row));
}
void MemTable::NotifyInserted(int row) {
    CORVANE_NOTIFY(RowInserted(row));
}
void MemTable::NotifyAboutToRemove(int row) {
    CORVANE_NOTIFY(RowAboutToBeRemoved(row));
}
void MemTable::NotifyRemoved(int row) {
    CORVANE_NOTIFY(RowRemoved(row));
}
void MemTable::NotifyChanged(int row) {
    CORVANE_NOTIFY(RowChanged(row));
}
void MemTable::NotifyCurrent() {
    CORVANE_NOTIFY(CurrentRowChanged(RecNo()));
}

#undef CORVANE_NOTIFY

} // namespace platform
