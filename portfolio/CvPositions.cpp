// Positions of the securities: the replay of the trades into the position block, and the
// yields of a period.

#include "portfolio/Cv.h"
#include "portfolio/PositionArith.h"

#include "platform/Checked.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

using namespace position_arith;

namespace {

// Average purchase prices and the gain of covering a short position, for a buy of q shares
// out of a position of h.
GainsOpere ReplayBuy(BilanTitre& b, std::int32_t q, std::int32_t u, std::int64_t f,
                     std::int32_t h) {
    GainsOpere gains;
    const std::int64_t a = platform::Mul64(q, u);
    const std::int64_t n = std::int64_t{h} + q;
    if (h < 0) {
        const std::int64_t k = n < 0 ? std::int64_t{q} : -std::int64_t{h}; // shares covered
        const std::int64_t g =
            platform::Trunc64(Quotient(static_cast<double>(f), q) * static_cast<double>(k));
        const Wide brut = (Wide{b.PxMoyVenBrut} - u) * k;
        const Wide net = (Wide{b.PxMoyVenNet} - u - DivWide(g, k)) * k;
        gains = {static_cast<std::int64_t>(brut), static_cast<std::int64_t>(net), Low32(brut),
                 Low32(net)};
        if (n > 0) {
            b.PxMoyAchBrut = Low32(DivWide(a, q));
            b.PxMoyAchNet = static_cast<float>(Quotient(static_cast<double>(a + f), q) * 0.01);
        } else if (n == 0) {
            b.PxMoyAchBrut = 0;
            b.PxMoyAchNet = 0.0f;
        }
        return gains;
    }
    b.PxMoyAchBrut = Low32(DivWide(Wide{a} + Wide{h} * b.PxMoyAchBrut, n));
    b.PxMoyAchNet = static_cast<float>(Quotient(static_cast<double>(h) * b.PxMoyAchNet * 100.0 +
                                                    static_cast<double>(a) + static_cast<double>(f),
                                                static_cast<double>(n)) *
                                       0.01);
    return gains;
}

// Realised gain of a sale of q shares out of a position of h, and the average sale prices of
// the short position it leaves.
GainsOpere ReplaySale(BilanTitre& b, std::int32_t q, std::int32_t u, std::int64_t f,
                      std::int32_t h) {
    GainsOpere gains;
    const std::int64_t a = platform::Mul64(q, u);
    const double achatNet = static_cast<double>(b.PxMoyAchNet) * 100.0;
    const auto realise = [&gains](Wide brut, double net) {
        const std::int64_t tronque = platform::Trunc64(net);
        gains = {static_cast<std::int64_t>(brut), tronque, Low32(brut), platform::Trunc32(net)};
    };
    if (h <= 0) {
        const Wide total = Wide{q} - h;
        b.PxMoyVenBrut = Low32(DivWide(Wide{a} - Wide{h} * b.PxMoyVenBrut, total));
        b.PxMoyVenNet = Low32(DivWide(Wide{a} - f - Wide{h} * b.PxMoyVenNet, total));
    } else if (h < q) {
        // Only the fees of the h shares that close the long position weigh on its gain; the
        // rest go to the short position that the sale opens.
        const std::int64_t g =
            platform::Trunc64(Quotient(static_cast<double>(f), q) * static_cast<double>(h));
        realise((Wide{u} - b.PxMoyAchBrut) * h,
                (static_cast<double>(u - platform::SafeDiv(g, h)) - achatNet) * h);
        b.PxMoyVenBrut = u;
        b.PxMoyVenNet = Low32(Wide{u} - DivWide(Wide{f} - g, Wide{q} - h));
    } else {
        realise((Wide{u} - b.PxMoyAchBrut) * q,
                (u - Quotient(static_cast<double>(f), q) - achatNet) * q);
        b.PxMoyVenBrut = u;
        b.PxMoyVenNet = Low32(Wide{u} - DivWide(f, q));
    }
    return gains;
}

// Fees of selling a quantity at a price.
std::int32_t SaleFee(const TCorv& doc, std::int32_t quantite, std::int32_t cours, bool srd) {
    CalculFrais calcul;
    calcul.SRD = srd;
    calcul.Quantite = quantite;
    calcul.Cours = cours;
    return doc.ComputeFrais(calcul);
}

// What the replay computes for one trade, to be written into it or not.
struct ResultatOpere {
    std::int32_t PxMoyAchBrut = 0;
    float PxMoyAchNet = 0.0f;
    std::int32_t PxMoyVenBrut = 0;
    std::int32_t PxMoyVenNet = 0;
    std::int32_t PlValBrut = 0;
    std::int32_t PlValNet = 0;
};

// The position of a security replayed from its carried-over block; resultat(i, r) receives
// the results of the i-th trade of the list for each trade replayed.
// cumul forms the sums (a Cumul learns whether every sum, gain and valuation was held exactly).
template <typename Resultat, typename Sommes>
BilanTitre Replay(const TCorv& doc, const Valeurs& titre, std::optional<double> jusqua,
                  const ::Operes* exclue, Resultat&& resultat, Sommes& cumul) {
    BilanTitre b = titre.BilanPurge;
    b.RealNetTOT = 0;
    cumul.Add(Somme::RealNetTOT, b.RealNetTOT, std::int64_t{b.VRealNet} - b.ARealNet);
    std::int32_t regle = b.NbInPort; // held by settled trades

    for (std::size_t i = 0; i < titre.Operes.size(); ++i) {
        const ::Operes& op = *titre.Operes[i];
        if ((jusqua && op.Date > *jusqua) || &op == exclue)
            continue;
        const std::int32_t q = op.Quantite;
        const std::int32_t f = op.Frais;
        const std::int64_t a = platform::Mul64(q, op.Cours);
        const bool enAttente = doc.IsSrdPending(&titre, &op);
        const bool achat = op.Sens == 'A';

        // The trade's total fee is its three fees added in 32 bits: a file can hold three
        // whose sum does not fit.
        cumul.Check(Somme::TotFrais, Wide{op.FraisSRD} + op.Frais1 + op.Frais2);
        cumul.Add(Somme::TotFrais, b.TotFrais, f);
        ResultatOpere r;
        // A sale leaves the purchase averages as they were before it.
        r.PxMoyAchBrut = b.PxMoyAchBrut;
        r.PxMoyAchNet = b.PxMoyAchNet;
        // A trade of no shares (only a hand-edited file holds one) pays its fees and changes
        // no average.
        if (q != 0) {
            const GainsOpere gains = ReplayOpere(b, op.Sens, q, op.Cours, f);
            r.PlValBrut = gains.ChampBrut;
            r.PlValNet = gains.ChampNet;
            cumul.Check(Somme::PlValBrut, Wide{gains.Brut});
            cumul.Check(Somme::PlValNet, Wide{gains.Net});
        }
        if (achat) {
            r.PxMoyAchBrut = b.PxMoyAchBrut;
            r.PxMoyAchNet = b.PxMoyAchNet;
        }
        r.PxMoyVenBrut = b.PxMoyVenBrut;
        r.PxMoyVenNet = b.PxMoyVenNet;

        if (achat) {
            cumul.Add(Somme::NbAchat, b.NbAchat, q);
            cumul.Add(Somme::ARealBrut, b.ARealBrut, a);
            cumul.Add(Somme::ARealNet, b.ARealNet, a + f);
            if (enAttente) {
                cumul.Add(Somme::AchRMBrut, b.AchRMBrut, a);
                cumul.Add(Somme::AchRMNet, b.AchRMNet, a + f);
                cumul.Add(Somme::RealNetRM, b.RealNetRM, -(a + f));
            } else {
                cumul.Add(Somme::Regle, regle, q);
                cumul.Add(Somme::RealNetTOT, b.RealNetTOT, -(a + f));
            }
        } else {
            cumul.Add(Somme::NbVentes, b.NbVentes, q);
            cumul.Add(Somme::VRealBrut, b.VRealBrut, a);
            cumul.Add(Somme::VRealNet, b.VRealNet, a - f);
            if (enAttente) {
                cumul.Add(Somme::VenRMBrut, b.VenRMBrut, a);
                cumul.Add(Somme::VenRMNet, b.VenRMNet, a - f);
                cumul.Add(Somme::RealNetRM, b.RealNetRM, a - f);
            } else {
                cumul.Add(Somme::Regle, regle, -std::int64_t{q});
                cumul.Add(Somme::RealNetTOT, b.RealNetTOT, a - f);
            }
        }
        cumul.Add(Somme::PlValBrut, b.PlValBrut, r.PlValBrut);
        cumul.Add(Somme::PlValNet, b.PlValNet, r.PlValNet);
        b.NbInPort = 0;
        cumul.Add(Somme::NbInPort, b.NbInPort, std::int64_t{b.NbAchat} - b.NbVentes);
        resultat(i, r);
    }

    // Only a long position is valued; a short or empty one is worth nothing here.
    b.PlValLatBrut = b.PlValLatNet = b.PlValLatNetSRD = 0;
    b.CoutBrut = b.CoutNet = b.ValorBrut = b.ValorNet = b.ValorBrutAct = b.ValorNetAct = 0;
    const std::int32_t p = b.NbInPort;
    if (p <= 0)
        return b;
    const std::int32_t cours = titre.Infos.Cours;
    const double achatNet = static_cast<double>(b.PxMoyAchNet) * 100.0;
    const std::int32_t fraisVente = SaleFee(doc, p, cours, false);
    const Wide latentBrut = (Wide{cours} - b.PxMoyAchBrut) * p;
    const std::int64_t cout = platform::Mul64(p, b.PxMoyAchBrut);
    const double coutNet = static_cast<double>(p) * b.PxMoyAchNet * 100.0;
    const std::int64_t valeur = platform::Mul64(cours, p);
    const std::int64_t valeurAct = platform::Mul64(cours, regle);
    const std::int64_t valeurNetAct = valeurAct - SaleFee(doc, regle, cours, false);
    const double latent = (cours - achatNet) * p;
    const double latentNet = latent - fraisVente;
    const double latentNetSrd = latent - SaleFee(doc, p, cours, titre.SRD);
    cumul.Check(Somme::PlValLatBrut, latentBrut);
    cumul.Check(Somme::CoutBrut, Wide{cout});
    cumul.Check(Somme::ValorBrut, Wide{valeur});
    cumul.Check(Somme::ValorNet, Wide{valeur - fraisVente});
    cumul.Check(Somme::ValorBrutAct, Wide{valeurAct});
    cumul.Check(Somme::ValorNetAct, Wide{valeurNetAct});
    cumul.Check(Somme::CoutNet, coutNet);
    cumul.Check(Somme::PlValLatNet, latentNet);
    cumul.Check(Somme::PlValLatNetSRD, latentNetSrd);
    b.PlValLatBrut = Low32(latentBrut);
    b.CoutBrut = platform::Wrap32(cout);
    b.CoutNet = platform::Trunc32(coutNet);
    b.ValorBrut = platform::Wrap32(valeur);
    b.ValorNet = platform::Wrap32(valeur - fraisVente);
    b.ValorBrutAct = platform::Wrap32(valeurAct);
    b.ValorNetAct = platform::Wrap32(valeurNetAct);
    b.PlValLatNet = platform::Trunc32(latentNet);
    b.PlValLatNetSRD = platform::Trunc32(latentNetSrd);
    return b;
}

} // namespace

