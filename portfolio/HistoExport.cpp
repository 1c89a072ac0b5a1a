#include "portfolio/HistoExport.h"

#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "platform/TextFile.h"

#include <exception>

char SeparateurExport(bool choisi, std::string_view caractere, bool tabulations) {
    if (choisi && !caractere.empty() &&
        platform::IsPrintableAscii(static_cast<unsigned char>(caractere.front())))
        return caractere.front();
    return tabulations ? '\t' : ' ';
}

std::string ExportText(const platform::MemTable& historique, const std::string& code,
                       const std::vector<int>& champs, char separateur, double facteur) {
    const int date = historique.FindField("Date");
    const int cours = historique.FindField("Cours");
    const int haut = historique.FindField("Haut");
    const int bas = historique.FindField("Bas");
    const int volume = historique.FindField("Volume");
    const auto prix = [&](int row, int field) {
        // Two decimals of the displayed amount: from whole cents in euros, the amount the
        // history file holds, so that euros export exactly what is stored.
        const double euros = EurosToCents(historique.NumberAt(row, field)) * 0.01;
        return platform::FormatFixed(euros * facteur, 2);
    };
    std::string texte;
    for (int row = 0; row < historique.RecordCount(); ++row) {
        for (int champ : champs) {
            switch (champ) {
            case ceSicovam:
                texte += code;
                break;
            case ceDate:
                texte += platform::DateToStrFull(historique.NumberAt(row, date));
                break;
            case ceCours:
                texte += prix(row, cours);
                break;
            case cePlusHaut:
                texte += prix(row, haut);
                break;
            case cePlusBas:
                texte += prix(row, bas);
                break;
            case ceVolume:
                texte += platform::FormatInt(
                    static_cast<std::int64_t>(historique.NumberAt(row, volume)));
                break;
            default:
                continue;
            }
            texte += separateur;
        }
        texte += '\n';
    }
    return texte;
}

ResultatExport ExportHistorique(TCorv& portefeuille, Valeurs* titre, const std::string& chemin,
                                const std::vector<int>& champs, char separateur) {
    using Etat = ResultatExport::Etat;
    // A folder or a device at the path would be replaced or refuse the rename: nothing is
    // written there.
    if (chemin.empty() || platform::IsUnfitTarget(chemin))
        return {Etat::FichierImpossible, {}};
    if (portefeuille.TitreHisto != titre) {
        try {
            portefeuille.LoadHistoFile(titre);
        } catch (const std::exception& error) {
            return {Etat::HistoriqueIllisible, error.what()};
        }
    }
    const std::string texte =
        ExportText(TheDatas().Historique, titre->Code, champs, separateur, portefeuille.Facteur);
    platform::AtomicFileWriter fichier(chemin);
    if (!fichier.IsOpen())
        return {Etat::FichierImpossible, {}};
    fichier.Write(texte);
    if (!fichier.Commit())
        return {Etat::FichierImpossible, {}};
    return {Etat::Ecrit, {}};
}
