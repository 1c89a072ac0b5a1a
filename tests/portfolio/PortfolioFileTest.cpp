// The portfolio file: exact text written, save-and-reload, hand-written and legacy files,
// rejected lines, failed saves and locale independence.

#include "CvFileSamples.h"
#include "support/TempFolder.h"

#include "portfolio/Cv.h"

#include "portfolio/CvFileFields.h"

#include "platform/ConversionError.h"
#include "platform/DateTime.h"
#include "platform/FileLock.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <functional>
#include <limits>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using cvtest::ReadAll;
using cvtest::WriteAll;
using platform::EncodeDate;
using platform::EncodeTime;
using namespace std::string_literals;

namespace {

// The two-digit year window follows the clock: fix it so that the tests mean the same
// every year.
class PortfolioFile : public ::testing::Test {
protected:
    void SetUp() override { platform::Clock::SetFixed(EncodeDate(2024, 6, 1) + 0.5); }
    void TearDown() override { platform::Clock::Reset(); }

    std::string Save(TCorv& doc, const std::string& name) {
        doc.Fichier = dir.File(name);
        EXPECT_TRUE(doc.SaveFile());
        return ReadAll(doc.Fichier);
    }

    std::unique_ptr<TCorv> Load(const std::string& name, const std::string& text) {
        WriteAll(dir.File(name), text);
        auto doc = std::make_unique<TCorv>("");
        EXPECT_EQ(doc->LoadFile(dir.File(name)), 1);
        return doc;
    }

