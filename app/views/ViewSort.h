#pragma once

// Sort state and row order of the main window's lists. A list keeps its sort state in an
// integer Tag: the absolute value is the 1-based sort column, the sign the direction
// (positive ascending). A comparison gives +1 when the first row goes after the second.

#include "views/ColonnesRep.h"

#include <vector>

struct Mvt;
struct Operes;
struct Valeurs;

// +1, 0 or -1 as a is greater than, equal to or smaller than b: the step of every row
// comparison.
template <typename T> int Signe(const T& a, const T& b) {
    if (a > b)
        return 1;
    if (a < b)
        return -1;
    return 0;
}

// Images of the window's small image list.
inline constexpr int kImageAucune = -1;
inline constexpr int kImagePointe = 0;
inline constexpr int kImageDecroissant = 1;
inline constexpr int kImageCroissant = 2;
inline constexpr int kImageHausse = 3;
inline constexpr int kImageBaisse = 4;

// A click on a column header: the new Tag, the header image of the clicked column, and the
// column whose image goes away (-1: none).
struct ClicColonne {
    int Tag;
    int Image;
    int ColonneSansImage;
};
ClicColonne ColumnClick(int tag, int colonne);

// Trade list: Sens, Date, Qté, Cours, Frais, Px Brut Moy., Px Net Moy., +Val. Brute,
// +Val. Nette; any other column sorts by date.
int CompareOperesBy(const Operes& a, const Operes& b, int tag);
// Securities list: Valeur (code, also any other column), Libellé, Date (the day of the
// quote), Cours, Variation, +Haut, +Bas.
int CompareTitresBy(const Valeurs& a, const Valeurs& b, int tag);
// Cash list: always by date, ascending.
int CompareCash(const Mvt& a, const Mvt& b);
// Repartition list: column 1 is the code, column k > 1 the (k-1)-th shown column.
int CompareRepartBy(const Valeurs& a, const Valeurs& b, int tag, const std::vector<int>& ids);
