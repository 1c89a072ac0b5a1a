// The main window's views on documents built for each case: the navigation tree and its
// selection, the lists with their sort state and colours, the portfolio summary, the
// repartition pie and list, the currency switch and the date pickers.

#include "../AppTestSupport.h"

#include "widgets/QtDates.h"

#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "support/Builders.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPieSeries>
#include <QPieSlice>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <cmath>

namespace {

using namespace build;

using platform::EncodeDate;

const QString kNbsp = QString(QChar(0x00A0));

class ViewsTest : public WindowTest {
protected:
    Valeurs* Add(const std::string& code, const std::string& libelle, std::int32_t cours,
                 bool suivi = true, const std::string& bourse = "Paris",
                 const std::string& activite = "Banque") {
        Valeurs* titre =
            AddSecurity(*doc, code, libelle,
                        {.cours = cours, .suivi = suivi, .bourse = bourse, .activite = activite});
        titre->Infos.Haut = cours + 100;
        titre->Infos.Bas = cours - 100;
        titre->Infos.Variation = 1.5f;
        titre->Infos.Date = EncodeDate(2026, 3, 13);
        return titre;
    }
    template <typename T> T* W(const char* name) {
        T* widget = form->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString Text(const char* label) { return W<QLabel>(label)->text(); }
    QTreeWidget* Tree() { return W<QTreeWidget>("LT1"); }
    QTreeWidgetItem* Node(const QString& text) {
        const auto items = Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return items.size() == 1 ? items.front() : nullptr;
    }
    QString Page() { return W<QStackedWidget>("Pages")->currentWidget()->objectName(); }
    QStringList Column(const char* list, int column) {
        QStringList texts;
        QTreeWidget* w = W<QTreeWidget>(list);
        for (int i = 0; i < w->topLevelItemCount(); ++i)
            texts << w->topLevelItem(i)->text(column);
        return texts;
    }
    QStringList Headers(const char* list) {
        QStringList texts;
        QTreeWidget* w = W<QTreeWidget>(list);
        for (int c = 0; c < w->columnCount(); ++c)
            texts << w->headerItem()->text(c);
        return texts;
    }
    QStringList SliceLabels(const char* chart) {
        QStringList labels;
        for (QAbstractSeries* serie : W<QChartView>(chart)->chart()->series())
            for (QPieSlice* slice : static_cast<QPieSeries*>(serie)->slices())
                labels << slice->label();
        return labels;
    }
    static QColor Foreground(const QTreeWidgetItem* item, int column) {
        return item->data(column, Qt::ForegroundRole).value<QBrush>().color();
    }
    static QColor Background(const QTreeWidgetItem* item, int column) {
        return item->data(column, Qt::BackgroundRole).value<QBrush>().color();
    }
    void ClickHeader(const char* list, int column) {
        emit W<QTreeWidget>(list)->header()->sectionClicked(column);
    }
    int Tag(const char* list) { return W<QTreeWidget>(list)->property("Tag").toInt(); }
};

TEST_F(ViewsTest, EmptyDocumentShowsTheGroupsZerosAndEmptyPies) {
    QTreeWidget* arbre = Tree();
    ASSERT_EQ(arbre->topLevelItemCount(), 1);
    QTreeWidgetItem* racine = arbre->topLevelItem(0);
    EXPECT_EQ(racine->text(0), "Portefeuille");
    ASSERT_EQ(racine->childCount(), 3);
    EXPECT_EQ(racine->child(0)->text(0), "Cash");
    EXPECT_EQ(racine->child(1)->text(0), QString("Titres en portefeuille"));
    EXPECT_EQ(racine->child(2)->text(0), QString("Titres suivis"));
    EXPECT_EQ(arbre->currentItem(), racine->child(1));
    EXPECT_EQ(Page(), "PgTitre");
    for (const char* list : {"ListTitre", "LvOp", "LstCash", "ListRepart"})
        EXPECT_EQ(W<QTreeWidget>(list)->topLevelItemCount(), 0) << list;

    for (const char* montant :
         {"VCashPo",  "VEvalTi", "VEvalGlo", "VCashPoL",  "VEvalTiL", "VEvalGloL", "VAchRMB",
          "VAchRMN",  "VVeRMB",  "VVeRMN",   "VSoLiqB",   "VSoLiqN",  "VCouvT",    "VCouvE",
          "VCouvD",   "GCoB",    "GCoN",     "GReaB",     "GReaN",    "GPvLB",     "GPvLN",
          "GPvLNSRD", "GPvB",    "GPvN",     "VTotFrPer", "VCash",    "CashL"})
        EXPECT_EQ(Text(montant), "0,00") << montant;
    for (const char* part : {"VCashPoP", "VEvalTiP", "VCashPoPL", "VEvalTiPL", "VRentTiB"})
        EXPECT_EQ(Text(part), "0,00 %") << part;

    EXPECT_TRUE(W<QChartView>("Chart2")->chart()->series().isEmpty());
    EXPECT_TRUE(W<QChartView>("Chart3")->chart()->series().isEmpty());
    EXPECT_EQ(W<QChartView>("Chart2")->chart()->title(),
              QString("Répartition du portefeuille par Valorisation"));
    EXPECT_EQ(W<QChartView>("Chart3")->chart()->title(),
              QString("Répartition cash/titre en liquidation"));
}

TEST_F(ViewsTest, RichDocumentTreeAndSecuritiesList) {
    Valeurs* air = Add("12000", "AIR LIQUIDE", 15000);
    Valeurs* bouygues = Add("13000", "BOUYGUES", 3000, false);
    Valeurs* casino = Add("11000", "CASINO", 2000);
    Add("14000", "DANONE", 6000); // followed, not held
    AddTrade(air, EncodeDate(2025, 5, 2), 'A', 10, 14000);
    AddTrade(bouygues, EncodeDate(2025, 5, 2), 'A', 10, 3000);
    AddTrade(bouygues, EncodeDate(2025, 6, 2), 'V', 10, 3100);
    AddTrade(casino, EncodeDate(2025, 5, 2), 'V', 5, 2100); // short
    form->BuildTree();

    QTreeWidgetItem* racine = Tree()->topLevelItem(0);
    QTreeWidgetItem* detenus = racine->child(1);
    QTreeWidgetItem* suivis = racine->child(2);
    // In code order, as the redisplay sorted the document.
    ASSERT_EQ(detenus->childCount(), 2);
    EXPECT_EQ(detenus->child(0)->text(0), "CASINO");
    EXPECT_EQ(detenus->child(1)->text(0), "AIR LIQUIDE");
    ASSERT_EQ(suivis->childCount(), 2);
    EXPECT_EQ(suivis->child(0)->text(0), "BOUYGUES");
    EXPECT_EQ(suivis->child(1)->text(0), "DANONE");
    EXPECT_EQ(Foreground(suivis->child(0), 0), QColor(0, 128, 0)) << "not refreshed";
    EXPECT_FALSE(suivis->child(1)->data(0, Qt::ForegroundRole).isValid());

    // Only the automatically refreshed securities, the held ones in black; in the order that
    // the previous redisplay left (labels, as added), then in code order.
    EXPECT_EQ(Column("ListTitre", 0), (QStringList{"12000", "11000", "14000"}));
    form->RefreshViews();
    EXPECT_EQ(Column("ListTitre", 0), (QStringList{"11000", "12000", "14000"}));
    QTreeWidget* liste = W<QTreeWidget>("ListTitre");
    EXPECT_EQ(Foreground(liste->topLevelItem(0), 1), QColor(Qt::black)) << "short";
    EXPECT_EQ(Foreground(liste->topLevelItem(1), 1), QColor(Qt::black));
    EXPECT_EQ(Foreground(liste->topLevelItem(2), 1), QColor(128, 128, 128));
    EXPECT_EQ(liste->topLevelItem(1)->text(2), "13/03/26-00:00");
    EXPECT_EQ(liste->topLevelItem(1)->text(3), "150,00");
    EXPECT_EQ(liste->topLevelItem(1)->text(4), "1,50");
    EXPECT_EQ(liste->topLevelItem(1)->text(5), "151,00");

    // The row under the mouse names its security in the third panel.
    form->show();
    QApplication::processEvents();
    const auto survole = [&](QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, liste->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(liste->viewport(), &move);
    };
    survole(liste->visualItemRect(liste->topLevelItem(1)).center());
    EXPECT_EQ(Text("StatusPanel2"), "12000 - AIR LIQUIDE");
    survole(QPoint(5, liste->viewport()->height() - 2));
    EXPECT_EQ(Text("StatusPanel2"), "");

    // A security never quoted has no quote day to show, in the list and on its page.
    AddSecurity(*doc, "15000", "JAMAIS COTE", {.suivi = true});
    form->BuildTree();
    const auto jamais = liste->findItems("15000", Qt::MatchExactly);
    ASSERT_EQ(jamais.size(), 1);
    EXPECT_EQ(jamais[0]->text(2), "");
    Tree()->setCurrentItem(Node("JAMAIS COTE"));
    EXPECT_EQ(Text("DateHeure"), "");
}

// A timed refresh refills the lists for hours: their pictures are drawn once, not per row.
TEST_F(ViewsTest, ListRowsShareTheirPicturesAcrossRefills) {
    Add("12000", "AIR LIQUIDE", 15000)->Infos.Variation = 1.5f;
    Add("13000", "BOUYGUES", 3000)->Infos.Variation = -2.0f;
    Add("14000", "CASINO", 2000)->Infos.Variation = 0.0f;
    Add("15000", "DANONE", 6000)->Infos.Variation = 3.0f;
    form->BuildTree();
    const auto images = [this] {
        QList<qint64> cles;
        QTreeWidget* liste = W<QTreeWidget>("ListTitre");
        for (int i = 0; i < liste->topLevelItemCount(); ++i)
            cles << liste->topLevelItem(i)->icon(0).cacheKey();
        return cles;
    };
    const QList<qint64> avant = images();
    ASSERT_EQ(avant.size(), 4);
    EXPECT_EQ(avant[0], avant[3]) << "two rises, one picture";
    form->RefreshViews();
    form->RefreshViews();
    EXPECT_EQ(images(), avant);
}

// The security page at the window's first size and at a narrow one: every read-out shows its
// figure whole.
TEST_F(ViewsTest, LargeFiguresOfTheSecurityPageAreShownWhole) {
    Valeurs* titre = Add("12000", "AIR LIQUIDE", 1500);
    AddTrade(titre, EncodeDate(2025, 5, 2), 'A', 1000000, 1500);
    form->BuildTree();
    form->show();
    Tree()->setCurrentItem(Node("AIR LIQUIDE"));
    QApplication::processEvents();
    ASSERT_EQ(Text("NbA"), "1000000");
    ASSERT_EQ(Text("CoAB"), QString("15") + kNbsp + "000" + kNbsp + "000,00");
    const auto entiers = [this] {
        int lus = 0;
        for (const QLabel* label : W<QWidget>("SyntheseValeur")->findChildren<QLabel*>()) {
            if (label->frameShadow() != QFrame::Sunken || label->text().isEmpty())
                continue;
            ++lus;
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()),
                      label->contentsRect().width())
                << label->objectName().toStdString() << " " << label->text().toStdString();
        }
        EXPECT_GE(lus, 20);
    };
    entiers();
    // A narrow window scrolls the page rather than cut its figures.
    form->resize(420, 300);
    QApplication::processEvents();
    entiers();
    EXPECT_LE(form->width(), 420);
}