    TempFolder dir;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace

TEST_F(PortfolioFile, WritesTheDocumentLineByLine) {
    TCorv doc("");
    doc.Cash = -42;
    build::AddBracket(doc.TranchesSRD, 0, 0.002f, 150, 0.196f, false);
    build::AddBracket(doc.TranchesFrais1, 100000, 0.0065f, 500, 0.0f, true);
    Valeurs& v = cvtest::AddValeur(doc, "1", "L");
    v.NomBourse = "P";
    v.Activite = "S";
    v.SRD = true;
    v.Infos = {1234, 1200, 1300, 1250, 99999, 1.5f, 0.0, EncodeTime(9, 5, 7)};
    v.BilanPurge.NbAchat = 3;
    v.BilanPurge.PxMoyAchNet = 12.99f;
    v.Bilan.NbAchat = 55; // computed, not stored
    build::AddTrade(v, EncodeDate(2021, 3, 4), 'A', 10, 1234, {5, 6, 0}, {.pointe = true});
    auto alarme = std::make_unique<SDetAlarme>();
    alarme->Intitule = "Titre";
    alarme->Active = true;
    alarme->DateVal = EncodeDate(2025, 12, 31);
    alarme->Element1 = {1, 0};
    alarme->Oper = 3;
    alarme->Element2 = {7, 20};
    v.Alarmes.push_back(std::move(alarme));
    build::AddMovement(doc, EncodeDate(2020, 1, 2), 'C', 1000);
    build::AddMovement(doc, EncodeDate(2020, 1, 3), 'D', 250, "Retrait", true);
    doc.Modifie = true;

    const std::string text = Save(doc, "petit.cvx");
    EXPECT_FALSE(doc.Modifie);
    // Four-digit years throughout: the never-quoted day 0 is 30/12/1899.
    EXPECT_EQ(text, "-42|*\n"
                    "G|5.000000|5.000000|*\n"
                    "S|0|0.002000|0.196000|150|T|*\n"
                    "F|100000|0.006500|0.000000|500|T|*\n"
                    "C|1|L|P|S|1234|30/12/1899|09:05:07|1.50|1300|1200|T|F|"
                    "3|0|0|12|0|0|0|0|0|0|0|0|0|*\n"
                    "O|1|T|04/03/2021|A|10|1234|5|6|0|F|*\n"
                    "A|1|Titre|T|F|31/12/2025|1|0|3|7|20|*\n"
                    "M|02/01/2020|F|C|1000|*\n"
                    "M|03/01/2020|T|D|250|Retrait|*\n");

    auto relu = Load("petit.cvx", text);
    ASSERT_EQ(relu->Titres.size(), 1u);
    EXPECT_EQ(relu->Titres[0]->Infos.Date, 0.0);
    EXPECT_EQ(relu->Titres[0]->Infos.Ouverture, 0);
    EXPECT_EQ(relu->Titres[0]->Infos.Volume, 0);
    EXPECT_EQ(relu->Titres[0]->Bilan.NbAchat, 0);
}

TEST_F(PortfolioFile, RichDocumentReadsBackEqual) {
    TCorv doc("");
    cvtest::FillRichDocument(doc);
    const std::string text = Save(doc, "riche.cvx");

    TCorv relu("");
    EXPECT_EQ(relu.LoadFile(dir.File("riche.cvx")), 1);
    EXPECT_EQ(relu.Fichier, dir.File("riche.cvx"));
    EXPECT_FALSE(relu.Modifie);
    cvtest::ExpectSameStored(doc, relu);

    // What is not stored is rebuilt: fee totals, and the carried-over average from amounts.
    const Operes& vente = *relu.Titres[0]->Operes[1];
    EXPECT_EQ(vente.Frais, 300 + 10 + 120);
    const BilanTitre& p = relu.Titres[0]->BilanPurge;
    EXPECT_EQ(p.NbInPort, 200);
    EXPECT_EQ(p.PxMoyAchNet, static_cast<float>((1231000 - 459500) * 0.01 / 200));
    EXPECT_EQ(p.CoutBrut, 0);
    EXPECT_EQ(relu.Titres[1]->BilanPurge.PxMoyAchNet, 0.0f); // nothing held
    // The trade dated 1950 keeps its century although the window would put "50" in 2050.
    EXPECT_EQ(relu.Titres[0]->Operes[2]->Date, EncodeDate(1950, 1, 2));
    EXPECT_NE(text.find("|02/01/1950|"), std::string::npos);

    // Once read, the document writes the same text again and again.
    const std::string second = Save(relu, "second.cvx");
    TCorv troisieme("");
    ASSERT_EQ(troisieme.LoadFile(dir.File("second.cvx")), 1);
    EXPECT_EQ(Save(troisieme, "troisieme.cvx"), second);
}

TEST_F(PortfolioFile, ReadsLinesInAnyOrderWithTwoDigitYearsAndCrlf) {
    const std::string text =
        "1500|*\r\n"
        "M|05/01/99|F|D|300|Achat *urgent*|*\r\n"
        "O|777|F|15/03/20|V|5|2000|10|0|*\r\n"
        "A|777|Seuil|T|T|30/12/99|0|1500|1|0|0|*\r\n"
        "O|777|T|15/03/73|A|5|1000|1|2|3|T|*\r\n"
        "O|888|F|15/03/74|A|1|1|0|0|0|F|*\r\n"
        "G|1.5|2.25|*\r\n"
        "F|0|0.0065|0|500|*\r\n"
        "B|0|0.001|0.196|99|T|*|et|la suite\r\n"
        "S|0|0.002|0.196|150|T|*\r\n"
        "S|0|0.002|0.196|150|*\r\n"
        "M|06/01/99|F|C|100|*Un commentaire|*\r\n"
        "M|07/01/99|T|C|7|*\r\n"
        "C|777|Soci\xE9t\xE9|Paris|Banques|4567|02/05/24|17:35:12|-1.25|4600|4500|T|F|"
        "300|100|4100|41|0|0|1500|1231000|1231000|460000|459500|0|0|*\r\n"
        "Z|autre chose\r\n"
        "\r\n";
    auto doc = Load("main.cvx", text);
    // Each field's place in a line is pinned by the written text and the reread rich
    // document; here, what only a hand-written or older file has.
    EXPECT_EQ(doc->Cash, 1500);
    EXPECT_EQ(doc->CouvC, 1.5f);
    EXPECT_EQ(doc->CouvT, 2.25f);
    // A schedule line without its flag has none; B lines stop at their mark.
    ASSERT_EQ(doc->TranchesSRD.size(), 2u);
    EXPECT_TRUE(doc->TranchesSRD[0]->PlVal);
    EXPECT_FALSE(doc->TranchesSRD[1]->PlVal);
    EXPECT_FALSE(doc->AjoutFrais1SRD); // the last S line decides
    ASSERT_EQ(doc->TranchesFrais1.size(), 1u);
    EXPECT_FALSE(doc->TranchesFrais1[0]->PlVal);
    ASSERT_EQ(doc->TranchesFrais2.size(), 1u);
    EXPECT_TRUE(doc->TranchesFrais2[0]->PlVal);

    ASSERT_EQ(doc->Mouvements.size(), 3u);
    EXPECT_EQ(doc->Mouvements[0]->Date, EncodeDate(1999, 1, 5));
    EXPECT_EQ(doc->Mouvements[0]->Comment, "Achat *urgent*");
    // The line's end mark comes after the comment: a comment may begin with "*".
    EXPECT_EQ(doc->Mouvements[1]->Comment, "*Un commentaire");
    EXPECT_EQ(doc->Mouvements[2]->Comment, "");
    EXPECT_EQ(doc->Mouvements[2]->Montant, 7);

    // Securities keep the file's order: 777 was created by its first trade.
    ASSERT_EQ(doc->Titres.size(), 2u);
    const Valeurs& v = *doc->Titres[0];
    EXPECT_EQ(v.Code, "777");
    EXPECT_EQ(v.Libelle, "Société"); // Windows-1252 line read as UTF-8
    EXPECT_EQ(v.Infos.Date, EncodeDate(2024, 5, 2));
    ASSERT_EQ(v.Operes.size(), 2u);
    // A trade line without its deferred fee and flag has neither.
    const Operes& sansSrd = *v.Operes[0];
    EXPECT_EQ(sansSrd.Date, EncodeDate(2020, 3, 15));
    EXPECT_EQ(sansSrd.Frais, 10);
    EXPECT_EQ(sansSrd.FraisSRD, 0);
    EXPECT_FALSE(sansSrd.SRD);
    EXPECT_EQ(v.Operes[1]->Date, EncodeDate(2073, 3, 15)); // 49 years after 2024
    ASSERT_EQ(v.Alarmes.size(), 1u);
    EXPECT_EQ(v.Alarmes[0]->DateVal, EncodeDate(1999, 12, 30)); // an old day 0 comes back in 1999

    // A trade without a C line creates its security bare.
    const Valeurs& seul = *doc->Titres[1];
    EXPECT_EQ(seul.Code, "888");
    EXPECT_TRUE(seul.Libelle.empty());
    EXPECT_EQ(seul.Infos.Cours, 0);
    EXPECT_EQ(seul.Infos.Date, 0.0);
    ASSERT_EQ(seul.Operes.size(), 1u);
    EXPECT_EQ(seul.Operes[0]->Date, EncodeDate(1974, 3, 15)); // 50 years before 2024
}

TEST_F(PortfolioFile, LegacyHeadLineGivesTheSchedulesAndIsRewrittenInTheCurrentForm) {
    // The second bracket's VAT does not read: it keeps the legacy default of 20,6 %.
    auto doc = Load("ancien.cvx", "150000|100000|0.006|0.196|1500|500000|0.004||1000|"
                                  "3.5|4.5|ignoré|*\n"
                                  "O|5|F|01/02/03|A|1|100|0|0|*\n");
    // Both brackets of the line and the cover rates come out in the current lines.
    ASSERT_EQ(doc->Titres.size(), 1u);
    EXPECT_EQ(doc->Titres[0]->Operes[0]->Date, EncodeDate(2003, 2, 1));

    const auto lines = Lines(Save(*doc, "ancien.cvx"));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "150000|*");
    EXPECT_EQ(lines[1], "G|3.500000|4.500000|*");
    EXPECT_EQ(lines[2], "S|100000|0.006000|0.196000|1500|T|*");
    EXPECT_EQ(lines[3], "F|100000|0.006000|0.196000|1500|F|*");
    EXPECT_EQ(lines[4], "B|500000|0.004000|0.206000|1000|F|*");
}

TEST_F(PortfolioFile, FieldWithoutNumberLeavesItsTargetAndExtraFieldsAreIgnored) {
    auto doc = Load("vide.cvx", "abc|*\n"
                                "G| |2.5|*|encore|*\n"
                                "O|1|F|01/01/2020|A|douze|1000|x|2|*\n");
    EXPECT_EQ(doc->Cash, 0);
    EXPECT_EQ(doc->CouvC, 5.0f);
    EXPECT_EQ(doc->CouvT, 2.5f);
    const Operes& op = *doc->Titres[0]->Operes[0];
    EXPECT_EQ(op.Quantite, 0);
    EXPECT_EQ(op.Cours, 1000);
    EXPECT_EQ(op.Frais1, 0);
    EXPECT_EQ(op.Frais, 2);
}

TEST_F(PortfolioFile, MissingEmptyOrIrregularFileGivesZeroAndKeepsThePath) {
    WriteAll(dir.File("vide.cvx"), "");
    std::filesystem::create_directory(dir.File("dossier.cvx"));
    ASSERT_EQ(::mkfifo(dir.File("tube.cvx").c_str(), 0600), 0);
    // A pipe must not wait for a writer.
    for (const char* name : {"absent.cvx", "vide.cvx", "dossier.cvx", "tube.cvx"}) {
        SCOPED_TRACE(name);
        TCorv doc("");
        EXPECT_EQ(doc.LoadFile(dir.File(name)), 0);
        EXPECT_EQ(doc.Fichier, dir.File(name));
        EXPECT_TRUE(doc.Titres.empty());
    }
}

TEST_F(PortfolioFile, ReadErrorIsRefusedRatherThanTakenForTheEnd) {
    // Reading this file fails at its first byte.
    const std::string memoire = "/proc/self/mem";
    if (!platform::IsReadableRegularFile(memoire))
        GTEST_SKIP() << "no " << memoire << " to fail a read";
    TCorv doc("");
    EXPECT_THROW(doc.LoadFile(memoire), platform::ConversionError);
}

TEST_F(PortfolioFile, SavingThroughALinkWritesTheFileItPointsTo) {
    TCorv doc("");
    cvtest::FillRichDocument(doc);
    std::filesystem::create_directory(dir.File("vrai"));
    Save(doc, "vrai/p.cvx");
    std::filesystem::create_symlink("vrai/p.cvx", dir.File("lien.cvx"));

    TCorv ouvert("");
    ASSERT_EQ(ouvert.LoadFile(dir.File("lien.cvx")), 1);
    build::AddMovement(ouvert, EncodeDate(2024, 5, 6), 'C', 4242, "Ajout");
    ouvert.Modifie = true;
    ASSERT_TRUE(ouvert.SaveFile());
    EXPECT_FALSE(ouvert.Modifie);

    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("lien.cvx")));
    TCorv relu("");
    ASSERT_EQ(relu.LoadFile(dir.File("vrai/p.cvx")), 1);
    cvtest::ExpectSameStored(ouvert, relu);
    EXPECT_EQ(relu.Mouvements.size(), doc.Mouvements.size() + 1);
}

