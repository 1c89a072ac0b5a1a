// The table model shared by the data-aware grids: rows being inserted or edited, their
// placement on post in an indexed table, and the grid and navigator that follow the table.

#include "../AppTestSupport.h"

#include "widgets/DBControls.h"
#include "widgets/MemTableModel.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

using platform::FieldDef;
using platform::FieldType;

class MemTableModelTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        table.AddIndex("ByKey", "Key");
        table.SetIndexName("ByKey");
        for (int key : {10, 20, 30}) {
            table.Append();
            table.Fields(0).SetAsInteger(key);
            table.Fields(1).SetAsString("r" + std::to_string(key));
            table.Post();
        }
        table.First();
    }
    QStringList Keys() const {
        QStringList keys;
        for (int row = 0; row < model.rowCount(); ++row)
            keys << model.data(model.index(row, 0)).toString();
        return keys;
    }

    platform::MemTable table{
        "T",
        {FieldDef{"Key", FieldType::Integer, 0, ""}, FieldDef{"Name", FieldType::String, 5, ""}}};
    MemTableModel model{table, {{0, "Key", {}, false}, {1, "Name", {}, false}}};
};

TEST_F(MemTableModelTest, InsertedRowIsShownThenPlacedByItsKey) {
    TDBGrid grid;
    grid.SetDataModel(&model);
    TDBNavigator navigator;
    navigator.SetDataModel(&model);
    EXPECT_FALSE(navigator.ButtonAt(TDBNavigator::nbPost)->isEnabled());

    model.MoveToRow(1);
    EXPECT_EQ(grid.currentIndex().row(), 1);
    navigator.Click(TDBNavigator::nbInsert);
    EXPECT_EQ(Keys(), (QStringList{"10", "", "20", "30"}));
    EXPECT_EQ(model.headerData(1, Qt::Vertical).toString(), "*");
    EXPECT_EQ(grid.currentIndex().row(), 1);
    EXPECT_TRUE(navigator.ButtonAt(TDBNavigator::nbPost)->isEnabled());
    EXPECT_TRUE(model.setData(model.index(1, 0), "25"));
    EXPECT_TRUE(model.setData(model.index(1, 1), "abcdefgh")); // cut to the field's size
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), "abcde");
    EXPECT_EQ(table.RecordCount(), 3); // nothing stored before the post

    // Choosing the last row posts the new one, which goes after 20; the chosen row is still
    // the one that held 30.
    grid.setCurrentIndex(model.index(3, 0));
    EXPECT_EQ(Keys(), (QStringList{"10", "20", "25", "30"}));
    EXPECT_FALSE(model.Editing());
    EXPECT_EQ(model.CurrentRow(), 3);
    EXPECT_EQ(table.FieldByName("Key").AsValue(), platform::Value{30});

    // An edit moves the row on post; cancel drops the row being inserted.
    EXPECT_TRUE(model.setData(model.index(0, 0), "40"));
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), "I");
    EXPECT_EQ(Keys()[0], "40"); // read from the edit buffer
    navigator.Click(TDBNavigator::nbPost);
    EXPECT_EQ(Keys(), (QStringList{"20", "25", "30", "40"}));
    EXPECT_EQ(grid.currentIndex().row(), 3);
    navigator.Click(TDBNavigator::nbInsert);
    EXPECT_EQ(model.rowCount(), 5);
    navigator.Click(TDBNavigator::nbCancel);
    EXPECT_EQ(Keys(), (QStringList{"20", "25", "30", "40"}));
    EXPECT_EQ(table.GetState(), platform::MemTable::State::Browse);

    // A reload of the table while a row is being typed drops that row.
    model.Insert();
    table.EmptyTable();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.Inserting());
    EXPECT_FALSE(navigator.ButtonAt(TDBNavigator::nbDelete)->isEnabled());
}

TEST_F(MemTableModelTest, RefusalsAndTheEditorLeftOpen) {
    QStringList refusals;
    QObject::connect(&model, &MemTableModel::EditRefused,
                     [&](const QString& text) { refusals << text; });
    model.SetValidator([](int field, const platform::Value& value) {
        const auto* key = std::get_if<std::int32_t>(&value);
        return field == 0 && key && *key < 0 ? QString("négatif") : QString();
    });
    EXPECT_FALSE(model.setData(model.index(2, 0), "-3"));
    EXPECT_FALSE(model.setData(model.index(2, 0), "1.5"));
    EXPECT_EQ(refusals,
              (QStringList{"Key : négatif", "Key : '1.5' n'est pas une valeur entière correcte"}));
    EXPECT_EQ(Keys(), (QStringList{"10", "20", "30"}));
    EXPECT_FALSE(model.Editing());
    // The same value typed again starts no edit.
    EXPECT_TRUE(model.setData(model.index(2, 0), "30"));
    EXPECT_FALSE(model.Editing());

    // The navigator writes back the cell still being typed before it posts.
    TDBGrid grid;
    grid.SetDataModel(&model);
    grid.setCurrentIndex(model.index(1, 1));
    grid.edit(model.index(1, 1));
    ASSERT_TRUE(grid.HasOpenEditor());
    auto* editor = grid.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("neuf");
    model.Post();
    EXPECT_FALSE(grid.HasOpenEditor());
    EXPECT_EQ(table.FieldByName("Name").AsString(), "neuf");
    EXPECT_FALSE(model.Editing());
}

} // namespace
