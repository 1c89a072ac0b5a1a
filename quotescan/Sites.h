#pragma once

#include "quotescan/WebInf.h"

#include <memory>
#include <string>
#include <string_view>

namespace quotescan {

// Site 0: quotes only.
class CWebFinance : public CWebInf {
public:
    static constexpr std::string_view Host = "finance.cours-exemple.fr";
    using CWebInf::CWebInf;
    bool BuildUrl() override;
    bool AnalyseCours() override;
};

// Site 1: quotes, intraday points and history.
class CWebCota : public CWebInf {
public:
    static constexpr std::string_view Host = "cotation.cours-exemple.fr";
    using CWebInf::CWebInf;
    bool BuildUrl() override;
    bool AnalyseCours() override;
    bool AnalyseIntraday() override;
    bool AnalyseHisto() override;
    bool NextHisto(InfosCours* infos) override;

    // The history date yyyymmdd as the text dd/mm/yyyy; an empty text when the page ends
    // within the eight characters.
    static std::string DateText(const char* at);
};

// Site 2: quotes (which also give the site's own identifier of the security), intraday
// points and history.
class CWebSelect : public CWebInf {
public:
    static constexpr std::string_view Host = "selection.cours-exemple.fr";
    using CWebInf::CWebInf;
    bool BuildUrl() override;
    bool AnalyseCours() override;
    bool AnalyseIntraday() override;
    bool AnalyseHisto() override;
    bool NextHisto(InfosCours* infos) override;

    // The history date, the number yymmdd written without its leading zeros, as the text
    // dd/mm/yy. Two characters or fewer hold no date: they are returned as they are, for the
    // date conversion to reject with its own message.
    static std::string DateText(std::string_view digits);
};

// Site 3: quotes only, the volume given in shares.
class CWebBourso : public CWebInf {
public:
    static constexpr std::string_view Host = "bourse.cours-exemple.fr";
    using CWebInf::CWebInf;
    bool BuildUrl() override;
    bool AnalyseCours() override;
};

// The parser of a site index, or none for an index outside the table.
std::unique_ptr<CWebInf> CreateParser(AskWeb* ask);

// Sites 0 to 2 give the volume in thousands of shares. A volume beyond int32 saturates.
std::int32_t ThousandsToShares(std::int32_t thousands);

} // namespace quotescan