TEST_F(PortfolioFile, MalformedLinesAreRejected) {
    const std::string head = "0|*\n";
    const std::string c = "C|1|L|P|S|1|01/01/2020|10:00:00|0.00|0|0|F|F|"
                          "0|0|0|0|0|0|0|0|0|0|0|0|0|*\n";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"head line without separator", "1500\nG|1|2|*\n"},
        {"empty head line", "\nG|1|2|*\n"},
        {"legacy head line cut short", "150000|100000|0.006|0.196|1500|500000\n"},
        {"head line too long", std::string(cvfile::kMaxLine + 1, '1') + "|*\n"},
        {"line too long",
         head + "M|01/01/2020|F|C|1|" + std::string(cvfile::kMaxLine, 'x') + "|*\n"},
        {"comment longer than a line carries",
         head + "M|01/01/2020|F|C|1|" + std::string(cvfile::kMaxLineTexts + 1, 'x') + "|*\n"},
        {"C line texts longer than a line carries",
         head + "C|1|" + std::string(cvfile::kMaxLineTexts, 'L') + c.substr(5)},
        {"code longer than a line carries", head + "O|" +
                                                std::string(cvfile::kMaxLineTexts + 1, '1') +
                                                "|F|01/01/2020|A|10|100|5|6|*\n"},
        {"alarm texts longer than a line carries", head + "A|12|" +
                                                       std::string(cvfile::kMaxLineTexts - 1, 't') +
                                                       "|T|T|01/01/2020|0|0|0|0|0|*\n"},
        {"G line cut short", head + "G|1.5\n"},
        {"S line without MntMin", head + "S|0|0.1|0.2|*\n"},
        {"F line without MntMin", head + "F|0|0.1|0.2\n"},
        {"C line cut short", head + c.substr(0, c.rfind("|0|0|*"))},
        {"O line without Frais2", head + "O|1|F|01/01/2020|A|10|100|5|*\n"},
        {"O line with FraisSRD and no flag", head + "O|1|F|01/01/2020|A|10|100|5|6|7\n"},
        {"O line cut after Frais2", head + "O|1|F|01/01/2020|A|10|100|5|6\n"},
        {"M line cut in its amount", head + "M|01/01/2020|F|C|10"},
        {"S line cut after its flag", head + "S|0|0.1|0.2|3|T\n"},
        {"A line cut after its last number", head + "A|1|t|T|T|01/01/2020|0|0|0|0|0\n"},
        {"O line without direction", head + "O|1|F|01/01/2020||10|100|5|6|*\n"},
        {"A line cut short", head + "A|1|t|T|T|01/01/2020|0|0|0|0|*\n"},
        {"M line without amount", head + "M|01/01/2020|F|C|*\n"},
        {"M line without direction", head + "M|01/01/2020|F||5|*\n"},
        {"malformed date", head + "O|1|F|32/01/2020|A|10|100|5|6|*\n"},
        {"empty date", head + "M||F|C|5|*\n"},
        {"malformed time", head + "C|1|L|P|S|1|01/01/2020|midi|0.00|0|0|F|F|"
                                  "0|0|0|0|0|0|0|0|0|0|0|0|0|*\n"},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        WriteAll(dir.File("faux.cvx"), text);
        TCorv doc("");
        EXPECT_THROW(doc.LoadFile(dir.File("faux.cvx")), platform::ConversionError);
    }
    // The same lines, complete, are accepted.
    for (const std::string& text :
         {head + c, head + "O|1|F|01/01/2020|A|10|100|5|6|*\n", head + "S|0|0.1|0.2|3|*\n",
          head + "M|01/01/2020|F|C|5|*\n", head + "A|1|t|T|T|01/01/2020|0|0|0|0|0|*\n",
          head + "M|01/01/2020|F|C|1|" + std::string(cvfile::kMaxLineTexts, 'x') + "|*\n",
          head + "C|1|" + std::string(cvfile::kMaxLineTexts - 3, 'L') + c.substr(5)}) {
        SCOPED_TRACE(text);
        WriteAll(dir.File("juste.cvx"), text);
        TCorv doc("");
        EXPECT_EQ(doc.LoadFile(dir.File("juste.cvx")), 1);
    }
}

