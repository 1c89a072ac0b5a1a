#pragma once

// Limits on what the user types into a line edit. They apply to the characters typed or
// pasted only: a text the program shows in the field (a record's value) is shown whole, and
// the characters of it that the user does not touch stay as they are.

#include <QString>
#include <QValidator>

#include <cstddef>
#include <functional>
#include <vector>

class QLineEdit;

class LimiteFrappe : public QValidator {
    Q_OBJECT
public:
    // Sets the limits of champ, which owns them. limite: the characters the field may hold once
    // typed into (0: no limit; a longer text shown stays, but cannot grow). admis: the
    // characters that may be typed (none: all).
    static LimiteFrappe* Pose(QLineEdit* champ, int limite,
                              std::function<bool(QChar)> admis = nullptr);
    // The texts of champs, which all carry limits, hold together at most octets bytes once in
    // UTF-8: what would pass is not typed.
    static void PartageOctets(const std::vector<QLineEdit*>& champs, std::size_t octets);
    // Shows texte whole in champ, whatever its limits.
    static void Montre(QLineEdit* champ, const QString& texte);

    State validate(QString& input, int& pos) const override;

private:
    LimiteFrappe(QLineEdit* champ, int limite, std::function<bool(QChar)> admis);
    static LimiteFrappe* De(const QLineEdit* champ);

    int FLimite = 0;
    std::function<bool(QChar)> FAdmis;
    std::size_t FOctets = 0;              // 0: no budget
    std::function<std::size_t()> FAutres; // bytes of the fields sharing the budget
    mutable QString FAvant;               // the text as last accepted
};