TEST_F(ViewsTest, SampleDocumentFillsEveryView) {
    form.reset();
    form = Start({"corvane", CORVANE_TEST_DATA_DIR "/app/sample.cvx", "x"});
    doc = form->Portefeuille();
    EXPECT_TRUE(prompts.messages.empty());
    QTreeWidgetItem* racine = Tree()->topLevelItem(0);
    EXPECT_EQ(racine->child(1)->childCount(), 11);
    QStringList suivis;
    for (int i = 0; i < racine->child(2)->childCount(); ++i)
        suivis << racine->child(2)->child(i)->text(0);
    EXPECT_EQ(suivis, (QStringList{"CARREFOUR", "LAFARGE"}));
    EXPECT_EQ(W<QTreeWidget>("ListTitre")->topLevelItemCount(), 12);
    EXPECT_EQ(W<QTreeWidget>("ListRepart")->topLevelItemCount(), 13);
    EXPECT_EQ(W<QTreeWidget>("LstCash")->topLevelItemCount(), 7);
    EXPECT_EQ(SliceLabels("Chart2").size(), 10) << "every long position but none short";
    EXPECT_NE(Text("VEvalTi"), "0,00");
}

TEST_F(ViewsTest, SelectionSurvivesRebuilds) {
    Valeurs* air = Add("12000", "AIR LIQUIDE", 15000);
    Valeurs* bic = Add("12500", "BIC", 5000);
    AddTrade(air, EncodeDate(2025, 5, 2), 'A', 10, 14000);
    form->BuildTree();

    Tree()->setCurrentItem(Node("AIR LIQUIDE"));
    EXPECT_EQ(Page(), "PageCtl1");
    EXPECT_EQ(form->SelectedTitre(), air);
    EXPECT_EQ(Text("Libelle"), "12000 - AIR LIQUIDE");
    EXPECT_TRUE(form->Action("Commute")->isEnabled());
    form->BuildTree();
    EXPECT_EQ(form->SelectedTitre(), air);

    // Sold out: the node moves to the followed securities and stays selected.
    AddTrade(air, EncodeDate(2025, 6, 2), 'V', 10, 15000);
    form->BuildTree();
    ASSERT_NE(Tree()->currentItem(), nullptr);
    EXPECT_EQ(Tree()->currentItem()->parent()->text(0), QString("Titres suivis"));
    EXPECT_EQ(form->SelectedTitre(), air);

    // Gone: the root.
    doc->RemoveTitre(air);
    form->BuildTree();
    EXPECT_EQ(Tree()->currentItem(), Tree()->topLevelItem(0));
    EXPECT_EQ(Page(), "PgPort");

    Tree()->setCurrentItem(Tree()->topLevelItem(0)->child(0));
    EXPECT_EQ(Page(), "PgCash");
    form->BuildTree();
    EXPECT_EQ(Tree()->currentItem()->text(0), "Cash");

    Tree()->setCurrentItem(Tree()->topLevelItem(0)->child(2));
    form->BuildTree();
    EXPECT_EQ(Tree()->currentItem()->text(0), QString("Titres en portefeuille"));

    // A double click in the securities list shows that security's synthesis.
    W<QTabWidget>("PageCtl1")->setCurrentIndex(2);
    QTreeWidget* liste = W<QTreeWidget>("ListTitre");
    ASSERT_EQ(liste->topLevelItemCount(), 1);
    liste->setCurrentItem(liste->topLevelItem(0));
    emit liste->itemDoubleClicked(liste->topLevelItem(0), 0);
    EXPECT_EQ(form->SelectedTitre(), bic);
    EXPECT_EQ(Page(), "PageCtl1");
    EXPECT_EQ(W<QTabWidget>("PageCtl1")->currentIndex(), 0);
}

