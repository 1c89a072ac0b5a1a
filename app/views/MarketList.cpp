#include "views/MarketList.h"

#include "platform/TextFile.h"

#include <string_view>

namespace {

// The longest line a market list may hold, line feed included.
constexpr std::size_t kLongueurLigne = 511;

} // namespace

std::optional<LigneBourse> ParseLigneBourse(const std::string& ligne) {
    // A NUL or a carriage return inside a line is no text of a list: a code holding one
    // could not enter the portfolio as it reads here, and would be taken for another.
    if (ligne.find_first_of(std::string_view("\0\r", 2)) != std::string::npos)
        return std::nullopt;
    const auto premier = ligne.find(';');
    if (premier == std::string::npos)
        return std::nullopt;
    const auto second = ligne.find(';', premier + 1);
    if (second == std::string::npos)
        return std::nullopt;
    const auto troisieme = ligne.find(';', second + 1);
    if (troisieme == std::string::npos)
        return std::nullopt;

    // Zeros taken off the text as shown. Byte order marks before them go too: the
    // conversion drops one and a code never holds an invisible character.
    const QString code = QString::fromStdString(ligne.substr(0, premier));
    qsizetype zeros = 0;
    while (zeros < code.size() && (code[zeros] == u'0' || code[zeros] == QChar(0xFEFF)))
        ++zeros;
    LigneBourse resultat;
    resultat.Code = code.mid(zeros);
    resultat.Libelle =
        QString::fromStdString(ligne.substr(premier + 1, second - premier - 1)).toUpper();
    resultat.Activite = QString::fromStdString(ligne.substr(second + 1, troisieme - second - 1));
    return resultat;
}

std::optional<std::vector<LigneBourse>> ReadMarketList(const std::string& path) {
    // Checked before the reader opens it: a pipe would keep the open waiting for a writer.
    if (!platform::IsReadableRegularFile(path))
        return std::nullopt;
    platform::LineReader lecteur(path, kLongueurLigne - 1);
    if (!lecteur.IsOpen())
        return std::nullopt;
    std::vector<LigneBourse> lignes;
    std::string ligne;
    for (;;) {
        const platform::LineReader::Status etat = lecteur.Read(ligne);
        if (etat == platform::LineReader::Status::End)
            break;
        if (etat != platform::LineReader::Status::Line)
            continue;
        if (auto lue = ParseLigneBourse(ligne))
            lignes.push_back(std::move(*lue));
    }
    return lignes;
}
