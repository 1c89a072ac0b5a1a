#include "quotescan/Sites.h"

namespace quotescan {

bool CWebBourso::BuildUrl() {
    if (Ask->Type != AskKind::Quote)
        return false;
    // "%3D" is the query's own encoded '=', sent as these three characters.
    return WriteUrl(Host, "/cours33.phtml?code=%s&choix_bourse=pays%3D33");
}

bool CWebBourso::AnalyseCours() {
    InfosCours& infos = Ask->Infos;
    infos = InfosCours{};
    if (!FindMarker("<!-- COLONNE 1: COURS -->", 1) || !FindMarker("size=2>Dernier", 1) ||
        !FindMarker("size=2>", 1) || !ReadPrice(&infos.Cours))
        return false;
    if (!FindMarker("size=2>Var.", 1) || !FindMarker("size=2>", 1) || !FindMarker(">", 2) ||
        !Search->ReadFloat(&infos.Variation))
        return false;
    if (!FindMarker("size=2>Volume", 1) || !FindMarker("size=2>", 1) || !ReadVolume(&infos.Volume))
        return false;
    if (!FindMarker("size=2>Ouvert.", 1) || !FindMarker("size=2>", 1) ||
        !ReadPrice(&infos.Ouverture))
        return false;
    if (!FindMarker("size=2>+ Haut", 1) || !FindMarker("size=2>", 1) || !ReadPrice(&infos.Haut))
        return false;
    if (!FindMarker("size=2>+ Bas", 1) || !FindMarker("size=2>", 1) || !ReadPrice(&infos.Bas))
        return false;
    StampNow();
    return true;
}

} // namespace quotescan
