#pragma once

// The market lists that come with the program: one ".bdx" file per market in the "Bourses"
// folder of the data directory. A list line is "code;label;sector;" and anything after the
// third ";" is ignored.

#include <QString>

#include <optional>
#include <string>
#include <vector>

// One security of a market list, as the picker shows it.
struct LigneBourse {
    QString Code;     // leading '0' removed
    QString Libelle;  // upper case
    QString Activite; // exactly as written
};

// Splits one line of a market list; nothing when it holds fewer than three ";", or a NUL or
// a carriage return (the line's own end is not part of it).
std::optional<LigneBourse> ParseLigneBourse(const std::string& ligne);

// The securities of a market list, in the file's order; nothing when the path is no readable
// file or cannot be opened. Lines too long for the list and lines short of a separator are skipped:
// one bad line costs its own security, not the market.
std::optional<std::vector<LigneBourse>> ReadMarketList(const std::string& path);
