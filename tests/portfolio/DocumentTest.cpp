// The document's records: defaults, adding and finding securities, the two orderings and the
// portfolio totals.

#include "CvFileSamples.h"

#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "portfolio/CvFileFields.h"
#include "support/Builders.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using cvtest::AddValeur;

namespace {

std::vector<std::string> Libelles(const TCorv& doc) {
    std::vector<std::string> out;
    for (const auto& t : doc.Titres)
        out.push_back(t->Libelle);
    return out;
}

Valeurs Modele(const std::string& code, const std::string& libelle) {
    Valeurs v;
    v.Code = code;
    v.Libelle = libelle;
    return v;
}

} // namespace

// Defaults with an effect of their own (cover rates, fee options, display factor) are pinned
// by the tests of what they affect.
TEST(Document, NewDocumentIsEmptyUnsavedAndUnmodified) {
    TCorv doc("/data/dir");
    EXPECT_EQ(doc.Repertoire, "/data/dir");
    EXPECT_TRUE(doc.Fichier.empty());
    EXPECT_FALSE(doc.Modifie);
    EXPECT_TRUE(doc.Titres.empty() && doc.Mouvements.empty());
    EXPECT_EQ(doc.TitreHisto, nullptr);
}

TEST(Document, AddTitreCopiesTheModelAndRefusesExistingAndUnstorableCodes) {
    TCorv doc("");
    Valeurs modele = Modele("12027", "Société Générale");
    modele.NomBourse = "Paris";
    modele.Activite = "Banques";
    modele.SRD = true;
    modele.SuiviAuto = true;
    modele.Infos.Cours = 4567;
    modele.Infos.Variation = 1.5f;
    modele.Infos.Date = 45000;
    // What the model carries beyond its description is not taken.
    modele.Bilan.NbAchat = 10;
    modele.BilanPurge.ARealBrut = 99;
    modele.Operes.push_back(std::make_unique<Operes>());
    modele.Alarmes.push_back(std::make_unique<SDetAlarme>());

    Valeurs* ajoute = doc.AddTitre(modele);
    ASSERT_NE(ajoute, nullptr);
    EXPECT_TRUE(doc.Modifie);
    ASSERT_EQ(doc.Titres.size(), 1u);
    EXPECT_EQ(doc.Titres[0].get(), ajoute);
    EXPECT_EQ(ajoute->Code, "12027");
    EXPECT_EQ(ajoute->Libelle, "Société Générale");
    EXPECT_EQ(ajoute->NomBourse, "Paris");
    EXPECT_EQ(ajoute->Activite, "Banques");
    EXPECT_TRUE(ajoute->SRD);
    EXPECT_TRUE(ajoute->SuiviAuto);
    EXPECT_EQ(ajoute->Infos.Cours, 4567);
    EXPECT_EQ(ajoute->Infos.Variation, 1.5f);
    EXPECT_EQ(ajoute->Infos.Date, 45000);
    EXPECT_EQ(ajoute->Bilan.NbAchat, 0);
    EXPECT_EQ(ajoute->BilanPurge.ARealBrut, 0);
    EXPECT_TRUE(ajoute->Operes.empty());
    EXPECT_TRUE(ajoute->Alarmes.empty());

    doc.Modifie = false;
    EXPECT_EQ(doc.AddTitre(Modele("12027", "Autre")), nullptr);
    EXPECT_FALSE(doc.Modifie);
    EXPECT_EQ(doc.Titres.size(), 1u);
    EXPECT_EQ(doc.Titres[0]->Libelle, "Société Générale");

    // Codes compare byte for byte: a change of case is another security.
    ASSERT_NE(doc.AddTitre(Modele("ab1", "x")), nullptr);
    ASSERT_NE(doc.AddTitre(Modele("AB1", "y")), nullptr);
    EXPECT_EQ(doc.Titres.size(), 3u);
    EXPECT_EQ(doc.FindTitre("AB1")->Libelle, "y");
    EXPECT_EQ(doc.FindTitre("ab1")->Libelle, "x");
    EXPECT_EQ(doc.FindTitre("ab"), nullptr);
    EXPECT_EQ(doc.FindTitre("ab1 "), nullptr);

    // Codes that the portfolio file would not give back as they are could come back as
    // another security's ("AB|C" as "AB/C"): refused, with the reason, and nothing changes.
    ASSERT_NE(doc.AddTitre(Modele("AB/C", "z")), nullptr);
    doc.Modifie = false;
    for (const std::string& code :
         {std::string("AB|C"), std::string("AB\nC"), std::string("AB\rC"), std::string("AB\0C", 4),
          std::string("AB\xE9"), std::string(cvfile::kMaxLineTexts + 1, '1')}) {
        SCOPED_TRACE(code.substr(0, 8));
        std::string refus;
        EXPECT_EQ(doc.AddTitre(Modele(code, "w"), &refus), nullptr);
        EXPECT_FALSE(refus.empty());
        EXPECT_EQ(refus, TCorv::CodeRefuse(code));
        EXPECT_EQ(doc.Titres.size(), 4u);
        EXPECT_FALSE(doc.Modifie);
    }
    std::string refus;
    EXPECT_EQ(doc.AddTitre(Modele("AB/C", "autre"), &refus), nullptr);
    EXPECT_TRUE(refus.empty()); // present already: the caller says so
    EXPECT_TRUE(TCorv::CodeRefuse(std::string(cvfile::kMaxLineTexts, '1')).empty());
}

