#include "dialogs/AlarmElementDialog.h"

#include "widgets/UiPrompts.h"

#include "platform/ConversionError.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TChamp::TChamp(QWidget* owner, TCorv* portefeuille, ElementAlarme* element, UiPrompts& prompts)
    : QDialog(owner), FElement(element), FPortefeuille(portefeuille), FPrompts(prompts) {
    setObjectName("Champ");
    setWindowTitle(QString("Définition d'un champ"));

    Titre = new QLabel(this);
    Titre->setObjectName("Titre");
    Saisie = new QLineEdit(this);
    Saisie->setObjectName("Saisie");
    Valider = new QPushButton("&Valider", this);
    Valider->setObjectName("Valider");
    Valider->setDefault(true);
    Button2 = new QPushButton("&Annuler", this);
    Button2->setObjectName("Button2");
    connect(Valider, &QPushButton::clicked, this, &TChamp::ValiderClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(Valider);
    boutons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Titre);
    layout->addWidget(Saisie);
    layout->addLayout(boutons);

    if (FElement != nullptr)
        Titre->setText(Question(FElement->Type));
    setMinimumWidth(Titre->sizeHint().width() + 40);
}

QString TChamp::Question(std::int8_t type) {
    switch (type) {
    case 1:
        return QString("Entrez la valeur en euros:");
    case 4:
        return QString("Entrez le nombre de jours du RSI:");
    case 5:
        return QString("Entrez le nombre de jours de la moyenne mobile:");
    case 6:
        return QString("Entrez le pourcentage du coût brut:");
    case 7:
        return QString("Entrez le pourcentage du coût net:");
    case 8:
        return QString("Entrez le pourcentage de la valorisation brute:");
    case 9:
        return QString("Entrez le pourcentage de la valorisation nette:");
    default:
        return QString();
    }
}

std::int32_t TChamp::ParseHundredths(const std::string& texte) const {
    // A percentage in hundredths is typed and read exactly like an amount in cents: the first
    // "." taken for ",", trailing signs such as "%" or "€" cut, at most two decimals kept.
    return FPortefeuille->TextToCents(texte);
}

void TChamp::ValiderClick() {
    if (FElement == nullptr) {
        reject();
        return;
    }
    const std::string texte = Saisie->text().toStdString();
    try {
        switch (FElement->Type) {
        case 4:
        case 5:
            FElement->Param = platform::ReadWholeNumber(texte);
            break;
        case 1:
        case 6:
        case 7:
        case 8:
        case 9:
            FElement->Param = ParseHundredths(texte);
            break;
        default:
            break;
        }
    } catch (const platform::ConversionError& erreur) {
        FPrompts.Message(this, "Corvane", QString::fromStdString(erreur.what()),
                         QMessageBox::Critical, QMessageBox::Ok);
        return;
    }
    accept();
}