// A number field is the number whole: what a "%d" or "%f" would read only part of, read in
// another base or wrap is refused with the line and the field, as the writer never writes it.
TEST_F(PortfolioFile, NumbersAreReadWholeOrRefused) {
    const std::string head = "0|*\n";
    const std::string o = "O|1|F|01/01/2020|A|";
    const std::vector<std::pair<std::string, std::string>> refuses = {
        {head + o + "10|12abc|5|6|*\n",
         "Ligne 2 du portefeuille : '12abc' n'est pas un prix correct"},
        {head + "G|0x10|5.000000|*\n", "Ligne 2 du portefeuille : '0x10' n'est pas une valeur "
                                       "numérique correcte"},
        {head + o + "2147483648|100|5|6|*\n",
         "Ligne 2 du portefeuille : '2147483648' n'est pas une valeur entière correcte"},
        {"-2147483649|*\n", "Ligne 1 du portefeuille : '-2147483649' n'est pas un montant correct"},
        {"1|0x10|0.006|0.196|1500|0|0|0|0|1|1|*\n",
         "Ligne 1 du portefeuille : '0x10' n'est pas un montant correct"},
        {head + "M|01/01/2020|F|C|5,00|*\n",
         "Ligne 2 du portefeuille : '5,00' n'est pas un montant correct"},
        {head + "F|0|0.1%|0.2|3|T|*\n",
         "Ligne 2 du portefeuille : '0.1%' n'est pas une valeur numérique correcte"},
        {head + "G|1e400|1|*\n",
         "Ligne 2 du portefeuille : '1e400' n'est pas une valeur numérique correcte"},
        {head + "A|1|t|T|T|01/01/2020|0|0|256|0|0|*\n",
         "Ligne 2 du portefeuille : '256' n'est pas une valeur entière correcte"},
        {head + "A|1|t|T|T|01/01/2020|-129|0|0|0|0|*\n",
         "Ligne 2 du portefeuille : '-129' n'est pas une valeur entière correcte"},
    };
    for (const auto& [text, message] : refuses) {
        SCOPED_TRACE(text);
        WriteAll(dir.File("faux.cvx"), text);
        TCorv doc("");
        try {
            doc.LoadFile(dir.File("faux.cvx"));
            ADD_FAILURE() << "accepted";
        } catch (const platform::ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    // What the writer writes for every float, and blanks around a number, still read.
    auto doc = Load("juste.cvx", " -2147483648 |*\nG|-nan|inf|*\nS| 7 |-inf|nan|-3|F|*\n");
    EXPECT_EQ(doc->Cash, std::numeric_limits<std::int32_t>::min());
    EXPECT_TRUE(std::isnan(doc->CouvC));
    EXPECT_TRUE(std::signbit(doc->CouvC));
    EXPECT_EQ(doc->CouvT, std::numeric_limits<float>::infinity());
    ASSERT_EQ(doc->TranchesSRD.size(), 1u);
    EXPECT_EQ(doc->TranchesSRD[0]->Seuil, 7);
    EXPECT_EQ(doc->TranchesSRD[0]->Frais, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(doc->TranchesSRD[0]->MntMin, -3);
    EXPECT_EQ(Lines(Save(*doc, "juste.cvx"))[1], "G|-nan|inf|*");
}

// The forms other C libraries give "%f" for an infinity or a NaN read as what they stand for;
// what only starts like them is still no number.
TEST_F(PortfolioFile, NonFiniteFloatsOfOtherCLibrariesRead) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    const std::vector<std::pair<const char*, float>> lus = {
        {"1.#INF00", kInf}, {"-1.#INF00", -kInf}, {"-1.#IND00", kNaN},
        {"1.#QNAN0", kNaN}, {"1.#SNAN0", kNaN},   {"-nan(ind)", kNaN},
        {"nan(0x1)", kNaN}, {"NAN(snan)", kNaN},  {" 1.#inf ", kInf},
    };
    for (const auto& [texte, valeur] : lus) {
        SCOPED_TRACE(texte);
        const auto doc = Load("c.cvx", "0|*\nG|" + std::string(texte) + "|1|*\n");
        if (std::isnan(valeur))
            EXPECT_TRUE(std::isnan(doc->CouvC));
        else
            EXPECT_EQ(doc->CouvC, valeur);
    }
    for (const char* texte : {"1.#INF0x", "2.#INF00", "1.#", "nan(", "nan(a b)", "1.#INFINI"}) {
        SCOPED_TRACE(texte);
        WriteAll(dir.File("faux.cvx"), "0|*\nG|" + std::string(texte) + "|1|*\n");
        TCorv doc("");
        EXPECT_THROW(doc.LoadFile(dir.File("faux.cvx")), platform::ConversionError);
    }
}

// Files that the writer would not have written but that hold no doubt about their records
// open with every record, and the reader tells what it found, line by line. A text that the
// save cannot write back is kept: the save refuses it, named, until it is mended.
TEST_F(PortfolioFile, FilesTheWriterWouldNotWriteOpenWhole) {
    const std::string head = "0|*\n";
    const std::string c = "|L|P|S|1|01/01/2020|10:00:00|0.00|0|0|F|F|"
                          "0|0|0|0|0|0|0|0|0|0|0|0|0|*\n";
    const std::string o = "|F|01/01/2020|A|10|100|5|6|*\n";
    struct Cas {
        const char* what;
        std::string text;
        std::function<void(const TCorv&)> check;
        std::vector<std::string> remarques; // a part of each remark, in order
        bool sauvable = true;
    };
    const std::vector<Cas> cases = {
        {"cash line stopping after its comment",
         head + "M|01/01/2020|F|C|100|note\n",
         [](const TCorv& d) {
             ASSERT_EQ(d.Mouvements.size(), 1u);
             EXPECT_EQ(d.Mouvements[0]->Montant, 100);
             EXPECT_EQ(d.Mouvements[0]->Comment, "note");
         },
         {"Ligne 2 : la ligne du mouvement du 01/01/2020 ne finit pas par « * » : « note » est "
          "lu comme son commentaire."}},
        {"cash line stopping after the amount's separator",
         head + "M|01/01/2020|F|C|100|\n",
         [](const TCorv& d) {
             ASSERT_EQ(d.Mouvements.size(), 1u);
             EXPECT_EQ(d.Mouvements[0]->Comment, "");
         },
         {"Ligne 2 : la ligne du mouvement du 01/01/2020 ne finit pas par « * » : elle est lue "
          "sans commentaire."}},
        {"security described twice",
         head + "C|AB" + c + "O|AB" + o + "A|AB|t|T|T|01/01/2020|0|0|0|0|0|*\n" + "C|AB|M" +
             c.substr(2) + "O|AB" + o,
         [](const TCorv& d) {
             ASSERT_EQ(d.Titres.size(), 1u);
             EXPECT_EQ(d.Titres[0]->Libelle, "M"); // the later line describes it
             EXPECT_EQ(d.Titres[0]->Operes.size(), 2u);
             EXPECT_EQ(d.Titres[0]->Alarmes.size(), 1u);
         },
         {"Ligne 5 : titre « AB » décrit deux fois (lignes 2 et 5) : il est montré comme un seul "
          "titre, avec les opérations, les alarmes et les positions reportées des deux, et "
          "décrit par la ligne 5."}},
        {"security described twice, each description carrying purged shares",
         head +
             "C|AB|L|P|S|1|01/01/2020|10:00:00|0.00|0|0|F|F|100|0|1000|10|0|0|0|100000|"
             "100500|0|0|0|0|*\n" +
             "O|AB" + o +
             "C|AB|L|P|S|1|01/01/2020|10:00:00|0.00|0|0|F|F|60|10|1300|13|0|0|0|78000|78300|"
             "12000|11900|1200|1190|*\n" +
             "O|AB|F|01/01/2020|A|20|100|5|6|*\n",
         [](const TCorv& d) {
             ASSERT_EQ(d.Titres.size(), 1u);
             const BilanTitre& p = d.Titres[0]->BilanPurge;
             EXPECT_EQ(p.NbAchat, 160);
             EXPECT_EQ(p.NbVentes, 10);
             EXPECT_EQ(p.NbInPort, 150); // with the 30 shares of the trades, 180 held
             EXPECT_EQ(p.ARealBrut, 178000);
             EXPECT_EQ(p.ARealNet, 178800);
             EXPECT_EQ(p.VRealNet, 11900);
             EXPECT_EQ(p.PxMoyAchBrut, 1112); // (100 × 1000 + 60 × 1300) / 160
             EXPECT_EQ(p.PxMoyVenBrut, 1200);
             EXPECT_FLOAT_EQ(p.PxMoyAchNet, static_cast<float>((178800 - 11900) * 0.01 / 150));
         },
         {"Ligne 4 : titre « AB » décrit deux fois (lignes 2 et 4) : il est montré comme un seul "
          "titre, avec les opérations, les alarmes et les positions reportées des deux"}},
        {"codes equal once read",
         head + "C|\xE9" + c + "O|\xE9" + o + "C|é" + c + "O|é" + o,
         [](const TCorv& d) {
             ASSERT_EQ(d.Titres.size(), 1u);
             EXPECT_EQ(d.Titres[0]->Code, "é");
             EXPECT_EQ(d.Titres[0]->Operes.size(), 2u);
         },
         {"Ligne 4 : titre « é » décrit deux fois (lignes 2 et 4)"}},
        {"carriage return in a code, told once",
         head + "C|1\r" + c + "O|1\r" + o + "O|1\r" + o,
         [](const TCorv& d) {
             ASSERT_EQ(d.Titres.size(), 1u);
             EXPECT_EQ(d.Titres[0]->Code, "1\r");
             EXPECT_EQ(d.Titres[0]->Operes.size(), 2u);
         },
         {"Ligne 2 : le code « 1␍ » contient un caractère que le fichier du portefeuille ne peut "
          "pas garder (« | », retour à la ligne ou caractère nul) ; il est gardé tel quel, à "
          "corriger avant d'enregistrer."},
         false},
        {"NUL in a label and in a comment",
         head + "C|1|a\0b"s + c.substr(2) + "M|01/01/2020|F|C|1|x\0y|*\n"s,
         [](const TCorv& d) {
             ASSERT_EQ(d.Titres.size(), 1u);
             EXPECT_EQ(d.Titres[0]->Libelle, "a\0b"s);
             ASSERT_EQ(d.Mouvements.size(), 1u);
             EXPECT_EQ(d.Mouvements[0]->Comment, "x\0y"s);
         },
         {"Ligne 2 : le libellé « a␀b » du titre « 1 » contient",
          "Ligne 3 : le commentaire « x␀y » du mouvement du 01/01/2020 contient"},
         false},
    };
    for (const Cas& cas : cases) {
        SCOPED_TRACE(cas.what);
        WriteAll(dir.File("autre.cvx"), cas.text);
        TCorv doc("");
        std::vector<std::string> remarques;
        ASSERT_EQ(doc.LoadFile(dir.File("autre.cvx"), &remarques), 1);
        cas.check(doc);
        ASSERT_EQ(remarques.size(), cas.remarques.size());
        for (std::size_t i = 0; i < remarques.size(); ++i)
            EXPECT_EQ(remarques[i].rfind(cas.remarques[i], 0), 0u) << remarques[i];
        // Saved, the file is the writer's own again and opens without a remark.
        doc.Fichier = dir.File("sauve.cvx");
        std::string raison;
        ASSERT_EQ(doc.SaveFile(&raison), cas.sauvable) << raison;
        if (!cas.sauvable)
            continue;
        TCorv relu("");
        std::vector<std::string> encore;
        ASSERT_EQ(relu.LoadFile(doc.Fichier, &encore), 1);
        cvtest::ExpectSameStored(doc, relu);
        EXPECT_TRUE(encore.empty());
    }
}

// A text that would not read back as it is fails the save, named in the reason, and leaves
// the previous file and the modified flag as they were: nothing is cut or replaced.
TEST_F(PortfolioFile, TextsTheFileCannotKeepFailTheSave) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    std::string accents;
    for (int i = 0; i < 600; ++i)
        accents += "é"; // 1200 bytes
    const auto alarme = [](Valeurs& v, std::string intitule) {
        v.Alarmes.push_back(std::make_unique<SDetAlarme>());
        v.Alarmes.back()->Intitule = std::move(intitule);
    };
    const std::vector<std::pair<std::string, std::function<void(TCorv&, Valeurs&)>>> cases = {
        {"A|B", [](TCorv&, Valeurs& v) { v.Libelle = "A|B"; }},
        {"Xa", [](TCorv&, Valeurs& v) { v.NomBourse = "Xa\nYb"; }},
        {"Sa", [](TCorv&, Valeurs& v) { v.Activite = "Sa\rTb"; }},
        {"Zq", [](TCorv&, Valeurs& v) { v.Libelle = "Zq\0x"s; }},
        {"9|9", [](TCorv&, Valeurs& v) { v.Code = "9|9"; }},
        {"a|b", [&](TCorv&, Valeurs& v) { alarme(v, "a|b"); }},
        {"Un1", [](TCorv& d, Valeurs&) { build::AddMovement(d, 1, 'C', 5, "Un1\nDeux"); }},
        {"Soci", [](TCorv&, Valeurs& v) { v.Libelle = "Soci\xE9t\xE9"; }}, // not UTF-8
        {"xxxx", [](TCorv&, Valeurs& v) { v.Libelle = std::string(1600, 'x'); }},
        {"éé", [&](TCorv&, Valeurs& v) { v.NomBourse = v.Activite = accents; }},
        {"iiii", [&](TCorv&, Valeurs& v) { alarme(v, std::string(3000, 'i')); }},
        {"mmmm",
         [](TCorv& d, Valeurs&) { build::AddMovement(d, 1, 'C', 5, std::string(2000, 'm')); }},
        // Dates that no date text holds: written, they would make the whole file unreadable.
        {"la date d'une opération du titre « 12 » (quantité 7, cours 2 centimes)",
         [](TCorv&, Valeurs& v) { build::AddTrade(v, EncodeDate(9999, 12, 31) + 1, 'A', 7, 2); }},
        {"opération du titre « 12 » (quantité 8",
         [](TCorv&, Valeurs& v) { build::AddTrade(v, EncodeDate(1, 1, 1) - 1, 'V', 8, 2); }},
        {"la date du mouvement de 5 centimes « Un »",
         [](TCorv& d, Valeurs&) { build::AddMovement(d, kNaN, 'C', 5, "Un"); }},
        {"la date du cours du titre « 12 »", [](TCorv&, Valeurs& v) { v.Infos.Date = kInf; }},
        {"la date de l'alarme « Haut » du titre « 12 »",
         [&](TCorv&, Valeurs& v) {
             alarme(v, "Haut");
             v.Alarmes.back()->DateVal = -1e300;
         }},
    };
    const std::string ancien = "1|*\nG|1.000000|1.000000|*\n";
    for (const auto& [nomme, change] : cases) {
        SCOPED_TRACE(nomme);
        TCorv doc("");
        Valeurs& v = cvtest::AddValeur(doc, "12", "L");
        change(doc, v);
        doc.Fichier = dir.File("p.cvx");
        WriteAll(doc.Fichier, ancien);
        doc.Modifie = true;
        std::string raison;
        EXPECT_FALSE(doc.SaveFile(&raison));
        EXPECT_NE(raison.find(nomme), std::string::npos) << raison;
        EXPECT_TRUE(doc.Modifie);
        EXPECT_EQ(ReadAll(doc.Fichier), ancien);
    }

    // A direction is one byte, not a text: one that would not read back is written "?".
    TCorv doc("");
    build::AddTrade(cvtest::AddValeur(doc, "9", "L"), EncodeDate(2022, 1, 1), '|', 1, 2);
    auto relu = Load("sens.cvx", Save(doc, "sens.cvx"));
    ASSERT_EQ(relu->Titres.size(), 1u);
    ASSERT_EQ(relu->Titres[0]->Operes.size(), 1u);
    EXPECT_EQ(relu->Titres[0]->Operes[0]->Sens, '?');
}

// Lines of 511 characters, the most an earlier file holds, with two-digit years that the
// writer widens to four digits, and Windows-1252 texts that grow once in UTF-8.
TEST_F(PortfolioFile, LongestLinesOfAnEarlierFileSaveBackWithTheirTexts) {
    const auto line511 = [](const std::string& avant, char remplissage, const std::string& apres) {
        return avant + std::string(511 - avant.size() - apres.size(), remplissage) + apres;
    };
    const auto repeat = [](std::size_t n, const std::string& what) {
        std::string out;
        for (std::size_t i = 0; i < n; ++i)
            out += what;
        return out;
    };
    const std::string c1 = "C|1|";
    const std::string c2 = "|Paris|Banques|4567|02/05/24|17:35:12|-1.25|4600|4500|T|F|"
                           "0|0|0|0|0|0|0|0|0|0|0|0|0|*";
    const std::string a1 = "A|1|";
    const std::string a2 = "|T|T|30/12/99|0|1500|1|0|0|*";
    const std::string o1 = "O|";
    const std::string o2 = "|F|15/03/20|V|5|2000|10|0|0|F|*";
    const std::string m1 = "M|05/01/99|F|D|300|";
    const std::string m2 = "|*";
    const std::string text = "1500|*\r\n" + line511(c1, 'L', c2) + "\r\n" + line511(a1, 'A', a2) +
                             "\r\n" + line511(o1, '7', o2) + "\r\n" + line511(m1, 'm', m2) +
                             "\r\n" + line511(m1, '\xE9', m2) + "\r\n" + line511(m1, '\x80', m2) +
                             "\r\n";
    for (const std::string& line : Lines(text))
        ASSERT_LE(line.size(), 512u); // with its CR

    auto doc = Load("ancien.cvx", text);
    ASSERT_EQ(doc->Titres.size(), 2u);
    ASSERT_EQ(doc->Mouvements.size(), 3u);
    const std::size_t libelle = 511 - c1.size() - c2.size();
    const std::size_t comment = 511 - m1.size() - m2.size();
    EXPECT_EQ(doc->Titres[0]->Libelle, std::string(libelle, 'L'));
    EXPECT_EQ(doc->Titres[0]->Alarmes[0]->Intitule, std::string(511 - a1.size() - a2.size(), 'A'));
    EXPECT_EQ(doc->Titres[1]->Code, std::string(511 - o1.size() - o2.size(), '7'));
    EXPECT_EQ(doc->Mouvements[0]->Comment, std::string(comment, 'm'));
    EXPECT_EQ(doc->Mouvements[1]->Comment, repeat(comment, "é"));
    EXPECT_EQ(doc->Mouvements[2]->Comment, repeat(comment, "€"));

    doc->Fichier = dir.File("sauve.cvx");
    ASSERT_TRUE(doc->SaveFile());
    TCorv relu("");
    ASSERT_EQ(relu.LoadFile(dir.File("sauve.cvx")), 1);
    cvtest::ExpectSameStored(*doc, relu);
    EXPECT_EQ(Save(relu, "encore.cvx"), ReadAll(dir.File("sauve.cvx")));
}

// Texts that fill what a line may carry, beside the widest numbers every field can hold: the
// saved file stays within the reader's limit and reads back the same.
TEST_F(PortfolioFile, FullestLinesTheWriterProducesReadBack) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const std::size_t textes = cvfile::kMaxLineTexts;
    TCorv doc("");
    doc.Cash = kMin;
    const std::string code = "-1234567890";
    Valeurs& v = cvtest::AddValeur(doc, code, std::string(textes / 3, 'L'));
    v.NomBourse = std::string(textes / 3, 'B');
    v.Activite = std::string(textes - code.size() - 2 * (textes / 3), 'S');
    v.Infos.Cours = kMin;
    v.Infos.Haut = kMin;
    v.Infos.Bas = kMin;
    v.Infos.Variation = -std::numeric_limits<float>::max();
    v.Infos.Date = EncodeDate(9999, 12, 31);
    v.Infos.Heure = EncodeTime(23, 59, 59);
    std::int32_t* bilan[] = {
        &v.BilanPurge.NbAchat,   &v.BilanPurge.NbVentes,     &v.BilanPurge.PxMoyAchBrut,
        &v.BilanPurge.PlValBrut, &v.BilanPurge.PlValNet,     &v.BilanPurge.TotFrais,
        &v.BilanPurge.ARealBrut, &v.BilanPurge.ARealNet,     &v.BilanPurge.VRealBrut,
        &v.BilanPurge.VRealNet,  &v.BilanPurge.PxMoyVenBrut, &v.BilanPurge.PxMoyVenNet};
    for (std::int32_t* champ : bilan)
        *champ = kMin;
    v.BilanPurge.PxMoyAchNet = static_cast<float>(kMin);
    build::AddTrade(v, EncodeDate(9999, 12, 31), 'V', kMin, kMin, kMin,
                    {.srd = true, .pointe = true});
    auto alarme = std::make_unique<SDetAlarme>();
    alarme->Intitule = std::string(textes - code.size(), 'I');
    alarme->DateVal = EncodeDate(9999, 12, 31);
    alarme->Element1 = {-128, kMin};
    alarme->Element2 = {-128, kMin};
    alarme->Oper = 255;
    v.Alarmes.push_back(std::move(alarme));
    build::AddMovement(doc, EncodeDate(9999, 12, 31), 'D', kMin, std::string(textes, 'c'));

    const std::string text = Save(doc, "plein.cvx");
    std::size_t longest = 0;
    for (const std::string& line : Lines(text)) {
        EXPECT_LE(line.size(), cvfile::kMaxLine);
        longest = std::max(longest, line.size());
    }
    EXPECT_GT(longest, textes + 200); // the C line, its numbers as wide as they go

    TCorv relu("");
    ASSERT_EQ(relu.LoadFile(doc.Fichier), 1);
    cvtest::ExpectSameStored(doc, relu);
}

