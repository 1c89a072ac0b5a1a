#include "Unit6.h"

#include "platform/TextFile.h"
#include "portfolio/Cv.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

TForm6* Form6 = nullptr;

namespace {
// The dialog keeps the depths of this many sites.
constexpr std::size_t kSitesMax = 23;
} // namespace

TRadioGroup::TRadioGroup(const QString& caption, QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    box_ = new QGroupBox(caption, this);
    outer->addWidget(box_);
    layout_ = new QVBoxLayout(box_);
    buttons_ = new QButtonGroup(this);
    buttons_->setExclusive(true);
}

void TRadioGroup::Clear() {
    for (QAbstractButton* button : buttons_->buttons()) {
        buttons_->removeButton(button);
        delete button;
    }
}

void TRadioGroup::AddItem(const QString& text) {
    auto* button = new QRadioButton(text, box_);
    buttons_->addButton(button, Count());
    layout_->addWidget(button);
}

int TRadioGroup::Count() const {
    return static_cast<int>(buttons_->buttons().size());
}

QString TRadioGroup::Item(int index) const {
    QAbstractButton* button = buttons_->button(index);
    return button ? button->text() : QString();
}

int TRadioGroup::ItemIndex() const {
    return buttons_->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    if (index >= Count())
        index = Count() - 1;
    if (index < 0) {
        if (QAbstractButton* checked = buttons_->checkedButton()) {
            buttons_->setExclusive(false);
            checked->setChecked(false);
            buttons_->setExclusive(true);
        }
        return;
    }
    buttons_->button(index)->setChecked(true);
}

