// The portfolio file: one record per line, fields separated by "|", each line ending "|*".

#include "portfolio/Cv.h"
#include "portfolio/CvFileFields.h"
#include "portfolio/PositionArith.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "platform/FileLock.h"
#include "platform/Numbers.h"
#include "platform/TextFile.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <exception>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using cvfile::Fields;

namespace {

// ---------------------------------------------------------------------------- writing

void PutInt(std::string& out, std::int64_t value) {
    out += platform::FormatInt(value);
    out += '|';
}

void PutFloat(std::string& out, float value, int decimals = 6) {
    out += platform::FormatFixed(static_cast<double>(value), decimals);
    out += '|';
}

void PutBool(std::string& out, bool value) {
    out += value ? 'T' : 'F';
    out += '|';
}

void PutChar(std::string& out, char value) {
    out += cvfile::CleanChar(value);
    out += '|';
}

void PutText(std::string& out, std::string_view text) {
    out += text;
    out += '|';
}

// A text or a date the file cannot keep as it is: the save fails and tells which, nothing is
// written.
class ChampRefuse : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Four-digit years, so that no date comes back a century off. A day that four digits cannot
// name would be written as a text the reader refuses, and the whole file with it: record()
// names the date's record after "la date" (" du cours du titre « 12 »"), only when needed.
template <typename Record> void PutDate(std::string& out, double date, Record record) {
    if (!platform::FitsDateText(date))
        throw ChampRefuse("la date" + record() +
                          " n'est pas une date que le fichier du portefeuille peut garder (du " +
                          platform::DateToStrFull(platform::kFirstDay) + " au " +
                          platform::DateToStrFull(platform::kLastDay) + ")");
    out += platform::DateToStrFull(date);
    out += '|';
}

// One text of a record, with its name as a message gives it ("le libellé"). The code names
// the record itself: a message about it needs no record after it.
struct Texte {
    const char* nom;
    std::string_view valeur;
    bool code = false;
};

template <typename Record> std::string Nomme(const Texte& t, Record record) {
    return std::string(t.nom) + ' ' + cvfile::QuoteText(t.valeur) + (t.code ? "" : record());
}

// Where the user mends a text the save refuses.
enum class Lieu { Titre, Alarme, Mouvement };

// The end of the refusal of a text: where to mend it. The security dialog shows the faulty
// character (cvfile::VisibleText); the other dialogs take the text retyped.
std::string CommentCorriger(Lieu lieu, std::string_view texte) {
    switch (lieu) {
    case Lieu::Titre:
        return " ; pour le corriger, ouvrez le titre par Titres > Valeurs > Modifier, où ce "
               "caractère est montré « " +
               cvfile::ShownFault(texte) + " » : effacez-le ou remplacez-le, puis validez";
    case Lieu::Alarme:
        return " ; pour le corriger, retapez l'intitulé dans Titres > Valeurs > Alarmes";
    case Lieu::Mouvement:
        return " ; pour le corriger, retapez le commentaire dans Cash > Modifier";
    }
    return {};
}

// Refuses the texts of one line (the code, when the line has one, first) unless each reads
// back as it is and together they fit what a line carries. record() names the line's record
// after the text's name (" du titre « 12 »"), only when needed; ensemble says which texts
// share the line; lieu where they are mended.
template <typename Record>
void CheckTexts(std::initializer_list<Texte> textes, Record record, const char* ensemble,
                Lieu lieu) {
    std::size_t total = 0;
    const Texte* plusLong = nullptr;
    for (const Texte& t : textes) {
        const cvfile::TextFault faute = cvfile::CheckText(t.valeur);
        if (faute != cvfile::TextFault::None)
            throw ChampRefuse(Nomme(t, record) + ' ' + cvfile::TextFaultReason(faute) +
                              CommentCorriger(lieu, t.valeur));
        total += t.valeur.size();
        if (plusLong == nullptr || t.valeur.size() > plusLong->valeur.size())
            plusLong = &t;
    }
    if (total > cvfile::kMaxLineTexts)
        throw ChampRefuse(Nomme(*plusLong, record) + " est trop long : " + ensemble +
                          " tiennent en " + platform::FormatInt(cvfile::kMaxLineTexts) +
                          " octets au plus (un caractère accentué en compte deux ou trois)");
}

// A security is named by its code, or by its label when it has no code.
std::string DuTitre(const Valeurs& titre) {
    return " du titre " + cvfile::QuoteText(titre.Code.empty() ? titre.Libelle : titre.Code);
}

void PutTranches(std::string& out, char kind, const ListeTranches& tranches,
                 const bool* flagForAll) {
    for (const auto& t : tranches) {
        out += kind;
        out += '|';
        PutInt(out, t->Seuil);
        PutFloat(out, t->Frais);
        PutFloat(out, t->Tva);
        PutInt(out, t->MntMin);
        PutBool(out, flagForAll != nullptr ? *flagForAll : t->PlVal);
        out += "*\n";
    }
}

void PutTitre(std::string& out, const Valeurs& titre) {
    const std::string& code = titre.Code;
    const InfosCours& infos = titre.Infos;
    const BilanTitre& p = titre.BilanPurge;
    CheckTexts(
        {{"le code", code, true},
         {"le libellé", titre.Libelle},
         {"la place", titre.NomBourse},
         {"le secteur", titre.Activite}},
        [&titre] { return DuTitre(titre); },
        "le code, le libellé, la place et le secteur d'un titre", Lieu::Titre);
    out += "C|";
    PutText(out, code);
    PutText(out, titre.Libelle);
    PutText(out, titre.NomBourse);
    PutText(out, titre.Activite);
    PutInt(out, infos.Cours);
    PutDate(out, infos.Date, [&titre] { return " du cours" + DuTitre(titre); });
    PutText(out, platform::TimeToStr(infos.Heure));
    PutFloat(out, infos.Variation, 2);
    PutInt(out, infos.Haut);
    PutInt(out, infos.Bas);
    PutBool(out, titre.SRD);
    PutBool(out, titre.SuiviAuto);
    PutInt(out, p.NbAchat);
    PutInt(out, p.NbVentes);
    PutInt(out, p.PxMoyAchBrut);
    // Whole euros: the reader recomputes this average from the amounts.
    PutInt(out, platform::Trunc32(static_cast<double>(p.PxMoyAchNet)));
    PutInt(out, p.PlValBrut);
    PutInt(out, p.PlValNet);
    PutInt(out, p.TotFrais);
    PutInt(out, p.ARealBrut);
    PutInt(out, p.ARealNet);
    PutInt(out, p.VRealBrut);
    PutInt(out, p.VRealNet);
    PutInt(out, p.PxMoyVenBrut);
    PutInt(out, p.PxMoyVenNet);
    out += "*\n";
    for (const auto& op : titre.Operes) {
        out += "O|";
        PutText(out, code);
        PutBool(out, op->Pointe);
        PutDate(out, op->Date, [&titre, &op] {
            return " d'une opération" + DuTitre(titre) + " (quantité " +
                   platform::FormatInt(op->Quantite) + ", cours " + platform::FormatInt(op->Cours) +
                   " centimes)";
        });
        PutChar(out, op->Sens);
        PutInt(out, op->Quantite);
        PutInt(out, op->Cours);
        PutInt(out, op->Frais1);
        PutInt(out, op->Frais2);
        PutInt(out, op->FraisSRD);
        PutBool(out, op->SRD);
        out += "*\n";
    }
    for (const auto& alarme : titre.Alarmes) {
        const SDetAlarme& a = *alarme;
        CheckTexts(
            {{"le code", code, true}, {"l'intitulé", a.Intitule}},
            [&titre] { return " de l'alarme" + DuTitre(titre); },
            "le code du titre et l'intitulé d'une alarme", Lieu::Alarme);
        out += "A|";
        PutText(out, code);
        PutText(out, a.Intitule);
        PutBool(out, a.Active);
        PutBool(out, a.Signal);
        PutDate(out, a.DateVal, [&titre, &a] {
            return " de l'alarme " + cvfile::QuoteText(a.Intitule) + DuTitre(titre);
        });
        PutInt(out, a.Element1.Type);
        PutInt(out, a.Element1.Param);
        PutInt(out, a.Oper);
        PutInt(out, a.Element2.Type);
        PutInt(out, a.Element2.Param);
        out += "*\n";
    }
}

// The comment is the fifth field only when there is one: the line then ends with its own
// field "*" after it, which tells a comment that begins with "*" from none.
void PutMouvement(std::string& out, const Mvt& m) {
    out += "M|";
    // The date first: the comment's message names the movement by it.
    PutDate(out, m.Date, [&m] {
        return " du mouvement de " + platform::FormatInt(m.Montant) + " centimes" +
               (m.Comment.empty() ? "" : ' ' + cvfile::QuoteText(m.Comment));
    });
    CheckTexts(
        {{"le commentaire", m.Comment}},
        [&m] {
            return " du mouvement du " + platform::DateToStrFull(m.Date) + " (" +
                   platform::FormatInt(m.Montant) + " centimes)";
        },
        "les commentaires", Lieu::Mouvement);
    PutBool(out, m.Pointe);
    PutChar(out, m.Sens);
    PutInt(out, m.Montant);
    if (!m.Comment.empty())
        PutText(out, m.Comment);
    out += "*\n";
}

std::string DocumentText(const TCorv& doc) {
    std::string out;
    std::size_t lignes = 8 + doc.Mouvements.size() + doc.TranchesSRD.size() +
                         doc.TranchesFrais1.size() + doc.TranchesFrais2.size();
    for (const auto& titre : doc.Titres)
        lignes += 1 + titre->Operes.size() + titre->Alarmes.size();
    out.reserve(lignes * 80);

    PutInt(out, doc.Cash);
    out += "*\n";
    out += "G|";
    PutFloat(out, doc.CouvC);
    PutFloat(out, doc.CouvT);
    out += "*\n";
    // The option AjoutFrais1SRD travels in the flag of every deferred-settlement row.
    PutTranches(out, 'S', doc.TranchesSRD, &doc.AjoutFrais1SRD);
    PutTranches(out, 'F', doc.TranchesFrais1, nullptr);
    PutTranches(out, 'B', doc.TranchesFrais2, nullptr);
    for (const auto& titre : doc.Titres)
        PutTitre(out, *titre);
    for (const auto& mvt : doc.Mouvements)
        PutMouvement(out, *mvt);
    return out;
}

// ---------------------------------------------------------------------------- reading

[[noreturn]] void Malformed(std::size_t numero, const std::string& raison) {
    throw platform::ConversionError("Ligne " + std::to_string(numero) +
                                    " du portefeuille : " + raison);
}

bool IsTrue(std::string_view field) {
    return !field.empty() && field.front() == 'T';
}

// A numeric field is the number whole (platform::kFileInteger, kFileDecimal). A field that
// holds no number at all leaves its target.
using platform::kFileDecimal;
using platform::kFileInteger;

// The carried-over blocks of two descriptions of one security, added into the first: counts
// and amounts summed, each average weighted by the shares it averages (the later line's when
// there are none). False, the first block unchanged, when a figure does not fit its field.
bool AddReports(BilanTitre& somme, const BilanTitre& autre) {
    using position_arith::Wide;
    BilanTitre p = somme;
    position_arith::Cumul cumul;
    const auto moyenne = [&cumul](std::int32_t& px, std::int32_t n, std::int32_t pxAutre,
                                  std::int32_t nAutre) {
        const Wide parts = Wide{n} + nAutre;
        const Wide total = Wide{px} * n + Wide{pxAutre} * nAutre;
        const Wide valeur = parts == 0 ? Wide{pxAutre} : total / parts;
        cumul.Check(valeur);
        px = position_arith::Low32(valeur);
    };
    moyenne(p.PxMoyAchBrut, somme.NbAchat, autre.PxMoyAchBrut, autre.NbAchat);
    moyenne(p.PxMoyVenBrut, somme.NbVentes, autre.PxMoyVenBrut, autre.NbVentes);
    moyenne(p.PxMoyVenNet, somme.NbVentes, autre.PxMoyVenNet, autre.NbVentes);
    cumul.Add(p.NbAchat, autre.NbAchat);
    cumul.Add(p.NbVentes, autre.NbVentes);
    cumul.Add(p.PlValBrut, autre.PlValBrut);
    cumul.Add(p.PlValNet, autre.PlValNet);
    cumul.Add(p.TotFrais, autre.TotFrais);
    cumul.Add(p.ARealBrut, autre.ARealBrut);
    cumul.Add(p.ARealNet, autre.ARealNet);
    cumul.Add(p.VRealBrut, autre.VRealBrut);
    cumul.Add(p.VRealNet, autre.VRealNet);
    if (!cumul.Tient())
        return false;
    somme = p;
    return true;
}

// The record a text belongs to, as a message names it after the text (" du titre « 12 »").
std::string DuCode(std::string_view code) {
    return " du titre " + cvfile::QuoteText(code);
}

class Reader {
public:
    explicit Reader(TCorv& doc) : doc_(doc) {
        index_.reserve(doc.Titres.size() + 64);
        for (const auto& titre : doc.Titres)
            index_.emplace(titre->Code, titre.get()); // the first of a code wins, as FindTitre
    }

