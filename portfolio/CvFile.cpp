// The portfolio file: one record per line, fields separated by "|", each line ending "|*".

#include "portfolio/Cv.h"
#include "portfolio/CvFileFields.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "platform/TextFile.h"

#include <cerrno>
#include <exception>
#include <initializer_list>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

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

// Refuses the texts of one line (the code, when the line has one, first) unless each reads
// back as it is and together they fit what a line carries. record() names the line's record
// after the text's name (" du titre « 12 »"), only when needed; ensemble says which texts
// share the line.
template <typename Record>
void CheckTexts(std::initializer_list<Texte> textes, Record record, const char* ensemble) {
    std::size_t total = 0;
    const Texte* plusLong = nullptr;
    for (const Texte& t : textes) {
        const cvfile::TextFault faute = cvfile::CheckText(t.valeur);
        if (faute != cvfile::TextFault::None)
            throw ChampRefuse(Nomme(t, record) + ' ' + cvfile::TextFaultReason(faute));
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
        "le code, le libellé, la place et le secteur d'un titre");
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
            "le code du titre et l'intitulé d'une alarme");
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
        "les commentaires");
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

// Kinds and comparison codes are single bytes: the number read keeps its low byte.
template <typename Byte> void ScanByte(std::string_view field, Byte& target) {
    std::int32_t valeur = target;
    if (platform::ScanInt(field, valeur))
        target = static_cast<Byte>(valeur);
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
        platform::ScanInt(f[0], doc_.Cash);
        if (f.StartsWith(1, '*'))
            return;
        // An earlier format: two fee brackets and the coverage coefficients on this line;
        // what follows them is not read.
        if (!f.Has(10))
            Malformed(numero_, "ligne d'en-tête incomplète");
        ReadAncienne(f, 1, doc_.AncTranche1);
        ReadAncienne(f, 5, doc_.AncTranche2);
        platform::ScanFloat(f[9], doc_.CouvC);
        platform::ScanFloat(f[10], doc_.CouvT);
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
            platform::ScanFloat(f[1], doc_.CouvC);
            platform::ScanFloat(f[2], doc_.CouvT);
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

private:
    // The needed fields up to last, then the field that the writer ends every line with
    // ("*"): a line cut short, even right after a number, is refused rather than misread.
    void Need(const Fields& f, std::size_t last) const {
        if (!f.Has(last + 1))
            Malformed(numero_, "champs manquants");
    }

    // Texts that the writer could not write back as they are are refused: a CR or a NUL
    // inside a text, or texts longer together than one line may carry.
    void CheckTexts(std::initializer_list<std::string_view> texts) const {
        std::size_t total = 0;
        for (const std::string_view t : texts) {
            if (cvfile::CheckText(t) != cvfile::TextFault::None)
                Malformed(numero_, "caractère interdit dans un texte");
            total += t.size();
        }
        if (total > cvfile::kMaxLineTexts)
            Malformed(numero_, "textes trop longs");
    }

    char Sens(const Fields& f, std::size_t k) const {
        if (f[k].empty())
            Malformed(numero_, "sens manquant");
        return f[k].front();
    }

    static void ReadAncienne(const Fields& f, std::size_t k, AncienneTranche& t) {
        platform::ScanInt(f[k], t.Seuil);
        platform::ScanFloat(f[k + 1], t.Frais);
        platform::ScanFloat(f[k + 2], t.Tva);
        platform::ScanInt(f[k + 3], t.MntMin);
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
        platform::ScanInt(f[1], t->Seuil);
        platform::ScanFloat(f[2], t->Frais);
        platform::ScanFloat(f[3], t->Tva);
        platform::ScanInt(f[4], t->MntMin);
        // A fifth field "*": a row written without its flag.
        if (!f.StartsWith(5, '*'))
            Need(f, 5);
        t->PlVal = IsTrue(f[5]);
        if (srd)
            doc_.AjoutFrais1SRD = t->PlVal;
        liste.push_back(std::move(t));
    }

    Valeurs* Titre(std::string_view code) {
        key_.assign(code);
        const auto it = index_.find(key_);
        if (it != index_.end())
            return it->second;
        auto titre = std::make_unique<Valeurs>();
        titre->Code = key_;
        Valeurs* cree = titre.get();
        doc_.Titres.push_back(std::move(titre));
        index_.emplace(cree->Code, cree);
        return cree;
    }

    void ReadTitre(std::string_view line) {
        const Fields f(line);
        Need(f, 25);
        CheckTexts({f[1], f[2], f[3], f[4]});
        Valeurs* t = Titre(f[1]);
        // Two C lines of one code are two securities that the file can no longer tell apart
        // (their trades and alarms name the same code): the file is refused rather than
        // making them one.
        if (!decrits_.insert(t).second)
            Malformed(numero_, "titre " + cvfile::QuoteText(t->Code) + " décrit deux fois");
        t->Libelle.assign(f[2]);
        t->NomBourse.assign(f[3]);
        t->Activite.assign(f[4]);
        platform::ScanInt(f[5], t->Infos.Cours);
        t->Infos.Date = platform::StrToDate(f[6]);
        t->Infos.Heure = platform::StrToTime(f[7]);
        platform::ScanFloat(f[8], t->Infos.Variation);
        platform::ScanInt(f[9], t->Infos.Haut);
        platform::ScanInt(f[10], t->Infos.Bas);
        t->SRD = IsTrue(f[11]);
        t->SuiviAuto = IsTrue(f[12]);
        BilanTitre& p = t->BilanPurge;
        p = BilanTitre{};
        platform::ScanInt(f[13], p.NbAchat);
        platform::ScanInt(f[14], p.NbVentes);
        platform::ScanInt(f[15], p.PxMoyAchBrut);
        platform::ScanFloat(f[16], p.PxMoyAchNet);
        platform::ScanInt(f[17], p.PlValBrut);
        platform::ScanInt(f[18], p.PlValNet);
        platform::ScanInt(f[19], p.TotFrais);
        platform::ScanInt(f[20], p.ARealBrut);
        platform::ScanInt(f[21], p.ARealNet);
        platform::ScanInt(f[22], p.VRealBrut);
        platform::ScanInt(f[23], p.VRealNet);
        platform::ScanInt(f[24], p.PxMoyVenBrut);
        platform::ScanInt(f[25], p.PxMoyVenNet);
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

    void ReadOpere(std::string_view line) {
        const Fields f(line);
        Need(f, 8);
        // Field 9 "*": a line of the format without deferred settlement.
        const bool avecSrd = !f.StartsWith(9, '*');
        if (avecSrd)
            Need(f, 10);
        CheckTexts({f[1]});
        auto op = std::make_unique<Operes>();
        op->Pointe = IsTrue(f[2]);
        op->Date = platform::StrToDate(f[3]);
        op->Sens = Sens(f, 4);
        platform::ScanInt(f[5], op->Quantite);
        platform::ScanInt(f[6], op->Cours);
        platform::ScanInt(f[7], op->Frais1);
        platform::ScanInt(f[8], op->Frais2);
        std::int64_t frais = static_cast<std::int64_t>(op->Frais1) + op->Frais2;
        if (avecSrd) {
            platform::ScanInt(f[9], op->FraisSRD);
            frais += op->FraisSRD;
            op->SRD = IsTrue(f[10]);
        }
        op->Frais = platform::Wrap32(frais);
        Titre(f[1])->Operes.push_back(std::move(op));
    }

    void ReadAlarme(std::string_view line) {
        const Fields f(line);
        Need(f, 10);
        CheckTexts({f[1], f[2]});
        auto a = std::make_unique<SDetAlarme>();
        a->Intitule.assign(f[2]);
        a->Active = IsTrue(f[3]);
        a->Signal = IsTrue(f[4]);
        a->DateVal = platform::StrToDate(f[5]);
        ScanByte(f[6], a->Element1.Type);
        platform::ScanInt(f[7], a->Element1.Param);
        ScanByte(f[8], a->Oper);
        ScanByte(f[9], a->Element2.Type);
        platform::ScanInt(f[10], a->Element2.Param);
        Titre(f[1])->Alarmes.push_back(std::move(a));
    }

    void ReadMouvement(std::string_view line) {
        const Fields f(line);
        Need(f, 4);
        auto m = std::make_unique<Mvt>();
        m->Date = platform::StrToDate(f[1]);
        m->Pointe = IsTrue(f[2]);
        m->Sens = Sens(f, 3);
        platform::ScanInt(f[4], m->Montant);
        // The line ends with its own field "*": right after the amount when there is no
        // comment, after the comment otherwise, so a comment may begin with "*".
        if (f.Has(6)) {
            CheckTexts({f[5]});
            m->Comment.assign(f[5]);
        } else if (!f.StartsWith(5, '*')) {
            Malformed(numero_, "champs manquants");
        }
        doc_.Mouvements.push_back(std::move(m));
    }

    TCorv& doc_;
    std::unordered_map<std::string, Valeurs*> index_;
    std::unordered_set<const Valeurs*> decrits_; // the securities whose C line was read
    std::string key_;
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
    platform::AtomicFileWriter fichier(Fichier);
    if (!fichier.IsOpen())
        return echec(fichier.Error() == ENAMETOOLONG ? "le nom du fichier est trop long"
                                                     : "le fichier ne peut pas être créé");
    fichier.Write(texte);
    if (!fichier.Commit())
        return echec("l'écriture du fichier n'a pas abouti");
    FichierVu = Fichier;
    ContenuVu = platform::FingerprintOf(texte);
    Modifie = false;
    return true;
}

bool TCorv::ChangedOnDisk(const std::string& path) const {
    return path == FichierVu && !platform::FingerprintOfFile(path).Matches(ContenuVu);
}

int TCorv::LoadFile(const std::string& path) {
    Fichier = path;
    // Before reading: a change made while the file is read is then taken for one made after.
    FichierVu = path;
    ContenuVu = platform::FingerprintOfFile(path);
    // Checked before opening: opening a named pipe would wait for a writer, and a folder or a
    // device holds no portfolio.
    if (!platform::IsReadableRegularFile(path))
        return 0;
    platform::LineReader fichier(path, cvfile::kMaxLine);
    if (!fichier.IsOpen())
        return 0;
    std::string ligne;
    auto etat = fichier.Read(ligne);
    // A read error is not the end of the file: the part read must not pass for the document.
    if (etat == platform::LineReader::Status::End && fichier.Failed())
        Malformed(1, "erreur de lecture");
    if (etat == platform::LineReader::Status::End)
        return 0;
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
    } catch (const platform::ConversionError& e) {
        const std::string message = e.what();
        if (message.rfind("Ligne ", 0) == 0)
            throw;
        throw platform::ConversionError("Ligne " + std::to_string(lecteur.Numero()) +
                                        " du portefeuille : " + message);
    }
    return 1;
}
