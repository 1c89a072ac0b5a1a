// The computations behind the main window's views: repartition columns, list sort state and
// row order, pie slices and the summary's figures.

#include "views/ColonnesRep.h"
#include "views/PieData.h"
#include "views/Synthese.h"
#include "views/ViewSort.h"
#include "views/ViewText.h"

#include "portfolio/Cv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kNbsp = "\u00A0";

std::unique_ptr<Valeurs> Titre(const std::string& code, const std::string& bourse,
                               const std::string& activite, std::int32_t nb, std::int32_t valor,
                               std::int32_t cout = 0) {
    auto titre = std::make_unique<Valeurs>();
    titre->Code = code;
    titre->Libelle = "Titre " + code;
    titre->NomBourse = bourse;
    titre->Activite = activite;
    titre->Bilan.NbInPort = nb;
    titre->Bilan.ValorBrut = valor;
    titre->Bilan.CoutBrut = cout;
    return titre;
}

std::vector<std::string> Codes(const ListeTitres& titres) {
    std::vector<std::string> codes;
    for (const auto& t : titres)
        codes.push_back(t->Code);
    return codes;
}

TEST(ColonnesRepTest, ShownIdsSkipZerosOutOfRangeAndRepeats) {
    std::array<std::uint8_t, 22> ids{0, 11, 12, 0, 30, 12, 3, 255, 23, 22, 11, 1};
    EXPECT_EQ(ColonnesAffichees(ids), (std::vector<int>{11, 12, 3, 22, 1}));
    std::array<std::uint8_t, 22> vides{};
    EXPECT_TRUE(ColonnesAffichees(vides).empty());
}

TEST(ColonnesRepTest, CellTextsAndComparison) {
    Valeurs a;
    a.Libelle = "ALPHA";
    a.Bilan.PlValBrut = -123456;
    a.Bilan.PxMoyAchNet = 12.5f;
    Valeurs b;
    b.Libelle = "BETA";
    b.Bilan.PlValBrut = 500;
    EXPECT_EQ(ColonneRepText(*ColonneRepById(11), a, 1.0f), "-1" + kNbsp + "234,56");
    EXPECT_EQ(ColonneRepText(*ColonneRepById(11), a, 2.0f), "-2" + kNbsp + "469,12");
    EXPECT_EQ(ColonneRepText(*ColonneRepById(5), a, 2.0f), "25,00");
    EXPECT_EQ(ColonneRepText(*ColonneRepById(21), a, 2.0f), "ALPHA");
    EXPECT_EQ(CompareColonneRep(*ColonneRepById(11), a, b), -1);
    EXPECT_EQ(CompareColonneRep(*ColonneRepById(5), a, b), 1);
    EXPECT_EQ(CompareColonneRep(*ColonneRepById(21), a, b), -1);
    EXPECT_EQ(CompareColonneRep(*ColonneRepById(2), a, b), 0);
}

TEST(ViewTextTest, AmountsPercentagesAndSigns) {
    EXPECT_EQ(MontantText(0, 1.0f), "0,00");
    EXPECT_EQ(MontantText(123456789, 1.0f), "1" + kNbsp + "234" + kNbsp + "567,89");
    EXPECT_EQ(MontantText(100000, 6.55957f), "6" + kNbsp + "559,57");
    EXPECT_EQ(PourcentText(0.0), "0,00 %");
    EXPECT_EQ(PourcentText(33.3333), "33,33 %");
    EXPECT_TRUE(CommenceParChiffre("  12,00"));
    EXPECT_FALSE(CommenceParChiffre("-12,00"));
    EXPECT_FALSE(CommenceParChiffre(""));
}