TEST(Document, SecuritiesSortByLabelBytes) {
    TCorv doc("");
    for (const char* libelle : {"abc", "Abc", "Zed"})
        doc.AddTitre(Modele(libelle, libelle));
    EXPECT_EQ(Libelles(doc), (std::vector<std::string>{"Abc", "Zed", "abc"}));

    // Accented letters after "z", a prefix before the longer label.
    doc.AddTitre(Modele("e1", "Été"));
    doc.AddTitre(Modele("e2", "Ab"));
    doc.AddTitre(Modele("e3", "zz"));
    EXPECT_EQ(Libelles(doc), (std::vector<std::string>{"Ab", "Abc", "Zed", "abc", "zz", "Été"}));

    Valeurs x = Modele("1", "Abc");
    Valeurs y = Modele("2", "Abc");
    EXPECT_EQ(CompareTitres(&x, &y), 0);
    y.Libelle = "\xC3\xA9";
    EXPECT_EQ(CompareTitres(&x, &y), -1);
    EXPECT_EQ(CompareTitres(&y, &x), 1);
}

TEST(Document, TradesOrderByDateThenBuysThenAmounts) {
    Valeurs v;
    const double jour = 44000;
    Operes& achat10 = *build::AddTrade(v, jour, 'A', 10, 1000);
    Operes& achat5 = *build::AddTrade(v, jour, 'A', 5, 1000);
    Operes& vente10 = *build::AddTrade(v, jour, 'V', 10, 1000);
    Operes& vente5 = *build::AddTrade(v, jour, 'V', 5, 1000);
    Operes& veille = *build::AddTrade(v, jour - 1, 'V', 1, 1);
    Operes& autre = *build::AddTrade(v, jour, 'X', 1, 1);

    EXPECT_EQ(CompareOperes(&achat10, &achat10), 0);
    EXPECT_EQ(CompareOperes(&achat5, &achat10), -1);
    EXPECT_EQ(CompareOperes(&achat10, &achat5), 1);
    EXPECT_EQ(CompareOperes(&vente10, &vente5), -1);
    EXPECT_EQ(CompareOperes(&vente5, &vente10), 1);
    EXPECT_EQ(CompareOperes(&achat10, &vente5), -1);
    EXPECT_EQ(CompareOperes(&vente5, &achat10), 1);
    EXPECT_EQ(CompareOperes(&veille, &achat5), -1);
    EXPECT_EQ(CompareOperes(&achat5, &veille), 1);
    // Other directions are neither before nor after a buy or a sale of the same day.
    EXPECT_EQ(CompareOperes(&autre, &achat5), 0);
    EXPECT_EQ(CompareOperes(&vente5, &autre), 0);

    // Amounts beyond 32 bits: 50 000 x 50 000 cents must not wrap below 1 000.
    Valeurs w;
    Operes& gros = *build::AddTrade(w, jour, 'A', 50000, 50000);
    Operes& petit = *build::AddTrade(w, jour, 'A', 1, 1000);
    EXPECT_EQ(CompareOperes(&petit, &gros), -1);
    EXPECT_EQ(CompareOperes(&gros, &petit), 1);
    Operes& grosseVente = *build::AddTrade(w, jour, 'V', 50000, 50000);
    Operes& petiteVente = *build::AddTrade(w, jour, 'V', 1, 1000);
    EXPECT_EQ(CompareOperes(&grosseVente, &petiteVente), -1);

    TCorv doc("");
    v.Operes.pop_back(); // without the 'X' trade the order is total
    doc.SortOperes(&v);
    ASSERT_EQ(v.Operes.size(), 5u);
    EXPECT_EQ(v.Operes[0].get(), &veille);
    EXPECT_EQ(v.Operes[1].get(), &achat5);
    EXPECT_EQ(v.Operes[2].get(), &achat10);
    EXPECT_EQ(v.Operes[3].get(), &vente10);
    EXPECT_EQ(v.Operes[4].get(), &vente5);

    doc.FreeOperes(&v);
    EXPECT_TRUE(v.Operes.empty());
}

