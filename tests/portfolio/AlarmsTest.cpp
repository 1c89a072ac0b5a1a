// Element values, alarm tests and the French sentences of alarms.

#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

ElementAlarme Element(int type, std::int32_t param) {
    ElementAlarme e;
    e.Type = static_cast<std::int8_t>(type);
    e.Param = param;
    return e;
}

SDetAlarme Alarme(ElementAlarme gauche, std::uint8_t oper, ElementAlarme droite) {
    SDetAlarme a;
    a.Active = true;
    a.Element1 = gauche;
    a.Oper = oper;
    a.Element2 = droite;
    return a;
}

class AlarmsTest : public ::testing::Test {
protected:
    AlarmsTest() : corv(dir.Path().string()) {
        ResetDatas();
        fs::create_directory(dir.Path() / "historique");
    }

    void WriteHisto(const std::string& code, const std::string& lignes) {
        std::ofstream f(dir.Path() / "historique" / (code + ".his"), std::ios::binary);
        f << "01/01/1970\n" << lignes;
    }

    const TempFolder dir;
    TCorv corv;
    Valeurs titre;
};

TEST_F(AlarmsTest, PriceAgainstValueFiresAtTheDocumentedThresholds) {
    // Price against 12.50, on both sides of equality: "above" not at 1 250 cents, "at least"
    // already there.
    const struct {
        std::uint8_t oper;
        bool en1249, en1250, en1251;
    } cas[] = {{0, false, false, true},
               {1, false, true, true},
               {2, false, true, false},
               {3, true, false, false},
               {4, true, true, false}};
    for (const auto& c : cas) {
        const SDetAlarme a = Alarme(Element(0, 0), c.oper, Element(1, 1250));
        titre.Infos.Cours = 1249;
        EXPECT_EQ(corv.TestAlarme(&titre, a), c.en1249) << int(c.oper);
        titre.Infos.Cours = 1250;
        EXPECT_EQ(corv.TestAlarme(&titre, a), c.en1250) << int(c.oper);
        titre.Infos.Cours = 1251;
        EXPECT_EQ(corv.TestAlarme(&titre, a), c.en1251) << int(c.oper);
    }
}

TEST_F(AlarmsTest, UnknownKindsAndComparisonsNeverFire) {
    titre.Infos.Cours = 5000;
    std::int32_t valeur = 77;
    EXPECT_FALSE(corv.OperandValue(&titre, valeur, Element(11, 0)));
    EXPECT_FALSE(corv.OperandValue(&titre, valeur, Element(-1, 0)));
    EXPECT_EQ(valeur, 77);
    // Both would hold with any sensible reading, were kind and comparison known.
    EXPECT_FALSE(corv.TestAlarme(&titre, Alarme(Element(0, 0), 5, Element(1, 100))));
    EXPECT_FALSE(corv.TestAlarme(&titre, Alarme(Element(0, 0), 0, Element(11, 100))));
    EXPECT_FALSE(corv.TestAlarme(&titre, Alarme(Element(12, 0), 3, Element(1, 100))));
}

TEST_F(AlarmsTest, PositionKindsReadTheirOwnFields) {
    BilanTitre& b = titre.Bilan;
    b.PlValLatBrut = 201;
    b.PlValLatNet = 302;
    b.PlValLatNetSRD = 1003;
    b.CoutBrut = 123457;
    b.CoutNet = 200000;
    b.ValorBrut = 300001;
    b.ValorNet = -123457;
    titre.Infos.Cours = 4321;
    const struct {
        int type;
        std::int32_t param, attendu;
    } cas[] = {
        {0, 0, 4321},
        {1, -250, -250},
        {2, 0, 201},
        {3, 0, 302},
        {10, 0, 1003},
        {6, 1000, 12345}, // 10 % of 1 234,57: a float 0.1 times the cents,
                          // truncated
        {7, 2500, 50000},
        {8, 10000, 300001},
        {9, 1000, -12345},
        {6, 0, 0},
    };
    for (const auto& c : cas) {
        std::int32_t valeur = -1;
        EXPECT_TRUE(corv.OperandValue(&titre, valeur, Element(c.type, c.param))) << c.type;
        EXPECT_EQ(valeur, c.attendu) << "kind " << c.type << " param " << c.param;
    }
    // The rate is a float: 0.07 % is a hair under 0.0007, so 7 of 10 000 cents gives 6.
    b.CoutBrut = 10000;
    std::int32_t valeur = 0;
    EXPECT_TRUE(corv.OperandValue(&titre, valeur, Element(6, 7)));
    EXPECT_EQ(valeur, 6);
}

