#include "quotescan/Sites.h"

namespace quotescan {

bool CWebFinance::BuildUrl() {
    if (Ask->Type != AskKind::Quote)
        return false;
    return WriteUrl(Host, "/quote?s=%s&d=v2&o=t&m=*");
}

bool CWebFinance::AnalyseCours() {
    InfosCours& infos = Ask->Infos;
    infos = InfosCours{};
    if (!FindMarker("Dern. Cours", 1) || !FindMarker("width=11>", 1) || !ReadPrice(&infos.Cours))
        return false;
    if (!FindMarker("color=#007f00>", 2) || !Search->ReadFloat(&infos.Variation))
        return false;
    if (!FindMarker("<TD noWrap>", 1) || !ReadVolume(&infos.Volume))
        return false;
    infos.Volume = ThousandsToShares(infos.Volume);
    if (!FindMarker("width=11>", 1) || !ReadPrice(&infos.Ouverture))
        return false;
    if (!FindMarker("width=11>", 1) || !ReadPrice(&infos.Bas))
        return false;
    if (!FindMarker("width=11>", 1) || !ReadPrice(&infos.Haut))
        return false;
    StampNow();
    return true;
}

} // namespace quotescan
