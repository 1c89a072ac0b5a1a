#include "window/ProgramSettings.h"

#include "platform/DateText.h"
#include "platform/DateTime.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace {

using Type = platform::SettingsStore::Type;

constexpr const char* kInstall = "INSTALL";
constexpr std::size_t kOctetsDouble = 8; // an IEEE double: the rate and the dates
constexpr std::int32_t kEntierMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kEntierMin = std::numeric_limits<std::int32_t>::min();
// The period bars run from 0 (off) to 50 days.
constexpr std::int32_t kPeriodeMax = 50;
// A window side the display system can hold: its sizes are 16-bit.
constexpr std::int32_t kCoteMax = 32767;
// The document holds the rate in single precision.
constexpr double kTauxMax = std::numeric_limits<float>::max();

// Every value of the key, in the order the program visits them, with the record's field, its
// type and range: the one table that reading, checking and writing walk. A visitor has one
// member per kind of value:
//   Text(name, field, written when missing)   a string
//   Integer(name, field, least, most)         an integer within [least, most]
//   Flag(name, field)                         an integer, 0 or 1
//   Rate(name, field)                         an 8-byte double, positive and finite
//   Date(name, field)                         an 8-byte day number of the years 1 to 9999
//   Columns(name, field)                      bytes, any count: the first 22 are the ids
//   Size(name, field, least, most)            an integer only there once written
template <class Record, class Visitor> void EveryValue(Record& r, Visitor& v) {
    v.Text(kInstall, r.Install, false);
    v.Text("CURRENT", r.Current, true);
    v.Integer("MOYENNE1", r.Moyenne1, 0, kPeriodeMax);
    v.Integer("MOYENNE2", r.Moyenne2, 0, kPeriodeMax);
    v.Integer("RSI", r.Rsi, 0, kPeriodeMax);
    v.Integer("PERVAR", r.PerVar, 0, kPeriodeMax);
    v.Flag("MAJ", r.Maj);
    v.Integer("MAJTYPE", r.MajType, 0, 2);
    // Any period: the timer stays stopped below one minute and waits as long as it can above
    // its reach.
    v.Integer("TEMPS", r.Temps, kEntierMin, kEntierMax);
    v.Text("LIBLOCAL", r.Document.LibLocal, true);
    v.Rate("TAUX", r.Document.Taux);
    v.Integer("HTTP", r.Http, 0, kEntierMax);
    v.Flag("PROXY", r.Proxy);
    v.Text("PROXYNAME", r.ProxyName, true);
    v.Integer("PROXYPORT", r.ProxyPort, 0, 65535);
    v.Date("DATELIQP", r.Document.DateLiqP);
    v.Date("DATEDEB", r.DateDeb);
    v.Date("DATELIQC", r.Document.DateLiqC);
    v.Date("DATERENT", r.DateRent);
    v.Columns("COLREP2", r.ColRep);
    v.Size("HEIGHT", r.Height, 1, kCoteMax);
    v.Size("WIDTH", r.Width, 1, kCoteMax);
    v.Size("SPLIT", r.Split, 0, kCoteMax);
}

