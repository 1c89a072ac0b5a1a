// The in-memory table: key order, the current row, editing, look-ups, typed fields and the
// notifications that views follow.

#include "platform/MemTable.h"
#include "platform/ConversionError.h"
#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using platform::FieldDef;
using platform::FieldType;
using platform::MemTable;
using platform::Value;

MemTable MakeKeyed() {
    return MemTable("T", {FieldDef{"Code", FieldType::String, 4, ""},
                          FieldDef{"Date", FieldType::Date, 0, ""},
                          FieldDef{"Prix", FieldType::Float, 0, "0,.00"},
                          FieldDef{"Qte", FieldType::Integer, 0, ""},
                          FieldDef{"Ok", FieldType::Boolean, 0, ""}});
}

void Add(MemTable& t, const std::string& code, double date, double prix = 0.0, bool append = true) {
    if (append)
        t.Append();
    else
        t.Insert();
    t.FieldByName("Code").SetAsString(code);
    t.FieldByName("Date").SetAsDateTime(date);
    t.FieldByName("Prix").SetAsFloat(prix);
    t.Post();
}

// Reads every row through the cursor, as the reports walk a table.
std::vector<std::string> Walk(MemTable& t) {
    std::vector<std::string> rows;
    t.First();
    while (!t.Eof()) {
        rows.push_back(t.FieldByName("Code").AsString() + "@" +
                       std::to_string(static_cast<int>(t.FieldByName("Date").AsFloat())));
        t.Next();
    }
    return rows;
}

struct Recorder : platform::TableObserver {
    std::vector<std::string> events;
    void RowsAboutToBeReset() override { events.push_back("reset?"); }
    void RowsReset() override { events.push_back("reset"); }
    void RowAboutToBeInserted(int row) override { events.push_back("ins?" + std::to_string(row)); }
    void RowInserted(int row) override { events.push_back("ins" + std::to_string(row)); }
    void RowAboutToBeRemoved(int row) override { events.push_back("del?" + std::to_string(row)); }
    void RowRemoved(int row) override { events.push_back("del" + std::to_string(row)); }
    void RowChanged(int row) override { events.push_back("chg" + std::to_string(row)); }
};

TEST(MemTableTest, CompositeIndexKeepsKeyOrderWhateverTheInsertionOrder) {
    MemTable t = MakeKeyed();
    t.AddIndex("Idx", "Code;Date");
    t.SetIndexName("Idx");
    Add(t, "B", 20);
    Add(t, "A", 30);
    Add(t, "B", 10);
    Add(t, "A", 5, 0.0, false);
    Add(t, "A", 30, 1.0); // equal keys keep their insertion order
    EXPECT_EQ(Walk(t), (std::vector<std::string>{"A@5", "A@30", "A@30", "B@10", "B@20"}));
    EXPECT_EQ(t.NumberAt(1, 2), 0.0);
    EXPECT_EQ(t.NumberAt(2, 2), 1.0);

    // Posting makes the new row current, wherever it lands.
    Add(t, "AA", 1);
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_EQ(t.FieldByName("Code").AsString(), "AA");
}

TEST(MemTableTest, NavigationReportsFoundAndBounds) {
    MemTable t = MakeKeyed();
    EXPECT_FALSE(t.First());
    EXPECT_TRUE(t.Bof() && t.Eof());
    EXPECT_FALSE(t.Last());
    EXPECT_FALSE(t.Next());
    EXPECT_EQ(t.RecNo(), -1);
    EXPECT_EQ(t.FieldByName("Prix").AsFloat(), 0.0); // no row reads as empty

    Add(t, "A", 1);
    Add(t, "B", 2);
    Add(t, "C", 3);
    EXPECT_TRUE(t.Last());
    EXPECT_TRUE(t.Eof());
    EXPECT_FALSE(t.Next());
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_TRUE(t.Prior());
    EXPECT_FALSE(t.Eof());
    EXPECT_TRUE(t.Prior());
    EXPECT_FALSE(t.Prior());
    EXPECT_TRUE(t.Bof());
    EXPECT_EQ(t.FieldByName("Code").AsString(), "A");

    // Walking backwards, as a reader of the latest rows does.
    std::string codes;
    for (bool ok = t.Last(); ok; ok = t.Prior())
        codes += t.FieldByName("Code").AsString();
    EXPECT_EQ(codes, "CBA");
    EXPECT_FALSE(t.MoveTo(3));
    EXPECT_TRUE(t.MoveTo(1));
    EXPECT_EQ(t.FieldByName("Code").AsString(), "B");
}

