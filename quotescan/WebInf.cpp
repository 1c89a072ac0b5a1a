#include "quotescan/WebInf.h"

#include "platform/DateTime.h"

#include <cstring>

namespace quotescan {

CWebInf::CWebInf(AskWeb* ask) : Ask(ask) {}

CWebInf::~CWebInf() = default;

bool CWebInf::Analyse(char* page) {
    Search = std::make_unique<CSearch>(page);
    switch (Ask->Type) {
    case AskKind::Quote:
        return AnalyseCours();
    case AskKind::Intraday:
        return AnalyseIntraday();
    case AskKind::History:
        return AnalyseHisto();
    default:
        return false;
    }
}

bool CWebInf::BuildUrl() {
    return true;
}
bool CWebInf::AnalyseCours() {
    return false;
}
bool CWebInf::AnalyseIntraday() {
    return false;
}
bool CWebInf::AnalyseHisto() {
    return false;
}
bool CWebInf::NextHisto(InfosCours*) {
    return false;
}

bool CWebInf::FindMarker(std::string_view marker, int n) {
    Marqueur.assign(marker);
    return Search->Find(Marqueur, n, false);
}

namespace {

bool StoreIfNotNegative(std::int32_t value, std::int32_t* out) {
    if (value < 0)
        return false;
    *out = value;
    return true;
}

} // namespace

bool CWebInf::ReadPrice(std::int32_t* out) {
    std::int32_t cents = 0;
    return Search->ReadCents(&cents) && StoreIfNotNegative(cents, out);
}

bool CWebInf::ReadVolume(std::int32_t* out) {
    std::int32_t volume = 0;
    return Search->ReadInt(&volume) && StoreIfNotNegative(volume, out);
}

bool CWebInf::WriteUrl(std::string_view host, std::string_view path) {
    const void* end = std::memchr(Ask->Code, '\0', sizeof Ask->Code);
    if (end == nullptr)
        return false;
    const auto codeLength = static_cast<std::size_t>(static_cast<const char*>(end) - Ask->Code);
    std::string url = "http://";
    url += host;
    const std::size_t slot = path.find("%s");
    if (slot == std::string_view::npos) {
        url += path;
    } else {
        url += path.substr(0, slot);
        url.append(Ask->Code, codeLength);
        url += path.substr(slot + 2);
    }
    if (url.size() >= sizeof Ask->Formule)
        return false;
    std::memcpy(Ask->Formule, url.c_str(), url.size() + 1);
    return true;
}

void CWebInf::StampNow() {
    const platform::TDateTime now = platform::Clock::Now();
    Ask->Infos.Date = platform::DateOf(now);
    Ask->Infos.Heure = platform::TimeOf(now);
}

bool CWebInf::ReadHistoPrice(InfosCours* infos) {
    if (Reste <= 0)
        return false;
    --Reste;
    return FindMarker("<param name=", 1) && FindMarker("value=\"", 1) && ReadPrice(&infos->Cours) &&
           FindMarker("value=\"", 1);
}

} // namespace quotescan
