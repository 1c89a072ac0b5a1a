// The library's boundary: three C functions and the one parser that outlives a call, the
// one holding a history page until its last record has been handed out.

#include "quotescan/AskWeb.h"
#include "quotescan/Sites.h"

#include "platform/ConversionError.h"

#include <memory>

namespace {

std::unique_ptr<quotescan::CWebInf> WebCourant;

// Runs one exported call. A date or time that does not convert reaches the caller, as it
// decides what follows; any other failure (memory, a file) is reported by the result. Either
// way the current parser is dropped: the page it reads may not outlive the error.
template <typename Body> bool Guarded(Body body, bool onFailure) {
    try {
        return body();
    } catch (const platform::ConversionError&) {
        WebCourant.reset();
        throw;
    } catch (...) {
        WebCourant.reset();
        return onFailure;
    }
}

} // namespace

QUOTESCAN_API bool GetFormule(AskWeb* ask) {
    return Guarded(
        [ask] {
            // A history read left unfinished is abandoned: its page is no longer lent.
            WebCourant.reset();
            if (ask == nullptr)
                return false;
            const auto parser = quotescan::CreateParser(ask);
            return parser != nullptr && parser->BuildUrl();
        },
        false);
}

QUOTESCAN_API bool AnalyseRep(AskWeb* ask, char* page) {
    return Guarded(
        [ask, page] {
            WebCourant.reset();
            if (ask == nullptr)
                return false;
            auto parser = quotescan::CreateParser(ask);
            if (parser == nullptr || !parser->Analyse(page))
                return false;
            if (ask->Type == AskKind::History) {
                // The request is only lent for this call; the history records need the page only.
                parser->Ask = nullptr;
                WebCourant = std::move(parser);
            }
            return true;
        },
        false);
}

QUOTESCAN_API bool GetNextRep(InfosCours* infos) {
    return Guarded(
        [infos] {
            if (WebCourant == nullptr)
                return true;
            if (infos == nullptr || WebCourant->NextHisto(infos)) {
                WebCourant.reset();
                return true;
            }
            return false;
        },
        true);
}