TEST_F(PortfolioFile, FailedSaveKeepsThePreviousFileAndTheModifiedFlag) {
    TCorv doc("");
    cvtest::FillRichDocument(doc);
    doc.Fichier = dir.File("absent/dossier/p.cvx");
    doc.Modifie = true;
    std::string raison;
    EXPECT_FALSE(doc.SaveFile(&raison));
    EXPECT_EQ(raison, "le fichier ne peut pas être créé");
    EXPECT_TRUE(doc.Modifie);
    // A name past the system's 255 bytes; one of 255 is written.
    doc.Fichier = dir.File(std::string(252, 'p') + ".cvx");
    EXPECT_FALSE(doc.SaveFile(&raison));
    EXPECT_EQ(raison, "le nom du fichier est trop long");
    doc.Fichier = dir.File(std::string(251, 'p') + ".cvx");
    EXPECT_TRUE(doc.SaveFile(&raison));
    std::filesystem::remove(doc.Fichier);
    doc.Modifie = true;

    const std::string ancien = "1|*\nG|1.000000|1.000000|*\n";
    WriteAll(dir.File("p.cvx"), ancien);
    for (int i = 0; i < 3000; ++i)
        build::AddTrade(*doc.Titres[0], 40000 + i, 'A', i, i);
    doc.Fichier = dir.File("p.cvx");

    // A disk that fills up: writes past 4 KiB fail.
    rlimit avant{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &avant), 0);
    const auto ancienSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit petit = avant;
    petit.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &petit), 0);
    const bool ecrit = doc.SaveFile(&raison);
    setrlimit(RLIMIT_FSIZE, &avant);
    std::signal(SIGXFSZ, ancienSignal);

    EXPECT_FALSE(ecrit);
    EXPECT_EQ(raison, "l'écriture du fichier n'a pas abouti");
    EXPECT_TRUE(doc.Modifie);
    EXPECT_EQ(ReadAll(dir.File("p.cvx")), ancien);
    std::size_t fichiers = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++fichiers;
    EXPECT_EQ(fichiers, 1u); // no temporary file left behind

    raison = "inchangée";
    EXPECT_TRUE(doc.SaveFile(&raison));
    EXPECT_EQ(raison, "inchangée"); // a save that succeeds gives no reason
    EXPECT_FALSE(doc.Modifie);
    EXPECT_NE(ReadAll(dir.File("p.cvx")), ancien);
}

