#include "ImportFormat.h"

#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

const ChampImport ChampsImport[7] = {
    {ciSicovam, "Sicovam"}, {ciDate, "Date"},     {ciCours, "Cours"},   {ciHaut, "+Haut"},
    {ciBas, "+Bas"},        {ciVolume, "Volume"}, {ciIgnore, "Ignoré"},
};

namespace {

bool Imprimable(char c) {
    return c >= 0x20 && c < 0x7F;
}

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A field's text in a message: short, and visible even when empty.
std::string Cite(std::string_view field) {
    std::string texte(field.substr(0, 40));
    if (field.size() > 40)
        texte += "...";
    return "\xC2\xAB " + texte + " \xC2\xBB";
}

double LitPrix(std::string_view field, const char* nom) {
    double valeur = 0.0;
    if (!platform::ScanDouble(field, valeur))
        throw platform::ConversionError(std::string(nom) + " : " + Cite(field) +
                                        " n'est pas un nombre");
    if (!std::isfinite(valeur) || valeur < 0.0)
        throw platform::ConversionError(std::string(nom) + " : " + Cite(field) +
                                        " n'est pas un prix correct");
    // The history keeps whole cents in 32 bits.
    if (valeur * 100.0 >= 2147483647.0)
        throw platform::ConversionError(std::string(nom) + " : " + Cite(field) + " est trop grand");
    return valeur;
}

std::int32_t LitVolume(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t'))
        ++i;
    bool negatif = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        negatif = field[i++] == '-';
    std::int64_t valeur = 0;
    bool chiffres = false;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        chiffres = true;
        valeur = valeur * 10 + (field[i] - '0');
        if (valeur > std::numeric_limits<std::int32_t>::max())
            throw platform::ConversionError("Volume : " + Cite(field) + " est trop grand");
    }
    if (negatif && chiffres && valeur != 0)
        throw platform::ConversionError("Volume : " + Cite(field) + " est négatif");
    return static_cast<std::int32_t>(valeur);
}

} // namespace

bool IsModelSeparator(char c) {
    return Imprimable(c);
}

bool IsBlankImportLine(std::string_view line) {
    return TrimBlanks(line).empty();
}

// ---- model files ----

ModeleImport LayoutOf(const ModeleFichier& modele) {
    ModeleImport layout;
    layout.Multi = modele.TypeImp == 0;
    layout.Separateur = modele.AvecSep ? modele.Car : '\t';
    layout.NbChamps =
        static_cast<std::int32_t>(std::min<std::size_t>(modele.Champs.size(), kMaxChampsImport));
    for (int i = 0; i < layout.NbChamps; ++i)
        layout.Champs[i] = modele.Champs[static_cast<std::size_t>(i)];
    return layout;
}

std::string ModelLine(const ModeleFichier& modele) {
    std::string ligne;
    ligne += modele.TypeImp == 1 ? '1' : '0';
    ligne += modele.AvecSep ? '1' : '0';
    ligne += Imprimable(modele.Car) ? modele.Car : ' ';
    ligne += platform::FormatInt(static_cast<std::int64_t>(modele.Champs.size()));
    ligne += ' ';
    for (std::uint8_t kind : modele.Champs)
        ligne += static_cast<char>('0' + std::min<int>(kind, ciIgnore));
    ligne += '\n';
    return ligne;
}

bool ReadModelLine(std::string_view line, bool avecTitre, ModeleFichier& modele) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    if (line.size() < 5)
        return false;
    if ((line[0] != '0' && line[0] != '1') || (line[1] != '0' && line[1] != '1'))
        return false;
    ModeleFichier lu;
    lu.TypeImp = line[0] - '0';
    if (lu.TypeImp == 1 && !avecTitre)
        return false; // "the current security only" means nothing without one
    lu.AvecSep = line[1] == '1';
    if (!Imprimable(line[2]))
        return false;
    lu.Car = line[2];
    const std::size_t blanc = line.find(' ', 3);
    if (blanc == std::string_view::npos || blanc == 3 || blanc - 3 > 2)
        return false;
    int nombre = 0;
    for (std::size_t i = 3; i < blanc; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return false;
        nombre = nombre * 10 + (line[i] - '0');
    }
    const std::string_view chiffres = line.substr(blanc + 1);
    if (nombre > kMaxChampsImport || chiffres.size() != static_cast<std::size_t>(nombre))
        return false;
    std::array<bool, 7> vu{};
    for (char c : chiffres) {
        if (c < '0' || c > '0' + ciIgnore)
            return false;
        const auto kind = static_cast<std::uint8_t>(c - '0');
        if (kind != ciIgnore && vu[kind])
            return false;
        vu[kind] = true;
        lu.Champs.push_back(kind);
    }
    modele = std::move(lu);
    return true;
}

// ---- reading a line ----

LigneImport CutImportLine(std::string_view line, const ModeleImport& modele) {
    LigneImport ligne;
    const char sep = modele.Separateur;
    const int nombre = std::clamp(modele.NbChamps, 0, kMaxChampsImport);
    std::size_t pos = 0;
    bool fin = false;
    for (int i = 0; i < nombre; ++i) {
        const std::uint8_t kind = modele.Champs[i];
        std::string_view field;
        bool present = true;
        if (sep == ' ') {
            while (pos < line.size() && line[pos] == ' ')
                ++pos;
            if (pos >= line.size()) {
                present = false;
            } else {
                const std::size_t end = line.find(' ', pos);
                field = line.substr(pos, end == std::string_view::npos ? end : end - pos);
                pos = end == std::string_view::npos ? line.size() : end;
            }
        } else if (fin) {
            present = false;
        } else {
            const std::size_t end = line.find(sep, pos);
            if (end == std::string_view::npos) {
                field = line.substr(pos);
                fin = true;
            } else {
                field = line.substr(pos, end - pos);
                pos = end + 1;
            }
        }
        if (!present) {
            if (kind == ciIgnore)
                continue;
            throw platform::ConversionError("il manque des champs (" + platform::FormatInt(nombre) +
                                            " attendus)");
        }
        switch (kind) {
        case ciSicovam:
            ligne.Sicovam = std::string(TrimBlanks(field));
            break;
        case ciDate:
            if (!platform::TryStrToDate(field, ligne.Date))
                throw platform::ConversionError("Date : " + Cite(field) +
                                                " n'est pas une date correcte");
            ligne.Date = platform::DateOf(ligne.Date);
            break;
        case ciCours:
        case ciHaut:
        case ciBas:
            ligne.Prix[kind - ciCours] = LitPrix(field, ChampsImport[kind].Nom);
            break;
        case ciVolume:
            ligne.Volume = LitVolume(field);
            break;
        default:
            continue;
        }
        ligne.Rempli[kind] = true;
    }
    return ligne;
}
