// The column chooser of the repartition list: the lists filled from the ids, rows moved by the
// buttons and by drag and drop, the ids written back on validation only, and the right click
// of the main window that opens it.

#include "../AppTestSupport.h"

#include "dialogs/ColumnChooserDialog.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

#include <initializer_list>
#include <vector>

namespace {

using Ids = TFColRep::Ids;

std::vector<int> RowIds(const QTreeWidget* list) {
    std::vector<int> ids;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        ids.push_back(TFColRep::IdOf(list->topLevelItem(i)));
    return ids;
}

void Select(QTreeWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (const int row : rows)
        list->topLevelItem(row)->setSelected(true);
}

Ids Bytes(std::initializer_list<int> front) {
    Ids ids{};
    std::size_t i = 0;
    for (const int id : front)
        ids[i++] = static_cast<std::uint8_t>(id);
    return ids;
}

TEST(ColumnChooserTest, ListsShowTheChosenColumnsInOrderAndTheOthersInIdOrder) {
    Ids ids = kColRepDefaut;
    TFColRep dialog(nullptr, &ids, 0);
    dialog.FillLists();
    EXPECT_EQ(RowIds(dialog.LArr), (std::vector<int>{11, 12, 13, 14, 3, 9, 6}));
    EXPECT_EQ(dialog.LArr->topLevelItem(0)->text(0), QString("+Val. Réal. Brut"));
    EXPECT_EQ(RowIds(dialog.LDep),
              (std::vector<int>{1, 2, 4, 5, 7, 8, 10, 15, 16, 17, 18, 19, 20, 21, 22}));

    // Ids a settings file edited by hand can hold: out of the table, or repeated.
    Ids abimes = Bytes({3, 40, 3, 0, 21, 255, 0, 23});
    TFColRep dialog2(nullptr, &abimes, 0);
    dialog2.FillLists();
    EXPECT_EQ(RowIds(dialog2.LArr), (std::vector<int>{3, 21}));
    EXPECT_EQ(dialog2.LDep->topLevelItemCount(), 20);
}

TEST(ColumnChooserTest, ValidationWritesTheRowsAtTheFrontAndZerosAfter) {
    Ids ids = Bytes({0, 5, 0, 0, 2});
    ids[21] = 9;
    TFColRep dialog(nullptr, &ids, 0);
    dialog.FillLists();
    EXPECT_EQ(RowIds(dialog.LArr), (std::vector<int>{5, 2, 9}));
    EXPECT_EQ(ids[21], 9); // untouched before validation
    dialog.Button5->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ids, Bytes({5, 2, 9}));

    // Emptied: 22 zero bytes.
    Ids vide = kColRepDefaut;
    TFColRep videe(nullptr, &vide, 0);
    videe.FillLists();
    videe.LArr->selectAll();
    videe.Button3->click();
    videe.Button5->click();
    EXPECT_EQ(vide, Ids{});
}

TEST(ColumnChooserTest, MovedRowsGoAfterTheTargetSelectionInTheirOldOrder) {
    Ids ids = kColRepDefaut;
    TFColRep dialog(nullptr, &ids, 0);
    dialog.FillLists();

    // Two rows apart, to a list whose third row is selected: fourth and fifth rows.
    Select(dialog.LArr, {2});
    Select(dialog.LDep, {0, 3}); // ids 1 and 5
    dialog.Button1->click();
    EXPECT_EQ(RowIds(dialog.LArr), (std::vector<int>{11, 12, 13, 1, 5, 14, 3, 9, 6}));
    EXPECT_EQ(RowIds(dialog.LDep),
              (std::vector<int>{2, 4, 7, 8, 10, 15, 16, 17, 18, 19, 20, 21, 22}));

    // No selected row in the target: appended, even where the id order would put them.
    Select(dialog.LArr, {8, 0});
    dialog.LDep->clearSelection();
    dialog.Button3->click();
    EXPECT_EQ(RowIds(dialog.LArr), (std::vector<int>{12, 13, 1, 5, 14, 3, 9}));
    EXPECT_EQ(RowIds(dialog.LDep),
              (std::vector<int>{2, 4, 7, 8, 10, 15, 16, 17, 18, 19, 20, 21, 22, 11, 6}));

    // Nothing selected in the source: nothing moves.
    dialog.LDep->clearSelection();
    dialog.Button1->click();
    EXPECT_EQ(dialog.LArr->topLevelItemCount(), 7);
    EXPECT_EQ(dialog.LDep->topLevelItemCount(), 15);

    dialog.Button5->click();
    EXPECT_EQ(ids, Bytes({12, 13, 1, 5, 14, 3, 9}));
}