    void Head(std::string_view line) {
        numero_ = 1;
        const Fields f(line);
        if (f.Count() < 2)
            Malformed(numero_, "ligne d'en-tête sans séparateur");
        Int(f[0], doc_.Cash, platform::NumberKind::Amount);
        if (f.StartsWith(1, '*'))
            return;
        // An earlier format: two fee brackets and the coverage coefficients on this line;
        // what follows them is not read.
        if (!f.Has(10))
            Malformed(numero_, "ligne d'en-tête incomplète");
        ReadAncienne(f, 1, doc_.AncTranche1);
        ReadAncienne(f, 5, doc_.AncTranche2);
        Float(f[9], doc_.CouvC);
        Float(f[10], doc_.CouvT);
        doc_.TranchesFrais1.push_back(Tranche(doc_.AncTranche1));
        doc_.TranchesSRD.push_back(Tranche(doc_.AncTranche1));
        doc_.TranchesFrais2.push_back(Tranche(doc_.AncTranche2));
    }

    void Line(std::string_view line) {
        ++numero_;
        if (line.empty())
            return;
        switch (line.front()) {
        case 'G': {
            const Fields f(line);
            Need(f, 2);
            Float(f[1], doc_.CouvC);
            Float(f[2], doc_.CouvT);
            break;
        }
        case 'S':
            ReadTranche(line, doc_.TranchesSRD, true);
            break;
        case 'F':
            ReadTranche(line, doc_.TranchesFrais1, false);
            break;
        case 'B':
            ReadTranche(line, doc_.TranchesFrais2, false);
            break;
        case 'C':
            ReadTitre(line);
            break;
        case 'O':
            ReadOpere(line);
            break;
        case 'A':
            ReadAlarme(line);
            break;
        case 'M':
            ReadMouvement(line);
            break;
        default:
            break;
        }
    }