TForm6::TForm6(QWidget* owner, TCorv* portefeuille)
    : QDialog(owner), FPortefeuille(portefeuille), FValide(false) {
    setObjectName("Form6");
    setWindowTitle("Options");
    const auto u = [](const char* text) { return QString::fromUtf8(text); };

    LibMon = new QLineEdit(this);
    LibMon->setObjectName("LibMon");
    LibMon->setMaxLength(10);
    Taux = new QLineEdit(this);
    Taux->setObjectName("Taux");
    Taux->setToolTip(u("Taux de conversion par rapport à l'Euro"));
    auto* monnaie = new QFormLayout;
    monnaie->addRow(u("Libellé monnaie locale :"), LibMon);
    monnaie->addRow(u("Taux de conversion :"), Taux);

    auto* miseAJour = new QGroupBox(u("Mise à jour"), this);
    Maj = new QCheckBox(u("Mise à jour des cours automatique"), miseAJour);
    Maj->setObjectName("Maj");
    Liste = new QComboBox(miseAJour);
    Liste->setObjectName("Liste");
    Duree = new QSpinBox(miseAJour);
    Duree->setObjectName("Duree");
    Duree->setRange(1, 120);
    Duree->setSingleStep(10);
    Duree->setEnabled(false);
    LabelDuree1 = new QLabel(u("Rafraichissement tous les  "), miseAJour);
    LabelDuree2 = new QLabel(u("minutes"), miseAJour);
    LabelDuree1->setEnabled(false);
    LabelDuree2->setEnabled(false);
    Proxy = new QCheckBox(u("Utliser un proxy"), miseAJour);
    Proxy->setObjectName("Proxy");
    ProxyName = new QLineEdit(miseAJour);
    ProxyName->setObjectName("ProxyName");
    ProxyName->setEnabled(false);
    PortNum = new QLineEdit(miseAJour);
    PortNum->setObjectName("PortNum");
    PortNum->setEnabled(false);
    PortNum->setMaximumWidth(70);
    LabelProxyName = new QLabel(u("Proxy"), miseAJour);
    LabelPortNum = new QLabel(u("Port"), miseAJour);
    LabelProxyName->setEnabled(false);
    LabelPortNum->setEnabled(false);
    Type = new TRadioGroup(u("Type"), miseAJour);
    Type->setObjectName("Type");
    Type->setToolTip(u("Type de rafraichissement"));
    for (const char* item : {"Cours", "Cours, Intraday", "Cours, Intra., Hist."})
        Type->AddItem(u(item));

    auto* grille = new QGridLayout(miseAJour);
    grille->addWidget(Maj, 0, 0, 1, 3);
    grille->addWidget(Liste, 1, 0, 1, 3);
    grille->addWidget(LabelDuree1, 2, 0);
    grille->addWidget(Duree, 2, 1);
    grille->addWidget(LabelDuree2, 2, 2);
    grille->addWidget(Proxy, 3, 0, 1, 3);
    grille->addWidget(LabelProxyName, 4, 0);
    grille->addWidget(ProxyName, 4, 1, 1, 2);
    grille->addWidget(LabelPortNum, 5, 0);
    grille->addWidget(PortNum, 5, 1);
    grille->addWidget(Type, 0, 3, 6, 1);

    auto* couverture = new QGroupBox(u("Couverture"), this);
    CouvC = new QLineEdit(couverture);
    CouvC->setObjectName("CouvC");
    CouvT = new QLineEdit(couverture);
    CouvT->setObjectName("CouvT");
    auto* coefs = new QFormLayout(couverture);
    coefs->addRow(u("Coef. Cash"), CouvC);
    coefs->addRow(u("Coef. Titres"), CouvT);

    Button1 = new QPushButton(u("&Valider"), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(u("&Annuler"), this);
    Button2->setObjectName("Button2");
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(Button1);
    boutons->addWidget(Button2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(monnaie);
    layout->addWidget(miseAJour);
    layout->addWidget(couverture);
    layout->addLayout(boutons);

    connect(Maj, &QCheckBox::toggled, this, &TForm6::MajClick);
    connect(Proxy, &QCheckBox::toggled, this, &TForm6::ProxyClick);
    connect(Liste, &QComboBox::currentIndexChanged, this, &TForm6::ListeChange);
    connect(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

void TForm6::FormCreate() {
    // The quote-site list: a digit (the deepest request kind the site serves), then its name.
    if (FPortefeuille == nullptr)
        return;
    platform::LineReader lecteur(FPortefeuille->Repertoire + "/servers.lst", 253);
    if (!lecteur.IsOpen())
        return;
    std::string ligne;
    for (;;) {
        const platform::LineReader::Status etat = lecteur.Read(ligne);
        if (etat == platform::LineReader::Status::End)
            break;
        if (etat == platform::LineReader::Status::TooLong || ligne.empty())
            continue;
        const QSignalBlocker bloque(Liste);
        Liste->addItem(QString::fromStdString(ligne.substr(1)));
        if (FTypes.size() < kSitesMax)
            FTypes.push_back(static_cast<std::int8_t>(ligne[0] - '0'));
    }
}

void TForm6::ListeChange() {
    const int choix = Liste->currentIndex();
    if (choix < 0)
        return;
    const int profondeur = static_cast<std::size_t>(choix) < FTypes.size()
                               ? FTypes[static_cast<std::size_t>(choix)]
                               : 0;
    Type->Clear();
    Type->AddItem("Cours");
    if (profondeur > 0)
        Type->AddItem("Cours, Intraday");
    if (profondeur > 1)
        Type->AddItem(QString::fromUtf8("Cours, Intra., Hist."));
    Type->SetItemIndex(profondeur);
}

void TForm6::MajClick() {
    const bool actif = Maj->isChecked();
    Duree->setEnabled(actif);
    LabelDuree1->setEnabled(actif);
    LabelDuree2->setEnabled(actif);
}

void TForm6::ProxyClick() {
    const bool actif = Proxy->isChecked();
    ProxyName->setEnabled(actif);
    PortNum->setEnabled(actif);
    LabelProxyName->setEnabled(actif);
    LabelPortNum->setEnabled(actif);
}

void TForm6::Button1Click() {
    FValide = true;
    accept();
}