TEST(MemTableTest, UnindexedInsertGoesBeforeTheCurrentRowAndAppendLast) {
    MemTable t = MakeKeyed();
    Add(t, "A", 1, 0.0, false);
    Add(t, "B", 2, 0.0, false); // before A, which was current
    Add(t, "C", 3);
    t.MoveTo(1);
    Add(t, "D", 4, 0.0, false);
    EXPECT_EQ(Walk(t), (std::vector<std::string>{"B@2", "D@4", "A@1", "C@3"}));

    // An index defined but not selected does not order the rows.
    t.AddIndex("ByDate", "Date");
    Add(t, "E", 0);
    EXPECT_EQ(t.ValueAt(4, 0), Value{std::string("E")});
    t.SetIndexName("ByDate");
    EXPECT_EQ(Walk(t), (std::vector<std::string>{"E@0", "A@1", "B@2", "C@3", "D@4"}));
    t.SetIndexName("");
    Add(t, "F", -1);
    EXPECT_EQ(t.ValueAt(5, 0), Value{std::string("F")});
    EXPECT_THROW(t.SetIndexName("Nope"), platform::MemTableError);
}

TEST(MemTableTest, EditPostCancelAndKeyChanges) {
    MemTable t = MakeKeyed();
    t.AddIndex("Idx", "Date");
    t.SetIndexName("Idx");
    // Edit on an empty table inserts.
    t.Edit();
    EXPECT_EQ(t.GetState(), MemTable::State::Insert);
    t.FieldByName("Code").SetAsString("A");
    t.FieldByName("Date").SetAsDateTime(10);
    t.Post();
    Add(t, "B", 20);
    Add(t, "C", 30);

    t.First();
    t.Edit();
    t.FieldByName("Prix").SetAsFloat(9.5);
    EXPECT_EQ(t.FieldByName("Prix").AsFloat(), 9.5); // the row being edited is read back
    EXPECT_EQ(t.NumberAt(0, 2), 0.0);                // the stored row is not yet changed
    t.Cancel();
    EXPECT_EQ(t.FieldByName("Prix").AsFloat(), 0.0);

    // A new key moves the row, which stays current.
    t.Edit();
    t.FieldByName("Date").SetAsDateTime(25);
    t.Post();
    EXPECT_EQ(Walk(t), (std::vector<std::string>{"B@20", "A@25", "C@30"}));
    t.Locate("Code", {Value{std::string("A")}});
    EXPECT_EQ(t.RecNo(), 1);

    // Moving posts a pending edit; an inserted row that is deleted is only dropped.
    t.Edit();
    t.FieldByName("Qte").SetAsInteger(7);
    t.Next();
    EXPECT_EQ(t.ValueAt(1, 3), Value{std::int32_t{7}});
    t.Insert();
    t.Delete();
    EXPECT_EQ(t.RecordCount(), 3);

    // Writing without Edit or Insert is refused.
    EXPECT_THROW(t.FieldByName("Qte").SetAsInteger(1), platform::MemTableError);
}

TEST(MemTableTest, DeleteKeepsAUsableCurrentRow) {
    MemTable t = MakeKeyed();
    EXPECT_THROW(t.Delete(), platform::MemTableError);
    Add(t, "A", 1);
    Add(t, "B", 2);
    Add(t, "C", 3);
    t.MoveTo(1);
    t.Delete();
    EXPECT_EQ(t.FieldByName("Code").AsString(), "C");
    t.Delete(); // the last row: the new last becomes current
    EXPECT_EQ(t.FieldByName("Code").AsString(), "A");
    t.Delete();
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_TRUE(t.Eof() && t.Bof());
    // Emptying by deleting the current row again and again, as the reports do.
    for (int i = 0; i < 5; ++i)
        Add(t, "X", i);
    while (!t.IsEmpty())
        t.Delete();
    EXPECT_EQ(t.RecordCount(), 0);
}

