// The gate of the document's figures. The document keeps its sums and totals in 32-bit cents
// and counts, and the computations wrap them as the fields would: a file can hold a position
// beyond them, which is shown as the fields hold it. What the program itself changes must not
// bring a sum there: each change is judged by the sums it takes from held exactly to beyond.

#include "portfolio/Cv.h"
#include "portfolio/PositionArith.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace position_arith;

static_assert(TotauxExacts::kNombre == kTotauxDesTitres);
static_assert(kTotaux <= 8 * sizeof(MasqueSommes));

namespace {

constexpr char kLimites[] = "2 147 483 647 titres et 21 474 836,47 € par total";

const char* NomDe(Somme somme) {
    switch (somme) {
    case Somme::NbInPort:
        return "quantité en portefeuille";
    case Somme::ARealBrut:
        return "achats bruts";
    case Somme::ARealNet:
        return "achats nets";
    case Somme::VRealBrut:
        return "ventes brutes";
    case Somme::VRealNet:
        return "ventes nettes";
    case Somme::AchRMBrut:
        return "achats au R.M bruts";
    case Somme::VenRMBrut:
        return "ventes au R.M brutes";
    case Somme::AchRMNet:
        return "achats au R.M nets";
    case Somme::VenRMNet:
        return "ventes au R.M nettes";
    case Somme::CoutBrut:
        return "coût brut";
    case Somme::CoutNet:
        return "coût net";
    case Somme::ValorBrut:
        return "valorisation brute";
    case Somme::ValorNet:
        return "valorisation nette";
    case Somme::ValorBrutAct:
        return "valorisation brute courante";
    case Somme::ValorNetAct:
        return "évaluation des titres";
    case Somme::RealNetRM:
        return "position en liquidation";
    case Somme::RealNetTOT:
        return "position actuelle";
    case Somme::TotFrais:
        return "frais";
    case Somme::PlValBrut:
        return "+/- values réalisées brutes";
    case Somme::PlValNet:
        return "+/- values réalisées nettes";
    case Somme::PlValLatBrut:
        return "+/- values latentes brutes";
    case Somme::PlValLatNet:
        return "+/- values latentes nettes";
    case Somme::PlValLatNetSRD:
        return "+/- values latentes nettes S.R.D";
    case Somme::Cash:
        return "solde cash";
    case Somme::CashLiq:
        return "solde cash en liquidation";
    case Somme::NbAchat:
        return "quantité achetée";
    case Somme::NbVentes:
        return "quantité vendue";
    case Somme::Regle:
        return "quantité réglée";
    }
    return "";
}

// The names of the sums of bits, in the order of Somme, separated by commas.
std::string Noms(MasqueSommes bits) {
    std::string noms;
    for (unsigned i = 0; i <= static_cast<unsigned>(Somme::Regle); ++i) {
        const Somme somme = static_cast<Somme>(i);
        if ((bits & Bit(somme)) == 0)
            continue;
        if (!noms.empty())
            noms += ", ";
        noms += NomDe(somme);
    }
    return noms;
}

// The first sum of bits, in the order of Somme.
Somme Premiere(MasqueSommes bits) {
    unsigned i = 0;
    while ((bits & Bit(static_cast<Somme>(i))) == 0)
        ++i;
    return static_cast<Somme>(i);
}

// Adds (sens 1) or takes away (sens -1) a security's position from the totals.
void Compte(TotauxExacts& totaux, const BilanTitre& b, MasqueSommes horsLimite, int sens) {
    // In the order of Somme, which is the order of the totals.
    const std::int32_t champs[TotauxExacts::kNombre] = {
        b.NbInPort,  b.ARealBrut,    b.ARealNet,     b.VRealBrut,   b.VRealNet,      b.AchRMBrut,
        b.VenRMBrut, b.AchRMNet,     b.VenRMNet,     b.CoutBrut,    b.CoutNet,       b.ValorBrut,
        b.ValorNet,  b.ValorBrutAct, b.ValorNetAct,  b.RealNetRM,   b.RealNetTOT,    b.TotFrais,
        b.PlValBrut, b.PlValNet,     b.PlValLatBrut, b.PlValLatNet, b.PlValLatNetSRD};
    for (std::size_t i = 0; i < TotauxExacts::kNombre; ++i) {
        totaux.Sommes[i] += sens * std::int64_t{champs[i]};
        if ((horsLimite & Bit(static_cast<Somme>(i))) != 0)
            totaux.TitresHorsLimite[i] += sens;
    }
}

// The totals that cannot be shown exactly: a total beyond the fields, or one that adds up a
// security's sum already beyond. The cash is the securities' cash effect and the movements'
// balance added exactly (ComputeTotals), whatever the total of the cash effect itself.
MasqueSommes HorsLimite(const TotauxExacts& totaux) {
    MasqueSommes bits = 0;
    const auto inexact = [&totaux](Somme somme) {
        return totaux.TitresHorsLimite[static_cast<std::size_t>(somme)] > 0;
    };
    const auto somme = [&totaux](Somme s) { return totaux.Sommes[static_cast<std::size_t>(s)]; };
    for (std::size_t i = 0; i < TotauxExacts::kNombre; ++i) {
        const Somme total = static_cast<Somme>(i);
        if (inexact(total) || !Fits32(Wide{somme(total)}))
            bits |= Bit(total);
    }
    const std::int64_t cash = somme(Somme::RealNetTOT) + totaux.Solde;
    if (inexact(Somme::RealNetTOT) || !Fits32(Wide{cash}))
        bits |= Bit(Somme::Cash);
    if (inexact(Somme::RealNetTOT) || inexact(Somme::RealNetRM) ||
        !Fits32(Wide{cash + somme(Somme::RealNetRM)}))
        bits |= Bit(Somme::CashLiq);
    return bits;
}

// The refusal of the first total that a change takes beyond the fields; empty when none.
std::string TotalRefuse(MasqueSommes avant, MasqueSommes apres) {
    const MasqueSommes nouveaux = apres & ~avant;
    if (nouveaux == 0)
        return {};
    return std::string("Le total « ") + NomDe(Premiere(nouveaux)) +
           " » du portefeuille dépasserait ce que le portefeuille peut tenir : " + kLimites +
           ". Rien n'a été changé.";
}

} // namespace