TEST_F(AlarmsTest, ElementTextsOfEveryKind) {
    const struct {
        int type;
        std::int32_t param;
        bool complet;
        const char* gauche;
        const char* droite;
    } cas[] = {
        {0, 0, true, "Le cours du titre", "au cours du titre"},
        {1, 0, false, "Valeur", " à Valeur"},
        {1, 1250, true, "12,50", " à 12,50"},
        {1, -5, true, "-0,05", " à -0,05"},
        {2, 0, true, "La +/- Value brute", "à la +/- Value brute"},
        {3, 0, true, "La +/- Value nette", "à la +/- Value nette"},
        {4, 0, false, "Rsi", " au Rsi"},
        {4, 14, true, "Le RSI à 14 jour(s)", " au RSI à 14 jour(s)"},
        {5, 0, false, "Moyenne Mobile", " à Moyenne Mobile"},
        {5, 20, true, "La moyenne mobile à 20 jour(s)", " à la moyenne mobile à 20 jour(s)"},
        {6, 0, false, "% Coût brut", " à % Coût brut"},
        {6, 1250, true, "12,50 % du coût brut", " à 12,50 % du coût brut"},
        {7, 0, false, "% Coût net", " à % Coût net"},
        {7, 1000, true, "10,00 % du coût net", " à 10,00 % du coût net"},
        {8, 0, false, "% valorisation brute", " à % valorisation brute"},
        {8, 5, true, "0,05 % de la valorisation brute", " à 0,05 % de la valorisation brute"},
        {9, 0, false, "% valorisation nette", " à % valorisation nette"},
        {9, 123456, true, "1\u00A0234,56 % de la valorisation nette",
         " à 1\u00A0234,56 % de la valorisation nette"},
        {10, 0, true, "La +/- Value nette(SRD)", "à la +/- Value nette(SRD)"},
        {11, 7, true, "", ""},
    };
    const TCorv& doc = corv;
    for (const auto& c : cas) {
        const ElementAlarme e = Element(c.type, c.param);
        std::string texte = "reste";
        EXPECT_EQ(doc.OperandText(e, texte, true), c.complet) << c.type;
        EXPECT_EQ(texte, c.gauche) << "kind " << c.type << " param " << c.param;
        texte = "reste";
        EXPECT_EQ(doc.OperandText(e, texte, false), c.complet) << c.type;
        EXPECT_EQ(texte, c.droite) << "kind " << c.type << " param " << c.param;
    }

    std::string texte = "reste";
    const char* const comparaisons[] = {" est supérieur ", " est supérieur ou égal ", " est égal ",
                                        " est inférieur ", " est inférieur ou égal ", ""};
    for (std::uint8_t oper = 0; oper <= 5; ++oper) {
        doc.ComparisonText(oper, texte);
        EXPECT_EQ(texte, comparaisons[oper]) << int(oper);
    }
}

TEST_F(AlarmsTest, BuildingTextsDefinesElementsWithoutParameter) {
    for (int type = 0; type <= 10; ++type) {
        ElementAlarme e = Element(type, 0);
        std::string texte;
        corv.OperandText(e, texte, type % 2 == 0);
        const bool sansParam = type == 0 || type == 2 || type == 3 || type == 10;
        EXPECT_EQ(e.Param, sansParam ? 1 : 0) << type;
    }
    SDetAlarme a = Alarme(Element(3, 0), 1, Element(10, 0));
    std::string phrase;
    corv.AlarmeText(a, phrase);
    EXPECT_EQ(a.Element1.Param, 1);
    EXPECT_EQ(a.Element2.Param, 1);
    EXPECT_EQ(phrase, "La +/- Value nette est supérieur ou égal à la +/- Value nette(SRD)");
}

