// The statement check (trades listed under a filter, sorted by column, ticked into the
// document) and the transfer dialog (options collected, new file chosen, refusal of a
// transfer to no file).

#include "../AppTestSupport.h"
#include "widgets/ListRows.h"

#include "dialogs/ReconciliationDialog.h"
#include "dialogs/TransferDialog.h"

#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "support/Builders.h"

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <memory>

namespace {

using namespace build;
using platform::EncodeDate;

class ReconciliationTest : public ::testing::Test {
protected:
    void SetUp() override {
        dix = AddSecurity(doc, "10", "DIX");
        neuf = AddSecurity(doc, "9", "NEUF");
        onze = AddSecurity(doc, "11", "ONZE");
        a10 = AddTrade(dix, EncodeDate(2025, 1, 10), 'A', 10, 10000, 0);
        v10 = AddTrade(dix, EncodeDate(2025, 3, 1), 'V', 5, 12000, 0, {.pointe = true});
        a9 = AddTrade(neuf, EncodeDate(2025, 2, 1), 'A', 20, 5000, 0);
        v9 = AddTrade(neuf, EncodeDate(2025, 4, 1), 'V', 15, 5500, 0);
        a11 = AddTrade(onze, EncodeDate(2024, 12, 1), 'A', 1, 100, 0, {.pointe = true});
        doc.Modifie = false;
        dialog.FPortefeuille = &doc;
    }

    QStringList Column(int column) const {
        QStringList texts;
        for (int i = 0; i < dialog.LvOp->topLevelItemCount(); ++i)
            texts << dialog.LvOp->topLevelItem(i)->text(column);
        return texts;
    }
    std::vector<const Operes*> Rows() const {
        std::vector<const Operes*> rows;
        for (int i = 0; i < dialog.LvOp->topLevelItemCount(); ++i)
            rows.push_back(Record<Operes>(dialog.LvOp->topLevelItem(i)));
        return rows;
    }
    QTreeWidgetItem* RowOf(const Operes* op) const {
        for (int i = 0; i < dialog.LvOp->topLevelItemCount(); ++i) {
            if (Record<Operes>(dialog.LvOp->topLevelItem(i)) == op)
                return dialog.LvOp->topLevelItem(i);
        }
        return nullptr;
    }
    void ClickHeader(int column) { emit dialog.LvOp->header()->sectionClicked(column); }

