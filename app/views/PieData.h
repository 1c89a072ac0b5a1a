#pragma once

// The slices of the two pies of the main window and the order of the securities that the
// repartition pie groups: pure computations over the document.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Valeurs;

// Grouping of the repartition pie (flags; neither = by security code).
inline constexpr std::uint8_t kRepartBourse = 2;
inline constexpr std::uint8_t kRepartActivite = 4;
// Basis of the repartition pie.
inline constexpr int kBaseValorisation = 1;
inline constexpr int kBaseCout = 2;

struct PartCamembert {
    std::string Libelle;
    float Valeur; // share of the pie, 0..1
};

// Cash and securities of one position ("Cash", "Titres"). Nothing is drawn when the two sum
// to 0; otherwise a negative figure (an overdraft, a short position) has no slice, as a pie
// cannot draw it.
std::vector<PartCamembert> PartsCashTitres(std::int32_t cash, std::int32_t titres);

// The key by which the repartition groups a security: its market, its sector or its code.
const std::string& CleRepart(const Valeurs& titre, std::uint8_t groupe);
// -1, 0 or 1 as a's key is smaller, equal or greater, byte by byte.
int CompareRepart(const Valeurs& a, const Valeurs& b, std::uint8_t groupe);
// Sorts the document's list by the key, keeping the order of equal keys, so that securities
// of one market or sector don't swap places between two redisplays.
void SortTitresRepart(std::vector<std::unique_ptr<Valeurs>>& titres, std::uint8_t groupe);

// One slice per group of consecutive securities with the same key (the list sorted by the
// key), summing the valuation (basis 1) or the purchase cost (basis 2) of the securities
// held, long or short. Securities not held add nothing and don't split a group; a group whose
// sum is not positive has no slice, as a pie cannot draw it. The shares are of the sum of the
// slices.
std::vector<PartCamembert> PartsRepartition(const std::vector<std::unique_ptr<Valeurs>>& titres,
                                            std::uint8_t groupe, int base);

// Slices below the given share are gathered into one slice "Autre" when there are at least
// two of them, so that the pie's labels stay readable.
std::vector<PartCamembert> RegroupePetitesParts(std::vector<PartCamembert> parts,
                                                float seuil = 0.02f);
