#pragma once

#include "quotescan/AskWeb.h"
#include "quotescan/Search.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quotescan {

// Base of the site parsers. One object serves one call of the exported functions (or, for a
// history page, the history read that follows); a site overrides only the kinds it serves, the
// others keep the answers below.
class CWebInf {
public:
    explicit CWebInf(AskWeb* ask);
    virtual ~CWebInf();
    CWebInf(const CWebInf&) = delete;
    CWebInf& operator=(const CWebInf&) = delete;

    // Creates the cursor over the page and runs the analysis of the request's kind.
    bool Analyse(char* page);

    virtual bool BuildUrl();
    virtual bool AnalyseCours();
    virtual bool AnalyseIntraday();
    virtual bool AnalyseHisto();
    // False: a record was written into infos. True: no record is left.
    virtual bool NextHisto(InfosCours* infos);

    AskWeb* Ask;                     // not owned; null once the call that lent it has returned
    std::unique_ptr<CSearch> Search; // none before Analyse
    std::string Marqueur;            // the marker searched last
    std::int32_t Reste = 0;          // history records still to hand out

protected:
    bool FindMarker(std::string_view marker, int n);
    // A price in cents and a volume in shares (or thousands, as the site gives it). Neither is
    // ever negative: a signed one means the cursor is not on the value the parser expects, and
    // the read answers false without writing, as for a value that is missing.
    bool ReadPrice(std::int32_t* out);
    bool ReadVolume(std::int32_t* out);
    // Writes "http://" host path into Formule, the request's Code standing for the path's "%s".
    // False, Formule untouched, when Code is not terminated within its field or the URL does
    // not fit Formule.
    bool WriteUrl(std::string_view host, std::string_view path);
    // Stamps the quote with the moment it was read; the page's own date is not trusted.
    void StampNow();
    // The frame shared by the history records of sites 1 and 2: counts the record down, finds it
    // and reads its price into infos->Cours, leaving the cursor on its date text. False when no
    // record is left (a record that cannot be read ends the history).
    bool ReadHistoPrice(InfosCours* infos);
};

} // namespace quotescan