TEST(MemTableTest, LocateFindsTheFirstMatchOnIndexPrefixAndOtherFields) {
    MemTable t = MakeKeyed();
    t.AddIndex("Idx", "Code;Date");
    t.SetIndexName("Idx");
    for (int d = 0; d < 50; ++d) {
        Add(t, d % 2 ? "B" : "A", 100 - d, d);
    }
    ASSERT_TRUE(t.Locate("Code", {Value{std::string("B")}}));
    EXPECT_EQ(t.RecNo(), 25);
    EXPECT_EQ(t.FieldByName("Date").AsFloat(), 51.0);
    ASSERT_TRUE(t.Locate("Code;Date", {Value{std::string("A")}, Value{60.0}}));
    EXPECT_EQ(t.FieldByName("Prix").AsFloat(), 40.0);
    // A date with a time of day matches the day.
    ASSERT_TRUE(t.Locate("Code;Date", {Value{std::string("A")}, Value{62.75}}));
    EXPECT_EQ(t.FieldByName("Prix").AsFloat(), 38.0);
    // Not found keeps the current row.
    EXPECT_FALSE(t.Locate("Code;Date", {Value{std::string("A")}, Value{61.0}}));
    EXPECT_EQ(t.FieldByName("Prix").AsFloat(), 38.0);
    // A field outside the index is searched row by row.
    ASSERT_TRUE(t.Locate("Prix", {Value{std::int32_t{7}}}));
    EXPECT_EQ(t.FieldByName("Code").AsString(), "B");
    EXPECT_THROW(t.Locate("Prix;Qte", {Value{1.0}}), platform::MemTableError);
    EXPECT_THROW(t.Locate("Nope", {Value{1.0}}), platform::MemTableError);
}

TEST(MemTableTest, FieldsConvertByTheirType) {
    MemTable t = MakeKeyed();
    t.Append();
    auto code = t.FieldByName("code"); // names are found whatever their case
    code.SetAsString("ÉTÉ99");         // four characters kept, none cut in the middle
    EXPECT_EQ(code.AsString(), "ÉTÉ9");
    auto date = t.Fields(1);
    date.SetAsDateTime(100.6); // a date field keeps the day only
    EXPECT_EQ(date.AsFloat(), 100.0);
    auto prix = t.FieldByName("Prix");
    prix.SetAsString(" 1\u00A0234,5 "); // typed as a French user would
    EXPECT_EQ(prix.AsFloat(), 1234.5);
    EXPECT_EQ(prix.DisplayText(), "1\u00A0234,50");
    // Amounts built from cents show as the cents did, up to 15 significant digits.
    prix.SetAsFloat(35 * 0.01);
    EXPECT_EQ(prix.AsString(), "0.35");
    prix.SetAsFloat(1234567891 * 0.01);
    EXPECT_EQ(prix.DisplayText(), "12\u00A0345\u00A0678,91");
    prix.SetAsString("12.25");
    EXPECT_EQ(prix.AsFloat(), 12.25);
    // A typed figure is a finite number or refused; a refused text changes nothing.
    for (const char* refuse : {"12,3x", "nan", "-NaN", "+nan", "inf", "-INF", "Infinity"}) {
        EXPECT_THROW(prix.SetAsString(refuse), platform::ConversionError) << refuse;
        EXPECT_EQ(prix.AsFloat(), 12.25) << refuse;
    }
    auto qte = t.FieldByName("Qte");
    EXPECT_TRUE(qte.IsNull());
    qte.SetAsFloat(2.5); // rounds half to even
    EXPECT_EQ(qte.AsValue(), Value{std::int32_t{2}});
    EXPECT_THROW(qte.SetAsString("3000000000"), platform::ConversionError);
    auto ok = t.FieldByName("Ok");
    ok.SetAsString("Vrai");
    EXPECT_EQ(ok.AsValue(), Value{true});
    EXPECT_THROW(ok.SetAsString("peut-être"), platform::ConversionError);
    qte.SetAsString("  ");
    EXPECT_TRUE(qte.IsNull());
    t.Post();
    EXPECT_EQ(t.ValueAt(0, 0), Value{std::string("ÉTÉ9")});
    EXPECT_EQ(t.ValueAt(0, 3), Value{});
    EXPECT_EQ(t.ValueAt(0, 4), Value{true});
    EXPECT_EQ(t.DisplayTextAt(0, 2), "12,25");
    EXPECT_THROW(t.FieldByName("Inconnu"), platform::MemTableError);
    EXPECT_THROW(t.TextAt(0, 2), platform::MemTableError);
    EXPECT_THROW(t.ValueAt(1, 0), platform::MemTableError);
}

