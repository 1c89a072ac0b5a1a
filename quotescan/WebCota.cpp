#include "quotescan/IntradayFile.h"
#include "quotescan/Sites.h"

#include "platform/DateText.h"

namespace quotescan {

bool CWebCota::BuildUrl() {
    switch (Ask->Type) {
    case AskKind::Quote:
        return WriteUrl(Host, "/resultat_requete_cours_30mn.asp?VALEUR=%s");
    case AskKind::Intraday:
        return WriteUrl(Host, "/resultat_requete_intraday.asp?VALEUR=%s&x=8&y=6");
    case AskKind::History:
        return WriteUrl(Host, "/resultat_requete_historique.asp?DATE=1&VALEUR=%s&x=8&y=7");
    default:
        return false;
    }
}

bool CWebCota::AnalyseCours() {
    InfosCours& infos = Ask->Infos;
    infos = InfosCours{};
    if (!FindMarker("downline.gif", 1) || !FindMarker("<TR>", 2) || !FindMarker("size=2>", 3) ||
        !ReadPrice(&infos.Cours))
        return false;
    if (!FindMarker("size=2>", 1) || !Search->ReadFloat(&infos.Variation))
        return false;
    if (!FindMarker("size=2>", 1) || !ReadVolume(&infos.Volume))
        return false;
    infos.Volume = ThousandsToShares(infos.Volume);
    if (!FindMarker("size=2>", 1) || !ReadPrice(&infos.Ouverture))
        return false;
    if (!FindMarker("size=2>", 1) || !ReadPrice(&infos.Haut))
        return false;
    if (!FindMarker("size=2>", 1) || !ReadPrice(&infos.Bas))
        return false;
    StampNow();
    return true;
}

bool CWebCota::AnalyseIntraday() {
    if (!FindMarker("<param name=\"valeur0\"", 1))
        return false;
    IntradayFile file;
    if (!file.Create(*Ask))
        return false;
    do {
        std::int32_t price = 0;
        std::int32_t time = 0;
        if (!FindMarker("value=\"", 1) || !ReadPrice(&price) || !FindMarker("value=\"", 1) ||
            !Search->ReadInt(&time) || !file.WritePoint(price, time))
            return false;
    } while (FindMarker("<param name=\"valeur", 1));
    return file.Close();
}

bool CWebCota::AnalyseHisto() {
    return FindMarker("<param name=\"nb\"", 1) && FindMarker("value=", 1) &&
           Search->ReadInt(&Reste);
}

std::string CWebCota::DateText(const char* at) {
    char digits[8];
    for (int i = 0; i < 8; ++i) {
        if (at[i] == '\0')
            return std::string();
        digits[i] = at[i];
    }
    std::string text;
    text += digits[6];
    text += digits[7];
    text += '/';
    text += digits[4];
    text += digits[5];
    text += '/';
    text.append(digits, 4);
    return text;
}

bool CWebCota::NextHisto(InfosCours* infos) {
    if (!ReadHistoPrice(infos))
        return true;
    // The date is read where the cursor stands without moving it: the next record's search
    // begins on it. A page cut within the date is a record that cannot be read.
    const std::string text = DateText(Search->Courant);
    if (text.empty())
        return true;
    infos->Date = platform::StrToDate(text);
    return false;
}

} // namespace quotescan