    std::size_t Numero() const { return numero_; }
    std::vector<std::string> TakeRemarques() { return std::move(remarques_); }

private:
    // The needed fields up to last, then the field that the writer ends every line with
    // ("*"): a line cut short, even right after a number, is refused rather than misread.
    void Need(const Fields& f, std::size_t last) const {
        if (!f.Has(last + 1))
            Malformed(numero_, "champs manquants");
    }

    // What the file holds that the writer would not have written, told to the user once the
    // file is open: nothing of it is dropped.
    void Remarque(const std::string& texte) {
        remarques_.push_back("Ligne " + std::to_string(numero_) + " : " + texte + '.');
    }

    void Int(std::string_view field, std::int32_t& target, platform::NumberKind kind) const {
        // The writer's own form, a "-" and digits within range, is a number ParseInt32 reads
        // to the same value: taken at once, it spares the general reader's copy of the text.
        const char* const fin = field.data() + field.size();
        std::int32_t simple = 0;
        if (const auto [lu, erreur] = std::from_chars(field.data(), fin, simple);
            erreur == std::errc() && lu == fin) {
            target = simple;
            return;
        }
        if (const auto valeur = platform::ParseInt32(field, kFileInteger)) {
            target = *valeur;
            return;
        }
        std::int32_t aucun = 0;
        if (platform::ScanInt(field, aucun))
            Malformed(numero_, platform::NotANumberText(field, kind));
    }

