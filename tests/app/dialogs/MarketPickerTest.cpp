// The market picker: the market lists found, the sectors and rows read from a list (malformed
// lines included), and the row returned in either sector mode.

#include "../AppTestSupport.h"

#include "dialogs/MarketPickerDialog.h"

#include "portfolio/Cv.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

class MarketPickerTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        doc.Repertoire = dataDir_;
    }
    void Market(const std::string& name, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(dataDir_) / "Bourses");
        std::ofstream(std::filesystem::path(dataDir_) / "Bourses" / name, std::ios::binary) << text;
    }
    static QStringList Items(const QComboBox* box) {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items;
    }
    // Each row as "label|code".
    static QStringList Rows(const QTreeWidget* list) {
        QStringList rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(0) + "|" + list->topLevelItem(i)->text(1);
        return rows;
    }
    static QTreeWidgetItem* Row(QTreeWidget* list, const QString& label) {
        const auto found = list->findItems(label, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.constFirst();
    }

    TCorv doc{""};
};

const char* const kChimie = "000120;air liquide;Chimie;ignoré;encore\n"
                            "013000;Alcatel;Télécoms;\r\n"
                            "012062;Axa;chimie;\n"
                            "\n"
                            "999;Un seul séparateur\n"
                            "998;Deux;séparateurs\n"
                            "012063;Bic;Chimie;\n";

TEST_F(MarketPickerTest, NoMarketListsNothingAndOnlyCancels) {
    TBourse sansDossier(nullptr, &doc, prompts);
    EXPECT_EQ(sansDossier.CBBourse->count(), 0);
    Market(".cache.bdx", kChimie);
    std::filesystem::create_directories(std::filesystem::path(dataDir_) / "Bourses" /
                                        "Dossier.bdx");
    TBourse d(nullptr, &doc, prompts);
    d.show();
    EXPECT_EQ(d.CBBourse->count(), 0);
    EXPECT_EQ(d.CBActivite->count(), 0);
    EXPECT_EQ(d.LB->topLevelItemCount(), 0);
    d.BtOk->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.FValide);
    d.BitBtn2->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST_F(MarketPickerTest, ListsMarketsSectorsAndRowsAndSkipsMalformedLines) {
    Market("Zeta.bdx", "1;Z;Divers;\n");
    Market("alpha.bdx", std::string(kChimie) + "5;" + std::string(600, 'x') + ";Long;\n");
    Market("notes.txt", "1;N;Notes;\n");
    TBourse d(nullptr, &doc, prompts);
    EXPECT_EQ(Items(d.CBBourse), QStringList({"alpha", "Zeta"}));
    EXPECT_EQ(d.Marche(), "alpha");
    // Sectors differing in case are two; a line too long or short of separators gives none.
    EXPECT_EQ(Items(d.CBActivite), QStringList({"Chimie", "chimie", QString("Télécoms")}));
    EXPECT_EQ(d.CBActivite->currentText(), "Chimie");
    EXPECT_TRUE(d.RSel->isChecked());
    EXPECT_EQ(Rows(d.LB), QStringList({"AIR LIQUIDE|120", "BIC|12063"}));

    d.RTous->click();
    EXPECT_FALSE(d.CBActivite->isEnabled());
    EXPECT_EQ(Rows(d.LB),
              QStringList({"AIR LIQUIDE|120", "ALCATEL|13000", "AXA|12062", "BIC|12063"}));
    d.RSel->click();
    EXPECT_TRUE(d.CBActivite->isEnabled());
    EXPECT_EQ(d.LB->topLevelItemCount(), 2);

    // Another market brings its own sectors and goes back to one sector.
    d.RTous->click();
    d.CBBourse->setCurrentIndex(1);
    EXPECT_TRUE(d.RSel->isChecked());
    EXPECT_FALSE(d.RTous->isChecked());
    EXPECT_TRUE(d.CBActivite->isEnabled());
    EXPECT_EQ(Items(d.CBActivite), QStringList({"Divers"}));
    EXPECT_EQ(Rows(d.LB), QStringList({"Z|1"}));
}

TEST_F(MarketPickerTest, ReturnsTheRowWithTheSectorOfTheMode) {
    Market("alpha.bdx", kChimie);
    TBourse selection(nullptr, &doc, prompts);
    selection.CBActivite->setCurrentIndex(1);
    EXPECT_EQ(Rows(selection.LB), QStringList({"AXA|12062"}));
    selection.LB->setCurrentItem(Row(selection.LB, "AXA"));
    selection.BtOk->click();
    EXPECT_EQ(selection.result(), QDialog::Accepted);
    EXPECT_EQ(selection.FCode, "12062");
    EXPECT_EQ(selection.FLibelle, "AXA");
    EXPECT_EQ(selection.FActiviteChoisie, "chimie");
    EXPECT_EQ(selection.Marche(), "alpha");

    TBourse tous(nullptr, &doc, prompts);
    tous.RTous->click();
    QTreeWidgetItem* alcatel = Row(tous.LB, "ALCATEL");
    ASSERT_NE(alcatel, nullptr);
    tous.LB->setCurrentItem(alcatel);
    emit tous.LB->itemDoubleClicked(alcatel, 0);
    EXPECT_EQ(tous.result(), QDialog::Accepted);
    EXPECT_EQ(tous.FCode, "13000");
    EXPECT_EQ(tous.FActiviteChoisie, QString("Télécoms"));
}

