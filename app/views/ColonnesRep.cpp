#include "views/ColonnesRep.h"

#include "views/ViewSort.h"
#include "views/ViewText.h"

#include "portfolio/Cv.h"

namespace {

constexpr ColonneRep Entier(const char* libelle, std::int32_t BilanTitre::*champ) {
    return {libelle, kColEntier, champ, nullptr};
}

constexpr ColonneRep Montant(const char* libelle, std::int32_t BilanTitre::*champ,
                             bool rouge = false) {
    return {libelle, kColMontant | (rouge ? kColRougeNegatif : 0), champ, nullptr};
}

} // namespace

const std::array<ColonneRep, kNbColonnesRep> ColonnesRep{{
    Entier("Nb. Achats", &BilanTitre::NbAchat),
    Entier("Nb. Ventes", &BilanTitre::NbVentes),
    Entier("Qte en Port.", &BilanTitre::NbInPort),
    Montant("Px Moy. Ach. Brut", &BilanTitre::PxMoyAchBrut),
    {"Px Moy. Ach. Net", kColFlottant, nullptr, &BilanTitre::PxMoyAchNet},
    Montant("Coût Total Brut", &BilanTitre::CoutBrut),
    Montant("Coût Total Net", &BilanTitre::CoutNet),
    Montant("Mnt Tot. Frais", &BilanTitre::TotFrais),
    Montant("Valorisation Brut", &BilanTitre::ValorBrut),
    Montant("Valorisation Net", &BilanTitre::ValorNet),
    Montant("+Val. Réal. Brut", &BilanTitre::PlValBrut, true),
    Montant("+Val. Réal. Net", &BilanTitre::PlValNet, true),
    Montant("+Val. Lat. Brut", &BilanTitre::PlValLatBrut, true),
    Montant("+Val. Lat. Net", &BilanTitre::PlValLatNet, true),
    Montant("Tot. Achats Brut", &BilanTitre::ARealBrut),
    Montant("Tot. Achats Net", &BilanTitre::ARealNet),
    Montant("Tot. Ventes Brut", &BilanTitre::VRealBrut),
    Montant("Tot. Ventes Net", &BilanTitre::VRealNet),
    Montant("Pos. Liquidation", &BilanTitre::RealNetRM, true),
    Montant("Pos. Actuelle", &BilanTitre::RealNetTOT, true),
    {"Libellé", kColLibelle, nullptr, nullptr},
    Montant("+V.Lat.Net.SRD", &BilanTitre::PlValLatNetSRD, true),
}};

const ColonneRep* ColonneRepById(int id) {
    if (id < 1 || id > static_cast<int>(kNbColonnesRep))
        return nullptr;
    return &ColonnesRep[static_cast<std::size_t>(id - 1)];
}

std::vector<int> ColonnesAffichees(const std::array<std::uint8_t, kNbColonnesRep>& ids) {
    std::vector<int> affichees;
    std::array<bool, kNbColonnesRep + 1> vu{};
    for (const std::uint8_t id : ids) {
        if (ColonneRepById(id) == nullptr || vu[id])
            continue;
        vu[id] = true;
        affichees.push_back(id);
    }
    return affichees;
}

std::string ColonneRepText(const ColonneRep& colonne, const Valeurs& titre, float facteur) {
    const BilanTitre& ligne = titre.Bilan;
    switch (colonne.Affichage()) {
    case kColEntier:
        return std::to_string(ligne.*colonne.Entier);
    case kColMontant:
        return MontantText(ligne.*colonne.Entier, facteur);
    case kColFlottant:
        return EurosText(ligne.*colonne.Flottant, facteur);
    default:
        return titre.Libelle;
    }
}

int CompareColonneRep(const ColonneRep& colonne, const Valeurs& a, const Valeurs& b) {
    switch (colonne.Affichage()) {
    case kColEntier:
    case kColMontant:
        return Signe(a.Bilan.*colonne.Entier, b.Bilan.*colonne.Entier);
    case kColFlottant:
        return Signe(a.Bilan.*colonne.Flottant, b.Bilan.*colonne.Flottant);
    default:
        return Signe(a.Libelle.compare(b.Libelle), 0);
    }
}