TEST_F(ViewsTest, TradeListSortStateCyclesAndResetsToDateOrder) {
    Valeurs* air = Add("12000", "AIR LIQUIDE", 15000);
    AddTrade(air, EncodeDate(2025, 1, 10), 'A', 30, 14000);
    AddTrade(air, EncodeDate(2025, 2, 10), 'A', 10, 14500);
    AddTrade(air, EncodeDate(2025, 3, 10), 'A', 20, 14800);
    form->BuildTree();
    Tree()->setCurrentItem(Node("AIR LIQUIDE"));
    QTreeWidget* lv = W<QTreeWidget>("LvOp");
    EXPECT_EQ(Tag("LvOp"), 2);
    EXPECT_EQ(Column("LvOp", 2), (QStringList{"30", "10", "20"}));

    ClickHeader("LvOp", 2); // "Qté"
    EXPECT_EQ(Tag("LvOp"), 3);
    EXPECT_EQ(Column("LvOp", 2), (QStringList{"10", "20", "30"}));
    EXPECT_FALSE(lv->headerItem()->icon(2).isNull());
    EXPECT_TRUE(lv->headerItem()->icon(1).isNull());
    ClickHeader("LvOp", 2);
    EXPECT_EQ(Tag("LvOp"), -3);
    EXPECT_EQ(Column("LvOp", 2), (QStringList{"30", "20", "10"}));
    const qint64 descendant = lv->headerItem()->icon(2).cacheKey();
    ClickHeader("LvOp", 2);
    EXPECT_EQ(Tag("LvOp"), 3);
    EXPECT_NE(lv->headerItem()->icon(2).cacheKey(), descendant);

    // The next redisplay goes back to date order; the image stays where it was.
    form->RefreshViews(air);
    EXPECT_EQ(Tag("LvOp"), 2);
    EXPECT_EQ(Column("LvOp", 2), (QStringList{"30", "10", "20"}));
    EXPECT_FALSE(lv->headerItem()->icon(2).isNull());

    // Descending date order survives redisplays.
    ClickHeader("LvOp", 1);
    EXPECT_EQ(Tag("LvOp"), -2);
    form->RefreshViews(air);
    EXPECT_EQ(Tag("LvOp"), -2);
    EXPECT_EQ(Column("LvOp", 2), (QStringList{"20", "10", "30"}));
}

