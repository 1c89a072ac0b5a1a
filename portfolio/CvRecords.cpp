// The document's records: creation, lookup, the two orderings and the portfolio totals.

#include "portfolio/Cv.h"

#include "platform/Checked.h"
#include "platform/Sort.h"

#include <cstring>
#include <utility>

TCorv::TCorv(std::string repertoire) : Repertoire(std::move(repertoire)) {
    // Every other default sits in the class definition; Taux is left for LoadSettings, which
    // every creator calls next.
}

// The lists own their records: nothing else to free, and a document is never saved
// implicitly.
TCorv::~TCorv() = default;

Valeurs* TCorv::AddTitre(const Valeurs& model, std::string* refus) {
    if (std::string pourquoi = CodeRefuse(model.Code); !pourquoi.empty()) {
        if (refus != nullptr)
            *refus = std::move(pourquoi);
        return nullptr;
    }
    if (FindTitre(model.Code) != nullptr)
        return nullptr;
    auto titre = CopyDescription(model);
    Valeurs* ajoute = titre.get();
    Titres.push_back(std::move(titre));
    SortTitres();
    Modifie = true;
    return ajoute;
}

std::unique_ptr<Valeurs> CopyDescription(const Valeurs& titre) {
    auto copie = std::make_unique<Valeurs>();
    copie->Code = titre.Code;
    copie->Libelle = titre.Libelle;
    copie->Activite = titre.Activite;
    copie->NomBourse = titre.NomBourse;
    copie->SRD = titre.SRD;
    copie->SuiviAuto = titre.SuiviAuto;
    copie->Infos = titre.Infos;
    return copie;
}

std::unique_ptr<Valeurs> CopyTitre(const Valeurs& titre) {
    auto copie = CopyDescription(titre);
    copie->Bilan = titre.Bilan;
    copie->BilanPurge = titre.BilanPurge;
    copie->Operes.reserve(titre.Operes.size());
    for (const auto& opere : titre.Operes)
        copie->Operes.push_back(std::make_unique<Operes>(*opere));
    copie->Alarmes.reserve(titre.Alarmes.size());
    for (const auto& alarme : titre.Alarmes)
        copie->Alarmes.push_back(std::make_unique<SDetAlarme>(*alarme));
    return copie;
}

FicheTitre FicheTitre::De(const Valeurs& titre) {
    return {titre.Code,        titre.Libelle, titre.NomBourse, titre.Activite,
            titre.Infos.Cours, titre.SRD,     titre.SuiviAuto};
}

void TCorv::FreeOperes(Valeurs* titre) {
    if (titre != nullptr)
        titre->Operes.clear();
}

Valeurs* TCorv::FindTitre(const std::string& code) const {
    for (const auto& titre : Titres) {
        if (titre->Code == code)
            return titre.get();
    }
    return nullptr;
}