    void Float(std::string_view field, float& target) const {
        if (const auto valeur = platform::ParseSingle(field, kFileDecimal)) {
            target = *valeur;
            return;
        }
        // A float holds infinities, which ParseSingle leaves to its caller.
        if (const auto valeur = platform::ParseDouble(field, kFileDecimal);
            valeur && std::isinf(*valeur)) {
            target = static_cast<float>(*valeur);
            return;
        }
        float aucun = 0;
        if (platform::ScanFloat(field, aucun))
            Malformed(numero_, platform::NotANumberText(field, platform::NumberKind::Decimal));
    }

    // Kinds and comparison codes are single bytes: a number outside the byte's range is no
    // value the writer wrote.
    template <typename Byte> void ByteField(std::string_view field, Byte& target) const {
        std::int32_t valeur = target;
        Int(field, valeur, platform::NumberKind::Whole);
        if (valeur < std::numeric_limits<Byte>::min() || valeur > std::numeric_limits<Byte>::max())
            Malformed(numero_, platform::NotANumberText(field, platform::NumberKind::Whole));
        target = static_cast<Byte>(valeur);
    }

    // One text of a line, with its name as a message gives it ("le libellé"). The code names
    // its record itself.
    struct Texte {
        const char* nom;
        std::string_view valeur;
        bool code = false;
    };

