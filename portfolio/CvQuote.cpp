// A new quote for a security: the position follows it, and the alarms are asked only when the
// price itself changed, so that a quote that only brings a new volume or time logs nothing.

#include "portfolio/Cv.h"

bool TCorv::ApplyCours(Valeurs* titre, const InfosCours& infos) {
    const std::int32_t ancienCours = titre->Infos.Cours;
    titre->Infos = infos;
    SortOperes(titre);
    ComputeTitre(titre);
    return titre->Infos.Cours != ancienCours && CheckAlarmes(titre);
}