GainsOpere ReplayOpere(BilanTitre& b, char sens, std::int32_t q, std::int32_t u, std::int64_t f) {
    const std::int32_t h = b.NbInPort;
    return sens == 'A' ? ReplayBuy(b, q, u, f, h) : ReplaySale(b, q, u, f, h);
}

void TCorv::ComputeTitre(Valeurs* titre, std::optional<double> jusqua, const ::Operes* exclue) {
    Modulo cumul;
    titre->Bilan = Replay(
        *this, *titre, jusqua, exclue,
        [titre](std::size_t i, const ResultatOpere& r) {
            ::Operes& op = *titre->Operes[i];
            op.PxMoyAchBrut = r.PxMoyAchBrut;
            op.PxMoyAchNet = r.PxMoyAchNet;
            op.PxMoyVenBrut = r.PxMoyVenBrut;
            op.PxMoyVenNet = r.PxMoyVenNet;
            op.PlValBrut = r.PlValBrut;
            op.PlValNet = r.PlValNet;
        },
        cumul);
}

BilanTitre TCorv::ComputeBilan(const Valeurs& titre, std::optional<double> jusqua,
                               const ::Operes* exclue) const {
    Modulo cumul;
    return Replay(
        *this, titre, jusqua, exclue, [](std::size_t, const ResultatOpere&) {}, cumul);
}