TEST(MemTableTest, ObserversFollowEveryChange) {
    MemTable t = MakeKeyed();
    t.AddIndex("Idx", "Date");
    t.SetIndexName("Idx");
    Recorder rec;
    t.AddObserver(&rec);
    Add(t, "A", 10);
    Add(t, "B", 5);
    t.SetValueAt(1, 3, Value{std::int32_t{4}}); // set a cell of row 1 in place
    t.SetValueAt(0, 1, Value{20.0});            // a key change moves the row
    t.MoveTo(0);
    t.Delete();
    EXPECT_EQ(rec.events,
              (std::vector<std::string>{"ins?0", "ins0", "ins?0", "ins0", "chg1", "del?0", "del0",
                                        "ins?1", "ins1", "del?0", "del0"}));
    EXPECT_EQ(t.ValueAt(0, 0), Value{std::string("B")});
    EXPECT_EQ(t.ValueAt(0, 1), Value{20.0});

    // A refused text leaves the row as it was and the table browsing.
    EXPECT_THROW(t.SetValueAt(0, 2, Value{std::string("abc")}), platform::ConversionError);
    EXPECT_EQ(t.GetState(), MemTable::State::Browse);

    // Bulk changes are told as one reset.
    rec.events.clear();
    {
        platform::ControlsDisabled quiet(t);
        t.EmptyTable();
        Add(t, "C", 1);
        Add(t, "D", 2);
    }
    EXPECT_EQ(rec.events, (std::vector<std::string>{"reset?", "reset"}));
    t.RemoveObserver(&rec);
    Add(t, "E", 3);
    EXPECT_EQ(rec.events.size(), 2u);
}

// Posts out of key order, key changes and deletes, mixed with reads, against a plain sorted
// list: every row stays where key order puts it (equal keys in posting order) and keeps its
// fields.
TEST(MemTableTest, MixedChangesKeepTheRowsOfASortedList) {
    MemTable t = MakeKeyed();
    t.AddIndex("Idx", "Code;Date");
    t.SetIndexName("Idx");
    struct Row {
        std::string code;
        double date;
        double id;
    };
    const auto before = [](const Row& a, const Row& b) {
        return a.code != b.code ? a.code < b.code : a.date < b.date;
    };
    std::vector<Row> expected;
    const auto place = [&](const Row& row) {
        const auto at =
            std::upper_bound(expected.begin(), expected.end(), row, before) - expected.begin();
        expected.insert(expected.begin() + at, row);
        return static_cast<int>(at);
    };
    std::mt19937 random(7);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 3000; ++step) {
        const int action = pick(10);
        const Row row{std::string(1, static_cast<char>('A' + pick(5))), 1.0 + pick(40), 1.0 * step};
        if (action < 5 || expected.empty()) {
            Add(t, row.code, row.date, row.id);
            EXPECT_EQ(t.RecNo(), place(row));
        } else if (action < 7) {
            const int r = pick(static_cast<int>(expected.size()));
            ASSERT_TRUE(t.MoveTo(r));
            t.Delete();
            expected.erase(expected.begin() + r);
        } else {
            const int r = pick(static_cast<int>(expected.size()));
            ASSERT_TRUE(t.MoveTo(r));
            t.Edit();
            t.FieldByName("Date").SetAsDateTime(row.date);
            t.Post();
            Row edited = expected[static_cast<std::size_t>(r)];
            edited.date = row.date;
            const bool stays =
                (r == 0 || !before(edited, expected[static_cast<std::size_t>(r) - 1])) &&
                (r + 1 == static_cast<int>(expected.size()) ||
                 !before(expected[static_cast<std::size_t>(r) + 1], edited));
            if (stays) {
                expected[static_cast<std::size_t>(r)] = edited;
            } else {
                expected.erase(expected.begin() + r);
                place(edited);
            }
        }
        ASSERT_EQ(t.RecordCount(), static_cast<int>(expected.size())) << step;
        if (step % 50 != 0)
            continue;
        for (std::size_t r = 0; r < expected.size(); ++r) {
            const int i = static_cast<int>(r);
            ASSERT_EQ(t.TextAt(i, 0), expected[r].code) << step << " row " << r;
            ASSERT_EQ(t.NumberAt(i, 1), expected[r].date) << step << " row " << r;
            ASSERT_EQ(t.NumberAt(i, 2), expected[r].id) << step << " row " << r;
        }
    }
}