    // Texts together longer than one line may carry are refused. A text that the writer could
    // not write back as it is (a CR or a NUL in it) is kept as read and the user is told: the
    // save refuses it, named, until it is mended in its dialog. A code is told of once, however
    // many lines carry it. record() names the line's record after a text's name.
    template <typename Record> void CheckTexts(std::initializer_list<Texte> textes, Record record) {
        std::size_t total = 0;
        for (const Texte& t : textes) {
            total += t.valeur.size();
            const cvfile::TextFault faute = cvfile::CheckText(t.valeur);
            if (faute == cvfile::TextFault::None)
                continue;
            if (t.code && !codesSignales_.emplace(t.valeur).second)
                continue;
            Remarque(std::string(t.nom) + ' ' + cvfile::QuoteText(t.valeur) +
                     (t.code ? "" : record()) + ' ' + cvfile::TextFaultReason(faute) +
                     " ; il est gardé tel quel, à corriger avant d'enregistrer");
        }
        if (total > cvfile::kMaxLineTexts)
            Malformed(numero_, "textes trop longs");
    }

    char Sens(const Fields& f, std::size_t k) const {
        if (f[k].empty())
            Malformed(numero_, "sens manquant");
        return f[k].front();
    }

    void ReadAncienne(const Fields& f, std::size_t k, AncienneTranche& t) const {
        Int(f[k], t.Seuil, platform::NumberKind::Amount);
        Float(f[k + 1], t.Frais);
        Float(f[k + 2], t.Tva);
        Int(f[k + 3], t.MntMin, platform::NumberKind::Amount);
    }

    static std::unique_ptr<TrancheFrais> Tranche(const AncienneTranche& a) {
        auto t = std::make_unique<TrancheFrais>();
        t->Seuil = a.Seuil;
        t->Frais = a.Frais;
        t->MntMin = a.MntMin;
        t->Tva = a.Tva;
        t->PlVal = false;
        return t;
    }

    void ReadTranche(std::string_view line, ListeTranches& liste, bool srd) {
        const Fields f(line);
        Need(f, 4);
        auto t = std::make_unique<TrancheFrais>();
        Int(f[1], t->Seuil, platform::NumberKind::Amount);
        Float(f[2], t->Frais);
        Float(f[3], t->Tva);
        Int(f[4], t->MntMin, platform::NumberKind::Amount);
        // A fifth field "*": a row written without its flag.
        if (!f.StartsWith(5, '*'))
            Need(f, 5);
        t->PlVal = IsTrue(f[5]);
        if (srd)
            doc_.AjoutFrais1SRD = t->PlVal;
        liste.push_back(std::move(t));
    }

    // A security's lines follow one another in the writer's order: the last one found serves
    // again while the code stays the same, without a look-up.
    Valeurs* Titre(std::string_view code) {
        if (dernier_ != nullptr && code == dernier_->Code)
            return dernier_;
        key_.assign(code);
        if (const auto it = index_.find(key_); it != index_.end())
            return dernier_ = it->second;
        auto titre = std::make_unique<Valeurs>();
        titre->Code = key_;
        dernier_ = titre.get();
        doc_.Titres.push_back(std::move(titre));
        index_.emplace(dernier_->Code, dernier_);
        return dernier_;
    }