std::string TCorv::Depassement(const Valeurs& titre) {
    return "Le titre « " + titre.Libelle + " » (" + titre.Code +
           ") dépasserait ce que le portefeuille peut tenir : " + kLimites +
           " (achats, ventes, frais, valorisations, +/- values). Rien n'a été changé.";
}

TotauxExacts TCorv::Totaux() const {
    TotauxExacts totaux;
    for (const auto& titre : Titres) {
        BilanTitre b;
        const MasqueSommes horsLimite = SommesHorsLimite(*titre, &b);
        Compte(totaux, b, horsLimite, 1);
    }
    for (const auto& mvt : Mouvements)
        totaux.Solde += EffetSurCash(*mvt);
    return totaux;
}

std::string TCorv::TotauxRefuses(const TotauxExacts& avant) const {
    return TotalRefuse(HorsLimite(avant), HorsLimite(Totaux()));
}

std::string TCorv::ChangementsRefuses(const Changements& changements,
                                      std::int64_t variation) const {
    const TotauxExacts avant = Totaux();
    TotauxExacts apres = avant;
    apres.Solde += variation;
    for (const auto& [titre, essai] : changements) {
        BilanTitre ancien;
        const MasqueSommes ancienHors = SommesHorsLimite(*titre, &ancien);
        Compte(apres, ancien, ancienHors, -1);
        BilanTitre nouveau;
        const MasqueSommes nouveauHors = SommesHorsLimite(*essai, &nouveau);
        if ((nouveauHors & ~ancienHors) != 0)
            return Depassement(*essai);
        Compte(apres, nouveau, nouveauHors, 1);
    }
    return TotalRefuse(HorsLimite(avant), HorsLimite(apres));
}

std::string TCorv::SommesRefusees(const Valeurs& titre, const Valeurs& essai) const {
    return ChangementsRefuses({{&titre, &essai}}, 0);
}

std::string TCorv::SoldeRefuse(std::int64_t variation) const {
    return ChangementsRefuses({}, variation);
}

std::vector<std::string> TCorv::SommesInexactes() const {
    std::vector<std::string> phrases;
    const std::string suite = std::string(" dépassent ce que le portefeuille peut tenir (") +
                              kLimites + ") et ne peuvent pas être montrés exactement.";
    for (const auto& titre : Titres) {
        if (const MasqueSommes bits = SommesHorsLimite(*titre); bits != 0)
            phrases.push_back("Titre « " + titre->Libelle + " » (" + titre->Code +
                              ") : " + Noms(bits) + suite);
    }
    if (const MasqueSommes bits = HorsLimite(Totaux()); bits != 0)
        phrases.push_back("Totaux du portefeuille : " + Noms(bits) + suite);
    return phrases;
}
