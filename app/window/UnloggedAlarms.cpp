#include "window/UnloggedAlarms.h"

#include "portfolio/Cv.h"

bool CheckKeepingUnlogged(TCorv& doc, const std::function<bool()>& check, UnloggedAlarms& kept) {
    // Taken from the document at once: a refresh walk may lose the document before it reports.
    const std::string journal = TCorv::LogPath(doc.Fichier);
    const auto garder = [&] {
        const bool perdues = !doc.AlarmesNonJournalisees.empty();
        for (std::string& ligne : doc.AlarmesNonJournalisees)
            kept.emplace_back(journal, std::move(ligne));
        doc.AlarmesNonJournalisees.clear();
        return perdues;
    };
    bool declenchee = false;
    try {
        declenchee = check();
    } catch (...) {
        garder();
        throw;
    }
    return !garder() && declenchee;
}
