// The portfolio file: one record per line, fields separated by "|", each line ending "|*".

#include "portfolio/Cv.h"
#include "portfolio/CvFileFields.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "platform/TextFile.h"

#include <array>
#include <exception>
#include <initializer_list>
#include <string_view>
#include <unordered_map>

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

// Four-digit years, so that no date comes back a century off.
void PutDate(std::string& out, double date) {
    out += platform::DateToStrFull(date);
    out += '|';
}

// Shortens the longest of the texts until they hold at most budget bytes together.
template <std::size_t N> void FitTexts(std::array<std::string, N>& texts, std::size_t budget) {
    auto total = [&texts] {
        std::size_t n = 0;
        for (const auto& t : texts)
            n += t.size();
        return n;
    };
    for (std::size_t somme = total(); somme > budget; somme = total()) {
        std::size_t longest = 0;
        for (std::size_t i = 1; i < N; ++i) {
            if (texts[i].size() > texts[longest].size())
                longest = i;
        }
        std::size_t second = 0;
        for (std::size_t i = 0; i < N; ++i) {
            if (i != longest && texts[i].size() > second)
                second = texts[i].size();
        }
        const std::size_t taille = texts[longest].size();
        const std::size_t exces = somme - budget;
        std::size_t cible = taille > exces ? taille - exces : 0;
        if (cible < second)
            cible = second;
        if (cible >= taille)
            cible = taille - 1;
        cvfile::CutUtf8(texts[longest], cible);
    }
}

// Appends one line built by build(texts). Texts that pass what one line may carry together
// with the code are shortened, longest first; texts read from a file never do, so saving
// does not cut them.
template <std::size_t N, typename Build>
void PutLine(std::string& out, std::string_view code, std::array<std::string, N> texts,
             Build build) {
    FitTexts(texts, cvfile::kMaxLineTexts - code.size());
    build(out, texts);
    out += "*\n";
}

// Codes are cut alike in the C, O and A lines, so that trades and alarms find their security.
std::string StoredCode(const std::string& code) {
    std::string clean = cvfile::CleanText(code);
    cvfile::CutUtf8(clean, cvfile::kMaxLineTexts);
    return clean;
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
    const std::string code = StoredCode(titre.Code);
    const InfosCours& infos = titre.Infos;
    const BilanTitre& p = titre.BilanPurge;
    PutLine(out, code,
            std::array<std::string, 3>{cvfile::CleanText(titre.Libelle),
                                       cvfile::CleanText(titre.NomBourse),
                                       cvfile::CleanText(titre.Activite)},
            [&](std::string& o, const std::array<std::string, 3>& t) {
                o += "C|";
                PutText(o, code);
                PutText(o, t[0]);
                PutText(o, t[1]);
                PutText(o, t[2]);
                PutInt(o, infos.Cours);
                PutDate(o, infos.Date);
                PutText(o, platform::TimeToStr(infos.Heure));
                PutFloat(o, infos.Variation, 2);
                PutInt(o, infos.Haut);
                PutInt(o, infos.Bas);
                PutBool(o, titre.SRD);
                PutBool(o, titre.SuiviAuto);
                PutInt(o, p.NbAchat);
                PutInt(o, p.NbVentes);
                PutInt(o, p.PxMoyAchBrut);
                // Whole euros: the reader recomputes this average from the amounts.
                PutInt(o, platform::Trunc32(static_cast<double>(p.PxMoyAchNet)));
                PutInt(o, p.PlValBrut);
                PutInt(o, p.PlValNet);
                PutInt(o, p.TotFrais);
                PutInt(o, p.ARealBrut);
                PutInt(o, p.ARealNet);
                PutInt(o, p.VRealBrut);
                PutInt(o, p.VRealNet);
                PutInt(o, p.PxMoyVenBrut);
                PutInt(o, p.PxMoyVenNet);
            });
    for (const auto& op : titre.Operes) {
        out += "O|";
        PutText(out, code);
        PutBool(out, op->Pointe);
        PutDate(out, op->Date);
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
        PutLine(out, code, std::array<std::string, 1>{cvfile::CleanText(a.Intitule)},
                [&](std::string& o, const std::array<std::string, 1>& t) {
                    o += "A|";
                    PutText(o, code);
                    PutText(o, t[0]);
                    PutBool(o, a.Active);
                    PutBool(o, a.Signal);
                    PutDate(o, a.DateVal);
                    PutInt(o, a.Element1.Type);
                    PutInt(o, a.Element1.Param);
                    PutInt(o, a.Oper);
                    PutInt(o, a.Element2.Type);
                    PutInt(o, a.Element2.Param);
                });
    }
}

// The comment is the fifth field only when there is one: the line then ends with its own
// field "*" after it, which tells a comment that begins with "*" from none.
void PutMouvement(std::string& out, const Mvt& m) {
    PutLine(out, std::string_view{}, std::array<std::string, 1>{cvfile::CleanText(m.Comment)},
            [&](std::string& o, const std::array<std::string, 1>& t) {
                o += "M|";
                PutDate(o, m.Date);
                PutBool(o, m.Pointe);
                PutChar(o, m.Sens);
                PutInt(o, m.Montant);
                if (!t[0].empty())
                    PutText(o, t[0]);
            });
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

[[noreturn]] void Malformed(std::size_t numero, const char* raison) {
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

    // Texts that one line may not carry are refused: saving would have to cut them.
    void CheckTexts(std::initializer_list<std::string_view> texts) const {
        std::size_t total = 0;
        for (const std::string_view t : texts)
            total += t.size();
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
    std::string key_;
    std::size_t numero_ = 0;
};

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
    platform::AtomicFileWriter fichier(Fichier);
    if (!fichier.IsOpen())
        return echec("le fichier ne peut pas être créé");
    fichier.Write(texte);
    if (!fichier.Commit())
        return echec("l'écriture du fichier n'a pas abouti");
    Modifie = false;
    return true;
}

int TCorv::LoadFile(const std::string& path) {
    Fichier = path;
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