TEST(ViewSortTest, ClickingAColumnCyclesItsDirection) {
    // The trade list starts by date ascending (Tag 2); "Qté" is column index 2.
    ClicColonne c = ColumnClick(2, 2);
    EXPECT_EQ(c.Tag, 3);
    EXPECT_EQ(c.Image, kImageCroissant);
    EXPECT_EQ(c.ColonneSansImage, 1);
    c = ColumnClick(c.Tag, 2);
    EXPECT_EQ(c.Tag, -3);
    EXPECT_EQ(c.Image, kImageDecroissant);
    EXPECT_EQ(c.ColonneSansImage, -1);
    c = ColumnClick(c.Tag, 2);
    EXPECT_EQ(c.Tag, 3);
    EXPECT_EQ(c.Image, kImageCroissant);
    // Another column while descending: ascending on it, the old column loses its image.
    c = ColumnClick(-3, 0);
    EXPECT_EQ(c.Tag, 1);
    EXPECT_EQ(c.ColonneSansImage, 2);
}

TEST(ViewSortTest, CompareHandlersFollowTheSortColumnAndDirection) {
    Operes a, b;
    a.Sens = 'A';
    b.Sens = 'V';
    a.Quantite = 10;
    b.Quantite = 5;
    a.Date = 100;
    b.Date = 200;
    a.PxMoyAchNet = 1.5f;
    b.PxMoyAchNet = 1.25f;
    EXPECT_EQ(CompareOperesBy(a, b, 1), -1);
    EXPECT_EQ(CompareOperesBy(a, b, 3), 1);
    EXPECT_EQ(CompareOperesBy(a, b, -3), -1);
    EXPECT_EQ(CompareOperesBy(a, b, 7), 1);
    EXPECT_EQ(CompareOperesBy(a, b, 2), -1);
    EXPECT_EQ(CompareOperesBy(a, b, 42), -1) << "unknown columns sort by date";

    Valeurs x, y;
    x.Code = "12000";
    y.Code = "120000";
    x.Libelle = "b";
    y.Libelle = "B";
    x.Infos.Date = 46000.9;
    y.Infos.Date = 46000.1;
    x.Infos.Variation = -1.5f;
    y.Infos.Variation = 0.5f;
    EXPECT_EQ(CompareTitresBy(x, y, 1), -1) << "a prefix sorts first";
    EXPECT_EQ(CompareTitresBy(x, y, 2), 1) << "byte order: lower case after upper case";
    EXPECT_EQ(CompareTitresBy(x, y, 3), 0) << "only the day of the quote";
    EXPECT_EQ(CompareTitresBy(x, y, -5), 1);

    Mvt m1, m2;
    m1.Date = 5;
    m2.Date = 3;
    EXPECT_EQ(CompareCash(m1, m2), 1);
}

TEST(ViewSortTest, RepartitionRowsCompareOnTheShownColumn) {
    Valeurs a, b;
    a.Code = "1";
    b.Code = "2";
    a.Bilan.PlValBrut = -500;
    b.Bilan.PlValBrut = 100;
    a.Bilan.NbInPort = 7;
    const std::vector<int> ids{3, 11};
    EXPECT_EQ(CompareRepartBy(a, b, 1, ids), -1);
    EXPECT_EQ(CompareRepartBy(a, b, 2, ids), 1);  // Qte en Port.
    EXPECT_EQ(CompareRepartBy(a, b, 3, ids), -1); // negative first, ascending
    EXPECT_EQ(CompareRepartBy(a, b, -3, ids), 1);
    EXPECT_EQ(CompareRepartBy(a, b, 9, ids), 0) << "no such column";
}

TEST(PieDataTest, CashAndSecuritiesSlicesAreNeverNegative) {
    auto parts = PartsCashTitres(10000, 30000);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].Libelle, "Cash");
    EXPECT_FLOAT_EQ(parts[0].Valeur, 0.25f);
    EXPECT_EQ(parts[1].Libelle, "Titres");
    EXPECT_FLOAT_EQ(parts[1].Valeur, 0.75f);

    parts = PartsCashTitres(-10000, 30000); // overdraft
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].Libelle, "Titres");
    EXPECT_FLOAT_EQ(parts[0].Valeur, 1.0f);

    EXPECT_TRUE(PartsCashTitres(0, 0).empty());
    EXPECT_TRUE(PartsCashTitres(-5, 5).empty()) << "a total of 0 divides nothing";
    EXPECT_TRUE(PartsCashTitres(30000, -30000).empty()) << "a total of 0 divides nothing";
    EXPECT_TRUE(PartsCashTitres(-1, -1).empty());
}