TEST_F(ViewsTest, SalesLossesAndCashMovementsHaveTheirColours) {
    Valeurs* air = Add("12000", "AIR LIQUIDE", 15000);
    AddTrade(air, EncodeDate(2025, 1, 10), 'A', 10, 10000);
    AddTrade(air, EncodeDate(2025, 2, 10), 'V', 4, 12000); // gain
    AddTrade(air, EncodeDate(2025, 3, 10), 'V', 4, 8000);  // loss
    AddMovement(*doc, EncodeDate(2025, 1, 2), 'C', 200000);
    AddMovement(*doc, EncodeDate(2025, 1, 2), 'D', 5000);
    AddMovement(*doc, EncodeDate(2024, 12, 2), 'D', 1000);
    form->BuildTree();
    Tree()->setCurrentItem(Node("AIR LIQUIDE"));

    QTreeWidget* lv = W<QTreeWidget>("LvOp");
    ASSERT_EQ(lv->topLevelItemCount(), 3);
    const QTreeWidgetItem* achat = lv->topLevelItem(0);
    const QTreeWidgetItem* gain = lv->topLevelItem(1);
    const QTreeWidgetItem* perte = lv->topLevelItem(2);
    EXPECT_EQ(achat->text(0), "A");
    EXPECT_EQ(achat->text(7), "");
    EXPECT_EQ(achat->text(8), "");
    EXPECT_FALSE(achat->data(0, Qt::BackgroundRole).isValid());
    EXPECT_FALSE(achat->data(7, Qt::ForegroundRole).isValid());
    const QColor vertClair(127, 255, 0);
    EXPECT_EQ(Background(gain, 0), vertClair);
    EXPECT_EQ(gain->text(7), "80,00");
    EXPECT_EQ(perte->text(7), "-80,00");
    EXPECT_EQ(Background(perte, 8), vertClair);
    // Gains green and losses red, each readable on the sales' green (a contrast of 4.5).
    const auto luminance = [](const QColor& c) {
        const auto canal = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * canal(c.redF()) + 0.7152 * canal(c.greenF()) + 0.0722 * canal(c.blueF());
    };
    const auto lisible = [&](const QColor& texte, const QColor& fond) {
        return (luminance(fond) + 0.05) / (luminance(texte) + 0.05) >= 4.5;
    };
    for (const int c : {7, 8}) {
        EXPECT_GT(Foreground(gain, c).green(), Foreground(gain, c).red()) << c;
        EXPECT_GT(Foreground(perte, c).red(), Foreground(perte, c).green()) << c;
        EXPECT_TRUE(lisible(Foreground(gain, c), Background(gain, c))) << c;
        EXPECT_TRUE(lisible(Foreground(perte, c), Background(perte, c))) << c;
    }

    // The cash list in date order, credits green, debits red.
    EXPECT_EQ(Column("LstCash", 0), (QStringList{"02/12/24", "02/01/25", "02/01/25"}));
    QTreeWidget* cash = W<QTreeWidget>("LstCash");
    for (int i = 0; i < cash->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* ligne = cash->topLevelItem(i);
        const bool credit = ligne->text(1) == QString("Crédit");
        EXPECT_EQ(Foreground(ligne, 2), credit ? QColor(0, 128, 0) : QColor(255, 0, 0));
    }
    EXPECT_EQ(Text("VCash"), QString("1") + kNbsp + "740,00");
}