    void ReadTitre(std::string_view line) {
        const Fields f(line);
        Need(f, 25);
        CheckTexts({{"le code", f[1], true},
                    {"le libellé", f[2]},
                    {"la place", f[3]},
                    {"le secteur", f[4]}},
                   [&f] { return DuCode(f[1]); });
        Valeurs* t = Titre(f[1]);
        // Two C lines of one code are two securities that the file can no longer tell apart
        // (their trades and alarms name the same code): they become one, holding the trades
        // and alarms of both, described by the later line, and the user is told.
        const auto [premiere, nouveau] = decrits_.emplace(t, numero_);
        if (!nouveau)
            Remarque("titre " + cvfile::QuoteText(t->Code) + " décrit deux fois (lignes " +
                     std::to_string(premiere->second) + " et " + std::to_string(numero_) +
                     ") : il est montré comme un seul titre, avec les opérations, les alarmes "
                     "et les positions reportées des deux, et décrit par la ligne " +
                     std::to_string(numero_));
        t->Libelle.assign(f[2]);
        t->NomBourse.assign(f[3]);
        t->Activite.assign(f[4]);
        Int(f[5], t->Infos.Cours, platform::NumberKind::Price);
        t->Infos.Date = platform::StrToDate(f[6]);
        t->Infos.Heure = platform::StrToTime(f[7]);
        Float(f[8], t->Infos.Variation);
        Int(f[9], t->Infos.Haut, platform::NumberKind::Price);
        Int(f[10], t->Infos.Bas, platform::NumberKind::Price);
        t->SRD = IsTrue(f[11]);
        t->SuiviAuto = IsTrue(f[12]);
        BilanTitre lu;
        ReadReport(f, lu);
        BilanTitre& p = t->BilanPurge;
        // The purged trades of both descriptions are the security's: dropping either block
        // would lose its shares for good at the next save.
        if (nouveau)
            p = lu;
        else if (!AddReports(p, lu))
            Malformed(numero_, "titre " + cvfile::QuoteText(t->Code) +
                                   " décrit deux fois : les positions reportées des deux lignes "
                                   "dépassent ensemble ce que le portefeuille peut tenir");
        // The stored average is whole euros only: rebuild it from the carried amounts.
        p.NbInPort = platform::Wrap32(static_cast<std::int64_t>(p.NbAchat) - p.NbVentes);
        if (p.NbInPort == 0) {
            p.PxMoyAchNet = 0.0f;
        } else {
            const auto net =
                static_cast<double>(static_cast<std::int64_t>(p.ARealNet) - p.VRealNet);
            p.PxMoyAchNet = static_cast<float>(net * 0.01 / p.NbInPort);
        }
    }

    // Fields 13 to 25 of a C line: the block carried over from purged trades.
    void ReadReport(const Fields& f, BilanTitre& p) const {
        Int(f[13], p.NbAchat, platform::NumberKind::Whole);
        Int(f[14], p.NbVentes, platform::NumberKind::Whole);
        Int(f[15], p.PxMoyAchBrut, platform::NumberKind::Price);
        Float(f[16], p.PxMoyAchNet);
        Int(f[17], p.PlValBrut, platform::NumberKind::Amount);
        Int(f[18], p.PlValNet, platform::NumberKind::Amount);
        Int(f[19], p.TotFrais, platform::NumberKind::Amount);
        Int(f[20], p.ARealBrut, platform::NumberKind::Amount);
        Int(f[21], p.ARealNet, platform::NumberKind::Amount);
        Int(f[22], p.VRealBrut, platform::NumberKind::Amount);
        Int(f[23], p.VRealNet, platform::NumberKind::Amount);
        Int(f[24], p.PxMoyVenBrut, platform::NumberKind::Price);
        Int(f[25], p.PxMoyVenNet, platform::NumberKind::Price);
    }

    void ReadOpere(std::string_view line) {
        const Fields f(line);
        Need(f, 8);
        // Field 9 "*": a line of the format without deferred settlement.
        const bool avecSrd = !f.StartsWith(9, '*');
        if (avecSrd)
            Need(f, 10);
        CheckTexts({{"le code", f[1], true}}, [] { return std::string(); });
        auto op = std::make_unique<Operes>();
        op->Pointe = IsTrue(f[2]);
        op->Date = platform::StrToDate(f[3]);
        op->Sens = Sens(f, 4);
        Int(f[5], op->Quantite, platform::NumberKind::Whole);
        Int(f[6], op->Cours, platform::NumberKind::Price);
        Int(f[7], op->Frais1, platform::NumberKind::Amount);
        Int(f[8], op->Frais2, platform::NumberKind::Amount);
        std::int64_t frais = static_cast<std::int64_t>(op->Frais1) + op->Frais2;
        if (avecSrd) {
            Int(f[9], op->FraisSRD, platform::NumberKind::Amount);
            frais += op->FraisSRD;
            op->SRD = IsTrue(f[10]);
        }
        op->Frais = platform::Wrap32(frais);
        Titre(f[1])->Operes.push_back(std::move(op));
    }

