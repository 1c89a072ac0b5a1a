#include "views/ViewSort.h"

#include "portfolio/Cv.h"

#include <cmath>
#include <limits>

namespace {

int Texte(const std::string& a, const std::string& b) {
    return Signe(a.compare(b), 0);
}

// |tag|, also for the one value whose negation does not fit.
int Colonne(int tag) {
    if (tag == std::numeric_limits<int>::min())
        return std::numeric_limits<int>::max();
    return tag < 0 ? -tag : tag;
}

int Sens(int resultat, int tag) {
    return tag < 0 ? -resultat : resultat;
}

} // namespace

ClicColonne ColumnClick(int tag, int colonne) {
    const int clic = colonne + 1;
    const int courante = Colonne(tag);
    if (clic == courante) {
        const int nouveau = tag < 0 ? courante : -courante;
        return {nouveau, nouveau > 0 ? kImageCroissant : kImageDecroissant, -1};
    }
    return {clic, kImageCroissant, courante - 1};
}

int CompareOperesBy(const Operes& a, const Operes& b, int tag) {
    int r = 0;
    switch (Colonne(tag)) {
    case 1:
        r = Signe(static_cast<unsigned char>(a.Sens), static_cast<unsigned char>(b.Sens));
        break;
    case 3:
        r = Signe(a.Quantite, b.Quantite);
        break;
    case 4:
        r = Signe(a.Cours, b.Cours);
        break;
    case 5:
        r = Signe(a.Frais, b.Frais);
        break;
    case 6:
        r = Signe(a.PxMoyAchBrut, b.PxMoyAchBrut);
        break;
    case 7:
        r = Signe(a.PxMoyAchNet, b.PxMoyAchNet);
        break;
    case 8:
        r = Signe(a.PlValBrut, b.PlValBrut);
        break;
    case 9:
        r = Signe(a.PlValNet, b.PlValNet);
        break;
    default:
        r = Signe(a.Date, b.Date);
        break;
    }
    return Sens(r, tag);
}

int CompareTitresBy(const Valeurs& a, const Valeurs& b, int tag) {
    int r = 0;
    switch (Colonne(tag)) {
    case 2:
        r = Texte(a.Libelle, b.Libelle);
        break;
    case 3:
        r = Signe(std::trunc(a.Infos.Date), std::trunc(b.Infos.Date));
        break;
    case 4:
        r = Signe(a.Infos.Cours, b.Infos.Cours);
        break;
    case 5:
        r = Signe(a.Infos.Variation, b.Infos.Variation);
        break;
    case 6:
        r = Signe(a.Infos.Haut, b.Infos.Haut);
        break;
    case 7:
        r = Signe(a.Infos.Bas, b.Infos.Bas);
        break;
    default:
        r = Texte(a.Code, b.Code);
        break;
    }
    return Sens(r, tag);
}

int CompareCash(const Mvt& a, const Mvt& b) {
    return Signe(a.Date, b.Date);
}

int CompareRepartBy(const Valeurs& a, const Valeurs& b, int tag, const std::vector<int>& ids) {
    const int c = Colonne(tag) - 1;
    int r = 0;
    if (c <= 0) {
        r = Texte(a.Code, b.Code);
    } else if (static_cast<std::size_t>(c) <= ids.size()) {
        if (const ColonneRep* colonne = ColonneRepById(ids[static_cast<std::size_t>(c - 1)]))
            r = CompareColonneRep(*colonne, a, b);
    }
    return Sens(r, tag);
}