TEST(PieDataTest, RepartitionGroupsByMarketAndSector) {
    ListeTitres titres;
    titres.push_back(Titre("3", "Paris", "Banque", 10, 30000, 1000));
    titres.push_back(Titre("1", "Londres", "Chimie", 5, 10000, 3000));
    titres.push_back(Titre("4", "Paris", "Chimie", 0, 0));
    titres.push_back(Titre("2", "Paris", "Banque", 1, 60000, 6000));
    titres.push_back(Titre("5", "Milan", "Auto", 3, 0)); // held, worth nothing

    SortTitresRepart(titres, kRepartBourse);
    EXPECT_EQ(Codes(titres), (std::vector<std::string>{"1", "5", "3", "4", "2"}))
        << "equal keys keep their order";
    auto parts = PartsRepartition(titres, kRepartBourse, kBaseValorisation);
    ASSERT_EQ(parts.size(), 2u) << "a market whose held securities sum to 0 has no slice";
    EXPECT_EQ(parts[0].Libelle, "Londres");
    EXPECT_FLOAT_EQ(parts[0].Valeur, 0.1f);
    EXPECT_EQ(parts[1].Libelle, "Paris");
    EXPECT_FLOAT_EQ(parts[1].Valeur, 0.9f);

    SortTitresRepart(titres, kRepartActivite);
    EXPECT_EQ(Codes(titres), (std::vector<std::string>{"5", "3", "2", "1", "4"}));
    parts = PartsRepartition(titres, kRepartActivite, kBaseCout);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].Libelle, "Banque");
    EXPECT_FLOAT_EQ(parts[0].Valeur, 0.7f);
    EXPECT_EQ(parts[1].Libelle, "Chimie");

    SortTitresRepart(titres, 0);
    EXPECT_EQ(Codes(titres), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    parts = PartsRepartition(titres, 0, kBaseValorisation);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[1].Libelle, "2");
    EXPECT_FLOAT_EQ(parts[1].Valeur, 0.6f);
    EXPECT_TRUE(PartsRepartition(titres, 0, 3).empty()) << "unknown basis";
}

TEST(PieDataTest, RepartitionEdgeCases) {
    ListeTitres titres;
    EXPECT_TRUE(PartsRepartition(titres, 0, kBaseValorisation).empty()) << "empty list";

    // The first security opens the first group although it is not held.
    titres.push_back(Titre("1", "Paris", "A", 0, 0));
    titres.push_back(Titre("2", "Paris", "B", 4, 20000));
    titres.push_back(Titre("3", "Paris", "C", -100, -5000)); // short
    titres.push_back(Titre("4", "Milan", "C", 1, 15000));
    auto parts = PartsRepartition(titres, kRepartBourse, kBaseValorisation);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].Libelle, "Paris");
    EXPECT_FLOAT_EQ(parts[0].Valeur, 0.5f) << "a short position counts in its group";

    parts = PartsRepartition(titres, 0, kBaseValorisation);
    ASSERT_EQ(parts.size(), 2u) << "a short position worth less than nothing has no slice";
    EXPECT_EQ(parts[0].Libelle, "2");
    EXPECT_EQ(parts[1].Libelle, "4");

    ListeTitres rien;
    rien.push_back(Titre("1", "Paris", "A", 5, 0));
    EXPECT_TRUE(PartsRepartition(rien, 0, kBaseValorisation).empty()) << "a total of 0";
}

