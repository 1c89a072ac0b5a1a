// Alarms: the value and the French words of each element, the test of an alarm, and the check
// after a new quote that retires expired alarms and appends the fired ones to the alarm log.

#include "portfolio/Cv.h"

#include "platform/Checked.h"
#include "platform/DateText.h"
#include "platform/DateTime.h"
#include "platform/FileLock.h"
#include "platform/Numbers.h"
#include "platform/TextFile.h"
#include "portfolio/CvFileFields.h"

#include <string_view>

namespace {

// A percentage parameter in hundredths of a per cent, applied to an amount in cents.
std::int32_t PercentOf(std::int32_t montant, std::int32_t param) {
    const float p = static_cast<float>(static_cast<double>(param) * 0.0001);
    return platform::Trunc32(static_cast<double>(montant) * static_cast<double>(p));
}

// One line of the log, without its line end. The viewer cuts it at "|" and reads at most 511
// characters of it, so the fields are cleaned as the portfolio writer cleans its own, and an
// over-long label is shortened rather than losing the whole entry.
std::string LogLine(bool achat, platform::TDateTime quand, std::string_view code,
                    std::string_view libelle, std::string_view phrase) {
    std::string debut(1, achat ? 'A' : 'V');
    debut += '|' + platform::DateToStrFull(quand) + '|' + platform::TimeToStr(quand) + '|';
    std::string sicovam = cvfile::CleanText(code);
    cvfile::CutUtf8(sicovam, cvfile::kMaxCode);
    debut += sicovam + '|';
    const std::string fin = '|' + cvfile::CleanText(phrase) + "|*";
    std::string nom = cvfile::CleanText(libelle);
    const std::size_t fixe = debut.size() + fin.size();
    cvfile::CutUtf8(nom, fixe < cvfile::kMaxWrittenLine ? cvfile::kMaxWrittenLine - fixe : 0);
    return debut + nom + fin;
}

bool TakesNoParameter(std::int8_t type) {
    return type == 0 || type == 2 || type == 3 || type == 10;
}

} // namespace

bool TCorv::OperandValue(Valeurs* titre, std::int32_t& valeur, const ElementAlarme& element) {
    if (titre == nullptr || element.Type < 0 || element.Type > 10)
        return false;
    const BilanTitre& bilan = titre->Bilan;
    switch (element.Type) {
    case 0:
        valeur = titre->Infos.Cours;
        return true;
    case 1:
        valeur = element.Param;
        return true;
    case 2:
        valeur = bilan.PlValLatBrut;
        return true;
    case 3:
        valeur = bilan.PlValLatNet;
        return true;
    case 4:
    case 5: {
        // An indicator over no day means nothing; such an element never makes an alarm fire.
        if (element.Param < 1)
            return false;
        std::int32_t moyenne = 0;
        std::int32_t rsi = 0;
        ComputeIndicateurs(titre, element.Param, moyenne, rsi, element.Param);
        valeur = element.Type == 4 ? rsi : moyenne;
        return true;
    }
    case 6:
        valeur = PercentOf(bilan.CoutBrut, element.Param);
        return true;
    case 7:
        valeur = PercentOf(bilan.CoutNet, element.Param);
        return true;
    case 8:
        valeur = PercentOf(bilan.ValorBrut, element.Param);
        return true;
    case 9:
        valeur = PercentOf(bilan.ValorNet, element.Param);
        return true;
    default: // 10
        valeur = bilan.PlValLatNetSRD;
        return true;
    }
}

bool TCorv::TestAlarme(Valeurs* titre, const SDetAlarme& alarme) {
    if (alarme.Oper > 4)
        return false;
    std::int32_t gauche = 0;
    std::int32_t droite = 0;
    if (!OperandValue(titre, gauche, alarme.Element1) ||
        !OperandValue(titre, droite, alarme.Element2))
        return false;
    switch (alarme.Oper) {
    case 0:
        return gauche > droite;
    case 1:
        return gauche >= droite;
    case 2:
        return gauche == droite;
    case 3:
        return gauche < droite;
    default: // 4
        return gauche <= droite;
    }
}