std::string NumberText(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The checks of the ranges, shared by the reading and by the record's own check.
std::string IntegerFault(const std::string& nom, std::int32_t valeur, std::int32_t min,
                         std::int32_t max) {
    if (valeur >= min && valeur <= max)
        return {};
    return "la valeur " + nom + " vaut " + std::to_string(valeur) + " au lieu d'un entier de " +
           std::to_string(min) + " à " + std::to_string(max);
}

std::string RateFault(const std::string& nom, double valeur) {
    if (valeur > 0 && valeur <= kTauxMax)
        return {};
    return "la valeur " + nom + " vaut " + NumberText(valeur) +
           " au lieu d'un taux positif d'au plus " + NumberText(kTauxMax);
}

std::string DateFault(const std::string& nom, double valeur) {
    if (platform::FitsDateText(valeur))
        return {};
    return "la valeur " + nom + " vaut " + NumberText(valeur) +
           " au lieu d'une date du 01/01/0001 au 31/12/9999";
}

const char* TypeName(Type type) {
    switch (type) {
    case Type::String:
        return "chaîne";
    case Type::Integer:
        return "entier";
    case Type::Binary:
        break;
    }
    return "binaire";
}

// Reads each value into the record. What the record cannot take is refused in the store, so
// that the next close keeps a copy of the file before the line leaves it.
class Lecture {
public:
    Lecture(platform::SettingsStore& store, std::set<std::string>& aEcrire,
            std::vector<std::pair<std::string, std::string>>& refusees)
        : store_(store), aEcrire_(aEcrire), refusees_(refusees) {}

    void Text(const char* nom, std::string& champ, bool ecritSiAbsente) {
        if (Present(nom, Type::String, 0, ecritSiAbsente))
            champ = store_.ReadString(nom);
    }
    void Integer(const char* nom, std::int32_t& champ, std::int32_t min, std::int32_t max) {
        if (!Present(nom, Type::Integer, 0, true))
            return;
        const std::int32_t valeur = store_.ReadInteger(nom);
        Take(nom, valeur, champ, IntegerFault(nom, valeur, min, max));
    }
    void Flag(const char* nom, bool& champ) {
        if (!Present(nom, Type::Integer, 0, true))
            return;
        const std::int32_t valeur = store_.ReadInteger(nom);
        Take(nom, valeur != 0, champ, IntegerFault(nom, valeur, 0, 1));
    }
    void Rate(const char* nom, double& champ) {
        if (!Present(nom, Type::Binary, kOctetsDouble, true))
            return;
        const double valeur = store_.ReadFloat(nom);
        Take(nom, valeur, champ, RateFault(nom, valeur));
    }
    void Date(const char* nom, double& champ) {
        if (!Present(nom, Type::Binary, kOctetsDouble, true))
            return;
        const double valeur = store_.ReadDate(nom);
        Take(nom, valeur, champ, DateFault(nom, valeur));
    }
    void Columns(const char* nom, std::array<std::uint8_t, kColRepSize>& champ) {
        // A value edited by hand to another length still gives its first ids; missing ones
        // are "no column", and the list skips ids it does not know.
        if (!Present(nom, Type::Binary, 0, true))
            return;
        const std::vector<std::uint8_t> octets = store_.ReadBinary(nom);
        champ.fill(0);
        std::copy_n(octets.begin(), std::min(octets.size(), champ.size()), champ.begin());
    }
    void Size(const char* nom, std::optional<std::int32_t>& champ, std::int32_t min,
              std::int32_t max) {
        if (!Present(nom, Type::Integer, 0, false))
            return;
        const std::int32_t valeur = store_.ReadInteger(nom);
        std::int32_t lu = 0;
        if (Take(nom, valeur, lu, IntegerFault(nom, valeur, min, max)))
            champ = lu;
    }

private:
    // True when the value is there with the record's type (and byte count when it has one).
    // A missing one keeps its default, written at the next save when written at all; one of
    // another type is refused.
    bool Present(const std::string& nom, Type type, std::size_t taille, bool ecritSiAbsente) {
        if (!store_.ValueExists(nom)) {
            if (ecritSiAbsente)
                aEcrire_.insert(nom);
            return false;
        }
        const Type lu = store_.ValueType(nom);
        if (lu != type) {
            Refuse(nom, "la valeur " + nom + " est de type " + TypeName(lu) + " au lieu du type " +
                            TypeName(type));
            return false;
        }
        if (taille == 0)
            return true;
        const std::size_t octets = store_.ReadBinary(nom).size();
        if (octets == taille)
            return true;
        Refuse(nom, "la valeur " + nom + " occupe " + std::to_string(octets) +
                        " octet(s) au lieu de " + std::to_string(taille));
        return false;
    }
    template <class T>
    bool Take(const std::string& nom, T valeur, T& champ, const std::string& faute) {
        if (!faute.empty()) {
            Refuse(nom, faute);
            return false;
        }
        champ = valeur;
        return true;
    }
    void Refuse(const std::string& nom, const std::string& faute) {
        store_.RefuseValue(nom, faute);
        aEcrire_.insert(nom);
        refusees_.emplace_back(nom, faute);
    }

    platform::SettingsStore& store_;
    std::set<std::string>& aEcrire_;
    std::vector<std::pair<std::string, std::string>>& refusees_;
};

// The first value of a record outside its range.
class Controle {
public:
    void Text(const char*, const std::string&, bool) {}
    void Integer(const char* nom, std::int32_t champ, std::int32_t min, std::int32_t max) {
        Note(IntegerFault(nom, champ, min, max));
    }
    void Flag(const char*, bool) {}
    void Rate(const char* nom, double champ) { Note(RateFault(nom, champ)); }
    void Date(const char* nom, double champ) { Note(DateFault(nom, champ)); }
    void Columns(const char*, const std::array<std::uint8_t, kColRepSize>&) {}
    void Size(const char* nom, const std::optional<std::int32_t>& champ, std::int32_t min,
              std::int32_t max) {
        if (champ)
            Note(IntegerFault(nom, *champ, min, max));
    }
    std::string faute;

private:
    void Note(std::string texte) {
        if (faute.empty())
            faute = std::move(texte);
    }
};

// A value as the store holds it; absent for a size never written.
struct Stockee {
    enum class Genre { Absente, Texte, Entier, Reel, Octets };
    Genre genre = Genre::Absente;
    std::string texte;
    std::int32_t entier = 0;
    double reel = 0.0;
    std::vector<std::uint8_t> octets;

    static Stockee Texte(std::string texte) {
        Stockee valeur;
        valeur.genre = Genre::Texte;
        valeur.texte = std::move(texte);
        return valeur;
    }
    static Stockee Entier(std::int32_t entier) {
        Stockee valeur;
        valeur.genre = Genre::Entier;
        valeur.entier = entier;
        return valeur;
    }
    static Stockee Reel(double reel) {
        Stockee valeur;
        valeur.genre = Genre::Reel;
        valeur.reel = reel;
        return valeur;
    }
    static Stockee Octets(std::vector<std::uint8_t> octets) {
        Stockee valeur;
        valeur.genre = Genre::Octets;
        valeur.octets = std::move(octets);
        return valeur;
    }

    bool operator==(const Stockee& autre) const {
        // Compared bit for bit: a date is kept exactly as written.
        return genre == autre.genre && texte == autre.texte && entier == autre.entier &&
               std::bit_cast<std::uint64_t>(reel) == std::bit_cast<std::uint64_t>(autre.reel) &&
               octets == autre.octets;
    }
};

// The record as the store would hold it, INSTALL left out: the program never writes it.
class Encodage {
public:
    void Text(const char* nom, const std::string& champ, bool ecrite) {
        if (ecrite)
            Add(nom, Stockee::Texte(champ));
    }
    void Integer(const char* nom, std::int32_t champ, std::int32_t, std::int32_t) {
        Add(nom, Stockee::Entier(champ));
    }
    void Flag(const char* nom, bool champ) { Integer(nom, champ ? 1 : 0, 0, 1); }
    void Rate(const char* nom, double champ) { Add(nom, Stockee::Reel(champ)); }
    void Date(const char* nom, double champ) { Rate(nom, champ); }
    void Columns(const char* nom, const std::array<std::uint8_t, kColRepSize>& champ) {
        Add(nom, Stockee::Octets({champ.begin(), champ.end()}));
    }
    void Size(const char* nom, const std::optional<std::int32_t>& champ, std::int32_t,
              std::int32_t) {
        if (champ)
            Integer(nom, *champ, 0, 0);
        else
            Add(nom, Stockee());
    }
    std::vector<std::pair<std::string, Stockee>> valeurs;

private:
    void Add(const char* nom, Stockee valeur) { valeurs.emplace_back(nom, std::move(valeur)); }
};

std::vector<std::pair<std::string, Stockee>> Encode(const ProgramSettings& record) {
    Encodage encodage;
    EveryValue(record, encodage);
    return std::move(encodage.valeurs);
}

void Write(platform::SettingsStore& store, const std::string& nom, const Stockee& valeur) {
    switch (valeur.genre) {
    case Stockee::Genre::Absente:
        store.DeleteValue(nom);
        break;
    case Stockee::Genre::Texte:
        store.WriteString(nom, valeur.texte);
        break;
    case Stockee::Genre::Entier:
        store.WriteInteger(nom, valeur.entier);
        break;
    case Stockee::Genre::Reel:
        store.WriteFloat(nom, valeur.reel);
        break;
    case Stockee::Genre::Octets:
        store.WriteBinary(nom, valeur.octets);
        break;
    }
}

} // namespace

