#include "dialogs/TransferDialog.h"

#include "widgets/UiPrompts.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TTransfert::TTransfert(QWidget* owner, UiPrompts& prompts) : QDialog(owner), FPrompts(prompts) {
    setObjectName("Transfert");
    setWindowTitle(QString("Procéder au transfert du portefeuille"));

    auto* labelFichier = new QLabel(QString("Nouveau portefeuille"), this);
    NewFile = new QLineEdit(this);
    NewFile->setObjectName("NewFile");
    NewFile->setMinimumWidth(320);
    labelFichier->setBuddy(NewFile);
    Button1 = new QPushButton(QString("&Chercher"), this);
    Button1->setObjectName("Button1");
    Button1->setAutoDefault(false);
    Suppr = new QCheckBox(QString("Suppression des titres non détenus"), this);
    Suppr->setObjectName("Suppr");
    Cumul = new QCheckBox(QString("Cumuler les +/-Values"), this);
    Cumul->setObjectName("Cumul");
    LabelE1 = new QLabel(QString("sous l'intitulé"), this);
    LabelE1->setObjectName("LabelE1");
    e1 = new QLineEdit(this);
    e1->setObjectName("e1");
    LabelE1->setBuddy(e1);
    LabelE1->setEnabled(false);
    e1->setEnabled(false);
    Button2 = new QPushButton(QString("&Transférer"), this);
    Button2->setObjectName("Button2");
    Button3 = new QPushButton(QString("&Annuler"), this);
    Button3->setObjectName("Button3");
    Button3->setAutoDefault(false);

    auto* grille = new QGridLayout;
    grille->addWidget(labelFichier, 0, 0, 1, 2);
    grille->addWidget(NewFile, 1, 0, 1, 2);
    grille->addWidget(Button1, 1, 2);
    grille->addWidget(Suppr, 2, 0, 1, 3);
    grille->addWidget(Cumul, 3, 0, 1, 3);
    grille->addWidget(LabelE1, 4, 0);
    grille->addWidget(e1, 4, 1, 1, 2);
    grille->setColumnStretch(1, 1);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(Button2);
    boutons->addWidget(Button3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grille);
    layout->addSpacing(8);
    layout->addLayout(boutons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(NewFile, Button1);
    setTabOrder(Button1, Suppr);
    setTabOrder(Suppr, Cumul);
    setTabOrder(Cumul, e1);
    setTabOrder(e1, Button2);
    setTabOrder(Button2, Button3);

    connect(Button1, &QPushButton::clicked, this, &TTransfert::Button1Click);
    connect(Cumul, &QCheckBox::toggled, this, &TTransfert::CumulClick);
    connect(Button2, &QPushButton::clicked, this, &TTransfert::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
}

TransfertOptions TTransfert::Options() const {
    TransfertOptions options;
    options.Fichier = NewFile->text().toStdString();
    options.Suppr = Suppr->isChecked();
    options.Cumul = Cumul->isChecked();
    options.Intitule = e1->text().toStdString();
    return options;
}

void TTransfert::Button1Click() {
    const QString nom = FPrompts.SaveFileName(this, "Transfert du portefeuille",
                                              "Fichier Corvane (*.cvx)", "cvx", NewFile->text());
    if (!nom.isEmpty())
        NewFile->setText(QFileInfo(nom).absoluteFilePath());
}

void TTransfert::CumulClick() {
    const bool actif = Cumul->isChecked();
    e1->setEnabled(actif);
    LabelE1->setEnabled(actif);
}

void TTransfert::Button2Click() {
    // The transfer purges the document before it writes the new file: without a file to
    // write, the purged portfolio would have nowhere to go.
    if (NewFile->text().trimmed().isEmpty()) {
        FPrompts.Message(this, "Corvane", "Indiquez le fichier du nouveau portefeuille.",
                         QMessageBox::Warning, QMessageBox::Ok);
        NewFile->setFocus();
        return;
    }
    FValide = true;
    accept();
}

void TTransfert::done(int result) {
    (void)result;
    QDialog::done(FValide ? QDialog::Accepted : QDialog::Rejected);
}