TEST(PieDataTest, SmallSlicesAreGatheredOnlyWhenSeveral) {
    std::vector<PartCamembert> parts{{"A", 0.97f}, {"B", 0.01f}, {"C", 0.02f}};
    auto groupees = RegroupePetitesParts(parts);
    ASSERT_EQ(groupees.size(), 3u) << "one small slice keeps its label";
    parts = {{"A", 0.96f}, {"B", 0.01f}, {"C", 0.015f}, {"D", 0.015f}};
    groupees = RegroupePetitesParts(parts);
    ASSERT_EQ(groupees.size(), 2u);
    EXPECT_EQ(groupees[1].Libelle, "Autre");
    EXPECT_NEAR(groupees[1].Valeur, 0.04f, 1e-6);
}

class SyntheseTest : public ::testing::Test {
protected:
    TCorv doc{"/tmp"};
};

TEST_F(SyntheseTest, PositionsSharesAndCoverage) {
    // Cash movements worth 1000,00 spent on securities now worth 2000,00.
    doc.Cash = 0;
    doc.RealNetTOT = -100000;
    doc.ValorNetAct = 200000;
    doc.CashLiq = 50000;
    doc.ValorNet = 150000;
    doc.CouvC = 5.0f;
    doc.CouvT = 5.0f;
    FiguresSynthese f = CalculeSynthese(doc);
    EXPECT_EQ(f.EvalGlo, 200000);
    EXPECT_DOUBLE_EQ(f.CashPoP, 0.0);
    EXPECT_DOUBLE_EQ(f.EvalTiP, 100.0);
    EXPECT_DOUBLE_EQ(f.CashPoPL, 25.0);
    EXPECT_DOUBLE_EQ(f.EvalTiPL, 75.0);
    EXPECT_EQ(f.EvalGloL, 200000);
    EXPECT_EQ(f.CouvT, 1500000);
    EXPECT_EQ(f.CouvE, 0);
    EXPECT_EQ(f.CouvD, 1500000);
}

TEST_F(SyntheseTest, OverdraftEngagedCoverageAndDeferredTrades) {
    doc.Cash = -10000;
    doc.ValorNetAct = 50000;
    doc.CashLiq = 0;
    doc.ValorNet = 0;
    doc.AchRMBrut = 30000;
    doc.VenRMBrut = 10000;
    doc.AchRMNet = 30300;
    doc.VenRMNet = 9900;
    doc.CouvC = 1.0f;
    doc.CouvT = 0.5f;
    FiguresSynthese f = CalculeSynthese(doc);
    EXPECT_DOUBLE_EQ(f.CashPoP, 0.0) << "overdraft";
    EXPECT_DOUBLE_EQ(f.EvalTiP, 0.0);
    EXPECT_DOUBLE_EQ(f.CashPoPL, 0.0) << "zero total";
    EXPECT_EQ(f.SoLiqB, -20000);
    EXPECT_EQ(f.SoLiqN, -20400);
    // Net deferred purchases 20400 against a cash of -10000.
    EXPECT_EQ(f.CouvE, 30400);
    EXPECT_EQ(f.CouvT, -10000 + 25000);
    EXPECT_EQ(f.CouvD, 15000 - 30400);

    doc.Cash = 50000;
    f = CalculeSynthese(doc);
    EXPECT_EQ(f.CouvE, 0) << "the cash covers the deferred purchases";
    EXPECT_EQ(f.CouvD, f.CouvT);
}

TEST_F(SyntheseTest, CoverageTruncatesTowardZeroAndNeverOverflows) {
    doc.Cash = 1;
    doc.ValorNetAct = 0;
    doc.CouvC = 1.5f;
    EXPECT_EQ(CalculeSynthese(doc).CouvT, 1);
    doc.Cash = -1;
    EXPECT_EQ(CalculeSynthese(doc).CouvT, -1);
    doc.Cash = 2147483647;
    doc.ValorNetAct = 2147483647;
    doc.RealNetTOT = -2147483647 - 1;
    doc.CouvC = 3.0e38f;
    doc.CouvT = 3.0e38f;
    EXPECT_GT(CalculeSynthese(doc).CouvT, 0);
}

} // namespace