ProgramSettings ProgramSettings::Defaults(double today) {
    ProgramSettings defaut;
    const double jour = std::floor(today);
    defaut.DateDeb = jour - 30;
    defaut.DateRent = platform::EncodeDate(platform::DecodeDate(jour).year, 1, 1);
    // "01/01/70" is the mark of a settlement date never set, recognised by the document.
    const double jamais = platform::StrToDate("01/01/70");
    defaut.Document = ReglagesDocument{"francs", 6.55957, jamais, jamais};
    return defaut;
}

std::string ProgramSettings::Fault() const {
    Controle controle;
    EveryValue(*this, controle);
    return controle.faute;
}

bool SettingsKeeper::Read(double today) {
    if (!store_.OpenKey(kCleProgramme, false))
        return false;
    values_ = ProgramSettings::Defaults(today);
    aEcrire_.clear();
    refusees_.clear();
    Lecture lecture(store_, aEcrire_, refusees_);
    EveryValue(values_, lecture);
    kept_ = values_;
    problems_ = store_.Problems();
    backup_.clear();
    // The key stays open for the first save, which writes the defaults and drops the lines
    // that did not read after one copy of the file.
    return true;
}

bool SettingsKeeper::Save() {
    try {
        if (!store_.IsOpen() && !store_.OpenKey(kCleProgramme, false)) {
            failure_ = "la clé « " + std::string(kCleProgramme) + " » est introuvable";
            return false;
        }
    } catch (const platform::SettingsError& erreur) {
        failure_ = erreur.what();
        return false;
    }
    // Refused again should the last save have failed: the copy is then kept by this one.
    for (const auto& [nom, faute] : refusees_)
        store_.RefuseValue(nom, faute);
    const auto maintenant = Encode(values_);
    const auto avant = Encode(kept_);
    for (std::size_t i = 0; i < maintenant.size(); ++i) {
        const auto& [nom, valeur] = maintenant[i];
        if (!(valeur == avant[i].second) || aEcrire_.contains(nom))
            Write(store_, nom, valeur);
    }
    if (!store_.CloseKey()) {
        failure_ = store_.Failure();
        return false;
    }
    failure_.clear();
    kept_ = values_;
    aEcrire_.clear();
    refusees_.clear();
    if (!store_.Backup().empty())
        backup_ = store_.Backup();
    return true;
}