// Two programs save one file at once. The other one has checked the file and is about to
// replace it: this one's check waits for that replacement, finds it, and writes nothing.
TEST_F(PortfolioFile, ASavesCheckAndReplacementAreOneStepAmongPrograms) {
    const std::unique_ptr<TCorv> doc = Load("commun.cvx", "0|*\nG|1.000000|1.000000|*\n");
    build::AddMovement(*doc, EncodeDate(2024, 5, 6), 'C', 111);
    doc->Modifie = true;
    int tube[2];
    ASSERT_EQ(::pipe(tube), 0);
    const pid_t autre = ::fork();
    ASSERT_GE(autre, 0);
    if (autre == 0) {
        TCorv sien("");
        sien.LoadFile(doc->Fichier);
        build::AddMovement(sien, EncodeDate(2024, 5, 7), 'C', 222);
        const platform::FolderLock verrou(doc->Fichier);
        const bool inchange = verrou.Held() && !sien.ChangedOnDisk(sien.Fichier);
        const char pret = inchange ? 'v' : 'x';
        const bool signale = ::write(tube[1], &pret, 1) == 1;
        ::usleep(200000); // between its check and its rename: this program's save comes now
        ::_exit(signale && inchange && sien.SaveFile() ? 0 : 1);
    }
    char pret = 0;
    ASSERT_EQ(::read(tube[0], &pret, 1), 1);
    ASSERT_EQ(pret, 'v');
    const TCorv::SaveResult resultat = doc->SaveFileChecked();
    int etat = 0;
    ASSERT_EQ(::waitpid(autre, &etat, 0), autre);
    ASSERT_TRUE(WIFEXITED(etat) && WEXITSTATUS(etat) == 0);
    ::close(tube[0]);
    ::close(tube[1]);

    EXPECT_EQ(resultat.status, TCorv::SaveResult::Status::Changed);
    EXPECT_TRUE(doc->Modifie);
    EXPECT_TRUE(resultat.surDisque.Matches(platform::FingerprintOfFile(doc->Fichier)));
    TCorv disque("");
    disque.LoadFile(doc->Fichier);
    ASSERT_EQ(disque.Mouvements.size(), 1u);
    EXPECT_EQ(disque.Mouvements[0]->Montant, 222); // the other program's save stands
}