TEST(MemTableTest, LocateOnALargeKeyedTable) {
    MemTable t("H", {FieldDef{"Date", FieldType::Date, 0, ""}});
    t.AddIndex("Idx", "Date");
    t.SetIndexName("Idx");
    for (int i = 0; i < 200000; ++i) {
        t.Append();
        t.Fields(0).SetAsDateTime(i);
        t.Post();
    }
    ASSERT_TRUE(t.Locate("Date", {Value{123456.0}}));
    EXPECT_EQ(t.RecNo(), 123456);
}

// Bulk loads: rows posted in any order end in key order, as if each had been put in its place.

struct Line {
    std::string code;
    double date;
    double prix;
};

std::vector<Line> Lines(int count) {
    std::vector<Line> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back({"C" + std::to_string(i % 7), 1000.0 + i, i * 0.5});
    return lines;
}

std::vector<std::string> Rows(MemTable& t) {
    std::vector<std::string> rows;
    for (int r = 0; r < t.RecordCount(); ++r)
        rows.push_back(t.TextAt(r, 0) + "@" + std::to_string(static_cast<int>(t.NumberAt(r, 1))) +
                       "=" + std::to_string(t.NumberAt(r, 2)));
    return rows;
}

std::vector<std::string> LoadRows(const std::vector<Line>& lines, MemTable::Repeats repeats,
                                  const char* index = "Date") {
    MemTable t = MakeKeyed();
    t.AddIndex("Idx", index);
    t.SetIndexName("Idx");
    t.BeginLoad();
    for (const Line& l : lines)
        Add(t, l.code, l.date, l.prix);
    t.EndLoad(repeats);
    EXPECT_FALSE(t.Loading());
    return Rows(t);
}

TEST(MemTableLoadTest, AnyOrderLoadsTheRowsThatInsertingEachInPlaceGives) {
    const std::vector<Line> ordered = Lines(300);
    std::vector<Line> reversed(ordered.rbegin(), ordered.rend());
    std::vector<Line> shuffled = ordered;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(42));
    for (const auto* index : {"Date", "Code;Date"}) {
        SCOPED_TRACE(index);
        // The reference: every row posted in its place, one at a time.
        MemTable t = MakeKeyed();
        t.AddIndex("Idx", index);
        t.SetIndexName("Idx");
        for (const Line& l : shuffled)
            Add(t, l.code, l.date, l.prix);
        const std::vector<std::string> expected = Rows(t);
        for (const auto& lines : {ordered, reversed, shuffled}) {
            EXPECT_EQ(LoadRows(lines, MemTable::Repeats::Keep, index), expected);
            EXPECT_EQ(LoadRows(lines, MemTable::Repeats::KeepFirst, index), expected);
        }
    }
}