TEST(Document, TotalsAddThePositionsAndTheCashMovements) {
    TCorv doc("");
    Valeurs& a = AddValeur(doc, "1", "a");
    Valeurs& b = AddValeur(doc, "2", "b");
    a.Bilan.NbInPort = 10;
    b.Bilan.NbInPort = -3;
    a.Bilan.ValorNetAct = 1000;
    b.Bilan.ValorNetAct = 234;
    a.Bilan.PlValLatNetSRD = -5;
    b.Bilan.PlValLatNetSRD = -6;
    a.Bilan.TotFrais = 7;
    a.Bilan.RealNetTOT = -300;
    b.Bilan.RealNetTOT = -200;
    a.Bilan.RealNetRM = 150;
    b.Bilan.RealNetRM = 50;
    a.Bilan.TotFraisPer = 77; // not a total of this operation
    doc.TotFraisPer = 5;
    doc.RentBrut = 6;
    doc.RentNet = 7;

    doc.ComputeTotals();
    EXPECT_EQ(doc.NbInPort, 7);
    EXPECT_EQ(doc.ValorNetAct, 1234);
    EXPECT_EQ(doc.PlValLatNetSRD, -11);
    EXPECT_EQ(doc.TotFrais, 7);
    EXPECT_EQ(doc.RealNetTOT, -500);
    EXPECT_EQ(doc.RealNetRM, 200);
    EXPECT_EQ(doc.TotFraisPer, 0);
    EXPECT_EQ(doc.RentBrut, 0);
    EXPECT_EQ(doc.RentNet, 0);
    // No movement: the cash is what the trades did.
    EXPECT_EQ(doc.Cash, -500);
    EXPECT_EQ(doc.CashLiq, -300);

    build::AddMovement(doc, 1, 'C', 1000);
    build::AddMovement(doc, 2, 'D', 250);
    build::AddMovement(doc, 3, 'X', 999999); // neither credit nor debit: not counted
    doc.ComputeTotals();
    EXPECT_EQ(doc.Cash, 250);
    EXPECT_EQ(doc.CashLiq, 450);
}

TEST(Document, CashBalanceIsExactToTheCentAboveFloatPrecision) {
    TCorv doc("");
    // 167 772,16 euros, then single cents: a float balance would stay at 16 777 216.
    build::AddMovement(doc, 1, 'C', 16777216);
    for (int i = 0; i < 5; ++i)
        build::AddMovement(doc, 2, 'C', 1);
    build::AddMovement(doc, 3, 'C', 2000000000);
    build::AddMovement(doc, 4, 'D', 1999999999);
    doc.ComputeTotals();
    EXPECT_EQ(doc.Cash, 16777222);
    EXPECT_EQ(doc.CashLiq, 16777222);
}

TEST(Document, TotalsWrapLikeInt32WithoutOverflowing) {
    TCorv doc("");
    AddValeur(doc, "1", "a").Bilan.ValorBrut = std::numeric_limits<std::int32_t>::max();
    AddValeur(doc, "2", "b").Bilan.ValorBrut = 1;
    doc.ComputeTotals();
    EXPECT_EQ(doc.ValorBrut, std::numeric_limits<std::int32_t>::min());
}