    void ReadAlarme(std::string_view line) {
        const Fields f(line);
        Need(f, 10);
        CheckTexts({{"le code", f[1], true}, {"l'intitulé", f[2]}},
                   [&f] { return " de l'alarme" + DuCode(f[1]); });
        auto a = std::make_unique<SDetAlarme>();
        a->Intitule.assign(f[2]);
        a->Active = IsTrue(f[3]);
        a->Signal = IsTrue(f[4]);
        a->DateVal = platform::StrToDate(f[5]);
        ByteField(f[6], a->Element1.Type);
        Int(f[7], a->Element1.Param, platform::NumberKind::Whole);
        ByteField(f[8], a->Oper);
        ByteField(f[9], a->Element2.Type);
        Int(f[10], a->Element2.Param, platform::NumberKind::Whole);
        Titre(f[1])->Alarmes.push_back(std::move(a));
    }

    void ReadMouvement(std::string_view line) {
        const Fields f(line);
        Need(f, 4);
        auto m = std::make_unique<Mvt>();
        m->Date = platform::StrToDate(f[1]);
        m->Pointe = IsTrue(f[2]);
        m->Sens = Sens(f, 3);
        Int(f[4], m->Montant, platform::NumberKind::Amount);
        const auto duMouvement = [&f] { return " du mouvement du " + std::string(f[1]); };
        // The line ends with its own field "*": right after the amount when there is no
        // comment, after the comment otherwise, so a comment may begin with "*". A line that
        // stops after its comment, or after the amount's "|", lacks only that mark.
        if (f.Has(6)) {
            CheckTexts({{"le commentaire", f[5]}}, duMouvement);
            m->Comment.assign(f[5]);
        } else if (!f.StartsWith(5, '*')) {
            CheckTexts({{"le commentaire", f[5]}}, duMouvement);
            m->Comment.assign(f[5]);
            Remarque("la ligne" + duMouvement() + " ne finit pas par « * » : " +
                     (m->Comment.empty()
                          ? std::string("elle est lue sans commentaire")
                          : cvfile::QuoteText(m->Comment) + " est lu comme son commentaire"));
        }
        doc_.Mouvements.push_back(std::move(m));
    }

    TCorv& doc_;
    std::unordered_map<std::string, Valeurs*> index_;
    // The securities whose C line was read, with that line's number.
    std::unordered_map<const Valeurs*, std::size_t> decrits_;
    std::unordered_set<std::string> codesSignales_; // codes whose text was told of
    std::vector<std::string> remarques_;
    std::string key_;
    Valeurs* dernier_ = nullptr; // the security of the last line that named one
    std::size_t numero_ = 0;
};

} // namespace

std::string TCorv::CodeRefuse(const std::string& code) {
    const cvfile::TextFault faute = cvfile::CheckText(code);
    if (faute != cvfile::TextFault::None)
        return "Le code " + cvfile::QuoteText(code) + ' ' + cvfile::TextFaultReason(faute) + '.';
    if (code.size() > cvfile::kMaxLineTexts)
        return "Le code " + cvfile::QuoteText(code) +
               " est trop long : " + platform::FormatInt(cvfile::kMaxLineTexts) +
               " octets au plus.";
    return {};
}

namespace {

// What a document last saw of a file; null when it never saw it.
const platform::FileFingerprint* Vu(const TCorv& doc, const std::string& path) {
    const std::optional<platform::FileIdentity> fichier = platform::IdentityOf(path);
    if (!fichier)
        return nullptr;
    const auto trouve = doc.FichiersVus.find(*fichier);
    return trouve == doc.FichiersVus.end() ? nullptr : &trouve->second;
}

// A file whose folder cannot be looked at is no file a save can write either: nothing to keep.
void Voir(TCorv& doc, const std::string& path, const platform::FileFingerprint& contenu) {
    if (const std::optional<platform::FileIdentity> fichier = platform::IdentityOf(path))
        doc.FichiersVus[*fichier] = contenu;
}

// What the user agreed to replace is still there. A file this user may not read tells nothing
// of what it holds: agreed to while it could not be read, it is replaced while that lasts.
bool StillWhatWasAgreed(const platform::FileFingerprint& accorde,
                        const platform::FileFingerprint& surDisque) {
    using State = platform::FileFingerprint::State;
    return accorde.Matches(surDisque) ||
           (accorde.state == State::Unreadable && surDisque.state == State::Unreadable);
}

} // namespace