std::uint32_t TCorv::SommesHorsLimite(const Valeurs& titre, BilanTitre* bilan) const {
    Cumul cumul;
    const BilanTitre b = Replay(
        *this, titre, std::nullopt, nullptr, [](std::size_t, const ResultatOpere&) {}, cumul);
    if (bilan != nullptr)
        *bilan = b;
    return cumul.HorsLimite();
}

bool TCorv::ComputeRentabilite(Valeurs* titre, double debut) {
    BilanTitre& b = titre->Bilan;
    b.TotFraisPer = 0;
    float rb = 0.0f;
    float rn = 0.0f;
    int count = 0;
    for (const auto& ptr : titre->Operes) {
        const ::Operes& op = *ptr;
        if (op.Date < debut)
            continue;
        Add32(b.TotFraisPer, op.Frais);
        if (op.PlValBrut == 0 && op.PlValNet == 0)
            continue;
        ++count;
        // A trade measured against an average price of 0 (shares received for nothing)
        // counts, with a yield of 0.
        const std::int32_t q = op.Quantite;
        if (op.Sens == 'A') {
            rb = static_cast<float>(rb + Quotient(op.PlValBrut, static_cast<double>(platform::Mul64(
                                                                    q, op.PxMoyVenBrut))));
            rn = static_cast<float>(rn + Quotient(op.PlValNet, static_cast<double>(platform::Mul64(
                                                                   q, op.PxMoyVenNet))));
        } else {
            rb = static_cast<float>(rb + Quotient(op.PlValBrut, static_cast<double>(platform::Mul64(
                                                                    q, op.PxMoyAchBrut))));
            rn = static_cast<float>(
                rn + Quotient(op.PlValNet, static_cast<double>(op.PxMoyAchNet) * 100.0 * q));
        }
    }

    b.RentBrut = b.RentNet = b.RentRes1 = b.RentRes2 = 0;
    if (count > 0) {
        b.RentBrut = platform::Trunc32(static_cast<double>(rb) / count * 10000.0);
        b.RentNet = platform::Trunc32(static_cast<double>(rn) / count * 10000.0);
    }
    const std::int32_t p = b.NbInPort;
    if (p > 0) {
        const float latBrut = static_cast<float>(
            Quotient(b.PlValLatBrut, static_cast<double>(platform::Mul64(p, b.PxMoyAchBrut))));
        const float latNet = static_cast<float>(
            Quotient(b.PlValLatNet, static_cast<double>(b.PxMoyAchNet) * 100.0 * p));
        b.RentLatBrut = platform::Trunc32(static_cast<double>(latBrut) * 10000.0);
        b.RentLatNet = platform::Trunc32(static_cast<double>(latNet) * 10000.0);
    }
    return count > 0;
}

void TCorv::ComputeRentabilites(double debut) {
    TotFraisPer = RentBrut = RentNet = RentRes1 = RentRes2 = 0;
    std::int64_t brut = 0;
    std::int64_t net = 0;
    std::int64_t res1 = 0;
    std::int64_t res2 = 0;
    std::int64_t count = 0;
    for (const auto& titre : Titres) {
        if (ComputeRentabilite(titre.get(), debut))
            ++count;
        const BilanTitre& b = titre->Bilan;
        Add32(TotFraisPer, b.TotFraisPer);
        brut += b.RentBrut;
        net += b.RentNet;
        res1 += b.RentRes1;
        res2 += b.RentRes2;
    }
    // Securities that realised nothing in the period weigh neither on the sums nor on the
    // count, so the mean is over the securities that did.
    if (brut != 0)
        RentBrut = platform::Wrap32(platform::SafeDiv(brut, count));
    if (net != 0)
        RentNet = platform::Wrap32(platform::SafeDiv(net, count));
    if (res1 != 0)
        RentRes1 = platform::Wrap32(platform::SafeDiv(res1, count));
    if (res2 != 0)
        RentRes2 = platform::Wrap32(platform::SafeDiv(res2, count));
}