TEST_F(ViewsTest, SummaryFiguresAndTheLocalCurrency) {
    // Cash movements worth 1000,00 spent on securities now worth 2000,00.
    AddMovement(*doc, EncodeDate(2025, 1, 2), 'C', 100000);
    Valeurs* air = Add("12000", "AIR LIQUIDE", 20000);
    AddTrade(air, EncodeDate(2025, 1, 10), 'A', 10, 10000);
    form->BuildTree();

    EXPECT_EQ(Text("VCashPo"), "0,00");
    EXPECT_EQ(Text("VEvalTi"), QString("2") + kNbsp + "000,00");
    EXPECT_EQ(Text("VEvalGlo"), QString("2") + kNbsp + "000,00");
    EXPECT_EQ(Text("VCashPoP"), "0,00 %");
    EXPECT_EQ(Text("VEvalTiP"), "100,00 %");
    EXPECT_EQ(Text("VCouvT"), QString("15") + kNbsp + "000,00");
    EXPECT_EQ(Text("VCouvE"), "0,00");
    EXPECT_EQ(Text("VCouvD"), QString("15") + kNbsp + "000,00");
    EXPECT_EQ(Text("GCoB"), QString("1") + kNbsp + "000,00");
    EXPECT_EQ(Text("GPvLB"), QString("1") + kNbsp + "000,00");
    EXPECT_EQ(SliceLabels("Chart3"), (QStringList{"Titres 100,00 %"}));

    QAction* commute = form->Action("Commute");
    ASSERT_TRUE(commute->isChecked());
    commute->trigger();
    EXPECT_FALSE(commute->isChecked());
    EXPECT_EQ(commute->text(), "&Affichage en Euros");
    EXPECT_EQ(Text("LibMon"), "Affichage en francs");
    EXPECT_EQ(Text("VEvalTi"), QString("13") + kNbsp + "119,14");
    EXPECT_EQ(Text("VEvalTiP"), "100,00 %");
    EXPECT_EQ(Text("VCouvT"), QString("98") + kNbsp + "393,55");
    EXPECT_EQ(W<QTreeWidget>("ListTitre")->topLevelItem(0)->text(3),
              QString("1") + kNbsp + "311,91");
    EXPECT_EQ(W<QTreeWidget>("ListTitre")->topLevelItem(0)->text(4), "1,50");

    commute->trigger();
    EXPECT_TRUE(commute->isChecked());
    EXPECT_EQ(commute->text(), "&Affichage en francs");
    EXPECT_EQ(Text("LibMon"), "Affichage en Euros");
    EXPECT_EQ(Text("VEvalTi"), QString("2") + kNbsp + "000,00");

    // The current position in the pie: 100 % securities either way.
    W<QToolButton>("PortCur")->click();
    EXPECT_EQ(W<QChartView>("Chart3")->chart()->title(),
              QString("Répartition cash/titre courante"));
    EXPECT_TRUE(W<QToolButton>("PortCur")->isChecked());
    EXPECT_FALSE(W<QToolButton>("PortLiq")->isChecked());
    W<QToolButton>("PortCur")->click(); // a click on the down button leaves it down
    EXPECT_TRUE(W<QToolButton>("PortCur")->isChecked());
}