std::string SettingsKeeper::ProblemsText() const {
    if (problems_.empty())
        return {};
    std::string texte = "Le fichier des réglages " + platform::SettingsStore::StorePath() +
                        " contient des lignes que Corvane ne peut pas prendre telles quelles ; "
                        "il a démarré avec les valeurs par défaut à la place de celles qu'il "
                        "n'a pas pu lire :";
    for (const platform::SettingsProblem& probleme : problems_)
        texte += "\n- ligne " + std::to_string(probleme.line) + " : " + probleme.fault + ".";
    if (!backup_.empty())
        texte += "\nLe fichier d'origine est conservé dans " + backup_ + ".";
    return texte;
}

std::string SettingsKeeper::FailureText() const {
    return "Impossible d'enregistrer les réglages dans " + platform::SettingsStore::StorePath() +
           " : " + failure_ +
           ".\nCorvane continue avec les réglages lus, mais ceux qu'il change ne seront pas "
           "conservés.";
}

std::string SetUpInstall(const std::string& folder, bool force) {
    platform::SettingsStore store;
    store.OpenKey(kCleProgramme, true);
    std::string nomme;
    if (store.ValueExists(kInstall) && store.ValueType(kInstall) == Type::String)
        nomme = store.ReadString(kInstall);
    if (force || nomme.empty()) {
        store.WriteString(kInstall, folder);
        nomme = folder;
    }
    if (!store.CloseKey())
        throw platform::SettingsError("impossible d'écrire " +
                                      platform::SettingsStore::StorePath() + " : " +
                                      store.Failure());
    return nomme;
}