TEST_F(MarketPickerTest, AListThatIsNoFileIsSaidAndListsNothing) {
    Market("alpha.bdx", kChimie);
    std::filesystem::create_directories(std::filesystem::path(dataDir_) / "Bourses" /
                                        "Dossier.bdx");
    TBourse d(nullptr, &doc, prompts);
    EXPECT_TRUE(prompts.messages.empty());
    ASSERT_GT(d.LB->topLevelItemCount(), 0);
    // A folder, or a list gone since the markets were listed: not the previous market's rows.
    for (const char* marche : {"Dossier", "Absent"}) {
        prompts.messages.clear();
        d.LoadMarket(marche);
        ASSERT_EQ(prompts.messages.size(), 1u) << marche;
        EXPECT_EQ(prompts.messages[0].title, "Valeurs disponibles");
        EXPECT_EQ(prompts.messages[0].text, "Ouverture du fichier impossible");
        EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
        EXPECT_EQ(d.CBActivite->count(), 0) << marche;
        EXPECT_EQ(d.LB->topLevelItemCount(), 0) << marche;
    }
    d.LoadMarket("alpha");
    EXPECT_EQ(Rows(d.LB), QStringList({"AIR LIQUIDE|120", "BIC|12063"}));
}

TEST_F(MarketPickerTest, LineSplitting) {
    const auto ligne = ParseLigneBourse("0000;éclair;;reste;");
    ASSERT_TRUE(ligne.has_value());
    EXPECT_EQ(ligne->Code, "");
    EXPECT_EQ(ligne->Libelle, QString("ÉCLAIR"));
    EXPECT_EQ(ligne->Activite, "");
    // Byte order marks before the zeros (one further down a file is text) do not keep them.
    const std::string marque = "\xef\xbb\xbf";
    EXPECT_EQ(ParseLigneBourse(marque + "007;Air;Chimie;")->Code, "7");
    EXPECT_EQ(ParseLigneBourse(marque + marque + "0" + marque + "10;L;A;")->Code, "10");
    EXPECT_FALSE(ParseLigneBourse("").has_value());
    EXPECT_FALSE(ParseLigneBourse("1;a;b").has_value());
    // A NUL or a carriage return in any part refuses the line.
    for (const std::string& cassee : {std::string("1\0"
                                                  "2;a;b;",
                                                  7),
                                      std::string("1;a\0;b;", 7), std::string("1;a;b;\0", 7),
                                      std::string("1\r2;a;b;"), std::string("1;a;b\r;")})
        EXPECT_FALSE(ParseLigneBourse(cassee).has_value()) << cassee.size();
}

TEST_F(MarketPickerTest, AListReadsInItsOrderAndAMissingOneIsNone) {
    EXPECT_FALSE(ReadMarketList(dataDir_ + "/Bourses/absent.bdx").has_value());
    Market("m.bdx", std::string(kChimie) + "5;" + std::string(600, 'x') + ";Long;\n7;Fin;X;");
    const auto lignes = ReadMarketList(dataDir_ + "/Bourses/m.bdx");
    ASSERT_TRUE(lignes.has_value());
    QStringList codes;
    for (const LigneBourse& l : *lignes)
        codes << l.Code;
    // The line too long for a list and those short of a separator are left out.
    EXPECT_EQ(codes, QStringList({"120", "13000", "12062", "12063", "7"}));
}

TEST_F(MarketPickerTest, ManySectorsAreListedOnceEachInOrder) {
    // Every line its own sector, written in reverse order, and each sector twice: the sector
    // list is built once, not looked up line after line.
    std::string text;
    for (int i = 5000; i > 0; --i) {
        const std::string sector = "Secteur " + std::to_string(100000 + i);
        text += std::to_string(i) + ";L" + std::to_string(i) + ";" + sector + ";\n";
        text += std::to_string(i) + "0;M;" + sector + ";\n";
    }
    text += "1;E;\xc3\xa9nergie;\n2;F;Energie;\n3;G;banques;\n4;H;Banques;\n";
    Market("gros.bdx", text);
    TBourse d(nullptr, &doc, prompts);
    const QStringList secteurs = Items(d.CBActivite);
    ASSERT_EQ(secteurs.size(), 5004);
    EXPECT_EQ(secteurs.mid(0, 4),
              QStringList({"Banques", "banques", "Energie", QString("énergie")}));
    EXPECT_EQ(secteurs.at(4), "Secteur 100001");
    EXPECT_EQ(secteurs.last(), "Secteur 105000");
    EXPECT_EQ(d.LB->topLevelItemCount(), 1); // the first sector's row
}

TEST_F(MarketPickerTest, TheListsThatComeWithTheProgramAllRead) {
    TCorv seed(std::string(CORVANE_TEST_DATA_DIR) + "/../../data");
    TBourse d(nullptr, &seed, prompts);
    ASSERT_EQ(Items(d.CBBourse),
              QStringList({QString("Premier marché"), QString("Second marché")}));
    d.RTous->click();
    EXPECT_EQ(d.LB->topLevelItemCount(), 15);
    EXPECT_NE(Row(d.LB, QString("L'ORÉAL")), nullptr);
    d.CBBourse->setCurrentIndex(1);
    d.RTous->click();
    EXPECT_EQ(d.LB->topLevelItemCount(), 5);
}

} // namespace