TEST_F(PortfolioFile, NumbersIgnoreTheUsersLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "fr_FR.UTF-8"), nullptr)
        << "the French locale must be installed (scripts/install-deps.sh)";
    TCorv doc("");
    build::AddBracket(doc.TranchesFrais1, 0, 0.0065f, 500, 0.196f, true);
    doc.CouvC = 1.5f;
    Valeurs& v = cvtest::AddValeur(doc, "1", "x");
    v.Infos.Variation = -2.75f;
    const std::string text = Save(doc, "locale.cvx");
    TCorv relu("");
    const int lu = relu.LoadFile(doc.Fichier);
    std::setlocale(LC_ALL, "C");

    EXPECT_NE(text.find("F|0|0.006500|0.196000|500|T|*"), std::string::npos);
    EXPECT_NE(text.find("G|1.500000|5.000000|*"), std::string::npos);
    EXPECT_NE(text.find("|-2.75|"), std::string::npos);
    EXPECT_EQ(lu, 1);
    ASSERT_EQ(relu.TranchesFrais1.size(), 1u);
    EXPECT_EQ(relu.TranchesFrais1[0]->Frais, 0.0065f);
    EXPECT_EQ(relu.CouvC, 1.5f);
    EXPECT_EQ(relu.Titres[0]->Infos.Variation, -2.75f);
}
