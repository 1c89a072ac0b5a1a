#include "widgets/TypingLimits.h"

#include <QLineEdit>

#include <algorithm>
#include <utility>

namespace {

std::size_t Octets(const QString& texte) {
    return static_cast<std::size_t>(texte.toUtf8().size());
}

} // namespace

LimiteFrappe::LimiteFrappe(QLineEdit* champ, int limite, std::function<bool(QChar)> admis)
    : QValidator(champ), FLimite(limite), FAdmis(std::move(admis)), FAvant(champ->text()) {}

LimiteFrappe* LimiteFrappe::De(const QLineEdit* champ) {
    return champ->findChild<LimiteFrappe*>(QString(), Qt::FindDirectChildrenOnly);
}

LimiteFrappe* LimiteFrappe::Pose(QLineEdit* champ, int limite, std::function<bool(QChar)> admis) {
    auto* limites = new LimiteFrappe(champ, limite, std::move(admis));
    champ->setValidator(limites);
    return limites;
}

void LimiteFrappe::PartageOctets(const std::vector<QLineEdit*>& champs, std::size_t octets) {
    for (QLineEdit* champ : champs) {
        LimiteFrappe* limites = De(champ);
        if (limites == nullptr)
            continue;
        limites->FOctets = octets;
        limites->FAutres = [champs, champ] {
            std::size_t n = 0;
            for (const QLineEdit* autre : champs) {
                if (autre != champ)
                    n += Octets(autre->text());
            }
            return n;
        };
    }
}

void LimiteFrappe::Montre(QLineEdit* champ, const QString& texte) {
    if (LimiteFrappe* limites = De(champ))
        limites->FAvant = texte;
    champ->setText(texte);
}

QValidator::State LimiteFrappe::validate(QString& input, int& pos) const {
    if (input == FAvant)
        return Acceptable;
    // What the edit put between the unchanged start and end of the text.
    const qsizetype commun = std::min(input.size(), FAvant.size());
    qsizetype debut = 0;
    while (debut < commun && input[debut] == FAvant[debut])
        ++debut;
    qsizetype fin = 0;
    while (fin < commun - debut && input[input.size() - 1 - fin] == FAvant[FAvant.size() - 1 - fin])
        ++fin;
    const QString insere = input.mid(debut, input.size() - debut - fin);
    const QString avant = input.left(debut);
    const QString apres = input.right(fin);

    qsizetype place = insere.size();
    if (FLimite > 0)
        place = std::max<qsizetype>(0, FLimite - (avant.size() + apres.size()));
    std::size_t octets = 0;
    if (FOctets > 0)
        octets = Octets(avant) + Octets(apres) + (FAutres ? FAutres() : 0);

    QString garde;
    for (qsizetype i = 0; i < insere.size(); ++i) {
        // A character outside the basic plane is two units, kept or dropped together.
        const qsizetype n = insere[i].isHighSurrogate() && i + 1 < insere.size() ? 2 : 1;
        const QString c = insere.mid(i, n);
        i += n - 1;
        if (FAdmis && !FAdmis(c[0]))
            continue;
        if (garde.size() + n > place)
            break;
        if (FOctets > 0) {
            if (octets + Octets(c) > FOctets)
                break;
            octets += Octets(c);
        }
        garde += c;
    }

    const qsizetype retires = insere.size() - garde.size();
    input = avant + garde + apres;
    if (pos > debut)
        pos = static_cast<int>(std::max<qsizetype>(debut, pos - retires));
    pos = std::clamp(pos, 0, static_cast<int>(input.size()));
    FAvant = input;
    return Acceptable;
}
