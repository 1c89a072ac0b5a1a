// A new quote for a security: the position follows it, and the alarms are asked only when the
// price itself changed, so that a quote that only brings a new volume or time logs nothing.

#include "portfolio/Cv.h"

#include <memory>
#include <utility>

TCorv::CoursApplique TCorv::ApplyCours(Valeurs* titre, const InfosCours& infos) {
    // A quote comes from the network as a typed price comes from the user: both go through
    // the gate of the security's sums.
    const std::unique_ptr<Valeurs> essai = CopyTitre(*titre);
    essai->Infos = infos;
    SortOperes(essai.get());
    if (Refus refus = SommesRefusees(*titre, *essai))
        return {.refus = std::move(refus)};

    const std::int32_t ancienCours = titre->Infos.Cours;
    titre->Infos = infos;
    SortOperes(titre);
    ComputeTitre(titre);
    return {.refus = {}, .alarme = titre->Infos.Cours != ancienCours && CheckAlarmes(titre)};
}
