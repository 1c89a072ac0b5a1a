#include "views/ViewText.h"

#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"

#include <string>

double Montant(std::int64_t cents, float facteur) {
    return static_cast<double>(cents) * 0.01 * static_cast<double>(facteur);
}

double MontantEuros(float euros, float facteur) {
    return static_cast<double>(euros) * static_cast<double>(facteur);
}

std::string TypMntText(const TCorv& doc) {
    if (doc.Facteur == 1.0f)
        return "Montants exprimés en Euros";
    return "Montants exprimés en " + doc.LibLocal;
}

std::string MontantText(std::int64_t cents, float facteur) {
    return platform::FormatNumber(Montant(cents, facteur));
}

std::string EurosText(float euros, float facteur) {
    return platform::FormatNumber(MontantEuros(euros, facteur));
}

std::string ChampMontantText(std::int64_t cents) {
    // Written from the whole cents, not from a floating value rounded to significant digits:
    // the field is read back with TextToCents and must give the same cents, however large.
    const std::uint64_t valeur =
        cents < 0 ? 0 - static_cast<std::uint64_t>(cents) : static_cast<std::uint64_t>(cents);
    const auto centimes = static_cast<unsigned>(valeur % 100);
    std::string texte = cents < 0 ? "-" : "";
    texte += std::to_string(valeur / 100);
    texte += platform::FormatSettings::Current().DecimalSeparator;
    texte += static_cast<char>('0' + centimes / 10);
    texte += static_cast<char>('0' + centimes % 10);
    return texte;
}

std::string PourcentText(double valeur) {
    return platform::FormatNumber(valeur) + " %";
}

std::string DateCoursText(double date, double heure, const std::string& entre) {
    if (date == 0.0)
        return std::string();
    return platform::DateToStr(date) + entre + platform::FormatDateTime("hh:nn", heure);
}

std::string AvecSeparateurDecimal(std::string texte) {
    const char separateur = platform::FormatSettings::Current().DecimalSeparator;
    for (char& c : texte)
        if (c == '.')
            c = separateur;
    return texte;
}

bool CommenceParChiffre(const std::string& texte) {
    for (const char c : texte) {
        if (c == ' ' || c == '\t')
            continue;
        return c >= '0' && c <= '9';
    }
    return false;
}
