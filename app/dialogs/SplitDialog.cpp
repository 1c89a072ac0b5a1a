#include "dialogs/SplitDialog.h"

#include "widgets/QtDates.h"
#include "widgets/UiPrompts.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <climits>

TDivision* Division = nullptr;

TDivision::TDivision(QWidget* owner) : QDialog(owner) {
    setObjectName("Division");
    setWindowTitle("Division");
    Libelle = new QLabel(this);
    Libelle->setObjectName("Libelle");
    Libelle->setAlignment(Qt::AlignCenter);
    Libelle->setStyleSheet("font-weight: bold;");
    Libelle->setMinimumWidth(260);
    PDate = MakeDatePicker(this, "PDate");
    PDate->setDate(ToQDate(platform::Date()));
    Valeur = new QSpinBox(this);
    Valeur->setObjectName("Valeur");
    // The arrows go anywhere; what is accepted is decided on Valider, with a message.
    Valeur->setRange(INT_MIN, INT_MAX);
    Valeur->setValue(0);
    if (auto* texte = Valeur->findChild<QLineEdit*>())
        texte->setReadOnly(true); // only the arrows change it
    Button1 = new QPushButton("&Valider", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("&Annuler", this);
    Button2->setObjectName("Button2");
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TDivision::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* champs = new QFormLayout;
    champs->addRow(QString("Jusqu'à la date du  :"), PDate);
    champs->addRow(QString("diviser l'action par  "), Valeur);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(Button1);
    boutons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Libelle);
    layout->addSpacing(6);
    layout->addLayout(champs);
    layout->addSpacing(6);
    layout->addLayout(boutons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TDivision::Ratio() const {
    return Valeur->value();
}

platform::TDateTime TDivision::Jusqua() const {
    return FromQDate(PDate->date());
}

void TDivision::Button1Click() {
    if (Ratio() < kRatioMin) {
        const QString texte = QString("Le rapport de division doit être un nombre "
                                      "entier au moins égal à %1.")
                                  .arg(kRatioMin);
        QtPrompts bureau;
        UiPrompts& prompts = FPrompts != nullptr ? *FPrompts : bureau;
        prompts.Message(this, "Division", texte, QMessageBox::Warning, QMessageBox::Ok);
        Valeur->setFocus();
        return;
    }
    FValide = true;
    accept();
}

void TDivision::done(int result) {
    (void)result;
    // The dialog lives for the whole run: each use starts unvalidated.
    const bool valide = FValide;
    FValide = false;
    QDialog::done(valide ? QDialog::Accepted : QDialog::Rejected);
}