bool TCorv::OperandText(const ElementAlarme& element, std::string& texte, bool leftForm) const {
    texte.clear();
    const std::int32_t param = element.Param;
    const double centiemes = static_cast<double>(param) * 0.01;
    switch (element.Type) {
    case 0:
        texte = leftForm ? "Le cours du titre" : "au cours du titre";
        return true;
    case 1:
        if (param == 0) {
            texte = leftForm ? "Valeur" : " à Valeur";
            return false;
        }
        // Every cent, with the program's decimal separator as the percentages below: the
        // sentence is read on screen and in the log viewer, never read back as a number.
        texte = (leftForm ? "" : " à ") + platform::FormatFixedUser(centiemes, 2);
        return true;
    case 2:
        texte = leftForm ? "La +/- Value brute" : "à la +/- Value brute";
        return true;
    case 3:
        texte = leftForm ? "La +/- Value nette" : "à la +/- Value nette";
        return true;
    case 4:
        if (param == 0) {
            texte = leftForm ? "Rsi" : " au Rsi";
            return false;
        }
        texte = (leftForm ? "Le " : " au ") + std::string("RSI à ") + platform::FormatInt(param) +
                " jour(s)";
        return true;
    case 5:
        if (param == 0) {
            texte = leftForm ? "Moyenne Mobile" : " à Moyenne Mobile";
            return false;
        }
        texte = (leftForm ? "La " : " à la ") + std::string("moyenne mobile à ") +
                platform::FormatInt(param) + " jour(s)";
        return true;
    case 6:
    case 7:
    case 8:
    case 9: {
        static const char* const sansParam[] = {"% Coût brut", "% Coût net", "% valorisation brute",
                                                "% valorisation nette"};
        static const char* const suites[] = {" % du coût brut", " % du coût net",
                                             " % de la valorisation brute",
                                             " % de la valorisation nette"};
        const int i = element.Type - 6;
        if (param == 0) {
            texte = (leftForm ? "" : " à ") + std::string(sansParam[i]);
            return false;
        }
        texte = (leftForm ? "" : " à ") + platform::FormatNumber(centiemes, 2) + suites[i];
        return true;
    }
    case 10:
        texte = leftForm ? "La +/- Value nette(SRD)" : "à la +/- Value nette(SRD)";
        return true;
    default:
        return true;
    }
}

bool TCorv::OperandText(ElementAlarme& element, std::string& texte, bool leftForm) const {
    if (TakesNoParameter(element.Type))
        element.Param = 1;
    return OperandText(static_cast<const ElementAlarme&>(element), texte, leftForm);
}

void TCorv::ComparisonText(std::uint8_t oper, std::string& texte) const {
    static const char* const textes[] = {" est supérieur ", " est supérieur ou égal ", " est égal ",
                                         " est inférieur ", " est inférieur ou égal "};
    texte = oper <= 4 ? textes[oper] : "";
}

void TCorv::AlarmeText(const SDetAlarme& alarme, std::string& texte) const {
    std::string gauche;
    std::string comparaison;
    std::string droite;
    OperandText(alarme.Element1, gauche, true);
    ComparisonText(alarme.Oper, comparaison);
    OperandText(alarme.Element2, droite, false);
    texte = gauche + comparaison + droite;
}

void TCorv::AlarmeText(SDetAlarme& alarme, std::string& texte) const {
    if (TakesNoParameter(alarme.Element1.Type))
        alarme.Element1.Param = 1;
    if (TakesNoParameter(alarme.Element2.Type))
        alarme.Element2.Param = 1;
    AlarmeText(static_cast<const SDetAlarme&>(alarme), texte);
}

std::string TCorv::LogPath(const std::string& fichier) {
    constexpr std::size_t extension = 4; // ".cvx", or whatever the name ends with
    if (fichier.size() < extension)
        return {};
    return fichier.substr(0, fichier.size() - extension) + ".cvl";
}

bool TCorv::CheckAlarmes(Valeurs* titre) {
    const std::string chemin = LogPath(Fichier);
    std::vector<std::string> lignes;
    bool declenchee = false;
    // The log is opened on every check, so that it exists beside the portfolio once quotes
    // have come in. Whether an alarm fired and which alarms expired do not depend on it; the
    // lines it does not take are kept for the caller to tell.
    const auto ecrire = [&] {
        std::string texte;
        for (const std::string& ligne : lignes)
            texte += ligne + '\n';
        if (!chemin.empty()) {
            // The log viewer rewrites the log under the same lock: a line appended meanwhile
            // would go to the file it replaces.
            const platform::FolderLock verrou(chemin);
            if (verrou.Held() && platform::AppendLines(chemin, texte))
                return;
        }
        AlarmesNonJournalisees.insert(AlarmesNonJournalisees.end(), lignes.begin(), lignes.end());
    };
    try {
        if (titre != nullptr) {
            const platform::TDateTime aujourdhui = platform::Clock::Today();
            for (const auto& alarme : titre->Alarmes) {
                if (!alarme->Active)
                    continue;
                if (alarme->DateVal < aujourdhui) {
                    alarme->Active = false;
                    continue;
                }
                if (!TestAlarme(titre, *alarme))
                    continue;
                declenchee = true;
                std::string phrase;
                AlarmeText(*alarme, phrase);
                // Each firing is stamped with its own reading of the clock.
                const platform::TDateTime maintenant = platform::Clock::Now();
                lignes.push_back(
                    LogLine(alarme->Signal, maintenant, titre->Code, titre->Libelle, phrase));
            }
        }
    } catch (...) {
        // An indicator whose history file is unreadable stops the check; the alarms that had
        // already fired are logged all the same.
        ecrire();
        throw;
    }
    ecrire();
    return declenchee;
}