    TCorv doc{"/tmp"};
    TForm5 dialog{nullptr};
    Valeurs* dix = nullptr;
    Valeurs* neuf = nullptr;
    Valeurs* onze = nullptr;
    Operes* a10 = nullptr;
    Operes* v10 = nullptr;
    Operes* a9 = nullptr;
    Operes* v9 = nullptr;
    Operes* a11 = nullptr;
};

TEST_F(ReconciliationTest, ListsTheTradesNotTickedWithTheirFiguresAndColours) {
    EXPECT_TRUE(dialog.Npt->isChecked());
    EXPECT_EQ(dialog.FFiltre, 0);
    doc.Facteur = 6.55957f;
    dialog.FillList();

    // Sorted on "Sens", purchases first, in document order among equals.
    EXPECT_EQ(Rows(), (std::vector<const Operes*>{a10, a9, v9}));
    EXPECT_EQ(Column(0), (QStringList{"A", "A", "V"}));
    EXPECT_EQ(Column(1), (QStringList{"10", "9", "9"}));
    EXPECT_EQ(Column(2), (QStringList{"10/01/25", "01/02/25", "01/04/25"}));
    EXPECT_EQ(Column(3), (QStringList{"10", "20", "15"}));
    EXPECT_EQ(Column(4), (QStringList{"655,96", "327,98", "360,78"}));
    for (int i = 0; i < 3; ++i) {
        const QTreeWidgetItem* row = dialog.LvOp->topLevelItem(i);
        EXPECT_EQ(row->checkState(0), Qt::Unchecked);
        const QColor attendu = i < 2 ? QColor(0, 128, 0) : QColor(255, 0, 0);
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(row->data(c, Qt::ForegroundRole).value<QBrush>().color(), attendu);
    }
    EXPECT_EQ(dialog.SortKey(), 1);
    EXPECT_EQ(dialog.ColumnImage(0), TForm5::kImageCroissante);

    dialog.Pt->click();
    EXPECT_EQ(dialog.FFiltre, 1);
    EXPECT_EQ(Rows(), (std::vector<const Operes*>{a11, v10}));
    EXPECT_EQ(dialog.LvOp->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(dialog.LvOp->topLevelItem(1)->text(4), "787,15"); // 120 € in francs

    dialog.All->click();
    EXPECT_EQ(dialog.FFiltre, 2);
    EXPECT_EQ(dialog.LvOp->topLevelItemCount(), 5);

    dialog.Button1->click(); // "&Terminer"
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(ReconciliationTest, TicksGoIntoTheTradesAndFollowTheFilter) {
    dialog.FillList();
    // A row ticked under "Non pointés" stays until the filter changes...
    RowOf(a9)->setCheckState(0, Qt::Checked);
    emit dialog.LvOp->itemClicked(RowOf(a9), 0);
    EXPECT_TRUE(a9->Pointe);
    EXPECT_EQ(dialog.LvOp->topLevelItemCount(), 3);
    // ...then shows under "Pointés".
    dialog.Pt->click();
    EXPECT_EQ(Rows(), (std::vector<const Operes*>{a9, a11, v10}));

    // Unticked there, it goes back among the trades to check; the others keep their ticks.
    RowOf(a11)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(a11->Pointe);
    EXPECT_TRUE(a9->Pointe);
    EXPECT_TRUE(v10->Pointe);
    dialog.Npt->click();
    EXPECT_EQ(Rows(), (std::vector<const Operes*>{a10, a11, v9}));
    EXPECT_FALSE(a10->Pointe);
    EXPECT_FALSE(v9->Pointe);

    // Ticks are stored in the file: changing one marks the document modified.
    EXPECT_TRUE(doc.Modifie);

    // Rebuilding the list changes no tick.
    dialog.All->click();
    EXPECT_EQ(dialog.LvOp->topLevelItemCount(), 5);
    EXPECT_TRUE(a9->Pointe && v10->Pointe);
    EXPECT_FALSE(a10->Pointe || a11->Pointe || v9->Pointe);
}

TEST_F(ReconciliationTest, EachColumnSortsAscendingThenDescending) {
    dialog.All->click();
    const std::vector<std::vector<const Operes*>> croissants = {
        {a10, a9, a11, v10, v9}, // Sens, document order among equals
        {a10, v10, a11, a9, v9}, // Valeur: "10" < "11" < "9"
        {a11, a10, a9, v10, v9}, // Date
        {a11, v10, a10, v9, a9}, // Quantité
        {a11, a9, v9, a10, v10}, // Cours
    };
    for (int c = 1; c < 5; ++c) {
        ClickHeader(c);
        EXPECT_EQ(dialog.SortKey(), c + 1);
        EXPECT_EQ(Rows(), croissants[static_cast<std::size_t>(c)]) << c;
        EXPECT_EQ(dialog.ColumnImage(c), TForm5::kImageCroissante);
        EXPECT_EQ(dialog.ColumnImage(c - 1), TForm5::kImageAucune);
        ClickHeader(c);
        EXPECT_EQ(dialog.SortKey(), -(c + 1));
        EXPECT_EQ(dialog.ColumnImage(c), TForm5::kImageDecroissante);
        const auto& asc = croissants[static_cast<std::size_t>(c)];
        // Descending reverses every column whose values all differ.
        if (c >= 2) {
            EXPECT_EQ(Rows(), std::vector<const Operes*>(asc.rbegin(), asc.rend())) << c;
        }
    }
    // Codes descending: "9" first, then "11", then "10".
    ClickHeader(1);
    ClickHeader(1);
    EXPECT_EQ(Column(1), (QStringList{"9", "9", "11", "10", "10"}));
    ClickHeader(0);
    ClickHeader(0);
    EXPECT_EQ(Column(0), (QStringList{"V", "V", "A", "A", "A"}));
    EXPECT_EQ(dialog.ColumnImage(0), TForm5::kImageDecroissante);

    // A change of filter sorts on "Sens" ascending again.
    ClickHeader(2);
    dialog.Pt->click();
    EXPECT_EQ(dialog.SortKey(), 1);
    EXPECT_EQ(dialog.ColumnImage(0), TForm5::kImageCroissante);
    EXPECT_EQ(dialog.ColumnImage(2), TForm5::kImageAucune);
    EXPECT_EQ(Column(0), (QStringList{"A", "V"}));
}

TEST(TransfertTest, CollectsTheOptionsWithTheLabelEnabledByCumul) {
    ScriptedPrompts prompts;
    TTransfert dialog(nullptr, prompts);
    EXPECT_FALSE(dialog.e1->isEnabled() || dialog.LabelE1->isEnabled());
    dialog.Cumul->click();
    EXPECT_TRUE(dialog.e1->isEnabled() && dialog.LabelE1->isEnabled());
    dialog.Cumul->click();
    EXPECT_FALSE(dialog.e1->isEnabled() || dialog.LabelE1->isEnabled());

    // "&Chercher" gives the full path of the file chosen; cancelled, the name stays.
    prompts.saveNames = {"relatif.cvx", ""};
    dialog.Button1->click();
    const QString choisi = QDir::current().absoluteFilePath("relatif.cvx");
    EXPECT_EQ(dialog.NewFile->text(), choisi);
    dialog.Button1->click();
    EXPECT_EQ(dialog.NewFile->text(), choisi);

    dialog.Suppr->click();
    dialog.Cumul->click();
    dialog.e1->setText(QString("Résultats 2025"));
    const TransfertOptions options = dialog.Options();
    EXPECT_EQ(options.Fichier, choisi.toStdString());
    EXPECT_TRUE(options.Suppr && options.Cumul);
    EXPECT_EQ(options.Intitule, "Résultats 2025");
    dialog.Button2->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(TransfertTest, NoFileNamedRefusesTheTransferAndOtherWaysOutCancel) {
    ScriptedPrompts prompts;
    TTransfert dialog(nullptr, prompts);
    for (const char* nom : {"", "   "}) {
        dialog.NewFile->setText(nom);
        dialog.Button2->click();
        EXPECT_NE(dialog.result(), QDialog::Accepted) << nom;
    }
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].title, "Corvane");
    EXPECT_EQ(prompts.messages[0].text, "Indiquez le fichier du nouveau portefeuille.");
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);

    for (const bool annuler : {true, false}) {
        TTransfert autre(nullptr, prompts);
        autre.NewFile->setText("/tmp/x.cvx");
        if (annuler)
            autre.Button3->click();
        else
            autre.accept(); // closed by any other code than "&Transférer"
        EXPECT_EQ(autre.result(), QDialog::Rejected);
    }
}

} // namespace
