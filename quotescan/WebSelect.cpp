#include "quotescan/IntradayFile.h"
#include "quotescan/Sites.h"

#include "platform/DateText.h"

#include <cstring>

namespace quotescan {

bool CWebSelect::BuildUrl() {
    switch (Ask->Type) {
    case AskKind::Quote:
        return WriteUrl(Host, "/cours.asp?VALEUR=%s&PLACE=1");
    case AskKind::Intraday:
        return WriteUrl(Host, "/intraday.asp?VALEUR=%s&SRCODBC=webtrade");
    case AskKind::History:
        return WriteUrl(Host, "/historic.asp?VALEUR=%s&Date=3&SRCODBC=webtrade");
    default:
        return false;
    }
}

bool CWebSelect::AnalyseCours() {
    InfosCours& infos = Ask->Infos;
    infos = InfosCours{};
    if (!FindMarker("Variation", 1) || !FindMarker("<TD height", 1) || !FindMarker(">", 2) ||
        !Search->ReadDate(&infos.Date))
        return false;
    if (!FindMarker("-", 1) || !Search->ReadTime(&infos.Heure))
        return false;
    if (!FindMarker("<TD NOWRAP", 1) || !FindMarker(">", 3) || !ReadPrice(&infos.Cours))
        return false;
    if (!FindMarker("<TD NOWRAP", 1) || !FindMarker(">", 4) || !Search->ReadFloat(&infos.Variation))
        return false;
    if (!FindMarker("<TR", 2) || !FindMarker(">", 3) || !ReadPrice(&infos.Ouverture))
        return false;
    if (!FindMarker("<TD", 1) || !FindMarker(">", 2) || !ReadPrice(&infos.Bas))
        return false;
    if (!FindMarker("<TD", 1) || !FindMarker(">", 2) || !ReadPrice(&infos.Haut))
        return false;
    if (!FindMarker("<TD", 1) || !FindMarker(">", 2) || !ReadVolume(&infos.Volume))
        return false;
    infos.Volume = ThousandsToShares(infos.Volume);
    StampNow();

    // The site names the security by its own identifier, which the next requests for it send.
    if (!FindMarker("<A HREF=\"intraday.asp?VALEUR=", 1))
        return false;
    // A cut identifier could name another security: one that the page's end cuts makes the
    // page incomplete, one too long for Code keeps the caller's code.
    char identifier[sizeof Ask->Code];
    const bool whole = Search->CopyUntil(identifier, sizeof identifier, '&');
    if (Search->Exhausted())
        return false;
    if (whole)
        std::memcpy(Ask->Code, identifier, sizeof identifier);
    return true;
}

bool CWebSelect::AnalyseIntraday() {
    std::int32_t count = 0;
    if (!FindMarker("<param name=\"nb\"", 1) || !FindMarker("value=", 1) ||
        !Search->ReadInt(&count))
        return false;
    // No points: the security's previous file is left as it was.
    if (count == 0)
        return true;
    IntradayFile file;
    if (!file.Create(*Ask))
        return false;
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t price = 0;
        std::int32_t time = 0;
        if (!FindMarker("value=", 1) || !ReadPrice(&price) || !FindMarker("value=", 1) ||
            !Search->ReadInt(&time) || !file.WritePoint(price, time))
            return false;
    }
    return file.Close();
}

bool CWebSelect::AnalyseHisto() {
    return FindMarker("<param name=\"nb\"", 1) && FindMarker("value=\"", 1) &&
           Search->ReadInt(&Reste);
}

std::string CWebSelect::DateText(std::string_view digits) {
    const std::size_t length = digits.size();
    if (length <= 2)
        return std::string(digits); // no day and month in it: the conversion rejects it
    std::string day, month, year;
    if (length >= 6) {
        year = digits.substr(0, 2);
        month = digits.substr(2, 2);
        day = digits.substr(4, 2);
    } else if (length == 5) {
        year = std::string("0") + digits[0];
        month = digits.substr(1, 2);
        day = digits.substr(3, 2);
    } else if (length == 4) {
        year = "00";
        month = digits.substr(0, 2);
        day = digits.substr(2, 2);
    } else {
        year = "00";
        month = std::string("0") + digits[0];
        day = digits.substr(1, 2);
    }
    return day + '/' + month + '/' + year;
}

bool CWebSelect::NextHisto(InfosCours* infos) {
    if (!ReadHistoPrice(infos))
        return true;
    // Only the first six characters count, so a text longer than the buffer is simply cut.
    char digits[12];
    Search->CopyUntil(digits, sizeof digits, '"');
    infos->Date = platform::StrToDate(DateText(digits));
    return false;
}

} // namespace quotescan