bool TCorv::SaveFile(std::string* raison) {
    const auto echec = [raison](std::string pourquoi) {
        if (raison != nullptr)
            *raison = std::move(pourquoi);
        return false;
    };
    std::string texte;
    try {
        texte = DocumentText(*this);
    } catch (const std::exception& erreur) {
        return echec(erreur.what()); // a value that has no text: nothing is written
    }
    // The rename comes under the lock of every writer of the folder, never between another
    // one's check and its own rename. A folder that cannot be locked for want of being there
    // is told by the writer, which cannot create the file either.
    const platform::FolderLock verrou(Fichier);
    if (verrou.TimedOut())
        return echec(platform::FolderLockFailure(verrou));
    platform::AtomicFileWriter fichier(Fichier);
    if (!fichier.IsOpen())
        return echec(fichier.Error() == ENAMETOOLONG ? "le nom du fichier est trop long"
                                                     : "le fichier ne peut pas être créé");
    if (!verrou.Held())
        return echec(platform::FolderLockFailure(verrou));
    fichier.Write(texte);
    if (!fichier.Commit())
        return echec("l'écriture du fichier n'a pas abouti");
    Voir(*this, Fichier, platform::FingerprintOf(texte));
    Modifie = false;
    return true;
}

TCorv::SaveResult TCorv::SaveFileChecked(const std::optional<platform::FileFingerprint>& attendu) {
    SaveResult resultat;
    const platform::FolderLock verrou(Fichier);
    if (verrou.TimedOut()) {
        resultat.raison = platform::FolderLockFailure(verrou);
        return resultat;
    }
    const platform::FileFingerprint surDisque = platform::FingerprintOfFile(Fichier);
    const platform::FileFingerprint* vu = Vu(*this, Fichier);
    const bool remplacable =
        attendu ? StillWhatWasAgreed(*attendu, surDisque) : vu == nullptr || vu->Matches(surDisque);
    if (!remplacable) {
        resultat.status = SaveResult::Status::Changed;
        resultat.surDisque = surDisque;
        return resultat;
    }
    if (SaveFile(&resultat.raison))
        resultat.status = SaveResult::Status::Saved;
    return resultat;
}

bool TCorv::ChangedOnDisk(const std::string& path) const {
    const platform::FileFingerprint* vu = Vu(*this, path);
    return vu != nullptr && !vu->Matches(platform::FingerprintOfFile(path));
}

int TCorv::LoadFile(const std::string& path, std::vector<std::string>* remarques) {
    Fichier = path;
    // What a save there will compare the file with: the very bytes read, so that a change
    // made while they were read shows as one; when nothing is read, what stands at the path.
    Voir(*this, path, {platform::FileFingerprint::State::Unreadable});
    // Checked before opening: opening a named pipe would wait for a writer, and a folder or a
    // device holds no portfolio.
    if (!platform::IsReadableRegularFile(path)) {
        Voir(*this, path, platform::FingerprintOfFile(path));
        return 0;
    }
    platform::LineReader fichier(path, cvfile::kMaxLine);
    if (!fichier.IsOpen()) {
        Voir(*this, path, platform::FingerprintOfFile(path));
        return 0;
    }
    std::string ligne;
    auto etat = fichier.Read(ligne);
    // A read error is not the end of the file: the part read must not pass for the document.
    if (etat == platform::LineReader::Status::End && fichier.Failed())
        Malformed(1, "erreur de lecture");
    if (etat == platform::LineReader::Status::End) {
        Voir(*this, path, fichier.Fingerprint());
        return 0;
    }
    Reader lecteur(*this);
    if (etat == platform::LineReader::Status::TooLong)
        Malformed(1, "ligne trop longue");
    try {
        lecteur.Head(ligne);
        while ((etat = fichier.Read(ligne)) != platform::LineReader::Status::End) {
            if (etat == platform::LineReader::Status::TooLong)
                Malformed(lecteur.Numero() + 1, "ligne trop longue");
            lecteur.Line(ligne);
        }
        if (fichier.Failed())
            Malformed(lecteur.Numero() + 1, "erreur de lecture");
        Voir(*this, path, fichier.Fingerprint());
        if (remarques != nullptr)
            *remarques = lecteur.TakeRemarques();
    } catch (const platform::ConversionError& e) {
        const std::string message = e.what();
        if (message.rfind("Ligne ", 0) == 0)
            throw;
        throw platform::ConversionError("Ligne " + std::to_string(lecteur.Numero()) +
                                        " du portefeuille : " + message);
    }
    return 1;
}