TEST(ColumnChooserTest, RowsDropOnlyOnTheOtherListAfterTheRowUnderThePoint) {
    Ids ids = kColRepDefaut;
    TFColRep dialog(nullptr, &ids, 0);
    dialog.show();
    dialog.FillLists();
    EXPECT_TRUE(dialog.LArrDragOver(dialog.LArr, dialog.LDep));
    EXPECT_TRUE(dialog.LArrDragOver(dialog.LDep, dialog.LArr));
    EXPECT_FALSE(dialog.LArrDragOver(dialog.LArr, dialog.LArr));

    // Dropped on the second row: after it, whatever was selected in the target before.
    Select(dialog.LArr, {5});
    Select(dialog.LDep, {1, 2}); // ids 2 and 4
    const QPoint surDeuxieme = dialog.LArr->visualItemRect(dialog.LArr->topLevelItem(1)).center();
    dialog.LDepDragDrop(dialog.LArr, dialog.LDep, surDeuxieme);
    EXPECT_EQ(RowIds(dialog.LArr), (std::vector<int>{11, 12, 2, 4, 13, 14, 3, 9, 6}));
    EXPECT_EQ(dialog.LArr->selectedItems().size(), 1);
    EXPECT_TRUE(dialog.LArr->topLevelItem(1)->isSelected());

    // Dropped below the last row: appended.
    Select(dialog.LArr, {0});
    Select(dialog.LDep, {0});
    const QPoint dessous(5, dialog.LArr->viewport()->height() - 3);
    ASSERT_EQ(dialog.LArr->itemAt(dessous), nullptr);
    dialog.LDepDragDrop(dialog.LArr, dialog.LDep, dessous);
    EXPECT_EQ(RowIds(dialog.LArr).back(), 1);
    EXPECT_EQ(dialog.LArr->topLevelItemCount(), 10);

    // A list's own rows, dropped on itself: nothing moves.
    Select(dialog.LArr, {0, 1});
    dialog.LDepDragDrop(dialog.LArr, dialog.LArr, surDeuxieme);
    EXPECT_EQ(dialog.LArr->topLevelItemCount(), 10);
}

TEST(ColumnChooserTest, EveryOtherWayOutLeavesTheCallersIdsAlone) {
    for (int sortie = 0; sortie < 3; ++sortie) {
        Ids ids = kColRepDefaut;
        TFColRep dialog(nullptr, &ids, 0);
        dialog.FillLists();
        dialog.LArr->selectAll();
        dialog.Button3->click();
        if (sortie == 0)
            dialog.Button6->click(); // "&Annuler"
        else if (sortie == 1)
            dialog.reject(); // Escape, the close box
        else
            dialog.accept(); // closed by any other code than "&Valider"
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << sortie;
        EXPECT_EQ(ids, kColRepDefaut) << sortie;
    }
}

class ColumnChooserWindowTest : public WindowTest {
protected:
    QTreeWidget* Repart() { return form->findChild<QTreeWidget*>("ListRepart"); }
    QStringList Headers() {
        QStringList texts;
        for (int c = 0; c < Repart()->columnCount(); ++c)
            texts << Repart()->headerItem()->text(c);
        return texts;
    }
    void RightClick() {
        QMouseEvent clic(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                         Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(Repart()->viewport(), &clic);
    }
};

TEST_F(ColumnChooserWindowTest, RightClickOnTheRepartitionListOpensTheChooser) {
    ASSERT_NE(Repart(), nullptr);
    const QStringList avant = Headers();
    ASSERT_EQ(avant.size(), 8);

    // Cancelled: the list stays as it was, nothing is asked. Validated with the label alone:
    // the list shows it.
    bool valider = false;
    prompts.onDialog = [&valider](QDialog& dialog) {
        auto* choix = dynamic_cast<TFColRep*>(&dialog);
        EXPECT_NE(choix, nullptr);
        if (choix == nullptr)
            return false;
        EXPECT_EQ(choix->LArr->topLevelItemCount(), 7);
        choix->LArr->selectAll();
        choix->Button3->click();
        const auto libelle = choix->LDep->findItems(QString("Libellé"), Qt::MatchExactly);
        EXPECT_EQ(libelle.size(), 1);
        for (QTreeWidgetItem* row : libelle)
            row->setSelected(true);
        choix->Button1->click();
        (valider ? choix->Button5 : choix->Button6)->click();
        return choix->result() == QDialog::Accepted;
    };
    RightClick();
    EXPECT_EQ(prompts.dialogs, 1);
    EXPECT_EQ(Headers(), avant);
    EXPECT_TRUE(prompts.messages.empty());

    valider = true;
    prompts.answers = {QMessageBox::No};
    RightClick();
    EXPECT_EQ(prompts.dialogs, 2);
    EXPECT_EQ(Headers(), (QStringList{"Valeur", QString("Libellé")}));
    EXPECT_EQ(prompts.messages.size(), 1u); // whether to save: the window's business
}

} // namespace
