#pragma once

// The columns that the repartition list can show after its fixed "Valeur" column. A column
// id is the descriptor's index + 1; the list keeps its ids in FColRep (22 bytes, 0 = none),
// which the column chooser rewrites.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct BilanTitre;
struct Valeurs;

// Low byte of ColonneRep::Type.
inline constexpr std::int32_t kColEntier = 'I';   // whole number
inline constexpr std::int32_t kColMontant = 'L';  // amount in cents
inline constexpr std::int32_t kColFlottant = 'F'; // float amount in euros
inline constexpr std::int32_t kColLibelle = 'l';  // the security's label
// Negative values of the column are drawn red.
inline constexpr std::int32_t kColRougeNegatif = 0x100;

struct ColonneRep {
    const char* Libelle;
    std::int32_t Type;
    // The field shown: one of the two (both null for the label column).
    std::int32_t BilanTitre::*Entier;
    float BilanTitre::*Flottant;

    char Affichage() const { return static_cast<char>(Type & 0xFF); }
    bool RougeSiNegatif() const { return (Type & kColRougeNegatif) != 0; }
};

inline constexpr std::size_t kNbColonnesRep = 22;
extern const std::array<ColonneRep, kNbColonnesRep> ColonnesRep;

// The descriptor of a column id 1..22; null for any other id.
const ColonneRep* ColonneRepById(int id);

// The ids the list shows, in display order: zeros are skipped, and so are ids outside 1..22
// and repeats of an id already shown, which only a settings file edited by hand can hold.
std::vector<int> ColonnesAffichees(const std::array<std::uint8_t, kNbColonnesRep>& ids);

// The text of a cell, amounts scaled by the display factor (cents × 0.01 × facteur).
std::string ColonneRepText(const ColonneRep& colonne, const Valeurs& titre, float facteur);

// Compares two securities on a column: +1, 0 or -1, the first's value greater, equal or
// smaller; numbers as numbers, the label byte by byte.
int CompareColonneRep(const ColonneRep& colonne, const Valeurs& a, const Valeurs& b);
