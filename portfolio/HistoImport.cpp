#include "portfolio/HistoImport.h"

#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "platform/MemTable.h"
#include "platform/Numbers.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

const ChampImport ChampsImport[7] = {
    {ciSicovam, "Sicovam"}, {ciDate, "Date"},     {ciCours, "Cours"},   {ciHaut, "+Haut"},
    {ciBas, "+Bas"},        {ciVolume, "Volume"}, {ciIgnore, "Ignoré"},
};

namespace {

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Prices as files write them: "." or "," as decimal point (a French spreadsheet writes
// "152,30"), an exponent, blanks around; no thousands spaces, no "inf" nor "nan".
constexpr platform::NumberSyntax kPrixImport{platform::kCellBlanks, false, ".,", true, false};

// A field's text in a message, cut short.
std::string Cite(std::string_view field) {
    std::string texte(field.substr(0, 40));
    if (field.size() > 40)
        texte += "...";
    return texte;
}

[[noreturn]] void Refuse(const char* nom, std::string_view field, std::string_view pourquoi) {
    throw platform::ConversionError(std::string(nom) + " : '" + Cite(field) + "' " +
                                    std::string(pourquoi));
}

[[noreturn]] void RefuseNombre(const char* nom, std::string_view field, platform::NumberKind kind) {
    throw platform::ConversionError(std::string(nom) + " : " +
                                    platform::NotANumberText(Cite(field), kind));
}

double LitPrix(std::string_view field, const char* nom) {
    const std::optional<double> valeur = platform::ParseDouble(field, kPrixImport);
    if (!valeur || *valeur < 0.0)
        RefuseNombre(nom, field, platform::NumberKind::Price);
    // The history keeps whole cents in 32 bits.
    if (*valeur * 100.0 >= 2147483647.0)
        Refuse(nom, field, "est trop grand");
    return *valeur;
}

// A volume left empty is none; anything else must be a whole number of shares.
std::int32_t LitVolume(std::string_view field) {
    if (TrimBlanks(field).empty())
        return 0;
    const std::optional<std::int32_t> valeur = platform::ParseInt32(field, platform::kCellInteger);
    if (!valeur) {
        if (platform::NormaliseNumber(field, platform::kCellInteger))
            Refuse("Volume", field, "est trop grand");
        RefuseNombre("Volume", field, platform::NumberKind::Whole);
    }
    if (*valeur < 0)
        Refuse("Volume", field, "est négatif");
    return *valeur;
}

// A price of the file, in the displayed currency, back to the table's euros. Outside euros
// the amount is rounded to the cent, so that a file exported in that currency imports back
// into the same cents.
double VersEuros(double prix, float facteur) {
    if (facteur == 1.0f || !(facteur > 0.0f))
        return prix;
    return std::nearbyint(prix / facteur * 100.0) / 100.0;
}

} // namespace

bool IsBlankImportLine(std::string_view line) {
    return TrimBlanks(line).empty();
}

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

// ---- model files ----

std::string ModelLine(const ModeleFichier& modele) {
    std::string ligne;
    ligne += modele.TypeImp == 1 ? '1' : '0';
    ligne += modele.AvecSep ? '1' : '0';
    ligne += platform::IsPrintableAscii(static_cast<unsigned char>(modele.Car)) ? modele.Car : ' ';
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
    if (!platform::IsPrintableAscii(static_cast<unsigned char>(line[2])))
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
                Refuse("Date", field, "n'est pas une date correcte");
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

// ---- reading and merging ----

namespace {

std::size_t Caracteres(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void Signale(const SuiviImport& suivi, AvancementImport::Etape quand, const std::string& code,
             int compte) {
    if (suivi)
        suivi(AvancementImport{quand, code, compte});
}

// The lines of the file into the staging table. On a line that does not read the table is
// emptied and the refusal returned: the histories are merged only from a file read to its
// end.
std::optional<RefusImport> LitFichier(platform::LineReader& lecteur, const ModeleImport& modele,
                                      bool parCode, float facteur, const SuiviImport& suivi,
                                      int& chargees) {
    platform::MemTable& staging = TheDatas().LoadHisto;
    const int code = staging.FindField("Sicovam");
    const int date = staging.FindField("Date");
    const int prix[3] = {staging.FindField("Cours"), staging.FindField("Haut"),
                         staging.FindField("Bas")};
    const int volume = staging.FindField("Volume");
    const auto largeurCode = static_cast<std::size_t>(staging.FieldDefAt(code).Size);
    platform::ControlsDisabled calme(staging);
    // Lines come in any order (newest first, as many sites export them): put in last and
    // sorted once, rather than each shifting the table to its place. A refusal empties the
    // table, which ends the load.
    platform::BulkLoad chargement(staging);
    std::string ligne;
    int numero = 0;
    const auto refuse = [&](RefusImport::Cause motif, std::string raison) {
        staging.EmptyTable();
        return RefusImport{numero, motif, std::move(raison)};
    };
    while (true) {
        const auto etat = lecteur.Read(ligne);
        if (etat == platform::LineReader::Status::End)
            break;
        ++numero;
        if (etat == platform::LineReader::Status::TooLong)
            return refuse(RefusImport::Cause::TropLongue, {});
        if (IsBlankImportLine(ligne))
            continue; // a blank line, as editors leave at the end
        LigneImport lu;
        try {
            lu = CutImportLine(ligne, modele);
        } catch (const platform::ConversionError& error) {
            return refuse(RefusImport::Cause::Illisible, error.what());
        }
        if (parCode && lu.Sicovam.empty())
            return refuse(RefusImport::Cause::SansCode, {});
        // A code cut to the table's width could be another security's.
        if (parCode && Caracteres(lu.Sicovam) > largeurCode)
            return refuse(RefusImport::Cause::CodeTropLong,
                          "le code '" + Cite(lu.Sicovam) + "' a plus de " +
                              platform::FormatInt(largeurCode) + " caractères");
        ++chargees;
        Signale(suivi, AvancementImport::Etape::Chargement, {}, chargees);
        staging.Append();
        staging.Fields(code).SetAsString(lu.Sicovam);
        staging.Fields(date).SetAsDateTime(lu.Date);
        for (int i = 0; i < 3; ++i)
            if (lu.Rempli[ciCours + i])
                staging.Fields(prix[i]).SetAsFloat(VersEuros(lu.Prix[i], facteur));
        if (lu.Rempli[ciVolume])
            staging.Fields(volume).SetAsInteger(lu.Volume);
        staging.Post();
    }
    chargement.Finish(platform::MemTable::Repeats::Keep);
    return std::nullopt;
}

// The staged rows into the histories, one security at a time in the staging order (code,
// then date), each history saved as soon as its rows are in.
class Fusion {
public:
    Fusion(TCorv& portefeuille, Valeurs* titre, bool parCode, const SuiviImport& suivi,
           ResultatImport& resultat)
        : portefeuille_(portefeuille), titre_(titre), parCode_(parCode), suivi_(suivi),
          resultat_(resultat) {}

    void Execute() {
        platform::MemTable& staging = TheDatas().LoadHisto;
        platform::MemTable& histo = TheDatas().Historique;
        const int sCode = staging.FindField("Sicovam");
        const int sDate = staging.FindField("Date");
        const char* const valeurs[4] = {"Cours", "Haut", "Bas", "Volume"};
        for (int i = 0; i < 4; ++i) {
            sChamp_[i] = staging.FindField(valeurs[i]);
            hChamp_[i] = histo.FindField(valeurs[i]);
        }
        hDate_ = histo.FindField("Date");

        platform::ControlsDisabled calmeH(histo);
        staging.CheckBrowseMode();
        bool premier = true;
        std::string courant;
        for (int row = 0; row < staging.RecordCount(); ++row) {
            std::string code = parCode_ ? staging.TextAt(row, sCode) : std::string();
            if (premier || code != courant) {
                Termine();
                premier = false;
                courant = std::move(code);
                Commence(courant);
            }
            if (cible_ != nullptr)
                Fusionne(staging, histo, row, staging.NumberAt(row, sDate));
        }
        Termine();
    }

private:
    Valeurs* TitreDe(const std::string& code) const {
        if (!parCode_)
            return titre_;
        if (titre_ != nullptr)
            return code == titre_->Code ? titre_ : nullptr;
        return portefeuille_.FindTitre(code);
    }

    void Commence(const std::string& code) {
        cible_ = TitreDe(code);
        if (cible_ == nullptr) {
            (titre_ != nullptr ? resultat_.Autres : resultat_.Inconnues).push_back(code);
            return;
        }
        try {
            portefeuille_.LoadHistoFile(cible_);
        } catch (const std::exception& error) {
            resultat_.Echecs.push_back({EchecHistorique::Etape::Lecture, cible_->Code,
                                        portefeuille_.HistoFilePath(cible_), error.what()});
            cible_ = nullptr;
            return;
        }
        Signale(suivi_, AvancementImport::Etape::Traitement, cible_->Code, 0);
    }

    // A day the history holds is updated in place at once; a new day waits for the end of its
    // security, so that the new days go in together and are sorted once, rather than each
    // shifting every later day of a long history.
    void Fusionne(const platform::MemTable& staging, platform::MemTable& histo, int row,
                  platform::TDateTime jour) {
        ++compte_;
        if (compte_ % 500 == 0)
            Signale(suivi_, AvancementImport::Etape::Traitement, cible_->Code, compte_);
        if (histo.Locate("Date", {platform::Value{jour}})) {
            histo.Edit();
            Remplit(staging, histo, row, true);
            histo.Post();
            return;
        }
        // A day written twice in the file: the later line wins, as it would over the earlier
        // one merged first.
        if (!nouveaux_.empty() && nouveaux_.back().jour == jour)
            nouveaux_.back().row = row;
        else
            nouveaux_.push_back({row, jour});
    }

    void AjouteNouveaux(const platform::MemTable& staging, platform::MemTable& histo) {
        if (nouveaux_.empty())
            return;
        platform::BulkLoad chargement(histo);
        for (const Nouveau& nouveau : nouveaux_) {
            histo.Append();
            histo.Fields(hDate_).SetAsDateTime(nouveau.jour);
            Remplit(staging, histo, nouveau.row, false);
            histo.Post();
        }
        chargement.Finish(platform::MemTable::Repeats::Keep);
        nouveaux_.clear();
    }

    void Remplit(const platform::MemTable& staging, platform::MemTable& histo, int row,
                 bool existe) {
        for (int i = 0; i < 4; ++i) {
            // A field that the layout does not hold keeps the stored value of a day already
            // in the history, and is 0 on a new day.
            if (staging.IsNullAt(row, sChamp_[i])) {
                if (!existe)
                    histo.Fields(hChamp_[i]).SetAsInteger(0);
                continue;
            }
            histo.Fields(hChamp_[i]).SetValue(staging.ValueAt(row, sChamp_[i]));
        }
    }

    void Termine() {
        if (cible_ == nullptr)
            return;
        AjouteNouveaux(TheDatas().LoadHisto, TheDatas().Historique);
        Signale(suivi_, AvancementImport::Etape::Fin, cible_->Code, compte_);
        if (portefeuille_.SaveHistoFile()) {
            resultat_.Fusionnees += compte_;
        } else {
            resultat_.Echecs.push_back({EchecHistorique::Etape::Ecriture,
                                        cible_->Code,
                                        portefeuille_.HistoFilePath(cible_),
                                        {}});
            // The table goes back to what the file holds.
            try {
                portefeuille_.LoadHistoFile(cible_);
            } catch (const std::exception&) {
                portefeuille_.LoadHistoFile(nullptr);
            }
        }
        compte_ = 0;
        cible_ = nullptr;
    }

    TCorv& portefeuille_;
    Valeurs* const titre_;
    const bool parCode_;
    const SuiviImport& suivi_;
    ResultatImport& resultat_;
    int sChamp_[4] = {};
    int hChamp_[4] = {};
    int hDate_ = -1;
    Valeurs* cible_ = nullptr;
    int compte_ = 0;
    struct Nouveau {
        int row;
        platform::TDateTime jour;
    };
    std::vector<Nouveau> nouveaux_; // the current security's days missing from its history
};

} // namespace

ResultatImport ImportHistoriques(TCorv& portefeuille, Valeurs* titre, const ModeleImport& modele,
                                 const std::string& chemin, const SuiviImport& suivi) {
    ResultatImport resultat;
    const bool parCode = titre == nullptr || modele.Multi;
    Signale(suivi, AvancementImport::Etape::Chargement, {}, 0);
    platform::MemTable& staging = TheDatas().LoadHisto;
    staging.CheckBrowseMode();
    staging.EmptyTable();
    // Checked before the reader opens it: a pipe would keep the open waiting for a writer, and
    // a folder would read as a file of no lines.
    if (!platform::IsReadableRegularFile(chemin))
        return resultat;
    platform::LineReader lecteur(chemin, kLigneImportMax);
    if (!lecteur.IsOpen())
        return resultat;
    resultat.Ouvert = true;
    resultat.Refus =
        LitFichier(lecteur, modele, parCode, portefeuille.Facteur, suivi, resultat.Lues);
    if (resultat.Refus || staging.IsEmpty())
        return resultat;
    Fusion(portefeuille, titre, parCode, suivi, resultat).Execute();
    return resultat;
}