TEST(MemTableLoadTest, RepeatedKeysKeepTheirPostingOrderOrTheFirstOnly) {
    // Dates 3, 1, 3, 2, 1, 3: each repeat with its own price.
    const std::vector<Line> lines = {{"A", 3, 1.0}, {"B", 1, 2.0}, {"C", 3, 3.0},
                                     {"D", 2, 4.0}, {"E", 1, 5.0}, {"F", 3, 6.0}};
    EXPECT_EQ(LoadRows(lines, MemTable::Repeats::Keep),
              (std::vector<std::string>{"B@1=2.000000", "E@1=5.000000", "D@2=4.000000",
                                        "A@3=1.000000", "C@3=3.000000", "F@3=6.000000"}));
    EXPECT_EQ(LoadRows(lines, MemTable::Repeats::KeepFirst),
              (std::vector<std::string>{"B@1=2.000000", "D@2=4.000000", "A@3=1.000000"}));
    // Already in order, repeats included: the repeats still go.
    const std::vector<Line> sorted = {{"A", 1, 1.0}, {"B", 1, 2.0}, {"C", 2, 3.0}};
    EXPECT_EQ(LoadRows(sorted, MemTable::Repeats::KeepFirst),
              (std::vector<std::string>{"A@1=1.000000", "C@2=3.000000"}));
    EXPECT_EQ(LoadRows(sorted, MemTable::Repeats::Keep).size(), 3u);
}

TEST(MemTableLoadTest, DuringALoadRowsGoLastAndLocateStillFindsThem) {
    MemTable t = MakeKeyed();
    t.AddIndex("Idx", "Date");
    t.SetIndexName("Idx");
    Add(t, "X", 50);
    Recorder rec;
    t.AddObserver(&rec);
    t.BeginLoad();
    for (int d = 40; d > 0; d -= 10)
        Add(t, "L" + std::to_string(d), d);
    // Posted last whatever the key, with views told so.
    EXPECT_EQ(rec.events, (std::vector<std::string>{"ins?1", "ins1", "ins?2", "ins2", "ins?3",
                                                    "ins3", "ins?4", "ins4"}));
    EXPECT_EQ(t.TextAt(4, 0), "L10");
    // Out of key order, a binary search would miss these.
    ASSERT_TRUE(t.Locate("Date", {Value{40.0}}));
    EXPECT_EQ(t.RecNo(), 1);
    ASSERT_TRUE(t.Locate("Date", {Value{10.0}}));
    EXPECT_EQ(t.RecNo(), 4);
    // An edited key does not move the row until the load ends.
    t.Edit();
    t.FieldByName("Date").SetAsDateTime(60);
    t.Post();
    EXPECT_EQ(t.TextAt(4, 0), "L10");
    rec.events.clear();
    t.EndLoad(MemTable::Repeats::Keep);
    EXPECT_EQ(rec.events.front(), "reset?");
    EXPECT_EQ(rec.events[1], "reset");
    EXPECT_EQ(Walk(t), (std::vector<std::string>{"L20@20", "L30@30", "L40@40", "X@50", "L10@60"}));
    t.Last();
    EXPECT_EQ(t.RecNo(), 4);
    // After the load, rows go in their place again.
    Add(t, "M", 25);
    EXPECT_EQ(t.TextAt(1, 0), "M");
    t.RemoveObserver(&rec);
}

TEST(MemTableLoadTest, EmptyingOrAnUnfinishedScopeEndsTheLoad) {
    MemTable t = MakeKeyed();
    t.AddIndex("Idx", "Date");
    t.SetIndexName("Idx");
    t.BeginLoad();
    Add(t, "B", 2);
    t.EmptyTable();
    EXPECT_FALSE(t.Loading());
    Add(t, "B", 2);
    Add(t, "A", 1);
    EXPECT_EQ(t.TextAt(0, 0), "A"); // in its place: no load is running

    // A load that an exception interrupts leaves no half-loaded table.
    try {
        platform::BulkLoad load(t);
        Add(t, "C", 0);
        throw std::runtime_error("bad line");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(t.Loading());
    EXPECT_TRUE(t.IsEmpty());
    {
        platform::BulkLoad load(t);
        Add(t, "C", 3);
        Add(t, "A", 1);
        load.Finish(MemTable::Repeats::Keep);
    }
    EXPECT_EQ(Walk(t), (std::vector<std::string>{"A@1", "C@3"}));
}

} // namespace