TEST_F(AlarmsTest, SentencesKeepThePiecesOwnSpaces) {
    const struct {
        SDetAlarme alarme;
        const char* phrase;
    } cas[] = {
        {Alarme(Element(0, 0), 0, Element(1, 1250)), "Le cours du titre est supérieur  à 12,50"},
        {Alarme(Element(4, 14), 3, Element(1, 3000)), "Le RSI à 14 jour(s) est inférieur  à 30,00"},
        {Alarme(Element(3, 0), 1, Element(7, 1000)),
         "La +/- Value nette est supérieur ou égal  à 10,00 % du coût net"},
        {Alarme(Element(1, 1250), 0, Element(0, 0)), "12,50 est supérieur au cours du titre"},
        {Alarme(Element(5, 0), 7, Element(4, 0)), "Moyenne Mobile au Rsi"},
    };
    for (const auto& c : cas) {
        std::string phrase;
        corv.AlarmeText(c.alarme, phrase);
        EXPECT_EQ(phrase, c.phrase);
    }
}

TEST_F(AlarmsTest, ValueAndPercentageIgnoreTheCLocale) {
    const std::string avant = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "fr_FR.utf8") == nullptr)
        GTEST_SKIP() << "no French locale installed";
    std::string gauche;
    std::string pourcent;
    corv.OperandText(Element(1, 1250), gauche, true);
    corv.OperandText(Element(6, 1250), pourcent, true);
    std::setlocale(LC_NUMERIC, avant.c_str());
    EXPECT_EQ(gauche, "12,50");
    EXPECT_EQ(pourcent, "12,50 % du coût brut");
}

TEST_F(AlarmsTest, IndicatorsComeFromTheSecurityHistory) {
    // 100, 110, 105 cents then a quote of 108: a 1-day RSI of 37.5, a 2-day average of 106.
    titre.Code = "12000";
    titre.Infos.Cours = 108;
    WriteHisto(titre.Code, "02/01/2024;100;100;100;10;\n"
                           "03/01/2024;110;110;110;10;\n"
                           "04/01/2024;105;105;105;10;\n");
    std::int32_t valeur = 0;
    EXPECT_TRUE(corv.OperandValue(&titre, valeur, Element(4, 1)));
    EXPECT_EQ(valeur, 3750);
    EXPECT_TRUE(corv.OperandValue(&titre, valeur, Element(5, 2)));
    EXPECT_EQ(valeur, 106);

    // An RSI typed as a level: 37.5 is below 40 and above 37.
    EXPECT_TRUE(corv.TestAlarme(&titre, Alarme(Element(4, 1), 3, Element(1, 4000))));
    EXPECT_FALSE(corv.TestAlarme(&titre, Alarme(Element(4, 1), 3, Element(1, 3700))));
    EXPECT_TRUE(corv.TestAlarme(&titre, Alarme(Element(0, 0), 0, Element(5, 2))));

    // An indicator over no day has no value.
    valeur = 55;
    EXPECT_FALSE(corv.OperandValue(&titre, valeur, Element(4, 0)));
    EXPECT_FALSE(corv.OperandValue(&titre, valeur, Element(5, -3)));
    EXPECT_EQ(valeur, 55);
}

TEST_F(AlarmsTest, IndicatorsWithoutHistoryAreZeroAndStillCompared) {
    titre.Code = "99999";
    titre.Infos.Cours = 5000;
    std::int32_t valeur = -1;
    EXPECT_TRUE(corv.OperandValue(&titre, valeur, Element(4, 14)));
    EXPECT_EQ(valeur, 0);
    EXPECT_TRUE(corv.TestAlarme(&titre, Alarme(Element(4, 14), 3, Element(1, 3000))));
    EXPECT_FALSE(corv.TestAlarme(&titre, Alarme(Element(4, 14), 0, Element(1, 3000))));
}

} // namespace