void TCorv::ComputeTotals() {
    // Sums are taken in 64 bits and brought back to 32 bits as the int32 additions would
    // have wrapped, without the undefined behaviour of a signed overflow.
    std::int64_t nbInPort = 0, aRealBrut = 0, aRealNet = 0, vRealBrut = 0, vRealNet = 0;
    std::int64_t achRMBrut = 0, venRMBrut = 0, achRMNet = 0, venRMNet = 0;
    std::int64_t coutBrut = 0, coutNet = 0, valorBrut = 0, valorNet = 0;
    std::int64_t valorBrutAct = 0, valorNetAct = 0, realNetRM = 0, realNetTOT = 0;
    std::int64_t totFrais = 0, plValBrut = 0, plValNet = 0;
    std::int64_t plValLatBrut = 0, plValLatNet = 0, plValLatNetSRD = 0;
    for (const auto& titre : Titres) {
        const BilanTitre& b = titre->Bilan;
        nbInPort += b.NbInPort;
        aRealBrut += b.ARealBrut;
        aRealNet += b.ARealNet;
        vRealBrut += b.VRealBrut;
        vRealNet += b.VRealNet;
        achRMBrut += b.AchRMBrut;
        venRMBrut += b.VenRMBrut;
        achRMNet += b.AchRMNet;
        venRMNet += b.VenRMNet;
        coutBrut += b.CoutBrut;
        coutNet += b.CoutNet;
        valorBrut += b.ValorBrut;
        valorNet += b.ValorNet;
        valorBrutAct += b.ValorBrutAct;
        valorNetAct += b.ValorNetAct;
        realNetRM += b.RealNetRM;
        realNetTOT += b.RealNetTOT;
        totFrais += b.TotFrais;
        plValBrut += b.PlValBrut;
        plValNet += b.PlValNet;
        plValLatBrut += b.PlValLatBrut;
        plValLatNet += b.PlValLatNet;
        plValLatNetSRD += b.PlValLatNetSRD;
    }
    using platform::Wrap32;
    NbInPort = Wrap32(nbInPort);
    ARealBrut = Wrap32(aRealBrut);
    ARealNet = Wrap32(aRealNet);
    VRealBrut = Wrap32(vRealBrut);
    VRealNet = Wrap32(vRealNet);
    AchRMBrut = Wrap32(achRMBrut);
    VenRMBrut = Wrap32(venRMBrut);
    AchRMNet = Wrap32(achRMNet);
    VenRMNet = Wrap32(venRMNet);
    CoutBrut = Wrap32(coutBrut);
    CoutNet = Wrap32(coutNet);
    ValorBrut = Wrap32(valorBrut);
    ValorNet = Wrap32(valorNet);
    ValorBrutAct = Wrap32(valorBrutAct);
    ValorNetAct = Wrap32(valorNetAct);
    RealNetRM = Wrap32(realNetRM);
    RealNetTOT = Wrap32(realNetTOT);
    TotFrais = Wrap32(totFrais);
    PlValBrut = Wrap32(plValBrut);
    PlValNet = Wrap32(plValNet);
    PlValLatBrut = Wrap32(plValLatBrut);
    PlValLatNet = Wrap32(plValLatNet);
    PlValLatNetSRD = Wrap32(plValLatNetSRD);
    TotFraisPer = 0;
    RentBrut = 0;
    RentNet = 0;
    RentRes1 = 0;
    RentRes2 = 0;

    // Exact to the cent: a float balance drops cents above 167 772,16 euros. Up to 2^31
    // movements of at most 2^31 cents cannot overflow 64 bits.
    std::int64_t balance = 0;
    for (const auto& mvt : Mouvements)
        balance += EffetSurCash(*mvt);
    // The cash adds the securities' cash effects as they stand, not their wrapped total: the
    // cash of a portfolio holds even when the total of what its trades paid out does not.
    CashLiq = platform::Saturate32(realNetTOT + realNetRM + balance);
    Cash = platform::Saturate32(realNetTOT + balance);
}

std::int64_t EffetSurCash(const Mvt& mvt) {
    if (mvt.Sens == 'C')
        return mvt.Montant;
    if (mvt.Sens == 'D')
        return -std::int64_t{mvt.Montant};
    return 0;
}

void TCorv::SortOperes(Valeurs* titre) {
    if (titre == nullptr)
        return;
    platform::QuickSort(titre->Operes,
                        [](const std::unique_ptr<Operes>& a, const std::unique_ptr<Operes>& b) {
                            return CompareOperes(a.get(), b.get());
                        });
}

void TCorv::SortTitres() {
    platform::QuickSort(Titres,
                        [](const std::unique_ptr<Valeurs>& a, const std::unique_ptr<Valeurs>& b) {
                            return CompareTitres(a.get(), b.get());
                        });
}

int CompareOperes(const Operes* a, const Operes* b) {
    if (a == b)
        return 0;
    if (a->Date < b->Date)
        return -1;
    if (a->Date > b->Date)
        return 1;
    if (a->Sens != b->Sens) {
        if (a->Sens == 'A' && b->Sens == 'V')
            return -1;
        if (a->Sens == 'V' && b->Sens == 'A')
            return 1;
        return 0;
    }
    const std::int64_t montantA = platform::Mul64(a->Quantite, a->Cours);
    const std::int64_t montantB = platform::Mul64(b->Quantite, b->Cours);
    if (montantA == montantB)
        return 0;
    if (a->Sens == 'A') // buys: the smaller amount first
        return montantA < montantB ? -1 : 1;
    if (a->Sens == 'V') // sales: the larger amount first
        return montantA > montantB ? -1 : 1;
    return 0;
}

int CompareTitres(const Valeurs* a, const Valeurs* b) {
    // Byte order as unsigned codes: upper case before lower case, accented letters last.
    const std::string& la = a->Libelle;
    const std::string& lb = b->Libelle;
    const std::size_t n = la.size() < lb.size() ? la.size() : lb.size();
    const int c = n == 0 ? 0 : std::memcmp(la.data(), lb.data(), n);
    if (c != 0)
        return c < 0 ? -1 : 1;
    if (la.size() == lb.size())
        return 0;
    return la.size() < lb.size() ? -1 : 1;
}
