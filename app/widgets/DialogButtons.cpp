#include "widgets/DialogButtons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

BoutonsSaisie MakeBoutonsSaisie(QDialog* dialog, bool avecSuivant) {
    const auto bouton = [dialog](const char* texte, const char* nom) {
        auto* b = new QPushButton(QString::fromUtf8(texte), dialog);
        b->setObjectName(nom);
        b->setAutoDefault(false);
        return b;
    };
    BoutonsSaisie b;
    b.OKBtn = bouton("OK", "OKBtn");
    if (avecSuivant)
        b.Suivant = bouton("OK && Suivant", "Suivant");
    b.CancelBtn = bouton("Annuler", "CancelBtn");
    (avecSuivant ? b.Suivant : b.OKBtn)->setDefault(true);
    b.Rangee = new QHBoxLayout;
    b.Rangee->addStretch(1);
    for (QPushButton* p : {b.OKBtn, b.Suivant, b.CancelBtn})
        if (p != nullptr)
            b.Rangee->addWidget(p);
    return b;
}
