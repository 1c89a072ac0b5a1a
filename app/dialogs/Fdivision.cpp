#include "Fdivision.h"

#include "../QtDates.h"

#include "platform/DateTime.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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
    PDate = new QDateEdit(this);
    PDate->setObjectName("PDate");
    PDate->setDisplayFormat("dd/MM/yy");
    PDate->setCalendarPopup(true);
    PDate->setDate(ToQDate(platform::Date()));
    Valeur = new QSpinBox(this);
    Valeur->setObjectName("Valeur");
    Valeur->setRange(INT_MIN, INT_MAX);
    if (auto* texte = Valeur->findChild<QLineEdit*>())
        texte->setReadOnly(true); // only the arrows change it
    Button1 = new QPushButton("&Valider", this);
    Button1->setDefault(true);
    Button2 = new QPushButton("&Annuler", this);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* champs = new QFormLayout;
    champs->addRow(QString::fromUtf8("Jusqu'à la date du  :"), PDate);
    champs->addRow(QString::fromUtf8("diviser l'action par  "), Valeur);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(Button1);
    boutons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Libelle);
    layout->addLayout(champs);
    layout->addLayout(boutons);
}
