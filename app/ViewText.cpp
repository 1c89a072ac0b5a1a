#include "ViewText.h"

#include "platform/Numbers.h"

std::string MontantText(std::int64_t cents, float facteur) {
    return platform::FormatNumber(static_cast<double>(cents) * 0.01 * static_cast<double>(facteur));
}

std::string EurosText(float euros, float facteur) {
    return platform::FormatNumber(static_cast<double>(euros) * static_cast<double>(facteur));
}

std::string ChampMontantText(std::int64_t cents) {
    return platform::FormatFixedUser(static_cast<double>(cents) * 0.01, 2, 9);
}

std::string PourcentText(double valeur) {
    return platform::FormatNumber(valeur) + " %";
}

bool CommenceParChiffre(const std::string& texte) {
    for (const char c : texte) {
        if (c == ' ' || c == '\t')
            continue;
        return c >= '0' && c <= '9';
    }
    return false;
}