TEST_F(ViewsTest, RepartitionGroupsByMarketAndBySector) {
    Valeurs* a = Add("1", "UN", 10000, true, "Paris", "Banque");
    Valeurs* b = Add("2", "DEUX", 10000, true, "Londres", "Chimie");
    Valeurs* c = Add("3", "TROIS", 10000, true, "Paris", "Chimie");
    AddTrade(a, EncodeDate(2025, 1, 10), 'A', 3, 10000);
    AddTrade(b, EncodeDate(2025, 1, 10), 'A', 1, 10000);
    AddTrade(c, EncodeDate(2025, 1, 10), 'A', 6, 5000);
    form->BuildTree();
    const auto ordre = [&] {
        std::vector<std::string> codes;
        for (const auto& t : doc->Titres)
            codes.push_back(t->Code);
        return codes;
    };
    EXPECT_EQ(ordre(), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(SliceLabels("Chart2"), (QStringList{"1 30,00 %", "2 10,00 %", "3 60,00 %"}));

    W<QToolButton>("BtBourse")->click();
    EXPECT_EQ(ordre(), (std::vector<std::string>{"2", "1", "3"}));
    EXPECT_EQ(SliceLabels("Chart2"), (QStringList{"Londres 10,00 %", "Paris 90,00 %"}));
    form->RefreshViews();
    EXPECT_EQ(Column("ListRepart", 0), (QStringList{"2", "1", "3"}));

    W<QToolButton>("BtActivite")->click();
    EXPECT_FALSE(W<QToolButton>("BtBourse")->isChecked());
    EXPECT_EQ(ordre(), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(SliceLabels("Chart2"), (QStringList{"Banque 30,00 %", "Chimie 70,00 %"}));

    // By purchase cost: 300 + 100 + 300.
    W<QToolButton>("BtCout")->click();
    EXPECT_EQ(W<QChartView>("Chart2")->chart()->title(),
              QString("Répartition du portefeuille par Coût d'achat"));
    EXPECT_EQ(SliceLabels("Chart2"), (QStringList{"Banque 42,86 %", "Chimie 57,14 %"}));
    W<QToolButton>("BtCout")->click();
    EXPECT_TRUE(W<QToolButton>("BtCout")->isChecked()) << "one basis is always chosen";

    W<QToolButton>("BtActivite")->click();
    EXPECT_EQ(SliceLabels("Chart2"), (QStringList{"1 42,86 %", "2 14,29 %", "3 42,86 %"}));
}

TEST_F(ViewsTest, DatePickersWriteTheirSettings) {
    double avant = 0;
    ReadKey([&](platform::SettingsStore& s) { avant = s.ReadDate("DATELIQP"); });

    const double suivante = EncodeDate(2026, 4, 24);
    W<QDateEdit>("DateLC")->setDate(ToQDate(suivante));
    EXPECT_DOUBLE_EQ(doc->DateLiqC, suivante);
    ReadKey([&](platform::SettingsStore& s) {
        EXPECT_DOUBLE_EQ(s.ReadDate("DATELIQC"), suivante);
        EXPECT_DOUBLE_EQ(s.ReadDate("DATELIQP"), avant);
    });

    const double courante = EncodeDate(2026, 2, 25);
    W<QDateEdit>("DateLP")->setDate(ToQDate(courante));
    EXPECT_DOUBLE_EQ(doc->DateLiqP, courante);
    ReadKey(
        [&](platform::SettingsStore& s) { EXPECT_DOUBLE_EQ(s.ReadDate("DATELIQP"), courante); });

    const double debut = EncodeDate(2025, 7, 1);
    W<QDateEdit>("DateRent")->setDate(ToQDate(debut));
    EXPECT_DOUBLE_EQ(doc->DateRent, debut);
    ReadKey([&](platform::SettingsStore& s) { EXPECT_DOUBLE_EQ(s.ReadDate("DATERENT"), debut); });
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ViewsTest, TheTreePanelMovesBothWaysAtEveryWindowSize) {
    // Every page shown once, at its fullest, so that each has told its least size.
    Valeurs* a = Add("12000", "AIR LIQUIDE", 15000);
    AddTrade(a, EncodeDate(2025, 5, 2), 'A', 10, 14000);
    form->BuildTree();
    form->show();
    auto* separateur = W<QSplitter>("Splitter");
    QWidget* gauche = W<QWidget>("PartGauche");
    const auto tirer = [&](int dx) {
        QSplitterHandle* poignee = separateur->handle(1);
        const QPoint depart = poignee->rect().center();
        const auto souris = [&](QEvent::Type type, QPoint at, Qt::MouseButtons boutons) {
            QMouseEvent e(type, at, poignee->mapToGlobal(at), Qt::LeftButton, boutons,
                          Qt::NoModifier);
            QApplication::sendEvent(poignee, &e);
        };
        souris(QEvent::MouseButtonPress, depart, Qt::LeftButton);
        souris(QEvent::MouseMove, depart + QPoint(dx, 0), Qt::LeftButton);
        souris(QEvent::MouseButtonRelease, depart + QPoint(dx, 0), Qt::NoButton);
        QApplication::processEvents();
    };
    for (const QSize taille : {QSize(779, 563), QSize(640, 480), QSize(1200, 800)}) {
        for (QTabWidget* pages : form->findChildren<QTabWidget*>())
            for (int i = 0; i < pages->count(); ++i) {
                W<QStackedWidget>("Pages")->setCurrentWidget(pages);
                pages->setCurrentIndex(i);
            }
        form->resize(taille);
        QApplication::processEvents();
        ASSERT_EQ(form->width(), taille.width());
        separateur->setSizes({144, taille.width()});
        QApplication::processEvents();
        const int avant = gauche->width();
        tirer(150);
        EXPECT_GE(gauche->width(), avant + 140) << taille.width();
        tirer(-100);
        EXPECT_LE(gauche->width(), avant + 60) << taille.width();
    }
}

TEST_F(ViewsTest, RepartitionColumnsAreFittedOnceAndKeepTheUsersWidths) {
    prompts.answers = {QMessageBox::No};
    form->ColRepChanged({9, 21}); // "Valorisation Brut", then the label
    Valeurs* a = Add("1", "UNE VALEUR AU LIBELLE BIEN PLUS LONG QUE SON TITRE", 10000);
    AddTrade(a, EncodeDate(2025, 1, 10), 'A', 10, 10000);
    form->BuildTree();
    QTreeWidget* liste = W<QTreeWidget>("ListRepart");
    ASSERT_EQ(liste->topLevelItemCount(), 1);
    ASSERT_EQ(liste->columnCount(), 3);
    // The first fill with rows fits the columns to what they hold.
    const int libelle = liste->columnWidth(2);
    EXPECT_GT(libelle, liste->header()->sectionSizeHint(2));

    // Widths the user set outlive every later redisplay, quote ticks included.
    liste->setColumnWidth(1, 333);
    liste->setColumnWidth(2, 44);
    form->RefreshViews(a);
    form->RefreshViews(nullptr);
    form->BuildTree();
    EXPECT_EQ(liste->columnWidth(1), 333);
    EXPECT_EQ(liste->columnWidth(2), 44);

    // Columns built again are fitted again.
    prompts.answers = {QMessageBox::No};
    form->ColRepChanged({9, 21});
    EXPECT_EQ(liste->columnWidth(2), libelle);
}

TEST_F(ViewsTest, RepartitionColumnsFromTheSettingsAndTheChooser) {
    form.reset();
    WithKey([&](platform::SettingsStore& s) {
        s.WriteBinary("COLREP2",
                      {11, 0, 40, 11, 3, 23, 21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    });
    form = Start();
    doc = form->Portefeuille();
    EXPECT_EQ(Headers("ListRepart"), (QStringList{"Valeur", QString("+Val. Réal. Brut"),
                                                  "Qte en Port.", QString("Libellé")}));

    Valeurs* a = Add("1", "UN", 10000);
    Valeurs* b = Add("2", "DEUX", 10000);
    AddTrade(a, EncodeDate(2025, 1, 10), 'A', 10, 10000);
    AddTrade(a, EncodeDate(2025, 2, 10), 'V', 5, 9000);
    AddTrade(b, EncodeDate(2025, 1, 10), 'A', 10, 10000);
    AddTrade(b, EncodeDate(2025, 2, 10), 'V', 5, 12000);
    Add("3", "TROIS", 500);
    form->BuildTree();
    QTreeWidget* liste = W<QTreeWidget>("ListRepart");
    ASSERT_EQ(liste->topLevelItemCount(), 3);
    EXPECT_EQ(Column("ListRepart", 1), (QStringList{"-50,00", "100,00", "0,00"}));
    EXPECT_EQ(Foreground(liste->topLevelItem(0), 1), QColor(255, 0, 0));
    EXPECT_EQ(Foreground(liste->topLevelItem(1), 1), QColor(Qt::black));
    EXPECT_EQ(Column("ListRepart", 3), (QStringList{"UN", "DEUX", "TROIS"}));

    W<QCheckBox>("OnlyHold")->click();
    EXPECT_EQ(Column("ListRepart", 0), (QStringList{"1", "2"}));
    W<QCheckBox>("OnlyHold")->click();

    // Sorting by a red-marked column orders the values, negative first.
    ClickHeader("ListRepart", 1);
    EXPECT_EQ(Column("ListRepart", 1), (QStringList{"-50,00", "0,00", "100,00"}));
    ClickHeader("ListRepart", 1);
    EXPECT_EQ(Column("ListRepart", 1), (QStringList{"100,00", "0,00", "-50,00"}));

    // A chooser validated with nothing, not saved.
    prompts.answers = {QMessageBox::No};
    form->ColRepChanged({});
    EXPECT_EQ(Headers("ListRepart"), (QStringList{"Valeur"}));
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->title, "");
    EXPECT_EQ(LastMessage()->text, "Souhaitez vous enregistrer cette configuration?");
    EXPECT_EQ(LastMessage()->buttons, QMessageBox::Yes | QMessageBox::No);
    ReadKey([&](platform::SettingsStore& s) { EXPECT_EQ(s.ReadBinary("COLREP2", 22)[0], 11); });

    prompts.answers = {QMessageBox::Yes};
    form->ColRepChanged({9, 6});
    EXPECT_EQ(Headers("ListRepart"),
              (QStringList{"Valeur", "Valorisation Brut", QString("Coût Total Brut")}));
    EXPECT_EQ(Column("ListRepart", 1), (QStringList{"500,00", "500,00", "0,00"}));
    ReadKey([&](platform::SettingsStore& s) {
        std::vector<std::uint8_t> attendu(22, 0);
        attendu[0] = 9;
        attendu[1] = 6;
        EXPECT_EQ(s.ReadBinary("COLREP2", 22), attendu);
    });
}

} // namespace