// The portfolio's totals hold in the same 32-bit cents as a security's sums: the trade or the
// movement that would take one beyond is refused, naming it, and changes nothing. The cash is
// what the trades and the movements did, even when the total of what the trades paid does not
// hold.
TEST(Document, ChangesThatWouldTakeAPortfolioTotalBeyondTheCentsAreRefused) {
    const auto opere = [](char sens, std::int32_t cours) {
        Operes op;
        op.Date = 45000;
        op.Sens = sens;
        op.Quantite = 1000000;
        op.Cours = cours;
        return op;
    };
    const auto credit = [](char sens, std::int32_t montant) {
        Mvt mvt;
        mvt.Date = 45000;
        mvt.Sens = sens;
        mvt.Montant = montant;
        return mvt;
    };
    struct Cas {
        const char* nom;
        std::function<Refus(TCorv&)> change;
        const char* total;
    };
    // A holds 1 000 000 shares bought at 15,00 €; B none; the cash is 5 000 000,00 €.
    const std::vector<Cas> cas = {
        {"second security of 15 000 000,00 €",
         [&](TCorv& d) { return d.AddOpere(d.FindTitre("B"), opere('A', 1500)); },
         "« achats bruts »"},
        {"sale bringing the cash to 23 000 000,00 €",
         [&](TCorv& d) { return d.AddOpere(d.FindTitre("A"), opere('V', 1800)); },
         "« solde cash »"},
        {"credit", [&](TCorv& d) { return d.AddMvt(credit('C', 1700000000)); }, "« solde cash »"},
        {"debit lowered",
         [&](TCorv& d) { return d.ReplaceMvt(d.Mouvements[2].get(), credit('D', 1)); },
         "« solde cash »"},
        {"debit deleted", [](TCorv& d) { return d.DeleteMvt(d.Mouvements[2].get()); },
         "« solde cash »"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        TCorv d("");
        build::AddTrade(AddValeur(d, "A", "A"), 45000, 'A', 1000000, 1500);
        AddValeur(d, "B", "B");
        build::AddMovement(d, 45000, 'C', 2000000000);
        build::AddMovement(d, 45000, 'C', 2000000000);
        build::AddMovement(d, 45000, 'D', 2000000000);
        build::Recompute(d);
        ASSERT_EQ(d.Cash, 500000000);
        d.Modifie = false;

        const std::string refus = c.change(d).Texte();
        EXPECT_NE(refus.find(c.total), std::string::npos) << refus;
        EXPECT_FALSE(d.Modifie);
        EXPECT_EQ(d.FindTitre("A")->Operes.size(), 1u);
        EXPECT_TRUE(d.FindTitre("B")->Operes.empty());
        ASSERT_EQ(d.Mouvements.size(), 3u);
        EXPECT_EQ(d.Mouvements[2]->Montant, 2000000000);
        // Within the cents, the same change goes through.
        EXPECT_EQ(d.AddMvt(credit('C', 1000000000)), Refus{});
    }

    // Two securities of 15 000 000,00 € each and 40 000 000,00 € of credits leave
    // 10 000 000,00 € of cash, whatever the total of what the trades paid.
    TCorv d("");
    build::AddTrade(AddValeur(d, "A", "A"), 45000, 'A', 1000000, 1500);
    build::AddTrade(AddValeur(d, "B", "B"), 45000, 'A', 1000000, 1500);
    build::AddMovement(d, 45000, 'C', 2000000000);
    build::AddMovement(d, 45000, 'C', 2000000000);
    build::Recompute(d);
    EXPECT_EQ(d.Cash, 1000000000);
    EXPECT_EQ(d.CashLiq, 1000000000);
}

// A record dated where no date text reaches would make every later save fail: the operations
// refuse it, whichever way it comes, and the document stays as it was.
TEST(Document, OperationsRefuseDatesTheFileCannotWrite) {
    const double horsLimites[] = {platform::kLastDay + 1, platform::kFirstDay - 1,
                                  std::numeric_limits<double>::quiet_NaN(),
                                  std::numeric_limits<double>::infinity()};
    for (const double date : horsLimites) {
        SCOPED_TRACE(date);
        TCorv doc("");
        Valeurs* t = doc.AddTitre(Modele("12027", "Société Générale"));
        ASSERT_NE(t, nullptr);
        Operes op;
        op.Date = 45000;
        op.Quantite = 10;
        op.Cours = 1500;
        ASSERT_EQ(doc.AddOpere(t, op), "");
        Mvt mvt;
        mvt.Date = 45000;
        mvt.Montant = 100;
        ASSERT_EQ(doc.AddMvt(mvt), "");
        doc.Modifie = false;

        Operes horsDate = op;
        horsDate.Date = date;
        Mvt mvtHorsDate = mvt;
        mvtHorsDate.Date = date;
        EXPECT_NE(doc.AddOpere(t, horsDate), "");
        EXPECT_NE(doc.ReplaceOpere(t, t->Operes[0].get(), horsDate), "");
        EXPECT_NE(doc.AddMvt(mvtHorsDate), "");
        EXPECT_NE(doc.ReplaceMvt(doc.Mouvements[0].get(), mvtHorsDate), "");
        EXPECT_FALSE(doc.Modifie);
        ASSERT_EQ(t->Operes.size(), 1u);
        EXPECT_EQ(t->Operes[0]->Date, 45000);
        ASSERT_EQ(doc.Mouvements.size(), 1u);
        EXPECT_EQ(doc.Mouvements[0]->Date, 45000);
    }
}

// A trade or movement handed with the wrong owner (a view out of step with the document) is
// refused: nothing of either owner changes, and the document is not marked modified.
TEST(Document, OperationsRefuseARecordThatIsNotTheirs) {
    TCorv doc("");
    Valeurs* t = doc.AddTitre(Modele("12027", "Société Générale"));
    Valeurs* autre = doc.AddTitre(Modele("12028", "Autre"));
    ASSERT_NE(t, nullptr);
    ASSERT_NE(autre, nullptr);
    Operes op;
    op.Date = 45000;
    op.Quantite = 10;
    op.Cours = 1500;
    ASSERT_EQ(doc.AddOpere(autre, op), "");
    Operes* etranger = autre->Operes[0].get();
    const Operes garde = *etranger;
    Mvt mvt;
    mvt.Date = 45000;
    mvt.Montant = 100;
    Mvt horsDocument = mvt;
    Operes nouveau = op;
    nouveau.Quantite = 20;
    const std::vector<std::pair<const char*, std::function<Refus()>>> cas = {
        {"trade replaced", [&] { return doc.ReplaceOpere(t, etranger, nouveau); }},
        {"trade deleted", [&] { return doc.DeleteOpere(t, etranger); }},
        {"movement replaced", [&] { return doc.ReplaceMvt(&horsDocument, mvt); }},
        {"movement deleted", [&] { return doc.DeleteMvt(&horsDocument); }},
    };
    for (const auto& [nom, change] : cas) {
        SCOPED_TRACE(nom);
        doc.Modifie = false;
        EXPECT_NE(change(), "");
        EXPECT_FALSE(doc.Modifie);
        EXPECT_TRUE(t->Operes.empty());
        ASSERT_EQ(autre->Operes.size(), 1u);
        EXPECT_EQ(*autre->Operes[0], garde);
        EXPECT_TRUE(doc.Mouvements.empty());
    }
}

// The options validated change the document: it is marked modified by the operation itself,
// whatever befalls the settings validated with them.
TEST(Document, OptionsOperationsMarkTheDocumentModified) {
    TCorv doc("");
    doc.SetCouverture(2.5f, 3.0f);
    EXPECT_TRUE(doc.Modifie);
    EXPECT_FLOAT_EQ(doc.CouvC, 2.5f);
    EXPECT_FLOAT_EQ(doc.CouvT, 3.0f);

    // Without deferred-settlement brackets such a trade pays schedule 1, whatever was asked.
    doc.Modifie = false;
    ListeTranches frais1;
    frais1.push_back(std::make_unique<TrancheFrais>());
    doc.ReplaceFrais({}, std::move(frais1), {}, false);
    EXPECT_TRUE(doc.Modifie);
    EXPECT_TRUE(doc.AjoutFrais1SRD);
    EXPECT_EQ(doc.TranchesFrais1.size(), 1u);
    EXPECT_TRUE(doc.TranchesSRD.empty());
}

// The trade preview and the alarm test read the document without changing it: the list of
// trades keeps its order, the security its price and position, the document its flag.
TEST(Document, PreviewsLeaveTheSecurityAsItWas) {
    TCorv doc("");
    Valeurs* t = doc.AddTitre(Modele("12027", "Société Générale"));
    ASSERT_NE(t, nullptr);
    t->Infos.Cours = 1500;
    build::AddTrade(*t, 45010, 'V', 10, 2000);
    build::AddTrade(*t, 45000, 'A', 30, 1000);
    Operes* premier = t->Operes[0].get();
    doc.ComputeTitre(t);
    const BilanTitre avant = t->Bilan;
    doc.Modifie = false;

    // Up to the sale, in date order: the 30 bought, the sale left out as the trade modified.
    EXPECT_EQ(doc.PositionAvant(*t, 45020, premier).NbInPort, 30);
    EXPECT_EQ(doc.PositionAvant(*t, 45020, nullptr).NbInPort, 20);
    EXPECT_EQ(t->Operes[0].get(), premier);

    SDetAlarme audessus; // the price above 16,00
    audessus.Active = true;
    audessus.Element1.Type = 0;
    audessus.Element2 = {1, 1600};
    audessus.Oper = 0;
    EXPECT_TRUE(doc.TestAlarmeAuCours(t, audessus, 1700));
    EXPECT_FALSE(doc.TestAlarmeAuCours(t, audessus, 1500));
    EXPECT_EQ(t->Infos.Cours, 1500);
    EXPECT_EQ(t->Bilan, avant);
    EXPECT_FALSE(doc.Modifie);
}
